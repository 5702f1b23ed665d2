#include "backends/posix/RecoveryFolder.h"

#include "backends/posix/XdgPaths.h"
#include "base/Paths.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace quillan {

namespace {

constexpr std::string_view CopySuffix = ".qrc";
constexpr const char* LockName = "instance.lock";

std::vector<std::string> FolderEntries(const std::string& folder)
{
    std::vector<std::string> names;
    if (DIR* dir = ::opendir(folder.c_str())) {
        while (const dirent* e = ::readdir(dir)) {
            const std::string name = e->d_name;
            if (name != "." && name != "..")
                names.push_back(name);
        }
        ::closedir(dir);
    }
    std::sort(names.begin(), names.end());
    return names;
}

// A real folder of our own, not a link to one: whatever a session folder holds is trusted.
bool IsOwnFolder(const std::string& path)
{
    struct stat st { };
    return ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid();
}

bool IsRegularFile(const std::string& path)
{
    struct stat st { };
    return ::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// Removes a session folder and the files in it; never descends into anything but the folder.
void RemoveSession(const std::string& folder)
{
    for (const std::string& name : FolderEntries(folder))
        ::unlink((folder + "/" + name).c_str());
    ::rmdir(folder.c_str());
}

std::string RandomTag()
{
    std::random_device device;
    char text[32];
    std::snprintf(text, sizeof text, "%08x", static_cast<unsigned>(device()));
    return text;
}

} // namespace

std::string RecoveryFolderPath()
{
    // The fallback runtime folder sits beside it, in the same per-user state folder.
    return JoinPath(FolderOf(FallbackRuntimeFolder()), "recovery");
}

TRecoveryFolder::TRecoveryFolder(std::string root)
    : FRoot(std::move(root))
{
}

TRecoveryFolder::~TRecoveryFolder()
{
    // Claimed sessions that were never answered for stay for the next start.
    FClaims.clear();
}

bool TRecoveryFolder::OpenSession(std::string& error)
{
    if (SessionOpen())
        return true;
    if (!EnsurePrivateFolder(FRoot, error))
        return false;
    const std::string name = std::to_string(::getpid()) + "-" + RandomTag();
    const std::string making = FRoot + "/." + name;
    const std::string final = FRoot + "/" + name;
    if (::mkdir(making.c_str(), 0700) != 0) {
        error = "Cannot create folder " + making + ": " + std::strerror(errno);
        return false;
    }
    if (FLock.Acquire(making, std::chrono::milliseconds(0), error) != TInstanceLock::TResult::lrAcquired) {
        if (error.empty())
            error = "Cannot lock " + making;
        ::rmdir(making.c_str());
        return false;
    }
    if (::rename(making.c_str(), final.c_str()) != 0) {
        error = "Cannot rename " + making + ": " + std::strerror(errno);
        FLock.Release();
        RemoveSession(making);
        return false;
    }
    FSession = final;
    return true;
}

std::string TRecoveryFolder::CopyPath(std::string_view id) const
{
    return FSession + "/" + std::string(id);
}

std::vector<std::string> TRecoveryFolder::ClaimAbandoned()
{
    std::vector<std::string> copies;
    for (const std::string& name : FolderEntries(FRoot)) {
        const std::string folder = FRoot + "/" + name;
        // Dot names are sessions still being made; our own is ours; anything else is no session.
        if (name.starts_with('.') || folder == FSession || !IsOwnFolder(folder))
            continue;
        const bool claimed
            = std::any_of(FClaims.begin(), FClaims.end(), [&](const TClaim& c) { return c.Folder == folder; });
        if (claimed)
            continue;
        auto lock = std::make_unique<TInstanceLock>();
        std::string error;
        if (lock->Acquire(folder, std::chrono::milliseconds(0), error) != TInstanceLock::TResult::lrAcquired)
            continue; // a running instance holds it
        std::vector<std::string> found;
        for (const std::string& entry : FolderEntries(folder))
            if (entry.ends_with(CopySuffix) && !entry.starts_with('.') && IsRegularFile(folder + "/" + entry))
                found.push_back(folder + "/" + entry);
        if (found.empty()) {
            // A run that ended with nothing to recover: its folder is only in the way.
            lock->Release();
            RemoveSession(folder);
            continue;
        }
        copies.insert(copies.end(), found.begin(), found.end());
        FClaims.push_back({ folder, std::move(lock) });
    }
    return copies;
}

bool TRecoveryFolder::ReadCopy(const std::string& path, std::uint64_t limit, std::string& bytes, std::string& error)
{
    bytes.clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        error = "Cannot open " + path + ": " + std::strerror(errno);
        return false;
    }
    struct stat st { };
    bool ok = false;
    if (::fstat(fd, &st) != 0)
        error = "Cannot examine " + path + ": " + std::strerror(errno);
    else if (!S_ISREG(st.st_mode))
        error = path + " is not a regular file";
    else if (static_cast<std::uint64_t>(st.st_size) > limit)
        error = path + " is larger than any recovery copy";
    else {
        bytes.resize(static_cast<std::size_t>(st.st_size));
        std::size_t done = 0;
        ok = true;
        while (done < bytes.size()) {
            const ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                // Shorter than it said: the parser will call it cut short.
                bytes.resize(done);
                break;
            }
            done += static_cast<std::size_t>(n);
        }
    }
    ::close(fd);
    return ok;
}

bool TRecoveryFolder::AdoptCopy(const std::string& path, std::string_view id)
{
    if (!SessionOpen())
        return false;
    return ::rename(path.c_str(), CopyPath(id).c_str()) == 0;
}

void TRecoveryFolder::ReleaseAbandoned()
{
    FClaims.clear();
}

void TRecoveryFolder::DiscardAbandoned()
{
    for (TClaim& claim : FClaims)
        RemoveSession(claim.Folder); // the lock file goes too; the descriptor still holds it
    FClaims.clear();
}

void TRecoveryFolder::CloseSession()
{
    if (!SessionOpen())
        return;
    RemoveSession(FSession);
    FLock.Release();
    FSession.clear();
}

} // namespace quillan
