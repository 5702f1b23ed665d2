#include "backends/headless/HeadlessHost.h"
#include "editor/QuillEdit.h"
#include "highlight/HighlighterFactory.h"
#include "tools/cli/Bench.h"
#include "tools/cli/CliCommand.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace quillan::cli {

namespace {

double Now()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

struct TKeyFigures {
    double KeyMean = 0, KeyWorst = 0; // the command alone
    double PaintMean = 0, PaintWorst = 0; // repainting what it invalidated
    std::string Failure; // wrong text or caret position: no figures
    std::string Hidden; // the caret ended off screen: figures, but the bench fails
};

// End on `line`, then `keys` typed characters, each followed by the repaint a window would do of
// what the keystroke invalidated. Checks on the way that the text is right and that the caret
// stays on screen with the scroll range reaching it.
TKeyFigures TypeAtLineEnd(TQuillEdit& edit, THeadlessHost& host, int line, int keys)
{
    TKeyFigures r;
    edit.SetCaretPos({ 1, line });
    edit.DispatchCommand(ecLineEnd);
    const int start = edit.CaretColumn();
    THeadlessCanvas canvas;
    const TRect all { 0, 0, host.ClientSize().Width, host.ClientSize().Height };
    edit.Paint(canvas, all);
    host.ClearInvalid();
    std::vector<double> key, paint;
    for (int i = 0; i < keys; ++i) {
        const double t0 = Now();
        edit.DispatchCommand(ecChar, static_cast<TQuillChar>('a' + i % 26));
        const double t1 = Now();
        const TRect dirty = host.InvalidRect();
        canvas.ClearCalls();
        if (!dirty.IsEmpty())
            edit.Paint(canvas, dirty);
        host.ClearInvalid();
        const double t2 = Now();
        key.push_back(t1 - t0);
        paint.push_back(t2 - t1);
        if (edit.CaretColumn() != start + i + 1) {
            r.Failure = "caret at column " + std::to_string(edit.CaretColumn()) + ", expected "
                + std::to_string(start + i + 1);
            return r;
        }
    }
    const std::string text = edit.LineText(line);
    for (int i = 0; i < keys; ++i)
        if (text[static_cast<std::size_t>(start - 1 + i)] != static_cast<char>('a' + i % 26)) {
            r.Failure = "typed text is not at the end of the line";
            return r;
        }
    const TScrollInfo& h = host.ScrollInfo(TScrollBarKind::sbHorizontal);
    const int caretColumn = edit.DisplayColumn(edit.CaretPos());
    if (!host.CaretVisible() || h.Max < caretColumn || edit.LeftChar() > caretColumn
        || caretColumn > edit.LeftChar() + edit.CharsInWindow()) {
        r.Hidden = "caret at display column " + std::to_string(caretColumn) + " is off screen (left column "
            + std::to_string(edit.LeftChar()) + ", scroll range to " + std::to_string(h.Max) + ")";
    }
    for (double s : key) {
        r.KeyMean += s / keys;
        r.KeyWorst = std::max(r.KeyWorst, s);
    }
    for (double s : paint) {
        r.PaintMean += s / keys;
        r.PaintWorst = std::max(r.PaintWorst, s);
    }
    return r;
}

void Print(const char* what, const TKeyFigures& f)
{
    std::printf(
        "%-48s %10.4f ms (worst %.4f ms)\n", (std::string(what) + ", key").c_str(), f.KeyMean * 1e3, f.KeyWorst * 1e3);
    std::printf("%-48s %10.4f ms (worst %.4f ms)\n", (std::string(what) + ", repaint").c_str(), f.PaintMean * 1e3,
        f.PaintWorst * 1e3);
}

int BenchLongLine(const std::vector<std::string>& args)
{
    std::string path = args.empty() ? bench::CorpusPath("longline.txt") : args[0];
    int keys = 200;
    if (args.size() > 1)
        keys = std::max(1, std::atoi(args[1].c_str()));
    if (bench::FileSize(path) == 0)
        return Fail("bench longline: cannot read " + path);

    // A document of ordinary lines, typed into in the same way.
    THeadlessHost normalHost;
    TQuillEdit normal(&normalHost);
    for (int i = 0; i < 1000; ++i)
        normal.Lines().Add("    for (int i = 0; i < count; ++i)\tsum += values[i] * weight; // " + std::to_string(i));
    const TKeyFigures normalFigures = TypeAtLineEnd(normal, normalHost, 500, keys);
    if (!normalFigures.Failure.empty())
        return Fail("bench longline: normal line: " + normalFigures.Failure);

    THeadlessHost host;
    TQuillEdit edit(&host);
    const double t0 = Now();
    edit.Lines().LoadFromFile(path);
    const double t1 = Now();
    std::printf("%s: %d line(s), the first %d bytes, %d cells; %d keys typed at its end\n", path.c_str(),
        edit.LineCount(), static_cast<int>(edit.LineText(1).size()), edit.Lines().GetExpandedLength(0), keys);
    bench::Report("load", t1 - t0);
    const TKeyFigures longFigures = TypeAtLineEnd(edit, host, 1, keys);
    if (!longFigures.Failure.empty())
        return Fail("bench longline: long line: " + longFigures.Failure);

    // The same line between two others, highlighted: the rescan after each key has a next line to
    // compare with.
    THeadlessHost litHost;
    TQuillEdit lit(&litHost);
    std::unique_ptr<TCustomHighlighter> highlighter = CreateHighlighter("cpp");
    lit.Lines().Add("int before;");
    lit.Lines().Add(edit.LineText(1));
    lit.Lines().Add("int after;");
    lit.SetHighlighter(highlighter.get());
    // Each of these keys rescans and repaints the whole line: a few are enough.
    const TKeyFigures litFigures = TypeAtLineEnd(lit, litHost, 2, std::min(keys, 20));
    lit.SetHighlighter(nullptr);
    if (!litFigures.Failure.empty())
        return Fail("bench longline: highlighted long line: " + litFigures.Failure);

    Print("normal line", normalFigures);
    Print("long line", longFigures);
    Print("long line, C/C++ highlighter, not last, 20 keys", litFigures);
    const double normalTotal = normalFigures.KeyMean + normalFigures.PaintMean;
    bench::ReportRatio("long line key+repaint, mean / 1 ms", (longFigures.KeyMean + longFigures.PaintMean) / 1e-3, 1.0);
    bench::ReportRatio(
        "highlighted long line key+repaint, mean / 1 ms", (litFigures.KeyMean + litFigures.PaintMean) / 1e-3, 1.0);
    bench::ReportRatio("long line / normal line", (longFigures.KeyMean + longFigures.PaintMean) / normalTotal, 5.0);
    int rc = 0;
    for (const TKeyFigures* f : { &normalFigures, &longFigures, &litFigures })
        if (!f->Hidden.empty())
            rc = Fail("bench longline: " + f->Hidden);
    return rc;
}

} // namespace

} // namespace quillan::cli

QUILLAN_CLI_BENCH(longline, "longline",
    "[FILE [KEYS]]   End on a 20 MB single line and type KEYS characters (200), each repainted, beside a normal line",
    quillan::cli::BenchLongLine);
