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
    ApplyMainWindowPrintDesign(engine);
    TFontSpec font;
    font.Name = "Courier New";
    font.Size = 10;
    engine.SetLines(lines);
    engine.SetHighlighter(highlighter.get());
    engine.SetFont(font);
    engine.SetTitle(path);

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

    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 800, 600);
    cairo_t* cr = cairo_create(surface);
    TCairoCanvas canvas(cr);
    const int far = std::min(10000, pages - 1);
    std::printf("%s: %d lines, %d pages in an 800 x 600 preview (whole page)\n", path.c_str(), lines.Count(), pages);
    bench::Report("paginate once (UpdatePreview)", paginate);
    const double first = PageChangeSeconds(preview, canvas, 1);
    const double later = PageChangeSeconds(preview, canvas, far);
    bench::Report("page change and paint, page 1", first);
    bench::Report("page change and paint, page " + std::to_string(far), later);
    bench::ReportRatio("page " + std::to_string(far) + " / page 1", later / first, 1.2);
    std::printf("target: each page change under 20 ms: %s\n", std::max(first, later) < 0.020 ? "met" : "NOT met");

    canvas.Bind(nullptr);
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
    preview.SetQuillEditPrint(nullptr);
    engine.SetHighlighter(nullptr);
    return 0;
}

} // namespace

} // namespace quillan::cli

QUILLAN_CLI_BENCH(preview, "preview",
    "[FILE]   page through the print preview of the 1,000,000-line file: one page change and paint at page 1 and "
    "at page 10,000",
    quillan::cli::BenchPreview);
