#include "backends/cairo/CairoPrintTarget.h"
#include "backends/headless/CountingCanvas.h"
#include "highlight/HighlighterFactory.h"
#include "print/QuillEditPrint.h"
#include "print/QuillEditPrintDesign.h"
#include "text/QuillEditTextBuffer.h"
#include "tools/cli/Bench.h"
#include "tools/cli/CliCommand.h"

#include <cstdio>
#include <exception>

namespace quillan::cli {

namespace {

// The engine as the command-line print sets it up.
void Configure(TQuillEditPrint& engine, TCustomHighlighter* highlighter)
{
    ApplyMainWindowPrintDesign(engine);
    TFontSpec font;
    font.Name = "Courier New";
    font.Size = 10;
    font.Color = 0;
    engine.SetFont(font);
    engine.SetHighlighter(highlighter);
    engine.SetTitle("bench");
}

// Seconds per page for rendering `count` pages into a PDF document, pagination excluded: pages
// first, first + 1, ... or, with `repeat`, page `first` again and again.
double RenderSecondsPerPage(TQuillEditPrint& engine, int first, int count, bool repeat, const std::string& pdf)
{
    TCairoPrintTarget target(DefaultPageCaps());
    target.SetPdfFile(pdf);
    target.BeginDoc("bench");
    engine.Paginate(target.Canvas());
    double seconds = bench::BestSeconds(1, [&] {
        for (int i = 0; i < count; ++i) {
            engine.RenderPage(target.Canvas(), repeat ? first : first + i);
            target.NewPage();
        }
    });
    target.EndDoc();
    return seconds / count;
}

int BenchPrint(const std::vector<std::string>& args)
{
    if (args.size() > 1)
        return Fail("bench print: usage: bench print [FILE]");
    const std::string file = args.empty() ? bench::CorpusPath("cpp_1m.cpp") : args[0];
    const std::string pdf = "/tmp/quillan-bench-print.pdf";
    try {
        TQuillEditStringList lines;
        bench::Report("load " + file, bench::BestSeconds(1, [&] { lines.LoadFromFile(file); }));
        std::unique_ptr<TCustomHighlighter> hl = CreateHighlighter(LanguageForFileName(file));
        if (hl)
            hl->ApplyDesignValues();

        TQuillEditPrint engine;
        Configure(engine, hl.get());
        bench::Report(
            "copy lines into the engine (tabs expanded)", bench::BestSeconds(1, [&] { engine.SetLines(lines); }));

        TCairoCanvas measure;
        TCountingCanvas counting(measure);
        const double first = bench::BestSeconds(1, [&] { engine.Paginate(counting); });
        const int pages = engine.PageCount();
        bench::Report("paginate, ranges scanned first", first);
        const double again = bench::BestSeconds(3, [&] { engine.Paginate(measure); });
        bench::Report("paginate again (ranges kept)", again);
        std::printf("%-48s %10d lines, %d pages, MaxCol %d\n", "document", lines.Count(), pages, engine.MaxCol());
        std::printf("%-48s %10lld TextExtent, %lld CharAdvance (%.4f per line)\n", "measurements in one pagination",
            counting.Extents, counting.Advances, static_cast<double>(counting.Extents) / std::max(lines.Count(), 1));

        std::size_t sink = 0;
        const double scan = bench::BestSeconds(3, [&] {
            if (!hl)
                return;
            hl->ClearRange();
            for (int i = 0; i < lines.Count(); ++i) {
                hl->StartLine(lines.GetView(i), i);
                hl->ScanToLineEnd();
            }
            sink += static_cast<std::size_t>(hl->CurrentRange());
        });
        const double fread = bench::BestSeconds(3, [&] { sink += bench::FreadMemchr(file); });
        bench::Report("baseline: highlighter scan of every line", scan);
        bench::Report("baseline: fread + memchr", fread);
        if (hl)
            bench::ReportRatio("first pagination / highlighter scan", first / scan, 3.0);
        bench::ReportRatio("pagination (ranges kept) / fread + memchr", again / fread, 8.0);

        // A whole job as the print command runs it: pagination, then 100 pages from the middle.
        const int from = std::max(1, pages / 2);
        const double job = bench::BestSeconds(1, [&] {
            TCairoPrintTarget target(DefaultPageCaps());
            target.SetPdfFile(pdf);
            engine.SetPrinter(&target);
            engine.PrintRange(from, from + 99);
            engine.SetPrinter(nullptr);
        });
        bench::Report("print job: paginate + 100 pages to PDF", job);
        const double bigPage = RenderSecondsPerPage(engine, from, 100, false, pdf);
        bench::Report("render one page to PDF (100 from the middle)", bigPage);

        // The same first page in a document of 100 lines: it must cost what it costs in the big one.
        TQuillEditStringList small;
        for (int i = 0; i < 100 && i < lines.Count(); ++i)
            small.Add(lines.GetView(i));
        TQuillEditPrint smallEngine;
        Configure(smallEngine, hl.get());
        smallEngine.SetLines(small);
        engine.SetLines(lines);
        const double smallFirst = RenderSecondsPerPage(smallEngine, 1, 100, true, pdf);
        const double bigFirst = RenderSecondsPerPage(engine, 1, 100, true, pdf);
        bench::Report("render page 1 to PDF, 100-line document", smallFirst);
        bench::Report("render page 1 to PDF, " + std::to_string(lines.Count()) + "-line document", bigFirst);
        bench::ReportRatio("page 1: big document / 100-line document", bigFirst / smallFirst, 1.3);
        engine.SetHighlighter(nullptr);
        smallEngine.SetHighlighter(nullptr);
        if (sink == 42)
            std::printf(" \n");
    } catch (const std::exception& e) {
        return Fail(std::string("bench print: ") + e.what());
    }
    std::remove(pdf.c_str());
    return 0;
}

} // namespace

QUILLAN_CLI_BENCH(print, "print", "[FILE]", BenchPrint);

} // namespace quillan::cli
