#include "backends/headless/HeadlessHost.h"
#include "editor/QuillEdit.h"
#include "highlight/HighlighterFactory.h"
#include "tools/cli/Bench.h"
#include "tools/cli/CliCommand.h"

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace quillan::cli {

namespace {

// Seconds for one paint of the whole window, the best of several runs of many paints.
double PaintSeconds(TQuillEdit& edit, THeadlessHost& host, std::size_t& calls)
{
    constexpr int paints = 300;
    THeadlessCanvas canvas;
    const TRect all { 0, 0, host.ClientSize().Width, host.ClientSize().Height };
    double best = bench::BestSeconds(5, [&] {
        for (int i = 0; i < paints; ++i) {
            canvas.ClearCalls();
            edit.Paint(canvas, all);
        }
    });
    calls = canvas.Calls().size();
    return best / paints;
}

int BenchPaint(const std::vector<std::string>& args)
{
    std::string path = args.empty() ? bench::CorpusPath("cpp_1m.cpp") : args[0];
    if (bench::FileSize(path) == 0)
        return Fail("bench paint: cannot read " + path);
    std::unique_ptr<TCustomHighlighter> highlighter = CreateHighlighter("cpp");

    THeadlessHost bigHost;
    TQuillEdit big(&bigHost);
    big.Lines().LoadFromFile(path);
    big.SetHighlighter(highlighter.get());
    big.Gutter().SetShowLineNumbers(true);
    // 80 columns beside the numbered gutter.
    const TSize window { big.GutterWidth() + 2 + 80 * big.CharWidth(), 30 * big.LineHeight() };
    bigHost.SetClientSize(window);
    big.Resize();
    big.SetTopLine(big.LineCount() / 2);

    // The very lines the long file shows in its middle, as a document of 100 lines.
    THeadlessHost smallHost;
    TQuillEdit small(&smallHost);
    for (int i = 0; i < 100 && i < big.LineCount(); ++i)
        small.Lines().Add(big.LineText(big.TopLine() + i));
    small.SetHighlighter(highlighter.get());
    small.Gutter().SetShowLineNumbers(true);
    smallHost.SetClientSize(window);
    small.Resize();

    std::printf("%s: %d lines; window %d lines x %d columns\n", path.c_str(), big.LineCount(), big.LinesInWindow(),
        big.CharsInWindow());
    std::size_t smallCalls = 0, bigCalls = 0;
    const double smallSeconds = PaintSeconds(small, smallHost, smallCalls);
    const double bigSeconds = PaintSeconds(big, bigHost, bigCalls);
    std::printf("drawing calls per paint: %zu (100 lines), %zu (middle of the long file)\n", smallCalls, bigCalls);
    bench::Report("paint one window, 100-line file", smallSeconds);
    bench::Report("paint one window, long file scrolled to the middle", bigSeconds);
    bench::ReportRatio("long file / 100-line file", bigSeconds / smallSeconds, 1.2);
    small.SetHighlighter(nullptr);
    big.SetHighlighter(nullptr);
    return 0;
}

} // namespace

} // namespace quillan::cli

QUILLAN_CLI_BENCH(paint, "paint",
    "[FILE]   paint one highlighted window of a 100-line file and of the 1,000,000-line file scrolled to the middle",
    quillan::cli::BenchPaint);
