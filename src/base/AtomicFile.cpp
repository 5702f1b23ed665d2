#include "base/AtomicFile.h"

#include "base/Paths.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <vector>

namespace quillan {

namespace {

constexpr std::string_view kTempTag = ".quillan-";
constexpr std::size_t kSuffixLength = 8;
constexpr std::size_t kBaseLimit = 200; // keeps ".NAME.quillan-XXXXXXXX.tmp" within NAME_MAX
constexpr std::time_t kStaleSeconds = 60;

std::string RandomSuffix()
{
    static std::atomic<std::uint64_t> counter { 0 };
    std::uint64_t x = static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count())
        ^ (static_cast<std::uint64_t>(::getpid()) << 32) ^ (++counter * 0x9E3779B97F4A7C15ull);
    x ^= x >> 29;
    x *= 0xBF58476D1CE4E5B9ull;
    x ^= x >> 32;
    static const char digits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    std::string s;
    for (std::size_t i = 0; i < kSuffixLength; ++i) {
        s += digits[x % 36];
        x /= 36;
    }
    return s;
}

std::string HiddenPrefix(std::string_view target)
{
    return "." + ExtractFileName(target).substr(0, kBaseLimit) + std::string(kTempTag);
}

bool WriteAll(int fd, const char* data, std::size_t size, int& err)
{
    while (size > 0) {
        const ssize_t put = ::write(fd, data, size);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0) {
            err = put == 0 ? EIO : errno;
            return false;
        }
        data += put;
        size -= static_cast<std::size_t>(put);
    }
    return true;
}

// Copies everything from `from` (at its offset) to `to` (at its offset); the bytes copied in
// `copied`.
bool CopyContents(int from, int to, std::uint64_t& copied, int& err)
{
    std::unique_ptr<char[]> buffer(new char[1 << 16]);
    copied = 0;
    for (;;) {
        const ssize_t got = ::read(from, buffer.get(), 1 << 16);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            err = errno;
            return false;
        }
        if (got == 0)
            return true;
        if (!WriteAll(to, buffer.get(), static_cast<std::size_t>(got), err))
            return false;
        copied += static_cast<std::uint64_t>(got);
    }
}

void SyncFolder(const std::string& folder)
{
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
}

} // namespace

bool TAtomicFile::IsTempNameFor(std::string_view name, std::string_view target)
{
    const std::string prefix = HiddenPrefix(target);
    return name.size() == prefix.size() + kSuffixLength + 4 && name.starts_with(prefix) && name.ends_with(".tmp");
}

TAtomicFile::~TAtomicFile()
{
    Abandon();
}

bool TAtomicFile::Fail(TAtomicFileFailure kind, int err, const std::string& path)
{
    FError.Kind = kind;
    FError.Errno = err;
    FError.Message = std::string(kind == TAtomicFileFailure::afCreate ? "Cannot create file " : "Cannot write file ")
        + path + ": " + std::strerror(err);
    Abandon();
    return false;
}

bool TAtomicFile::Open(const std::string& path, const TAtomicFileOptions& options)
{
    Abandon();
    FOptions = options;
    FPath = path;
    FTarget = path;
    FTempName.clear();
    FBackupName.clear();
    FError = {};
    FMode = TMode::mReplace;
    FWritten = 0;
    FBackupSize = 0;
    if (path.empty())
        return Fail(TAtomicFileFailure::afCreate, ENOENT, path);

    struct stat st { };
    bool exists = ::lstat(path.c_str(), &st) == 0;
    if (exists && S_ISLNK(st.st_mode)) {
        if (options.Links == TLinkPolicy::lpReplaceLink) {
            exists = false; // the link is replaced; what it names is none of ours
        } else if (char* real = ::realpath(path.c_str(), nullptr)) {
            FTarget = real;
            std::free(real);
            exists = ::stat(FTarget.c_str(), &st) == 0;
        } else {
            exists = false; // a dangling link is replaced itself
        }
    }
    if (options.CreateFolders && !CreateFolderChain(FolderOf(FTarget), options.FolderMode))
        return Fail(TAtomicFileFailure::afCreate, errno, path);
    if (exists && S_ISDIR(st.st_mode))
        return Fail(TAtomicFileFailure::afCreate, EISDIR, path);
    // Renaming over a file needs no right to write it; for an editor a write-protected file must
    // stay so.
    if (exists && options.RefuseReadOnly && ::access(FTarget.c_str(), W_OK) != 0)
        return Fail(TAtomicFileFailure::afCreate, errno, path);
    if (exists && !S_ISREG(st.st_mode) && options.InPlaceFallback)
        return OpenInPlace(false);

    RemoveStaleTemps();
    // A second name for the inode would keep the old contents if the first were replaced.
    if (exists && options.InPlaceFallback && st.st_nlink > 1)
        return OpenInPlace(true);
    // While it is written the file is the user's alone; the old mode is given at the end.
    if (!CreateTemp(exists && options.KeepMode ? 0600 : options.NewFileMode)) {
        const int err = errno;
        if (exists && options.InPlaceFallback && (err == EACCES || err == EPERM))
            return OpenInPlace(true);
        return Fail(TAtomicFileFailure::afCreate, err, path);
    }
    if (exists && !CarryOver(FFd, st)) {
        if (FError.Kind != TAtomicFileFailure::afNone)
            return false;
        DropTemp();
        return OpenInPlace(true);
    }
    return true;
}

bool TAtomicFile::CreateTemp(unsigned mode)
{
    const std::string prefix = JoinPath(FolderOf(FTarget), HiddenPrefix(FTarget));
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = prefix + RandomSuffix() + ".tmp";
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
        if (fd >= 0) {
            // Tells a later save that sweeps stale temporary files that this one is alive.
            ::flock(fd, LOCK_EX | LOCK_NB);
            FFd = fd;
            FTempName = std::move(name);
            return true;
        }
        if (errno != EEXIST)
            return false;
    }
    errno = EEXIST;
    return false;
}

// Gives the temporary file what the old one has that readers and the system care about. False
// when something could not be carried over and the old file is better written in place; a
// failure that ends the save sets the error.
bool TAtomicFile::CarryOver(int fd, const struct stat& old)
{
    bool complete = true;
    if (FOptions.KeepOwner) {
        struct stat now { };
        // Ownership first: changing it clears set-id bits that the mode below restores.
        if (::fstat(fd, &now) == 0 && (now.st_uid != old.st_uid || now.st_gid != old.st_gid)
            && ::fchown(fd, old.st_uid, old.st_gid) != 0)
            complete = false; // only root may give a file away, and the owner must not change
    }
    if (FOptions.KeepMode && ::fchmod(fd, old.st_mode & 07777) != 0)
        return Fail(TAtomicFileFailure::afCreate, errno, FPath);
    if (FOptions.KeepAttributes) {
        // After the mode: an access ACL sets the group bits of the mode to its mask.
        ssize_t size = ::llistxattr(FTarget.c_str(), nullptr, 0);
        std::vector<char> names(size > 0 ? static_cast<std::size_t>(size) : 0);
        if (size > 0)
            size = ::llistxattr(FTarget.c_str(), names.data(), names.size());
        if (size < 0 && errno != ENOTSUP && errno != ENODATA)
            complete = false;
        std::vector<char> value;
        for (ssize_t at = 0; size > 0 && at < size;) {
            const char* name = names.data() + at;
            at += static_cast<ssize_t>(std::strlen(name)) + 1;
            ssize_t length = ::lgetxattr(FTarget.c_str(), name, nullptr, 0);
            if (length >= 0) {
                value.resize(static_cast<std::size_t>(length) + 1);
                length = ::lgetxattr(FTarget.c_str(), name, value.data(), value.size());
            }
            if (length < 0 || ::fsetxattr(fd, name, value.data(), static_cast<std::size_t>(length), 0) != 0)
                complete = false;
        }
    }
    return complete || !FOptions.InPlaceFallback;
}

bool TAtomicFile::OpenInPlace(bool regular)
{
    // O_NONBLOCK: a FIFO without a reader fails at once (ENXIO) instead of waiting for one.
    const int fd = ::open(FTarget.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return Fail(TAtomicFileFailure::afCreate, errno, FPath);
    struct stat st { };
    if (::fstat(fd, &st) != 0 || S_ISREG(st.st_mode) != regular) {
        const int err = errno == 0 ? EAGAIN : errno;
        ::close(fd);
        return Fail(TAtomicFileFailure::afCreate, regular ? err : EINVAL, FPath);
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0)
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    FFd = fd;
    FMode = regular ? TMode::mInPlace : TMode::mDevice;
    return !regular || MakeBackup();
}

// The old contents, so that a failure half way through an in-place write can be undone and a
// crash leaves them on disk. Beside the file when its folder allows, else in the temporary folder.
bool TAtomicFile::MakeBackup()
{
    const int from = ::open(FTarget.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (from < 0)
        return Fail(TAtomicFileFailure::afCreate, errno, FPath);
    const char* tmp = std::getenv("TMPDIR");
    const std::string folders[] = { FolderOf(FTarget), tmp && *tmp ? tmp : "/tmp" };
    int to = -1;
    int err = 0;
    for (const std::string& folder : folders) {
        for (int attempt = 0; attempt < 100 && to < 0; ++attempt) {
            std::string name = JoinPath(folder, HiddenPrefix(FTarget)) + RandomSuffix() + ".bak";
            to = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
            err = errno;
            if (to >= 0)
                FBackupName = std::move(name);
            else if (err != EEXIST)
                break;
        }
        if (to >= 0)
            break;
    }
    if (to < 0) {
        ::close(from);
        return Fail(TAtomicFileFailure::afCreate, err, FPath);
    }
    bool ok = CopyContents(from, to, FBackupSize, err);
    if (ok && ::fsync(to) != 0) {
        err = errno;
        ok = false;
    }
    ::close(from);
    if (::close(to) != 0 && ok) {
        err = errno;
        ok = false;
    }
    if (!ok) {
        ::unlink(FBackupName.c_str());
        FBackupName.clear();
        return Fail(TAtomicFileFailure::afWrite, err, FPath);
    }
    return true;
}

bool TAtomicFile::Restore() noexcept
{
    if (FWritten == 0)
        return true; // nothing was overwritten yet
    const int from = ::open(FBackupName.c_str(), O_RDONLY | O_CLOEXEC);
    int err = 0;
    std::uint64_t copied = 0;
    bool ok = from >= 0 && ::lseek(FFd, 0, SEEK_SET) == 0 && CopyContents(from, FFd, copied, err)
        && copied == FBackupSize && ::ftruncate(FFd, static_cast<off_t>(FBackupSize)) == 0 && ::fsync(FFd) == 0;
    if (from >= 0)
        ::close(from);
    return ok;
}

void TAtomicFile::DropTemp() noexcept
{
    if (FFd >= 0)
        ::close(FFd);
    FFd = -1;
    if (!FTempName.empty())
        ::unlink(FTempName.c_str());
    FTempName.clear();
}

void TAtomicFile::Abandon() noexcept
{
    if (FFd < 0)
        return;
    switch (FMode) {
    case TMode::mReplace:
        DropTemp();
        return;
    case TMode::mInPlace:
        if (Restore()) {
            ::unlink(FBackupName.c_str());
            FBackupName.clear();
        } else if (FError.Kind != TAtomicFileFailure::afNone) {
            FError.Message += "; the old contents are kept in " + FBackupName;
        }
        break;
    case TMode::mDevice:
        break;
    }
    ::close(FFd);
    FFd = -1;
}

bool TAtomicFile::Write(const void* data, std::size_t size)
{
    if (FFd < 0)
        return FError.Kind != TAtomicFileFailure::afNone ? false : Fail(TAtomicFileFailure::afWrite, EBADF, FPath);
    int err = 0;
    // Counted before the write: a failed write may have overwritten some of the old bytes.
    FWritten += size;
    if (!WriteAll(FFd, static_cast<const char*>(data), size, err))
        return Fail(TAtomicFileFailure::afWrite, err, FPath);
    return true;
}

bool TAtomicFile::Commit()
{
    if (FFd < 0)
        return FError.Kind != TAtomicFileFailure::afNone ? false : Fail(TAtomicFileFailure::afWrite, EBADF, FPath);
    switch (FMode) {
    case TMode::mDevice:
        // A device may not support syncing; that is no failure of the save.
        if (FOptions.SyncFile && ::fsync(FFd) != 0 && errno != EINVAL && errno != EROFS)
            return Fail(TAtomicFileFailure::afWrite, errno, FPath);
        break;
    case TMode::mInPlace:
        // Always synced: the backup goes only once the new bytes are safe.
        if (::ftruncate(FFd, static_cast<off_t>(FWritten)) != 0 || ::fsync(FFd) != 0) {
            FWritten = std::max<std::uint64_t>(FWritten, 1);
            return Fail(TAtomicFileFailure::afWrite, errno, FPath);
        }
        break;
    case TMode::mReplace:
        if (FOptions.SyncFile && ::fsync(FFd) != 0)
            return Fail(TAtomicFileFailure::afWrite, errno, FPath);
        break;
    }
    const int fd = FFd;
    FFd = -1;
    // In place the bytes are synced already; a late close error changes nothing on disk.
    if (::close(fd) != 0 && errno != EINTR && FMode == TMode::mReplace) {
        const int err = errno;
        ::unlink(FTempName.c_str());
        FTempName.clear();
        return Fail(TAtomicFileFailure::afWrite, err, FPath);
    }
    if (FMode == TMode::mInPlace) {
        ::unlink(FBackupName.c_str());
        FBackupName.clear();
    } else if (FMode == TMode::mReplace) {
        if (::rename(FTempName.c_str(), FTarget.c_str()) != 0) {
            const int err = errno;
            ::unlink(FTempName.c_str());
            FTempName.clear();
            return Fail(TAtomicFileFailure::afCreate, err, FPath);
        }
        FTempName.clear();
        // The new file is in place even when this fails, so it is not reported as a failed save.
        if (FOptions.SyncFolder)
            SyncFolder(FolderOf(FTarget));
    }
    return true;
}

void TAtomicFile::RemoveStaleTemps() const noexcept
{
    const std::string folder = FolderOf(FTarget);
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return;
    const int dirFd = ::dirfd(dir);
    const std::time_t now = std::time(nullptr);
    const uid_t me = ::geteuid();
    while (const dirent* entry = ::readdir(dir)) {
        if (!IsTempNameFor(entry->d_name, FTarget))
            continue;
        struct stat st { };
        if (::fstatat(dirFd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode) || st.st_uid != me
            || st.st_mtime > now - kStaleSeconds)
            continue;
        const int fd = ::openat(dirFd, entry->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            continue;
        // A save still writing holds the lock, however long it has been at it.
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
            ::unlinkat(dirFd, entry->d_name, 0);
        ::close(fd);
    }
    ::closedir(dir);
}

bool WriteFileAtomically(
    const std::string& path, std::string_view data, const TAtomicFileOptions& options, TAtomicFileError* error)
{
    TAtomicFile file;
    const bool ok = file.Open(path, options) && file.Write(data) && file.Commit();
    if (!ok && error)
        *error = file.Error();
    return ok;
}

} // namespace quillan
