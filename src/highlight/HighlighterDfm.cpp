#include "highlight/HighlighterDfm.h"

#include "highlight/FormStream.h"
#include "text/QuillEditTextBuffer.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillan {

namespace {

enum : std::uint8_t {
    cIdent = 1 << 0, // 0-9 A-Z a-z _
    cSpace = 1 << 1, // 1-9, 11, 12, 14-32: not NUL, LF or CR
    cHex = 1 << 2,
    cDigit = 1 << 3,
    cNumber = 1 << 4, // what a number runs over before its "."
};

enum TDispatch : std::uint8_t {
    dUnknown,
    dLF,
    dCR,
    dSpace,
    dIdent,
    dE,
    dO,
    dNumber,
    dHex,
    dCharCode,
    dString,
    dSymbol,
    dBraceOpen,
    dBraceClose,
};

struct TTables {
    std::uint8_t Class[256] {};
    std::uint8_t Dispatch[256] {};
};

constexpr TTables MakeTables()
{
    TTables t;
    for (int c = 0; c < 256; ++c) {
        std::uint8_t k = 0;
        const bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
        const bool digit = c >= '0' && c <= '9';
        if (letter || digit || c == '_')
            k |= cIdent;
        if (c >= 1 && c <= 32 && c != 10 && c != 13)
            k |= cSpace;
        if (digit || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'))
            k |= cHex;
        if (digit)
            k |= cDigit;
        if (digit || c == 'E' || c == 'e')
            k |= cNumber;
        t.Class[c] = k;

        TDispatch d = dUnknown;
        if (c == 10)
            d = dLF;
        else if (c == 13)
            d = dCR;
        else if (k & cSpace)
            d = dSpace;
        else if (c == 'E' || c == 'e')
            d = dE;
        else if (c == 'O' || c == 'o')
            d = dO;
        else if (letter || c == '_')
            d = dIdent;
        else if (digit)
            d = dNumber;
        else if (c == '$')
            d = dHex;
        else if (c == '#')
            d = dCharCode;
        else if (c == '\'')
            d = dString;
        else if (c == '{')
            d = dBraceOpen;
        else if (c == '}')
            d = dBraceClose;
        else if (c == '(' || c == ')' || c == ',' || c == '.' || c == '/' || c == '<' || c == '=' || c == '>'
            || c == '[' || c == ']')
            d = dSymbol;
        t.Dispatch[c] = d;
    }
    return t;
}

constexpr TTables kTables = MakeTables();

bool Is(unsigned char c, std::uint8_t mask)
{
    return kTables.Class[c] & mask;
}

unsigned char Lower(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') ? c + 32 : c;
}

} // namespace

TDfmHighlighter::TDfmHighlighter()
{
    FCommentAttri.Bind(AddAttribute("Comment"));
    FCommentAttri->SetStyle(fsItalic);
    FIdentifierAttri.Bind(AddAttribute("Identifier"));
    FKeyAttri.Bind(AddAttribute("Key"));
    FKeyAttri->SetStyle(fsBold);
    FNumberAttri.Bind(AddAttribute("Number"));
    FSpaceAttri.Bind(AddAttribute("Space"));
    FStringAttri.Bind(AddAttribute("String"));
    FSymbolAttri = AddAttribute("Symbol");
    BindAttributeChanges();
    FRange = rsUnknown;
    TCustomHighlighter::SetDefaultFilter(SDfmDefaultFilter);
}

THighlighterAttributes* TDfmHighlighter::StandardAttribute(int kind) const
{
    return PickStandardAttribute(kind, FCommentAttri, FIdentifierAttri, FKeyAttri, FStringAttri, FSpaceAttri);
}

TCharSet TDfmHighlighter::WordChars() const
{
    return TCharSet::Alphanumeric(true);
}

unsigned TDfmHighlighter::FeatureFlags() const
{
    return hcRegistry;
}

std::string_view TDfmHighlighter::LanguageTitle() const
{
    return SDfmLanguageTitle;
}

// The window's stored design gives this highlighter no colours of its own (the main window shares
// the Pascal ones instead), only the filter text it was constructed with.
void TDfmHighlighter::ApplyDesignValues()
{
    SetDefaultFilter(SDfmDefaultFilter);
}

THighlighterAttributes* TDfmHighlighter::AttributeOfToken() const
{
    switch (FTokenKind) {
    case tkComment:
        return FCommentAttri;
    case tkIdentifier:
    case tkUnknown:
        return FIdentifierAttri;
    case tkKey:
        return FKeyAttri;
    case tkNumber:
        return FNumberAttri;
    case tkSpace:
        return FSpaceAttri;
    case tkString:
        return FStringAttri;
    case tkSymbol:
        return FSymbolAttri;
    default:
        return nullptr;
    }
}

void TDfmHighlighter::RestoreRange(TRangeState value)
{
    FRange = value == rsComment ? std::uint8_t(rsComment) : std::uint8_t(rsUnknown);
}

void TDfmHighlighter::StartLine(std::string_view text, int lineIndex)
{
    SetLine(text, lineIndex);
    FResumeString = false;
    Next();
}

void TDfmHighlighter::Advance()
{
    Next();
}

// Overridden so that a full rescan costs no virtual call per token.
void TDfmHighlighter::ScanToLineEnd()
{
    while (FTokenKind != tkNull)
        Next();
}

// The block runs to the first "}", which it includes, or to the end of the line, which keeps it
// open. A NUL stops it short; the NUL is a token of its own and the block goes on after it.
void TDfmHighlighter::BlockBody(std::size_t from)
{
    const unsigned char* p = Text();
    std::size_t i = from;
    while (i < FLineLen && p[i] != '}' && p[i] != 0)
        ++i;
    if (i < FLineLen && p[i] == '}') {
        ++i;
        FRange = rsUnknown;
    }
    FRun = i;
    FTokenKind = tkComment;
}

// Up to the closing quote; a doubled quote does not close. The line end leaves the string open,
// and it does not carry over to the next line.
void TDfmHighlighter::StringBody(std::size_t from)
{
    const unsigned char* p = Text();
    std::size_t i = from;
    FResumeString = false;
    for (;;) {
        while (i < FLineLen && p[i] != '\'' && p[i] != 0)
            ++i;
        if (i >= FLineLen)
            break;
        if (p[i] == 0) {
            FResumeString = true;
            break;
        }
        if (i + 1 < FLineLen && p[i + 1] == '\'') {
            i += 2;
            continue;
        }
        ++i;
        break;
    }
    FRun = i;
    FTokenKind = tkString;
}

void TDfmHighlighter::Next()
{
    FTokenPos = FRun;
    const std::size_t n = FLineLen;
    if (FRun >= n) {
        FTokenKind = tkNull;
        return;
    }
    const unsigned char* p = Text();
    const unsigned char c = p[FRun];
    // Lines are byte strings that may hold NULs; each is an illegal character of its own rather
    // than an early line end, so that the rest of the line is still drawn.
    if (c == 0) {
        ++FRun;
        FTokenKind = tkUnknown;
        return;
    }
    if (FResumeString) {
        StringBody(FRun);
        return;
    }
    if (FRange == rsComment) {
        BlockBody(FRun);
        return;
    }
    std::size_t i = FRun + 1;
    switch (kTables.Dispatch[c]) {
    case dLF:
        FTokenKind = tkSpace;
        break;
    case dCR:
        if (i < n && p[i] == 10)
            ++i;
        FTokenKind = tkSpace;
        break;
    case dSpace:
        while (i < n && Is(p[i], cSpace))
            ++i;
        FTokenKind = tkSpace;
        break;
    case dE:
    case dO:
    case dIdent: {
        // "end" and "object" in any letter case, when no identifier character follows.
        const std::string_view rest = kTables.Dispatch[c] == dE ? "nd" : kTables.Dispatch[c] == dO ? "bject" : "";
        std::size_t k = 0;
        while (k < rest.size() && i + k < n && Lower(p[i + k]) == static_cast<unsigned char>(rest[k]))
            ++k;
        if (!rest.empty() && k == rest.size() && (i + k >= n || !Is(p[i + k], cIdent))) {
            i += k;
            FTokenKind = tkKey;
            break;
        }
        while (i < n && Is(p[i], cIdent))
            ++i;
        FTokenKind = tkIdentifier;
        break;
    }
    case dNumber:
        while (i < n) {
            if (Is(p[i], cNumber)) {
                ++i;
            } else {
                // "1..5" is a range, not a fraction: a "." before another "." stays outside.
                if (p[i] == '.' && !(i + 1 < n && p[i + 1] == '.'))
                    ++i;
                break;
            }
        }
        FTokenKind = tkNumber;
        break;
    case dHex:
        while (i < n && Is(p[i], cHex))
            ++i;
        FTokenKind = tkNumber;
        break;
    case dCharCode:
        while (i < n && Is(p[i], cDigit))
            ++i;
        FTokenKind = tkString;
        break;
    case dString:
        StringBody(i);
        return;
    case dSymbol:
        FTokenKind = tkSymbol;
        break;
    case dBraceOpen:
        FRange = rsComment;
        BlockBody(i);
        return;
    case dBraceClose:
        FRange = rsUnknown;
        FTokenKind = tkIdentifier;
        break;
    default:
        FTokenKind = tkUnknown;
        break;
    }
    FRun = i;
}

// --- form files ---------------------------------------------------------------------------------

namespace {

constexpr unsigned char kResourceMarker = 0xFF;
constexpr std::uint16_t kRawDataType = 10;
constexpr std::uint16_t kResourceFlags = 0x1030;
constexpr std::size_t kMaxFormFileSize = std::size_t(1) << 30;

int Failure(std::string* message, std::string_view text, int result)
{
    if (message)
        *message = std::string(text);
    return result;
}

int SystemFailure(std::string* message, const char* pattern, const std::string& fileName, int err)
{
    if (message) {
        const std::string what(pattern);
        // "Cannot open file %s" names the file itself; the stream errors do not.
        *message = what.find("%s") != std::string::npos ? FormatMessage(what, { fileName }) : fileName + ": " + what;
        *message += ": ";
        *message += std::strerror(err);
    }
    return -err;
}

int ReadWholeFile(const std::string& fileName, std::string& data, std::string* message)
{
    const int fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return SystemFailure(message, SCannotOpenFile, fileName, errno);
    struct stat st;
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd);
        return SystemFailure(message, SCannotOpenFile, fileName, EISDIR);
    }
    if (S_ISREG(st.st_mode) && st.st_size > 0)
        data.reserve(static_cast<std::size_t>(st.st_size));
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            const int err = errno;
            ::close(fd);
            return SystemFailure(message, SStreamReadError, fileName, err);
        }
        if (got == 0)
            break;
        // Far beyond any real form; without a bound a device such as /dev/zero would be read
        // until memory runs out.
        if (data.size() + static_cast<std::size_t>(got) > kMaxFormFileSize) {
            ::close(fd);
            return SystemFailure(message, SStreamReadError, fileName, EFBIG);
        }
        data.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(fd);
    return 0;
}

std::string DirectoryOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string BaseNameOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string TempSuffix()
{
    static std::atomic<std::uint64_t> counter { 0 };
    std::uint64_t x = static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count())
        ^ (static_cast<std::uint64_t>(::getpid()) << 32) ^ (++counter * 0x9E3779B97F4A7C15ull);
    x ^= x >> 31;
    x *= 0xBF58476D1CE4E5B9ull;
    x ^= x >> 29;
    static const char digits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    std::string s;
    for (int i = 0; i < 8; ++i, x /= 36)
        s += digits[x % 36];
    return s;
}

bool WriteAll(int fd, const char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t put = ::write(fd, data, size);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0) {
            if (put == 0)
                errno = EIO;
            return false;
        }
        data += put;
        size -= static_cast<std::size_t>(put);
    }
    return true;
}

// Like the line store's save: a complete, synced temporary file beside the target with the
// old file's owner and mode, renamed over it, so the old file survives any failure. Targets
// that are no regular files (devices, FIFOs) cannot be replaced and are written in place.
int WriteFileReplacing(const std::string& fileName, const std::string& data, std::string* message)
{
    std::string target = fileName;
    struct stat st;
    if (::lstat(fileName.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        if (char* real = ::realpath(fileName.c_str(), nullptr)) {
            target = real;
            std::free(real);
        }
    }
    const bool exists = ::stat(target.c_str(), &st) == 0;
    if (exists && S_ISDIR(st.st_mode))
        return SystemFailure(message, SCannotCreateFile, fileName, EISDIR);
    if (exists && !S_ISREG(st.st_mode)) {
        const int fd = ::open(target.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
        if (fd < 0)
            return SystemFailure(message, SCannotCreateFile, fileName, errno);
        const bool ok = WriteAll(fd, data.data(), data.size());
        const int err = errno;
        ::close(fd);
        return ok ? 0 : SystemFailure(message, SStreamWriteError, fileName, err);
    }
    const std::string prefix = DirectoryOf(target) + "/." + BaseNameOf(target).substr(0, 200) + ".";
    std::string temp;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temp = prefix + TempSuffix() + ".tmp";
        // Mode 0666 lets the umask decide for a new file, as for any other.
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0)
        return SystemFailure(message, SCannotCreateFile, fileName, errno);
    auto fail = [&](const char* pattern, int err) {
        ::close(fd);
        ::unlink(temp.c_str());
        return SystemFailure(message, pattern, fileName, err);
    };
    if (exists) {
        // Ownership first: changing it clears set-id bits that the mode below restores.
        if (::fchown(fd, st.st_uid, st.st_gid) != 0)
            (void)!::fchown(fd, static_cast<uid_t>(-1), st.st_gid);
        if (::fchmod(fd, st.st_mode & 07777) != 0)
            return fail(SCannotCreateFile, errno);
    }
    if (!WriteAll(fd, data.data(), data.size()) || ::fsync(fd) != 0)
        return fail(SStreamWriteError, errno);
    if (::close(fd) != 0 && errno != EINTR) {
        const int err = errno;
        ::unlink(temp.c_str());
        return SystemFailure(message, SStreamWriteError, fileName, err);
    }
    if (::rename(temp.c_str(), target.c_str()) != 0) {
        const int err = errno;
        ::unlink(temp.c_str());
        return SystemFailure(message, SCannotCreateFile, fileName, err);
    }
    const int dir = ::open(DirectoryOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return 0;
}

// The top object's class name from a stream made by FormTextToBinary. A prefix byte may come
// first, and with it the child position, whose integer value sits before the name.
bool TopClassName(std::string_view stream, std::string& name)
{
    std::size_t p = 4;
    auto byteAt = [&](std::size_t i) { return i < stream.size() ? static_cast<unsigned char>(stream[i]) : -1; };
    const int first = byteAt(p);
    if (first < 0)
        return false;
    if (first >= 0xF0) {
        ++p;
        if (first & 2) {
            const int type = byteAt(p++);
            p += type == vaInt8 ? 1 : type == vaInt16 ? 2 : type == vaInt32 ? 4 : stream.size();
        }
    }
    const int length = byteAt(p);
    if (length < 0 || p + 1 + static_cast<std::size_t>(length) > stream.size())
        return false;
    name.assign(stream.substr(p + 1, static_cast<std::size_t>(length)));
    for (char& c : name)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 32);
    return true;
}

void AppendLE(std::string& out, std::uint64_t v, int n)
{
    for (int i = 0; i < n; ++i, v >>= 8)
        out += static_cast<char>(v & 0xFF);
}

} // namespace

int LoadFormFileAsText(const std::string& fileName, TQuillEditStringList& lines, std::string* errorMessage)
{
    try {
        lines.Clear();
        std::string data;
        if (const int r = ReadWholeFile(fileName, data, errorMessage); r != 0)
            return r;
        // Only the marker and the type are checked; name, flags and size are skipped, and the
        // stream itself says where it ends.
        std::size_t p = 3;
        if (data.size() < p || static_cast<unsigned char>(data[0]) != kResourceMarker
            || (static_cast<unsigned char>(data[1]) | static_cast<unsigned char>(data[2]) << 8) != kRawDataType)
            return Failure(errorMessage, SInvalidStreamFormat, -1);
        const std::size_t nameEnd = data.find('\0', p);
        if (nameEnd == std::string::npos || data.size() - nameEnd - 1 < 6)
            return Failure(errorMessage, SInvalidStreamFormat, -1);
        p = nameEnd + 1 + 6;
        const std::string text = FormBinaryToText(std::string_view(data).substr(p));
        data = std::string();
        lines.SetText(text);
        return 0;
    } catch (const std::exception& e) {
        Failure(errorMessage, e.what(), -1);
    } catch (...) {
        Failure(errorMessage, SInvalidStreamFormat, -1);
    }
    try {
        lines.Clear();
    } catch (...) {
    }
    return -1;
}

int SaveTextAsFormFile(const TQuillEditStringList& lines, const std::string& fileName, std::string* errorMessage)
{
    try {
        const std::string stream = FormTextToBinary(lines.GetText());
        std::string name;
        if (!TopClassName(stream, name) || stream.size() > UINT32_MAX)
            return Failure(errorMessage, SInvalidStreamFormat, -1);
        std::string file;
        file.reserve(stream.size() + name.size() + 10);
        file += static_cast<char>(kResourceMarker);
        AppendLE(file, kRawDataType, 2);
        file += name;
        file += '\0';
        AppendLE(file, kResourceFlags, 2);
        AppendLE(file, stream.size(), 4);
        file += stream;
        return WriteFileReplacing(fileName, file, errorMessage);
    } catch (const std::exception& e) {
        return Failure(errorMessage, e.what(), -1);
    } catch (...) {
        return Failure(errorMessage, SInvalidStreamFormat, -1);
    }
}

} // namespace quillan
