#include "tools/cli/Bench.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace quillan::cli::bench {

double BestSeconds(int runs, const std::function<void()>& body)
{
    double best = std::numeric_limits<double>::max();
    for (int i = 0; i < runs; ++i) {
        auto start = std::chrono::steady_clock::now();
        body();
        std::chrono::duration<double> d = std::chrono::steady_clock::now() - start;
        best = std::min(best, d.count());
    }
    return best;
}

std::size_t FreadMemchr(const std::string& path)
{
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return 0;
    std::size_t size = FileSize(path);
    std::unique_ptr<char[]> buffer(new char[size + 1]);
    std::size_t got = std::fread(buffer.get(), 1, size, f);
    std::fclose(f);
    std::size_t lines = 0;
    const char* p = buffer.get();
    const char* end = p + got;
    while (p < end) {
        const void* nl = std::memchr(p, '\n', static_cast<std::size_t>(end - p));
        if (!nl)
            break;
        ++lines;
        p = static_cast<const char*>(nl) + 1;
    }
    return lines;
}

double BestCommandSeconds(int runs, const std::string& shellCommand)
{
    double best = std::numeric_limits<double>::max();
    for (int i = 0; i < runs; ++i) {
        auto start = std::chrono::steady_clock::now();
        int rc = std::system(shellCommand.c_str());
        std::chrono::duration<double> d = std::chrono::steady_clock::now() - start;
        if (rc == -1 || (WIFEXITED(rc) && WEXITSTATUS(rc) > 1))
            return -1;
        best = std::min(best, d.count());
    }
    return best;
}

std::size_t FileSize(const std::string& path)
{
    struct stat st { };
    if (::stat(path.c_str(), &st) != 0)
        return 0;
    return static_cast<std::size_t>(st.st_size);
}

std::size_t ResidentBytes()
{
    FILE* f = std::fopen("/proc/self/statm", "r");
    if (!f)
        return 0;
    unsigned long size = 0, resident = 0;
    int n = std::fscanf(f, "%lu %lu", &size, &resident);
    std::fclose(f);
    return n == 2 ? resident * static_cast<std::size_t>(::sysconf(_SC_PAGESIZE)) : 0;
}

std::string CorpusPath(std::string_view fileName)
{
    const char* dir = std::getenv("CORPUS");
    std::string path = dir && *dir ? dir : "/tmp/corpus";
    path += '/';
    path += fileName;
    return path;
}

void Report(std::string_view what, double seconds)
{
    std::printf("%-48.*s %10.3f ms\n", static_cast<int>(what.size()), what.data(), seconds * 1e3);
}

void ReportRatio(std::string_view what, double ratio, double target)
{
    std::printf("%-48.*s %10.2fx (target <= %.2fx) %s\n", static_cast<int>(what.size()), what.data(), ratio, target,
        ratio <= target ? "ok" : "MISSED");
}

} // namespace quillan::cli::bench
