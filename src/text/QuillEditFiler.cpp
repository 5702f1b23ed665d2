#include "text/QuillEditFiler.h"

#include "base/QuillEditStrConst.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
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
    FHandle = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
    if (FHandle < 0)
        throw EFOpenError(fileName);
    struct stat st { };
    if (::fstat(FHandle, &st) != 0 || S_ISDIR(st.st_mode))
        throw EFOpenError(fileName);
    // Pipes and /proc files report no size; they are read until the system says the end.
    if (S_ISREG(st.st_mode) && st.st_size > 0) {
        FSizeKnown = true;
        FFileSize = static_cast<std::uint64_t>(st.st_size);
        ::posix_fadvise(FHandle, 0, 0, POSIX_FADV_SEQUENTIAL);
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

std::string DirectoryOf(const std::string& path)
{
    std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

std::string BaseNameOf(const std::string& path)
{
    std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

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
    for (int i = 0; i < 8; ++i) {
        s += digits[x % 36];
        x /= 36;
    }
    return s;
}

} // namespace

TQuillEditFileWriter::TQuillEditFileWriter(const std::string& fileName, bool syncToDisk, std::size_t bufferSize)
    : TQuillEditFiler(fileName)
    , FTarget(fileName)
    , FBufferSize(std::max<std::size_t>(bufferSize, 2))
    , FSync(syncToDisk)
{
    if (fileName.empty())
        throw EFCreateError(fileName);
    struct stat st { };
    if (::lstat(fileName.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        // Replace the file the link names, not the link. A dangling link is replaced itself.
        if (char* real = ::realpath(fileName.c_str(), nullptr)) {
            FTarget = real;
            std::free(real);
        }
    }
    bool exists = ::stat(FTarget.c_str(), &st) == 0;
    // Renaming over a file needs no right to write it; a write-protected file must stay so.
    if (exists && (S_ISDIR(st.st_mode) || ::access(FTarget.c_str(), W_OK) != 0))
        throw EFCreateError(fileName);
    if (exists && !S_ISREG(st.st_mode)) {
        FInPlace = true;
        FHandle = ::open(FTarget.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
        if (FHandle < 0)
            throw EFCreateError(fileName);
    } else {
        // Mode 0666 lets the umask (and a default ACL) decide for a new file, as for any other.
        std::string prefix = DirectoryOf(FTarget) + "/." + BaseNameOf(FTarget).substr(0, 200) + ".";
        for (int attempt = 0; attempt < 100 && FHandle < 0; ++attempt) {
            std::string name = prefix + RandomSuffix() + ".tmp";
            FHandle = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (FHandle >= 0)
                FTempName = std::move(name);
            else if (errno != EEXIST)
                break;
        }
        if (FHandle < 0)
            throw EFCreateError(fileName);
        if (exists) {
            // Ownership first: changing it clears set-id bits that the mode below restores.
            // Only root may give a file away; for others keeping their own is the best there is.
            if (::fchown(FHandle, st.st_uid, st.st_gid) != 0)
                (void)!::fchown(FHandle, static_cast<uid_t>(-1), st.st_gid);
            if (::fchmod(FHandle, st.st_mode & 07777) != 0) {
                Discard();
                throw EFCreateError(fileName);
            }
        }
    }
    FBuffer = static_cast<char*>(std::malloc(FBufferSize));
    if (!FBuffer) {
        Discard();
        throw std::bad_alloc();
    }
}

TQuillEditFileWriter::~TQuillEditFileWriter()
{
    if (!FCommitted)
        Discard();
    std::free(FBuffer);
}

void TQuillEditFileWriter::Discard() noexcept
{
    CloseHandle();
    if (!FTempName.empty() && !FCommitted) {
        ::unlink(FTempName.c_str());
        FTempName.clear();
    }
}

void TQuillEditFileWriter::WriteAll(const char* data, std::size_t size)
{
    while (size > 0) {
        ssize_t put = ::write(FHandle, data, size);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            throw EWriteError();
        data += put;
        size -= static_cast<std::size_t>(put);
    }
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
    // A device written in place may not support syncing; that is no failure of the save.
    if (FSync && ::fsync(FHandle) != 0 && !(FInPlace && (errno == EINVAL || errno == EROFS)))
        throw EWriteError();
    int closed = ::close(FHandle);
    FHandle = -1;
    if (closed != 0 && errno != EINTR)
        throw EWriteError();
    if (!FInPlace) {
        if (::rename(FTempName.c_str(), FTarget.c_str()) != 0)
            throw EFCreateError(FFileName);
        if (FSync) {
            // Make the rename itself durable. The new file is already in place if this fails,
            // so a failure here is not reported as a failed save.
            int dir = ::open(DirectoryOf(FTarget).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            if (dir >= 0) {
                ::fsync(dir);
                ::close(dir);
            }
        }
    }
    FCommitted = true;
}

} // namespace quillan
