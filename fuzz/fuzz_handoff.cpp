// Random bytes as the hand-off file another start left: the reader must give back exactly the
// non-empty LF-ended lines, byte for byte, and delete the file (inputs stay far below its 4 MiB
// limit; the unit tests cover the cut there). With the
// first byte odd the bytes are instead cut into paths at NUL bytes and written by the sender's
// writer: every path without a line break must come back in order.
#include "backends/posix/HandOff.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using namespace quillan;

namespace {

const std::string& Folder()
{
    static const std::string folder = [] {
        char pattern[] = "/tmp/fuzz-handoff-XXXXXX";
        const char* made = ::mkdtemp(pattern);
        if (!made)
            std::abort();
        return std::string(made);
    }();
    return folder;
}

std::vector<std::string> Lines(std::string_view text)
{
    std::vector<std::string> lines;
    while (!text.empty()) {
        const std::size_t nl = text.find('\n');
        const std::string_view line = text.substr(0, nl);
        text.remove_prefix(nl == std::string_view::npos ? text.size() : nl + 1);
        if (!line.empty())
            lines.emplace_back(line);
    }
    return lines;
}

bool Gone(const std::string& path)
{
    struct stat st { };
    return ::lstat(path.c_str(), &st) != 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::string& folder = Folder();
    const std::string path = folder + "/" + HandOffFileName;
    const std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);

    if ((data[0] & 1) == 0) {
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        if (fd < 0)
            std::abort();
        if (::write(fd, rest.data(), rest.size()) != static_cast<ssize_t>(rest.size()))
            std::abort();
        ::close(fd);
        if (ReadHandOffFile(folder) != Lines(rest))
            std::abort();
    } else {
        std::vector<std::string> paths;
        std::string_view text = rest;
        for (;;) {
            const std::size_t nul = text.find('\0');
            paths.emplace_back(text.substr(0, nul));
            if (nul == std::string_view::npos)
                break;
            text.remove_prefix(nul + 1);
        }
        std::vector<std::string> expected;
        for (const std::string& p : paths)
            if (!p.empty() && p.find('\n') == std::string::npos)
                expected.push_back(p);
        std::vector<std::string> written;
        for (const std::string& p : paths)
            if (p.find('\n') == std::string::npos)
                written.push_back(p);
        std::string error;
        if (!WriteHandOffFile(folder, written, error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            std::abort();
        }
        if (ReadHandOffFile(folder) != expected)
            std::abort();
    }
    if (!Gone(path))
        std::abort();
    return 0;
}
