#include "highlight/FormFile.h"

#include "base/AtomicFile.h"
#include "base/QuillEditStrConst.h"
#include "highlight/FormStream.h"
#include "text/QuillEditTextBuffer.h"

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillan {

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
    // O_NONBLOCK: a FIFO must not hold the open until a writer comes; it is refused below.
    const int fd = ::open(fileName.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return SystemFailure(message, SCannotOpenFile, fileName, errno);
    struct stat st { };
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode) || S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode)) {
        const int err = S_ISDIR(st.st_mode) ? EISDIR : S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode) ? EINVAL : errno;
        ::close(fd);
        return SystemFailure(message, SCannotOpenFile, fileName, err);
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
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
        TAtomicFileError error;
        if (WriteFileAtomically(fileName, file, {}, &error))
            return 0;
        const char* pattern = error.Kind == TAtomicFileFailure::afWrite ? SStreamWriteError : SCannotCreateFile;
        return SystemFailure(errorMessage, pattern, fileName, error.Errno);
    } catch (const std::exception& e) {
        return Failure(errorMessage, e.what(), -1);
    } catch (...) {
        return Failure(errorMessage, SInvalidStreamFormat, -1);
    }
}

} // namespace quillan
