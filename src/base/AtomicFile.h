#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <sys/stat.h>

namespace quillan {

// What saving through a symbolic link does.
enum class TLinkPolicy : std::uint8_t {
    lpWriteThrough, // the file the link names gets the new contents; the link stays a link
    lpReplaceLink, // the new file takes the place of the link (for files only we should own)
};

struct TAtomicFileOptions {
    bool KeepMode = true; // an existing file's permission bits stay
    bool KeepOwner = true; // and its owner and group; see InPlaceFallback for when they cannot
    bool KeepAttributes = true; // and its extended attributes, POSIX ACLs among them
    bool SyncFile = true; // the bytes are on disk before the new file takes the old one's place
    bool SyncFolder = true; // and so is the folder entry afterwards
    // When replacing would lose something the old file has (a second hard link, attributes or an
    // owner the new file cannot be given) or the folder takes no new file, write the old file in
    // place instead, with a backup copy beside it until the new bytes are flushed. Existing
    // targets that are no regular files (devices, FIFOs) are written in place as well. Without
    // it such targets are replaced (or the save fails when the folder takes no new file).
    bool InPlaceFallback = true;
    bool RefuseReadOnly = false; // a target the user may not write is an error, not replaced
    bool CreateFolders = false; // missing folders on the way are made with FolderMode
    unsigned FolderMode = 0700;
    unsigned NewFileMode = 0666; // for a file that did not exist; the umask applies
    TLinkPolicy Links = TLinkPolicy::lpWriteThrough;
};

enum class TAtomicFileFailure : std::uint8_t {
    afNone,
    afCreate, // the new file could not be made or put in place
    afWrite, // the system did not take the bytes (full disk, I/O error, size limit)
};

struct TAtomicFileError {
    TAtomicFileFailure Kind = TAtomicFileFailure::afNone;
    int Errno = 0;
    std::string Message; // "Cannot create file PATH: REASON", for logs; callers word their own
};

// Replaces a file so that readers and a crash see either the old or the complete new contents.
// The bytes go to a temporary file beside the target (".NAME.quillan-XXXXXXXX.tmp", locked while
// it is written), which is renamed over the target on Commit. Stale temporary files of earlier
// saves of the same target that were killed on the way are removed when a new save starts.
//
// Any failure leaves the target as it was and removes what the save created; the object is
// closed afterwards and Error() says why. A writer destroyed before Commit abandons the save.
class TAtomicFile {
public:
    TAtomicFile() = default;
    TAtomicFile(const TAtomicFile&) = delete;
    TAtomicFile& operator=(const TAtomicFile&) = delete;
    ~TAtomicFile();

    bool Open(const std::string& path, const TAtomicFileOptions& options = {});
    bool Write(const void* data, std::size_t size);
    bool Write(std::string_view data) { return Write(data.data(), data.size()); }
    bool Commit();
    void Abandon() noexcept;

    bool IsOpen() const { return FFd >= 0; }
    bool InPlace() const { return FMode != TMode::mReplace; }
    const std::string& Target() const { return FTarget; } // links resolved as the policy says
    const std::string& TempName() const { return FTempName; } // "" when written in place
    const std::string& BackupName() const { return FBackupName; } // "" unless in place
    const TAtomicFileError& Error() const { return FError; }

    // True when `name` (no folder) is a temporary file name this writer uses for `target`.
    static bool IsTempNameFor(std::string_view name, std::string_view target);

private:
    enum class TMode : std::uint8_t { mReplace, mInPlace, mDevice };

    bool Fail(TAtomicFileFailure kind, int err, const std::string& path);
    bool CreateTemp(unsigned mode);
    bool CarryOver(int fd, const struct ::stat& old);
    bool OpenInPlace(bool regular);
    bool MakeBackup();
    bool Restore() noexcept;
    void DropTemp() noexcept;
    void RemoveStaleTemps() const noexcept;

    TAtomicFileOptions FOptions;
    std::string FPath; // as given, for messages
    std::string FTarget;
    std::string FTempName;
    std::string FBackupName;
    TAtomicFileError FError;
    int FFd = -1;
    TMode FMode = TMode::mReplace;
    std::uint64_t FWritten = 0;
    std::uint64_t FBackupSize = 0;
};

// The one-shot form: `data` becomes the contents of `path`. False on failure, with the reason
// in `error` when given.
bool WriteFileAtomically(const std::string& path, std::string_view data, const TAtomicFileOptions& options = {},
    TAtomicFileError* error = nullptr);

} // namespace quillan
