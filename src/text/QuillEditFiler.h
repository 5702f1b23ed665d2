#pragma once

#include "base/AtomicFile.h"
#include "base/QuillEditTypes.h"
#include "text/QuillString.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <exception>
#include <string>
#include <string_view>

namespace quillan {

// Text files as bytes: nothing is transcoded, NUL is an ordinary byte. The filer owns the open
// file and closes it in all cases.
class TQuillEditFiler {
public:
    TQuillEditFiler(const TQuillEditFiler&) = delete;
    TQuillEditFiler& operator=(const TQuillEditFiler&) = delete;
    virtual ~TQuillEditFiler();

    TQuillEditLineBreakStyle LineBreakStyle() const { return FLineBreakStyle; }
    void SetLineBreakStyle(TQuillEditLineBreakStyle value) { FLineBreakStyle = value; }
    const std::string& FileName() const { return FFileName; }

protected:
    explicit TQuillEditFiler(std::string fileName);
    void CloseHandle() noexcept;

    std::string FFileName;
    int FHandle = -1;
    TQuillEditLineBreakStyle FLineBreakStyle = TQuillEditLineBreakStyle::lbLF;
};

// Splits a file into lines at CR LF, CR or LF. A break at the very end adds no empty line; any CR
// used as a line end makes the style lbCRLF.
//
// The file is read straight into blocks that the lines are carved from (see QuillStringBlock), so
// each byte is copied once, by the kernel. A line that outgrows its block moves to a bigger one.
class TQuillEditFileReader : public TQuillEditFiler {
public:
    static constexpr std::size_t DefaultBlockSize = 64 * 1024;
    // What a device is read up to before it counts as no file (EFOpenError while reading).
    static constexpr std::uint64_t DeviceReadLimit = 16ull << 20;

    // Raises EFOpenError for a missing or unreadable file, a directory, a FIFO and a socket. blockSize is the
    // size of a fresh block; tests make it tiny to exercise the refills.
    explicit TQuillEditFileReader(const std::string& fileName, std::size_t blockSize = DefaultBlockSize);
    ~TQuillEditFileReader() override;

    // May read ahead; raises EReadError when the file delivers less than its size promised.
    bool Eof();
    // The next line without its break; the empty string at the end.
    QuillString ReadLine();
    // Up to `max` next lines in plain form, each holding its reference: the lines ReadLine would
    // return, without a call per line. Fewer only at the end of the file or before an error, which
    // the next call raises (so the lines read before it are not lost).
    std::size_t ReadLines(QuillStringRep* out, std::size_t max);

    // The size taken when the file was opened, or 0 when the file has none (pipes, /proc).
    std::uint64_t FileSize() const { return FFileSize; }
    std::uint64_t BytesRead() const { return FBytesRead; }

private:
    bool EnsureData();
    void ReadInto(std::size_t capacityWanted, std::size_t keepFrom);
    std::size_t ReadSome(char* dest, std::size_t want);
    void SkipBreak(const char* lineEnd);

    QuillStringBlock* FBlock = nullptr;
    std::size_t FPos = 0; // next unread byte in FBlock
    std::size_t FEnd = 0; // end of the loaded bytes in FBlock
    std::size_t FBlockSize;
    std::uint64_t FFileSize = 0;
    std::uint64_t FBytesRead = 0;
    std::uint64_t FReadLimit = UINT64_MAX;
    bool FSizeKnown = false;
    bool FAtEnd = false;
    bool FSkipLF = false; // a CR ended the last loaded byte; an LF at the next one belongs to it
    std::exception_ptr FPendingError;
};

// Writes lines, each followed by the break of LineBreakStyle, through the atomic file writer:
// until Commit the target is untouched, and a writer destroyed without Commit (an error on the
// way) leaves no trace. The writer keeps owner, permissions, attributes and hard links (see
// TAtomicFile for when it writes in place), follows symbolic links, and refuses a target the user
// may not write.
class TQuillEditFileWriter : public TQuillEditFiler {
public:
    static constexpr std::size_t DefaultBufferSize = 256 * 1024;

    // Raises EFCreateError when the temporary file cannot be made (or the target is a directory).
    explicit TQuillEditFileWriter(
        const std::string& fileName, bool syncToDisk = true, std::size_t bufferSize = DefaultBufferSize);
    ~TQuillEditFileWriter() override;

    void WriteLine(std::string_view line)
    {
        // Saving calls this once per line: the common case stays inline.
        if (FPending + line.size() + 2 <= FBufferSize) {
            CopyBytes(FBuffer + FPending, line.data(), line.size());
            FPending += line.size();
            if (FLineBreakStyle == TQuillEditLineBreakStyle::lbCRLF)
                FBuffer[FPending++] = '\r';
            FBuffer[FPending++] = '\n';
        } else {
            WriteLineFlushing(line);
        }
    }
    // Writes the pending bytes; EWriteError when the system does not take them all.
    void Flush();
    // EWriteError when flushing or syncing fails, EFCreateError when the rename does.
    void Commit();

    // The temporary file being written ("" when writing in place); for tests.
    const std::string& TempName() const { return FFile.TempName(); }

private:
    // Most lines are short: two overlapping fixed-size moves beat a call to memcpy.
    static void CopyBytes(char* dest, const char* src, std::size_t n)
    {
        if (n >= 16 && n <= 32) {
            std::memcpy(dest, src, 16);
            std::memcpy(dest + n - 16, src + n - 16, 16);
        } else if (n >= 8 && n < 16) {
            std::memcpy(dest, src, 8);
            std::memcpy(dest + n - 8, src + n - 8, 8);
        } else {
            std::memcpy(dest, src, n);
        }
    }
    void WriteLineFlushing(std::string_view line);
    void WriteAll(const char* data, std::size_t size);

    TAtomicFile FFile;
    char* FBuffer = nullptr;
    std::size_t FBufferSize;
    std::size_t FPending = 0;
};

} // namespace quillan
