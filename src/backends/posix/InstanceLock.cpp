#include "backends/posix/InstanceLock.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <thread>
#include <unistd.h>

namespace quillan {

TInstanceLock::TResult TInstanceLock::Acquire(
    const std::string& folder, std::chrono::milliseconds timeout, std::string& error)
{
    Release();
    const std::string path = folder + "/instance.lock";
    // O_CLOEXEC: a program the editor starts (a browser, the mail composer) must not inherit the
    // descriptor, or it would keep holding the lock after the editor has released it.
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        error = "Cannot open " + path + ": " + std::strerror(errno);
        return TResult::lrFailed;
    }
    // flock has no time-out of its own; polling keeps this free of signals and threads.
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            FFd = fd;
            return TResult::lrAcquired;
        }
        if (errno != EWOULDBLOCK && errno != EINTR) {
            error = "Cannot lock " + path + ": " + std::strerror(errno);
            ::close(fd);
            return TResult::lrFailed;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            ::close(fd);
            return TResult::lrTimedOut;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

void TInstanceLock::Release()
{
    if (FFd >= 0) {
        ::close(FFd); // closing the only descriptor drops the flock
        FFd = -1;
    }
}

} // namespace quillan
