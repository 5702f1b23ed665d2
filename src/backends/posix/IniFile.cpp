#include "backends/posix/IniFile.h"

#include "base/AtomicFile.h"
#include "base/Paths.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillan {

namespace {

constexpr std::size_t npos = std::string::npos;

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

bool SameName(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
        if (x >= 'a' && x <= 'z')
            x -= 32;
        if (y >= 'a' && y <= 'z')
            y -= 32;
        if (x != y)
            return false;
    }
    return true;
}

// One line as the reader sees it.
struct TLine {
    enum TKind { lkOther, lkSection, lkValue } Kind = lkOther;
    std::string_view Name;
    std::string_view Value; // trimmed, quotes still on
};

TLine Classify(std::string_view raw, bool first)
{
    // A byte-order mark put there by an editor must not hide the first section.
    if (first && raw.starts_with("\xEF\xBB\xBF"))
        raw.remove_prefix(3);
    const std::string_view text = Trim(raw);
    TLine line;
    if (text.empty() || text.front() == ';')
        return line;
    if (text.front() == '[') {
        const std::string_view inner = text.substr(1);
        line.Kind = TLine::lkSection;
        line.Name = Trim(inner.substr(0, inner.find(']')));
        return line;
    }
    const std::size_t eq = text.find('=');
    if (eq == npos || eq == 0)
        return line;
    line.Kind = TLine::lkValue;
    line.Name = Trim(text.substr(0, eq));
    line.Value = Trim(text.substr(eq + 1));
    return line;
}

std::string_view Unquote(std::string_view value)
{
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

bool HasLineBreakOrNul(std::string_view s)
{
    return s.find_first_of(std::string_view("\r\n\0", 3)) != npos;
}

bool ValidSection(std::string_view s)
{
    return !HasLineBreakOrNul(s) && s.find(']') == npos && Trim(s).size() == s.size();
}

bool ValidKey(std::string_view s)
{
    return !s.empty() && !HasLineBreakOrNul(s) && s.find('=') == npos && s.front() != '[' && s.front() != ';'
        && Trim(s).size() == s.size();
}

// Built by appending: "x" + std::string + "y" trips a false -Wrestrict in GCC 12's optimiser.
std::string Enclosed(char open, std::string_view text, char close)
{
    std::string result;
    result.reserve(text.size() + 2);
    result += open;
    result += text;
    result += close;
    return result;
}

// The form in which a value reads back unchanged.
std::string Encode(std::string_view value)
{
    const bool blanks = !value.empty() && (IsBlank(value.front()) || IsBlank(value.back()));
    if (blanks || Unquote(value).size() != value.size())
        return Enclosed('"', value, '"');
    return std::string(value);
}

bool ParseInteger(std::string_view text, std::int32_t& result)
{
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    int base = 10;
    if (text.starts_with("$")) {
        base = 16;
        text.remove_prefix(1);
    } else if (text.starts_with("0x") || text.starts_with("0X")) {
        base = 16;
        text.remove_prefix(2);
    }
    if (text.empty())
        return false;
    std::uint64_t value = 0;
    for (char c : text) {
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return false;
        value = value * base + digit;
        if (value > 0xFFFFFFFFull)
            return false;
    }
    std::int64_t signedValue;
    if (base == 16) {
        // Hexadecimal is a bit pattern: $80000005 is the system colour, not an overflow.
        signedValue = static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
    } else {
        signedValue = static_cast<std::int64_t>(value);
    }
    if (negative)
        signedValue = -signedValue;
    if (signedValue < INT32_MIN || signedValue > INT32_MAX)
        return false;
    result = static_cast<std::int32_t>(signedValue);
    return true;
}

std::string ErrnoText(std::string_view what, const std::string& path)
{
    return std::string(what) + " " + path + ": " + std::strerror(errno);
}

} // namespace

TIniFile::TIniFile(std::string fileName)
    : FFileName(std::move(fileName))
{
    // O_NONBLOCK: a FIFO in the settings file's place must not stop the start until a writer
    // comes. Whatever is not a regular file is ignored, and never written to.
    const int fd = ::open(FFileName.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        if (errno != ENOENT) {
            FLoadFailed = true;
            FLastError = ErrnoText("Cannot open file", FFileName);
        }
        return;
    }
    struct stat st { };
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        FLoadFailed = true;
        FLastError = "Ignoring settings file " + FFileName + ": it is not a regular file";
        return;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    std::string text;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            FLoadFailed = true;
            FLastError = ErrnoText("Cannot read file", FFileName);
            break;
        }
        if (n == 0)
            break;
        text.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    if (FLoadFailed)
        return;

    const std::size_t firstBreak = text.find('\n');
    FCrLf = firstBreak != npos && firstBreak > 0 && text[firstBreak - 1] == '\r';
    std::string_view rest = text;
    while (!rest.empty()) {
        const std::size_t nl = rest.find('\n');
        std::string_view line = rest.substr(0, nl);
        rest.remove_prefix(nl == npos ? rest.size() : nl + 1);
        if (line.ends_with('\r'))
            line.remove_suffix(1);
        FLines.emplace_back(line);
    }
}

std::size_t TIniFile::FindSection(std::string_view section) const
{
    for (std::size_t i = 0; i < FLines.size(); ++i) {
        const TLine line = Classify(FLines[i], i == 0);
        if (line.Kind == TLine::lkSection && SameName(line.Name, section))
            return i;
    }
    return npos;
}

std::size_t TIniFile::FindKey(std::string_view section, std::string_view ident) const
{
    const std::size_t header = FindSection(section);
    if (header == npos)
        return npos;
    for (std::size_t i = header + 1; i < FLines.size(); ++i) {
        const TLine line = Classify(FLines[i], false);
        if (line.Kind == TLine::lkSection)
            break;
        if (line.Kind == TLine::lkValue && SameName(line.Name, ident))
            return i;
    }
    return npos;
}

std::string TIniFile::ReadString(std::string_view section, std::string_view ident, std::string_view defaultValue) const
{
    const std::size_t i = FindKey(section, ident);
    if (i == npos)
        return std::string(defaultValue);
    return std::string(Unquote(Classify(FLines[i], false).Value));
}

std::int32_t TIniFile::ReadInteger(std::string_view section, std::string_view ident, std::int32_t defaultValue) const
{
    const std::size_t i = FindKey(section, ident);
    if (i == npos)
        return defaultValue;
    std::int32_t value = 0;
    return ParseInteger(Trim(Unquote(Classify(FLines[i], false).Value)), value) ? value : defaultValue;
}

bool TIniFile::ReadBool(std::string_view section, std::string_view ident, bool defaultValue) const
{
    return ReadInteger(section, ident, defaultValue ? 1 : 0) != 0;
}

bool TIniFile::WriteString(std::string_view section, std::string_view ident, std::string_view value)
{
    if (!ValidSection(section) || !ValidKey(ident) || HasLineBreakOrNul(value))
        return false;
    const std::string encoded = Encode(value);
    const std::size_t existing = FindKey(section, ident);
    if (existing != npos) {
        // Keep the key as the file spells it; only the value changes.
        std::string line = std::string(Classify(FLines[existing], false).Name) + "=" + encoded;
        if (FLines[existing] != line) {
            FLines[existing] = std::move(line);
            FModified = true;
        }
        return true;
    }
    std::string line = std::string(ident) + "=" + encoded;
    const std::size_t header = FindSection(section);
    if (header == npos) {
        FLines.push_back(Enclosed('[', section, ']'));
        FLines.push_back(std::move(line));
    } else {
        // After the section's last value, so that comments and blank lines that separate it
        // from the next section stay where they are.
        std::size_t insertAt = header + 1;
        for (std::size_t i = header + 1; i < FLines.size(); ++i) {
            const TLine other = Classify(FLines[i], false);
            if (other.Kind == TLine::lkSection)
                break;
            if (other.Kind == TLine::lkValue)
                insertAt = i + 1;
        }
        FLines.insert(FLines.begin() + static_cast<std::ptrdiff_t>(insertAt), std::move(line));
    }
    FModified = true;
    return true;
}

bool TIniFile::WriteInteger(std::string_view section, std::string_view ident, std::int32_t value)
{
    return WriteString(section, ident, std::to_string(value));
}

bool TIniFile::WriteBool(std::string_view section, std::string_view ident, bool value)
{
    return WriteString(section, ident, value ? "1" : "0");
}

std::string TIniFile::Text() const
{
    const std::string_view eol = FCrLf ? "\r\n" : "\n";
    std::string text;
    for (const std::string& line : FLines) {
        text += line;
        text += eol;
    }
    return text;
}

bool TIniFile::UpdateFile()
{
    if (FLoadFailed) {
        FLastError = "Not writing " + FFileName + ": its previous contents could not be read";
        return false;
    }
    if (!FModified)
        return true;

    // A settings file kept elsewhere and linked into place stays a link: the writer writes
    // through it.
    const std::string folder = FolderOf(FFileName);
    if (!CreateFolderChain(folder, 0700)) {
        FLastError = ErrnoText("Cannot create folder", folder);
        return false;
    }
    TAtomicFileError error;
    if (!WriteFileAtomically(FFileName, Text(), {}, &error)) {
        FLastError = error.Message;
        return false;
    }
    FModified = false;
    return true;
}

} // namespace quillan
