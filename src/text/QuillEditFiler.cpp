#include "text/QuillEditFiler.h"

#include "base/QuillEditStrConst.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace quillan {

// --- filer ----------------------------------------------------------------------------------

TQuillEditFiler::TQuillEditFiler(std::string fileName)
    : FFileName(std::move(fileName))
{
}

TQuillEditFiler::~TQuillEditFiler()
{
    CloseHandle();
}

void TQuillEditFiler::CloseHandle() noexcept
{
    if (FHandle >= 0) {
        ::close(FHandle);
        FHandle = -1;
    }
}

// --- reader ---------------------------------------------------------------------------------

namespace {

// First CR or LF in [p, end), or end. Loading time is dominated by this scan: most lines are
// short, so the first 16 bytes are looked at alone before the scan takes 64 bytes per step.
const char* FindLineEnd(const char* p, const char* end)
{
#if defined(__SSE2__)
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i lf = _mm_set1_epi8('\n');
    auto mask = [&](const char* q) {
        __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(q));
        return _mm_or_si128(_mm_cmpeq_epi8(v, cr), _mm_cmpeq_epi8(v, lf));
    };
    if (end - p >= 16) {
        if (int m = _mm_movemask_epi8(mask(p)))
            return p + __builtin_ctz(static_cast<unsigned>(m));
        p += 16;
    }
    while (end - p >= 64) {
        __m128i a = mask(p), b = mask(p + 16), c = mask(p + 32), d = mask(p + 48);
        if (_mm_movemask_epi8(_mm_or_si128(_mm_or_si128(a, b), _mm_or_si128(c, d))) != 0)
            break;
        p += 64;
    }
    while (end - p >= 16) {
        if (int m = _mm_movemask_epi8(mask(p)))
            return p + __builtin_ctz(static_cast<unsigned>(m));
        p += 16;
    }
#endif
    while (p < end && *p != '\r' && *p != '\n')
        ++p;
    return p;
}

#if defined(__SSE2__)
// Bit i is set when byte i of the 64 at p is CR or LF.
std::uint64_t LineEndMask(const char* p)
{
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i lf = _mm_set1_epi8('\n');
    auto bits = [&](int at) {
        __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + at));
        return static_cast<std::uint64_t>(
                   static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(v, cr), _mm_cmpeq_epi8(v, lf)))))
            << at;
    };
    return bits(0) | bits(16) | bits(32) | bits(48);
}
#endif

} // namespace

TQuillEditFileReader::TQuillEditFileReader(const std::string& fileName, std::size_t blockSize)
    : TQuillEditFiler(fileName)
    , FBlockSize(std::max<std::size_t>(blockSize, 1))
{
    // O_NONBLOCK: opening a FIFO must not wait for a writer that may never come.
    FHandle = ::open(fileName.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (FHandle < 0)
        throw EFOpenError(fileName);
    struct stat st { };
    // A FIFO or socket is no file to edit: its bytes come once, or never, and reading waits.
    if (::fstat(FHandle, &st) != 0 || S_ISDIR(st.st_mode) || S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode))
        throw EFOpenError(fileName);
    const int flags = ::fcntl(FHandle, F_GETFL);
    if (flags < 0 || ::fcntl(FHandle, F_SETFL, flags & ~O_NONBLOCK) != 0)
        throw EFOpenError(fileName);
    // /proc files report no size; they are read until the system says the end. Devices may
    // never say it (/dev/zero): they get a limit.
    if (S_ISREG(st.st_mode) && st.st_size > 0) {
        FSizeKnown = true;
        FFileSize = static_cast<std::uint64_t>(st.st_size);
        ::posix_fadvise(FHandle, 0, 0, POSIX_FADV_SEQUENTIAL);
    } else if (!S_ISREG(st.st_mode)) {
        FReadLimit = DeviceReadLimit;
    }
}

TQuillEditFileReader::~TQuillEditFileReader()
{
    QuillStringBlock::Release(FBlock);
}

std::size_t TQuillEditFileReader::ReadSome(char* dest, std::size_t want)
{
    if (FSizeKnown)
        want = static_cast<std::size_t>(std::min<std::uint64_t>(want, FFileSize - FBytesRead));
    else if (FReadLimit != UINT64_MAX) // one byte past the limit tells that the device goes on
        want = static_cast<std::size_t>(std::min<std::uint64_t>(want, FReadLimit + 1 - FBytesRead));
    if (want == 0) {
        FAtEnd = true;
        return 0;
    }
    ssize_t got;
    do {
        got = ::read(FHandle, dest, want);
    } while (got < 0 && errno == EINTR);
    if (got < 0)
        throw EReadError();
    if (got == 0) {
        // A file that shrank since it was opened: its promised bytes will never come.
        if (FSizeKnown)
            throw EReadError();
        FAtEnd = true;
        return 0;
    }
    FBytesRead += static_cast<std::uint64_t>(got);
    if (FBytesRead > FReadLimit)
        throw EFOpenError(FFileName);
    return static_cast<std::size_t>(got);
}

// Makes room behind the loaded bytes and reads once. The bytes from keepFrom on (an unfinished
// line) stay loaded; everything before them has been handed out as lines already.
void TQuillEditFileReader::ReadInto(std::size_t capacityWanted, std::size_t keepFrom)
{
    if (FAtEnd || (FSizeKnown && FBytesRead >= FFileSize)) {
        FAtEnd = true;
        return;
    }
    std::uint64_t remaining = FSizeKnown ? FFileSize - FBytesRead : UINT64_MAX;
    std::size_t room = FBlock ? FBlock->Capacity - FEnd : 0;
    if (room == 0 || (room < FBlockSize / 8 && room < remaining)) {
        std::size_t keep = FEnd - keepFrom;
        std::size_t capacity = std::max(capacityWanted, keep > SIZE_MAX / 2 ? SIZE_MAX : keep * 2);
        if (remaining < SIZE_MAX - keep)
            capacity = std::min<std::size_t>(capacity, keep + static_cast<std::size_t>(remaining));
        capacity = std::max(capacity, keep + 1);
        if (keepFrom == 0 && FBlock && FBlock->RefCount == 1) {
            // Only the unfinished line lives here: grow it where it is (large blocks are remapped).
            FBlock = QuillStringBlock::Reallocate(FBlock, capacity);
        } else {
            QuillStringBlock* fresh = QuillStringBlock::Allocate(capacity);
            if (keep > 0)
                std::memcpy(fresh->Bytes(), FBlock->Bytes() + keepFrom, keep);
            QuillStringBlock::Release(FBlock);
            FBlock = fresh;
            FPos -= keepFrom;
            FEnd = keep;
        }
    }
    FEnd += ReadSome(FBlock->Bytes() + FEnd, FBlock->Capacity - FEnd);
}

bool TQuillEditFileReader::EnsureData()
{
    for (;;) {
        if (FPos < FEnd) {
            if (FSkipLF) {
                FSkipLF = false;
                if (FBlock->Bytes()[FPos] == '\n') {
                    ++FPos;
                    continue;
                }
            }
            return true;
        }
        if (FAtEnd)
            return false;
        ReadInto(FBlockSize, FEnd);
    }
}

bool TQuillEditFileReader::Eof()
{
    if (FPendingError)
        std::rethrow_exception(std::exchange(FPendingError, nullptr));
    return !EnsureData();
}

// Moves past the break that starts at lineEnd.
void TQuillEditFileReader::SkipBreak(const char* lineEnd)
{
    ++FPos;
    if (*lineEnd == '\r') {
        FLineBreakStyle = TQuillEditLineBreakStyle::lbCRLF;
        if (FPos < FEnd) {
            if (FBlock->Bytes()[FPos] == '\n')
                ++FPos;
        } else {
            FSkipLF = true; // the LF, if any, has not been read yet
        }
    }
}

QuillString TQuillEditFileReader::ReadLine()
{
    if (FPendingError)
        std::rethrow_exception(std::exchange(FPendingError, nullptr));
    if (!EnsureData())
        return QuillString();
    std::size_t scanned = 0; // bytes of this line known to hold no break
    for (;;) {
        const char* base = FBlock->Bytes();
        const char* end = base + FEnd;
        const char* hit = FindLineEnd(base + FPos + scanned, end);
        if (hit != end) {
            auto length = static_cast<std::size_t>(hit - (base + FPos));
            QuillString line = QuillString::Carve(FBlock, FPos, length);
            FPos += length;
            SkipBreak(hit);
            return line;
        }
        scanned = FEnd - FPos;
        ReadInto(FBlockSize, FPos);
        if (FEnd - FPos == scanned)
            break; // the file ends inside this line
    }
    QuillString line = QuillString::Carve(FBlock, FPos, FEnd - FPos);
    FPos = FEnd;
    return line;
}

std::size_t TQuillEditFileReader::ReadLines(QuillStringRep* out, std::size_t max)
{
    if (FPendingError)
        std::rethrow_exception(std::exchange(FPendingError, nullptr));
    std::size_t n = 0;
    try {
        while (n < max) {
            if ((FPos >= FEnd || FSkipLF) && !EnsureData())
                break;
            const char* base = FBlock->Bytes();
#if defined(__SSE2__)
            // Whole 64-byte stretches at a time: one mask of their CR and LF positions, then one
            // line per set bit. An LF right after a CR shows up as a bit before FPos and is skipped.
            // The lines take their references on the block all at once, after the loop.
            std::size_t scan = FPos;
            std::size_t refs = 0;
            while (n < max && scan + 64 <= FEnd && FEnd <= 0xFFFFFFFFu) {
                std::uint64_t mask = LineEndMask(base + scan);
                while (mask != 0 && n < max) {
                    std::size_t at = scan + static_cast<std::size_t>(__builtin_ctzll(mask));
                    mask &= mask - 1;
                    if (at < FPos)
                        continue;
                    auto length = static_cast<std::uint32_t>(at - FPos);
                    out[n++] = length == 0 ? QuillStringRep { nullptr, 0, 0 }
                                           : QuillStringRep { FBlock, static_cast<std::uint32_t>(FPos), length };
                    refs += length != 0;
                    FPos = at;
                    SkipBreak(base + at);
                }
                if (mask != 0)
                    break; // the batch is full inside this stretch
                scan += 64;
            }
            FBlock->RefCount += refs;
            if (n == max)
                break;
            if (FPos >= FEnd || FSkipLF)
                continue; // refill first
#endif
            const char* end = base + FEnd;
            const char* hit = FindLineEnd(base + FPos, end);
            if (hit == end) {
                out[n++] = ReadLine().ToRep(); // the line goes on past the loaded bytes
                continue;
            }
            auto length = static_cast<std::size_t>(hit - (base + FPos));
            out[n++] = QuillString::CarveRep(FBlock, FPos, length);
            FPos += length;
            SkipBreak(hit);
        }
    } catch (...) {
        if (n == 0)
            throw;
        FPendingError = std::current_exception();
    }
    return n;
}

// --- writer ---------------------------------------------------------------------------------

namespace {

[[noreturn]] void Raise(const TAtomicFile& file, const std::string& fileName)
{
    if (file.Error().Kind == TAtomicFileFailure::afWrite)
        throw EWriteError();
    throw EFCreateError(fileName);
}

} // namespace

TQuillEditFileWriter::TQuillEditFileWriter(const std::string& fileName, bool syncToDisk, std::size_t bufferSize)
    : TQuillEditFiler(fileName)
    , FBufferSize(std::max<std::size_t>(bufferSize, 2))
{
    TAtomicFileOptions options;
    options.SyncFile = syncToDisk;
    options.SyncFolder = syncToDisk;
    options.RefuseReadOnly = true;
    if (!FFile.Open(fileName, options))
        Raise(FFile, fileName);
    FBuffer = static_cast<char*>(std::malloc(FBufferSize));
    if (!FBuffer) {
        FFile.Abandon();
        throw std::bad_alloc();
    }
}

TQuillEditFileWriter::~TQuillEditFileWriter()
{
    FFile.Abandon();
    std::free(FBuffer);
}

void TQuillEditFileWriter::WriteAll(const char* data, std::size_t size)
{
    if (!FFile.Write(data, size))
        throw EWriteError();
}

void TQuillEditFileWriter::Flush()
{
    std::size_t pending = FPending;
    FPending = 0;
    WriteAll(FBuffer, pending);
}

void TQuillEditFileWriter::WriteLineFlushing(std::string_view line)
{
    bool crlf = FLineBreakStyle == TQuillEditLineBreakStyle::lbCRLF;
    std::size_t breakLength = crlf ? 2 : 1;
    std::size_t n = line.size();
    if (FPending + n + breakLength > FBufferSize) {
        Flush();
        if (n + breakLength > FBufferSize) {
            // Bigger than the buffer: write it straight from the line.
            WriteAll(line.data(), n);
            WriteAll(crlf ? "\r\n" : "\n", breakLength);
            return;
        }
    }
    std::memcpy(FBuffer + FPending, line.data(), n);
    FPending += n;
    if (crlf)
        FBuffer[FPending++] = '\r';
    FBuffer[FPending++] = '\n';
}

void TQuillEditFileWriter::Commit()
{
    Flush();
    if (!FFile.Commit())
        Raise(FFile, FFileName);
}

} // namespace quillan
