#include "backends/posix/InotifyWatch.h"

#include "base/Paths.h"

#include <cerrno>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillan {

TInotifyWatch::TInotifyWatch()
    : FFd(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC))
{
}

TInotifyWatch::~TInotifyWatch()
{
    if (FFd >= 0)
        ::close(FFd); // drops every watch with it
}

TFileStamp TInotifyWatch::Stamp(const std::string& path) const
{
    TFileStamp s;
    struct stat st { };
    if (::stat(path.c_str(), &st) != 0)
        return s;
    s.Exists = true;
    s.Size = static_cast<std::uint64_t>(st.st_size);
    s.ModifiedNs = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec;
    s.Device = static_cast<std::uint64_t>(st.st_dev);
    s.Inode = static_cast<std::uint64_t>(st.st_ino);
    return s;
}

void TInotifyWatch::Watch(const std::string& path)
{
    const std::string folder = FolderOf(path);
    TFolder& f = FFolders[folder];
    if (f.Users++ == 0 && FFd >= 0)
        f.Descriptor = ::inotify_add_watch(FFd, folder.c_str(),
            IN_CLOSE_WRITE | IN_MODIFY | IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_ATTRIB
                | IN_DELETE_SELF | IN_MOVE_SELF);
}

void TInotifyWatch::Unwatch(const std::string& path)
{
    const auto it = FFolders.find(FolderOf(path));
    if (it == FFolders.end())
        return;
    if (--it->second.Users > 0)
        return;
    if (FFd >= 0 && it->second.Descriptor >= 0)
        ::inotify_rm_watch(FFd, it->second.Descriptor);
    FFolders.erase(it);
}

bool TInotifyWatch::TakeEvents()
{
    if (FFd < 0)
        return false;
    bool any = false;
    alignas(inotify_event) char buffer[8192];
    for (;;) {
        const ssize_t n = ::read(FFd, buffer, sizeof buffer);
        if (n > 0) {
            // Letting go of a folder queues an IN_IGNORED for it; that is no news of a file.
            for (ssize_t at = 0; at < n;) {
                const auto* e = reinterpret_cast<const inotify_event*>(buffer + at);
                if (!(e->mask & IN_IGNORED))
                    any = true;
                at += static_cast<ssize_t>(sizeof(inotify_event) + e->len);
            }
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        return any;
    }
}

} // namespace quillan
