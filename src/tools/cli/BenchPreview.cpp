#include "backends/cairo/CairoCanvas.h"
#include "backends/headless/HeadlessHost.h"
#include "highlight/HighlighterFactory.h"
#include "print/QuillEditPrint.h"
#include "print/QuillEditPrintDesign.h"
#include "print/QuillEditPrintPreview.h"
#include "text/QuillEditTextBuffer.h"
#include "tools/cli/Bench.h"
#include "tools/cli/CliCommand.h"

#include <cairo.h>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace quillan::cli {

namespace {

// A window whose measuring canvas is cairo's, as the preview's own canvas is on screen.
class TCairoHost : public THeadlessHost {
public:
    ICanvas& MeasureCanvas() override { return FMeasure; }

private:
    TCairoCanvas FMeasure;
};

// Seconds for one page change with its paint of the whole 800 x 600 window into pixels, best of
// several runs, going to `page` from its neighbour.
double PageChangeSeconds(TQuillEditPrintPreview& preview, TCairoCanvas& canvas, int page)
{
    constexpr int changes = 20;
    const TRect all { 0, 0, 800, 600 };
    return bench::BestSeconds(5, [&] {
        for (int i = 0; i < changes; ++i) {
            preview.Scroll(TScrollBarKind::sbVertical, TScrollCode::scTrack, page + (i % 2));
            preview.Paint(canvas, all);
        }
    }) / changes;
}

// The engine as the main window prints a document shown in Courier New 10 pt.
void Configure(TQuillEditPrint& engine, const TQuillEditStringList& lines, TCustomHighlighter* highlighter,
    const std::string& title)
{
    ApplyMainWindowPrintDesign(engine);
    TFontSpec font;
    font.Name = "Courier New";
    font.Size = 10;
    engine.SetLines(lines);
    engine.SetHighlighter(highlighter);
    engine.SetFont(font);
    engine.SetTitle(title);
}

int BenchPreview(const std::vector<std::string>& args)
{
    std::string path = args.empty() ? bench::CorpusPath("cpp_1m.cpp") : args[0];
    if (bench::FileSize(path) == 0)
        return Fail("bench preview: cannot read " + path);
    TQuillEditStringList lines;
    lines.LoadFromFile(path);
    std::unique_ptr<TCustomHighlighter> highlighter = CreateHighlighter(LanguageForFileName(path));
    if (highlighter)
        highlighter->ApplyDesignValues();

    TQuillEditPrint engine;
    Configure(engine, lines, highlighter.get(), path);
    TCairoHost host;
    host.SetClientSize({ 800, 600 });
    TQuillEditPrintPreview preview(&host);
    preview.SetQuillEditPrint(&engine);
    preview.SetScaleMode(TQuillPreviewScale::pscWholePage);
    const auto start = std::chrono::steady_clock::now();
    preview.UpdatePreview();
    preview.FirstPage();
    const double paginate = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const int pages = preview.PageCount();
    const int far = std::min(10000, pages - 1);

    // The very lines of that page as a document of their own, numbered as they are there: the same
    // drawing at page 1, so that only the page's position differs.
    const int first = engine.PageFirstLine(far);
    const int end = engine.PageFirstLine(far + 1) > 0 ? engine.PageFirstLine(far + 1) : lines.Count();
    TQuillEditStringList pageLines;
    for (int i = first; i < end; ++i)
        pageLines.Add(lines.GetView(i));
    TQuillEditPrint small;
    Configure(small, pageLines, highlighter.get(), path);
    small.SetLineOffset(first);
    small.SetPageOffset(far - 1);
    TCairoHost smallHost;
    smallHost.SetClientSize({ 800, 600 });
    TQuillEditPrintPreview smallPreview(&smallHost);
    smallPreview.SetQuillEditPrint(&small);
    smallPreview.SetScaleMode(TQuillPreviewScale::pscWholePage);
    smallPreview.UpdatePreview();

    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 800, 600);
    cairo_t* cr = cairo_create(surface);
    TCairoCanvas canvas(cr);
    std::printf("%s: %d lines, %d pages in an 800 x 600 preview (whole page); page %d holds lines %d to %d\n",
        path.c_str(), lines.Count(), pages, far, first + 1, end);
    bench::Report("paginate once (UpdatePreview)", paginate);
    const double pageOne = PageChangeSeconds(preview, canvas, 1);
    const double later = PageChangeSeconds(preview, canvas, far);
    const double alone = PageChangeSeconds(smallPreview, canvas, 1);
    bench::Report("page change and paint, page 1", pageOne);
    bench::Report("page change and paint, page " + std::to_string(far), later);
    bench::Report("the same lines as page 1 of a one-page document", alone);
    bench::ReportRatio("page " + std::to_string(far) + " / the same page as page 1", later / alone, 1.2);
    std::printf(
        "target: each page change under 20 ms: %s\n", std::max({ pageOne, later, alone }) < 0.020 ? "met" : "NOT met");

    canvas.Bind(nullptr);
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
    smallPreview.SetQuillEditPrint(nullptr);
    preview.SetQuillEditPrint(nullptr);
    small.SetHighlighter(nullptr);
    engine.SetHighlighter(nullptr);
    return 0;
}

} // namespace

} // namespace quillan::cli

QUILLAN_CLI_BENCH(preview, "preview",
    "[FILE]   page through the print preview of the 1,000,000-line file: one page change and paint at page 1 and "
    "at page 10,000",
    quillan::cli::BenchPreview);
