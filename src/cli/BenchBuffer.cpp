// Line store benchmarks, on the generated corpus ($CORPUS, default /tmp/corpus):
//
//   quillan-cli bench load [FILE]   LoadFromFile against one fread + memchr line count of the same
//                                   file (target 2.5x; FILE defaults to cpp_1m.cpp), the CR LF twin
//                                   against its LF file (1.15x), longline.txt against the baseline
//                                   (2x), and resident memory after a load against file size + 64
//                                   bytes per line.
//   quillan-cli bench save [FILE]   SaveToFile without fsync against one fwrite of the same bytes
//                                   (target 3x); the durable save (fsync of file and folder) is
//                                   shown beside a baseline that also calls fsync.
//   quillan-cli bench lines [FILE]  Insert and Delete at line 0 of the loaded 1M-line list (first
//                                   call after the load and steady state), the worst case of moving
//                                   the edit point to mid-file, and LongestLineLength: first call,
//                                   after one Put, after a Put that shortens the longest line.
#include "cli/Bench.h"
#include "cli/CliCommand.h"
#include "editor/QuillEditTextBuffer.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <malloc.h>
#include <memory>
#include <string>
#include <unistd.h>

namespace quillan::cli {

namespace {

using namespace quillan::cli::bench;

constexpr int runs = 5;

bool Exists(const std::string& path)
{
    return ::access(path.c_str(), R_OK) == 0;
}

double Seconds(const std::function<void()>& body)
{
    auto start = std::chrono::steady_clock::now();
    body();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The load alone: each list is made before and freed after its timed load.
double LoadSeconds(const std::string& path, int* lines = nullptr, double* freeSeconds = nullptr)
{
    double best = 1e9;
    double bestFree = 1e9;
    for (int i = 0; i < runs; ++i) {
        auto list = std::make_unique<TQuillEditStringList>();
        best = std::min(best, Seconds([&] { list->LoadFromFile(path); }));
        if (lines)
            *lines = list->Count();
        bestFree = std::min(bestFree, Seconds([&] { list.reset(); }));
    }
    if (freeSeconds)
        *freeSeconds = bestFree;
    return best;
}

double BaselineSeconds(const std::string& path)
{
    return BestSeconds(runs, [&] {
        if (FreadMemchr(path) == 0 && FileSize(path) > 0)
            std::fprintf(stderr, "baseline read nothing from %s\n", path.c_str());
    });
}

int BenchLoad(const std::vector<std::string>& args)
{
    std::string lf = args.empty() ? CorpusPath("cpp_1m.cpp") : args[0];
    if (!Exists(lf))
        return Fail("missing corpus file " + lf + " (see docs/Testing.md)");

    // Memory first, while the heap is still fresh.
    {
        ::malloc_trim(0);
        std::size_t before = ResidentBytes();
        TQuillEditStringList list;
        list.LoadFromFile(lf);
        std::size_t after = ResidentBytes();
        double used = static_cast<double>(after - before);
        double allowed = static_cast<double>(FileSize(lf)) + 64.0 * list.Count();
        std::printf("%-48s %10.1f MB (file %.1f MB, %d lines, %.1f bytes/line over the file)\n",
            "resident memory after load", used / 1e6, static_cast<double>(FileSize(lf)) / 1e6, list.Count(),
            (used - static_cast<double>(FileSize(lf))) / std::max(1, list.Count()));
        ReportRatio("memory / (file size + 64 B per line)", used / allowed, 1.0);
    }

    int lines = 0;
    double freeing = 0;
    double base = BaselineSeconds(lf);
    double load = LoadSeconds(lf, &lines, &freeing);
    Report("baseline fread+memchr " + lf, base);
    Report("LoadFromFile (" + std::to_string(lines) + " lines)", load);
    ReportRatio("load / baseline", load / base, 2.5);
    Report("freeing the loaded list (not in the load time)", freeing);

    std::string crlf = CorpusPath("cpp_1m_crlf.cpp");
    if (args.empty() && Exists(crlf)) {
        double loadCrlf = LoadSeconds(crlf);
        double loadLf = LoadSeconds(lf);
        Report("LoadFromFile cpp_1m_crlf.cpp", loadCrlf);
        ReportRatio("CR LF load / LF load", loadCrlf / loadLf, 1.15);
    }
    std::string longline = CorpusPath("longline.txt");
    if (args.empty() && Exists(longline)) {
        double baseLong = BaselineSeconds(longline);
        double loadLong = LoadSeconds(longline);
        Report("baseline fread+memchr longline.txt", baseLong);
        Report("LoadFromFile longline.txt", loadLong);
        ReportRatio("long line load / baseline", loadLong / baseLong, 2.0);
    }
    return 0;
}

int BenchSave(const std::vector<std::string>& args)
{
    std::string in = args.empty() ? CorpusPath("cpp_1m.cpp") : args[0];
    if (!Exists(in))
        return Fail("missing corpus file " + in + " (see docs/Testing.md)");
    TQuillEditStringList list;
    list.LoadFromFile(in);
    std::string bytes;
    for (int i = 0; i < list.Count(); ++i) {
        bytes += list.GetView(i);
        bytes += list.LineBreakStyle() == TQuillEditLineBreakStyle::lbCRLF ? "\r\n" : "\n";
    }
    std::string out = "/tmp/quillan-bench-save-" + std::to_string(::getpid()) + ".txt";
    auto fwriteOnce = [&](bool sync) {
        FILE* f = std::fopen(out.c_str(), "wb");
        if (!f || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size())
            std::fprintf(stderr, "baseline write failed\n");
        if (f && sync) {
            std::fflush(f);
            ::fsync(::fileno(f));
        }
        if (f)
            std::fclose(f);
    };
    double base = BestSeconds(runs, [&] { fwriteOnce(false); });
    double save = BestSeconds(runs, [&] { list.SaveToFile(out, false); });
    Report("baseline one fwrite (" + std::to_string(bytes.size() / 1000000) + " MB)", base);
    Report("SaveToFile, atomic, no fsync", save);
    ReportRatio("save / baseline", save / base, 3.0);
    double baseSync = BestSeconds(runs, [&] { fwriteOnce(true); });
    double saveSync = BestSeconds(runs, [&] { list.SaveToFile(out, true); });
    Report("baseline one fwrite + fsync", baseSync);
    Report("SaveToFile, atomic, durable (fsync file + folder)", saveSync);
    std::printf("%-48s %10.2fx\n", "durable save / baseline with fsync", saveSync / baseSync);
    std::remove(out.c_str());
    return 0;
}

int BenchLines(const std::vector<std::string>& args)
{
    std::string in = args.empty() ? CorpusPath("cpp_1m.cpp") : args[0];
    if (!Exists(in))
        return Fail("missing corpus file " + in + " (see docs/Testing.md)");
    TQuillEditStringList list;
    list.LoadFromFile(in);
    std::printf("%d lines\n", list.Count());

    Report("Insert at 0, first after load", Seconds([&] { list.Insert(0, "inserted line"); }));
    Report("Delete at 0, first after that", Seconds([&] { list.Delete(0); }));
    const int pairs = 100000;
    double pairTime = Seconds([&] {
        for (int i = 0; i < pairs; ++i) {
            list.Insert(0, "inserted line");
            list.Delete(0);
        }
    });
    Report("Insert + Delete at 0, mean of one pair", pairTime / pairs);
    // The edit point moves to the middle: the cheaper way round the ring moves half the records.
    Report(
        "Insert at Count/2 right after line 0 (worst move)", Seconds([&] { list.Insert(list.Count() / 2, "middle"); }));
    Report("Delete at Count/2 after that", Seconds([&] { list.Delete(list.Count() / 2); }));
    Report("Insert at 0 after that (worst move back)", Seconds([&] { list.Insert(0, "again"); }));
    list.Delete(0);

    int longest = 0;
    Report("LongestLineLength, first (measures every line)", Seconds([&] { longest = list.LongestLineLength(); }));
    Report("LongestLineLength, cached", Seconds([&] { longest = list.LongestLineLength(); }));
    list.Put(list.Count() / 3, "a line put in the middle");
    Report("LongestLineLength after one Put", Seconds([&] { longest = list.LongestLineLength(); }));
    int longIndex = -1;
    for (int i = 0; i < list.Count() && longIndex < 0; ++i)
        if (list.GetExpandedLength(i) == longest)
            longIndex = i;
    list.Put(longIndex, "");
    int second = 0;
    Report("after a Put that shortens the longest (walk)", Seconds([&] { second = list.LongestLineLength(); }));
    std::printf("longest line %d columns, then %d\n", longest, second);
    return 0;
}

} // namespace

QUILLAN_CLI_BENCH(load, "load", "[FILE]", BenchLoad);
QUILLAN_CLI_BENCH(save, "save", "[FILE]", BenchSave);
QUILLAN_CLI_BENCH(lines, "lines", "[FILE]", BenchLines);

} // namespace quillan::cli
