// quillan-cli bench open [FILE]: the path of opening a file in a tab, without a window — load
// into the editor's lines, attach the highlighter (which scans every line once) and paint the
// first window on the headless canvas. Opening must add no pass over the text of its own, so
// it is compared with the bare load and the bare scan measured in the same run (target 1.3x).
#include "backends/headless/HeadlessCanvas.h"
#include "backends/headless/HeadlessHost.h"
#include "editor/QuillEdit.h"
#include "highlight/HighlighterFactory.h"
#include "text/QuillEditTextBuffer.h"
#include "tools/cli/Bench.h"
#include "tools/cli/CliCommand.h"

#include <cstdio>
#include <memory>

namespace quillan::cli {

namespace {

// The editor's full range scan over lines already loaded.
void ScanAll(TCustomHighlighter& highlighter, TQuillEditStringList& lines)
{
    highlighter.ClearRange();
    for (int i = 0; i < lines.Count(); ++i) {
        lines.PutRange(i, highlighter.CurrentRange());
        highlighter.StartLine(lines.GetView(i), i);
        highlighter.ScanToLineEnd();
    }
}

int BenchOpen(const std::vector<std::string>& args)
{
    std::string path = args.empty() ? bench::CorpusPath("cpp_1m.cpp") : args[0];
    if (bench::FileSize(path) == 0)
        return Fail("bench open: cannot read " + path);
    std::string lang(LanguageForFileName(path));
    if (lang.empty())
        lang = "cpp";
    std::unique_ptr<TCustomHighlighter> highlighter = CreateHighlighter(lang);
    if (!highlighter)
        return Fail("bench open: no highlighter for " + path);

    constexpr int runs = 3;
    double load = bench::BestSeconds(runs, [&] {
        TQuillEditStringList lines;
        lines.LoadFromFile(path);
    });
    TQuillEditStringList scanned;
    scanned.LoadFromFile(path);
    double scan = bench::BestSeconds(runs, [&] { ScanAll(*highlighter, scanned); });

    int lineCount = 0;
    std::size_t drawCalls = 0;
    double open = bench::BestSeconds(runs, [&] {
        THeadlessHost host;
        TQuillEdit edit(&host);
        edit.Lines().LoadFromFile(path);
        edit.SetHighlighter(highlighter.get());
        THeadlessCanvas canvas;
        TSize size = host.ClientSize();
        edit.Paint(canvas, TRect { 0, 0, size.Width, size.Height });
        lineCount = edit.LineCount();
        drawCalls = canvas.Calls().size();
        edit.SetHighlighter(nullptr);
    });

    std::printf("%s: %d lines, %s highlighter, first paint %zu canvas calls\n", path.c_str(), lineCount, lang.c_str(),
        drawCalls);
    bench::Report("load (LoadFromFile)", load);
    bench::Report("scan (every line once)", scan);
    bench::Report("open: load + attach highlighter + first paint", open);
    bench::ReportRatio("open / (load + scan)", open / (load + scan), 1.3);
    return 0;
}

} // namespace

QUILLAN_CLI_BENCH(
    open, "open", "[FILE]   open a file as a tab does (load, scan, first paint) against load + scan", BenchOpen);

} // namespace quillan::cli
