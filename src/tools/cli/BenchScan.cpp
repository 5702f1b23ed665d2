#include "highlight/HighlighterFactory.h"
#include "text/QuillEditTextBuffer.h"
#include "tools/cli/Bench.h"
#include "tools/cli/CliCommand.h"

#include <algorithm>
#include <cstdio>

namespace quillan::cli {

namespace {

std::string DefaultCorpusFile(std::string_view lang)
{
    if (lang == "cpp")
        return bench::CorpusPath("cpp_1m.cpp");
    if (lang == "pas")
        return bench::CorpusPath("pas_1m.pas");
    if (lang == "html")
        return bench::CorpusPath("html_100k.html");
    return {};
}

// What the editor does when a highlighter is attached: every line's start range stored in the
// line, each line scanned to its end from the range the previous one left behind.
std::size_t ScanAllRanges(TCustomHighlighter& hl, TQuillEditStringList& lines)
{
    hl.ClearRange();
    const int count = lines.Count();
    for (int i = 0; i < count; ++i) {
        lines.PutRange(i, hl.CurrentRange());
        hl.StartLine(lines.GetView(i), i);
        hl.ScanToLineEnd();
    }
    return static_cast<std::size_t>(hl.CurrentRange());
}

// The scanner alone over the same lines, so that the line store's share shows.
std::size_t ScanOnly(TCustomHighlighter& hl, const TQuillEditStringList& lines)
{
    hl.ClearRange();
    const int count = lines.Count();
    for (int i = 0; i < count; ++i) {
        hl.StartLine(lines.GetView(i), i);
        hl.ScanToLineEnd();
    }
    return static_cast<std::size_t>(hl.CurrentRange());
}

int BenchScan(const std::vector<std::string>& args)
{
    std::string lang;
    std::string file;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--lang" && i + 1 < args.size())
            lang = args[++i];
        else if (file.empty())
            file = args[i];
        else
            return Fail("bench scan: usage: bench scan [--lang cpp|pas|html|dfm] [FILE]");
    }
    if (lang.empty())
        lang = file.empty() ? "cpp" : std::string(LanguageForFileName(file));
    if (file.empty())
        file = DefaultCorpusFile(lang);
    if (file.empty())
        return Fail("bench scan: no default file for language " + lang);
    std::unique_ptr<TCustomHighlighter> hl = CreateHighlighter(lang);
    if (!hl)
        return Fail("bench scan: unknown language: " + lang);

    TQuillEditStringList lines;
    try {
        lines.LoadFromFile(file);
    } catch (const std::exception& e) {
        return Fail(std::string("bench scan: ") + e.what());
    }
    const double bytes = static_cast<double>(bench::FileSize(file));
    const double lineCount = lines.Count();

    std::size_t sink = 0;
    // Small files finish in milliseconds, where one preempted run says nothing: take more runs
    // for them, about a second's worth.
    const double once = bench::BestSeconds(1, [&] { sink += ScanAllRanges(*hl, lines); });
    const int runs = std::clamp(static_cast<int>(1.0 / std::max(once, 1e-6)), 5, 50);
    const double scan = bench::BestSeconds(runs, [&] { sink += ScanAllRanges(*hl, lines); });
    const double scanOnly = bench::BestSeconds(runs, [&] { sink += ScanOnly(*hl, lines); });
    const double baseline = bench::BestSeconds(3, [&] { sink += bench::FreadMemchr(file); });

    std::printf("%s, %s: %.0f lines, %.1f MB\n", std::string(hl->LanguageTitle()).c_str(), file.c_str(), lineCount,
        bytes / 1e6);
    bench::Report("full scan (best of " + std::to_string(runs) + ")", scan);
    bench::Report("scan without storing ranges", scanOnly);
    bench::Report("fread + memchr line count (baseline)", baseline);
    std::printf("%-48s %10.1f MB/s\n", "scan throughput", bytes / 1e6 / scan);
    std::printf("%-48s %10.2f M lines/s\n", "scan lines", lineCount / 1e6 / scan);
    std::printf("%-48s %10.2fx\n", "scan / baseline", scan / baseline);
    if (sink == 0xFFFFFFFF)
        std::printf("\n");
    return 0;
}

} // namespace

} // namespace quillan::cli

QUILLAN_CLI_BENCH(scan, "scan", "[--lang cpp|pas|html|dfm] [FILE]   full highlighter scan of a file (MB/s, lines/s)",
    quillan::cli::BenchScan);
