#include "backends/posix/InstanceLock.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <pthread.h>
#include <string_view>
#include <sys/file.h>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>

namespace quillan {

namespace {

void Interrupt(int) { }

constexpr std::string_view NoAnswerMark = "no answer\n";

// Who holds the lock: each holder writes its process and the moment it took the lock into the
// lock file, so a waiter can tell a queue that moves from a holder that is stuck.
std::string Holder(int fd)
{
    char buffer[64];
    const ssize_t n = ::pread(fd, buffer, sizeof buffer, 0);
    std::string text = n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : std::string();
    // The first line is the holder: what a failed truncate left after it is an older one's.
    if (const std::size_t end = text.find('\n'); end != std::string::npos)
        text.resize(end + 1);
    return text;
}

void ClaimHolder(int fd)
{
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    const std::string text = std::to_string(::getpid()) + " "
        + std::to_string(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()) + "\n";
    // Readers take the first line only, so a longer old text left behind by a failed truncate
    // does no harm.
    if (::pwrite(fd, text.data(), text.size(), 0) == static_cast<ssize_t>(text.size())
        && ::ftruncate(fd, static_cast<off_t>(text.size())) != 0) { }
}

// Waits for the flock in the kernel, which hands it to a waiter the moment the holder lets go:
// in a burst of starts every start waits its turn without polling, and none of them burns the
// CPU the one holding the lock needs. flock has no time-out of its own, so a timer aimed at this
// thread alone interrupts the wait; it repeats, in case it first fires before flock blocks.
// The time-out is for one holder: whenever the lock has changed hands the wait starts afresh, so
// the last of a hundred starts at once, each slow on a busy machine, still gets its turn, while a
// start that hangs holding the lock is given up on after `timeout`.
// False with errno ETIMEDOUT when the time is up, or another errno when locking failed.
bool WaitForLock(int fd, std::chrono::milliseconds timeout)
{
    const int signal = SIGALRM;
    struct sigaction action { };
    action.sa_handler = Interrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0; // no SA_RESTART: flock must return EINTR
    struct sigaction previous { };
    if (::sigaction(signal, &action, &previous) != 0)
        return false;
    sigset_t mask, oldMask;
    sigemptyset(&mask);
    sigaddset(&mask, signal);
    ::pthread_sigmask(SIG_UNBLOCK, &mask, &oldMask);

    sigevent event {};
    event.sigev_notify = SIGEV_THREAD_ID;
    event.sigev_signo = signal;
    event._sigev_un._tid = static_cast<pid_t>(::syscall(SYS_gettid));
    timer_t timer {};
    bool acquired = false;
    int failure = 0;
    auto deadline = std::chrono::steady_clock::now() + timeout;
    std::string holder = Holder(fd);
    // Once a holder has given up on a running instance that does not answer, the queue is not
    // moving, however often the lock changes hands: each holder would wait out its own time-out
    // on the frozen receiver in turn.
    bool stuck = holder == NoAnswerMark;
    // False when the same holder has had the lock for the whole time.
    const auto patient = [&] {
        const auto now = std::chrono::steady_clock::now();
        if (std::string current = Holder(fd); current != holder) {
            holder = std::move(current);
            stuck = stuck || holder == NoAnswerMark;
            if (!stuck)
                deadline = now + timeout;
        }
        return now < deadline;
    };
    if (::timer_create(CLOCK_MONOTONIC, &event, &timer) != 0) {
        // No timer to spare: look again and again instead.
        for (;;) {
            if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
                acquired = true;
                break;
            }
            if (errno != EWOULDBLOCK && errno != EINTR) {
                failure = errno;
                break;
            }
            if (!patient()) {
                failure = ETIMEDOUT;
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    } else {
        constexpr long TickNs = 50'000'000;
        itimerspec tick {};
        tick.it_value.tv_nsec = TickNs;
        tick.it_interval.tv_nsec = TickNs;
        ::timer_settime(timer, 0, &tick, nullptr);
        for (;;) {
            if (::flock(fd, LOCK_EX) == 0) {
                acquired = true;
                break;
            }
            if (errno != EINTR) {
                failure = errno;
                break;
            }
            if (!patient()) {
                failure = ETIMEDOUT;
                break;
            }
        }
        ::timer_delete(timer);
    }
    ::pthread_sigmask(SIG_SETMASK, &oldMask, nullptr);
    ::sigaction(signal, &previous, nullptr);
    errno = failure;
    return acquired;
}

} // namespace

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
    bool acquired = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    if (!acquired && errno == EWOULDBLOCK && timeout.count() > 0)
        acquired = WaitForLock(fd, timeout);
    if (acquired) {
        ClaimHolder(fd);
        FFd = fd;
        return TResult::lrAcquired;
    }
    const int failure = errno;
    ::close(fd);
    if (failure == EWOULDBLOCK || failure == ETIMEDOUT)
        return TResult::lrTimedOut;
    error = "Cannot lock " + path + ": " + std::strerror(failure);
    return TResult::lrFailed;
}

void TInstanceLock::MarkNoAnswer()
{
    // As in ClaimHolder: only the first line is read, a failed truncate does no harm.
    if (FFd >= 0
        && ::pwrite(FFd, NoAnswerMark.data(), NoAnswerMark.size(), 0) == static_cast<ssize_t>(NoAnswerMark.size())
        && ::ftruncate(FFd, static_cast<off_t>(NoAnswerMark.size())) != 0) { }
}

void TInstanceLock::Release()
{
    if (FFd >= 0) {
        ::close(FFd); // closing the only descriptor drops the flock
        FFd = -1;
    }
}

} // namespace quillan
