#include "app/DiskWatch.h"
#include "app/RecoveryCopies.h"
#include "backends/posix/InotifyWatch.h"
#include "backends/posix/RecoveryFolder.h"
#include "text/LineSnapshot.h"
#include "text/QuillEditTextBuffer.h"
#include "tools/cli/Bench.h"
#include "tools/cli/CliCommand.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace quillan::cli {

namespace {

double Seconds(std::chrono::steady_clock::time_point from)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - from).count();
}

// The baseline: the same bytes, already in one buffer, written with one fwrite; with `sync` also
// flushed to disk as the copy is.
double OneFwrite(const std::string& path, const std::string& bytes, bool sync)
{
    return bench::BestSeconds(5, [&] {
        FILE* f = std::fopen(path.c_str(), "wb");
        if (!f)
            return;
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fflush(f);
        if (sync)
            ::fsync(::fileno(f));
        std::fclose(f);
    });
}

int BenchRecovery(const std::vector<std::string>& args)
{
    const std::string path = args.empty() ? bench::CorpusPath("cpp_1m.cpp") : args[0];
    if (bench::FileSize(path) == 0)
        return Fail("cannot read " + path);
    char folderTemplate[] = "/tmp/quillan-bench-recovery-XXXXXX";
    if (!::mkdtemp(folderTemplate))
        return Fail("cannot make a temporary folder");
    const std::string folder = folderTemplate;

    TQuillEditStringList lines;
    lines.LoadFromFile(path);
    // One edit, as after a keystroke: the copy is of a modified document.
    lines.Put(lines.Count() / 2, "    int edited = 1;");
    std::printf("%s: %d lines\n", path.c_str(), lines.Count());

    TRecoveryFolder store(folder + "/recovery");
    std::string error;
    if (!store.OpenSession(error))
        return Fail(error);
    const TRecoveryDocument doc { &lines, &lines, true, path, 0, {} };
    double interfaceBest = 1e30, totalBest = 1e30, snapshotBest = 1e30;
    {
        TRecoveryCopies copies(store);
        for (int run = 0; run < 5; ++run) {
            const auto start = std::chrono::steady_clock::now();
            copies.Copy(doc, 0);
            interfaceBest = std::min(interfaceBest, Seconds(start));
            copies.Drain();
            totalBest = std::min(totalBest, Seconds(start));
        }
        if (!copies.LastError().empty())
            return Fail(copies.LastError());
        TLineSnapshot snapshot;
        snapshot.Take(lines);
        snapshotBest = bench::BestSeconds(5, [&] { snapshot.Take(lines); });
    }
    bench::Report("recovery copy, interface thread", interfaceBest);
    bench::Report("  of which the snapshot", snapshotBest);
    std::printf("%-48s %10.2f ms  (target < 5 ms)\n", "interface thread against target", interfaceBest * 1e3);
    bench::Report("recovery copy, total (fsync'd, renamed)", totalBest);

    std::string text;
    text.reserve(bench::FileSize(path) + 64);
    const char* lineBreak = lines.LineBreakStyle() == TQuillEditLineBreakStyle::lbCRLF ? "\r\n" : "\n";
    for (int i = 0; i < lines.Count(); ++i) {
        text += lines.GetView(i);
        text += lineBreak;
    }
    const double plain = OneFwrite(folder + "/plain.txt", text, false);
    const double synced = OneFwrite(folder + "/synced.txt", text, true);
    bench::Report("one fwrite of the same bytes", plain);
    bench::Report("one fwrite + fsync of the same bytes", synced);
    bench::ReportRatio("total against fwrite + fsync", totalBest / synced, 2.0);
    std::printf("%-48s %10.2fx\n", "total against plain fwrite", totalBest / plain);

    // Change detection: 100 open documents, each file's stamp looked at once.
    TInotifyWatch files;
    TDiskWatch watch(files);
    std::vector<int> keys(100);
    for (int i = 0; i < 100; ++i) {
        const std::string name = folder + "/doc" + std::to_string(i) + ".txt";
        std::ofstream(name) << "document " << i << "\n";
        watch.Track(&keys[static_cast<std::size_t>(i)], name);
    }
    std::size_t events = 0;
    const double check
        = bench::BestSeconds(20, [&] { events += watch.Check([](const void*) { return false; }).size(); });
    bench::Report("change check over 100 documents", check);
    std::printf("%-48s %10.3f ms  (target < 1 ms, %zu changes)\n", "change check against target", check * 1e3, events);

    store.CloseSession();
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    return 0;
}

} // namespace

QUILLAN_CLI_BENCH(
    recovery, "recovery", "[FILE]   recovery copy after one edit; change check over 100 files", BenchRecovery);

} // namespace quillan::cli
