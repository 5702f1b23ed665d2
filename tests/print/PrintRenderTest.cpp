#include "PrintTestUtil.h"
#include "backends/cairo/CairoPrintTarget.h"
#include "highlight/HighlighterFactory.h"
#include "print/QuillEditPrint.h"
#include "print/QuillEditPrintDesign.h"
#include "text/QuillEditTextBuffer.h"

#include <cairo-pdf.h>
#include <cairo.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <unistd.h>

namespace quillan {
namespace {

using printtest::TestDataPath;

// A PNG page read back, with the built-in sheet's printable offsets so that positions can be
// given in the engine's printer pixels (the page was written at the printer's 300 dpi).
class TPageImage {
public:
    explicit TPageImage(const std::string& path)
        : FSurface(cairo_image_surface_create_from_png(path.c_str()))
    {
    }
    ~TPageImage() { cairo_surface_destroy(FSurface); }
    TPageImage(const TPageImage&) = delete;
    TPageImage& operator=(const TPageImage&) = delete;

    bool Ok() const { return cairo_surface_status(FSurface) == CAIRO_STATUS_SUCCESS; }
    int Width() const { return cairo_image_surface_get_width(FSurface); }
    int Height() const { return cairo_image_surface_get_height(FSurface); }
    // 0xRRGGBB at printer pixel (x, y) of the printable area.
    std::uint32_t At(int x, int y) const
    {
        x += 65;
        y += 50;
        if (x < 0 || y < 0 || x >= Width() || y >= Height())
            return 0xFFFFFF;
        const unsigned char* row
            = cairo_image_surface_get_data(FSurface) + y * cairo_image_surface_get_stride(FSurface);
        std::uint32_t p;
        std::memcpy(&p, row + 4 * x, 4);
        return p & 0xFFFFFF;
    }
    static int Lightness(std::uint32_t p) { return (((p >> 16) & 255) + ((p >> 8) & 255) + (p & 255)) / 3; }
    // Dark pixels in a rectangle of the printable area.
    int Ink(int left, int top, int right, int bottom) const
    {
        int n = 0;
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < right; ++x)
                n += Lightness(At(x, y)) < 128;
        return n;
    }

private:
    cairo_surface_t* FSurface;
};

std::string TempPath(const std::string& name)
{
    return "/tmp/quillan-print-test-" + std::to_string(getpid()) + "-" + name;
}

// The engine as the print command configures it.
struct TDesignedEngine {
    std::unique_ptr<TCustomHighlighter> Highlighter = CreateHighlighter("cpp");
    TQuillEditPrint Engine;
    TDesignedEngine(const std::string& file)
    {
        Highlighter->ApplyDesignValues();
        ApplyMainWindowPrintDesign(Engine);
        TFontSpec font;
        font.Name = "Courier New";
        font.Size = 10;
        font.Color = 0;
        Engine.SetFont(font);
        TQuillEditStringList lines;
        lines.LoadFromFile(file);
        Engine.SetLines(lines);
        Engine.SetHighlighter(Highlighter.get());
        Engine.SetTitle("sample.cpp");
    }
    ~TDesignedEngine() { Engine.SetHighlighter(nullptr); }
};

TEST(PrintRender, PageOneShowsHeaderBodyAndFooterWhereTheGeometrySays)
{
    TDesignedEngine d(TestDataPath("print/sample.cpp"));
    const std::string prefix = TempPath("page");
    TCairoPrintTarget target(DefaultPageCaps());
    target.SetPngOutput(prefix, 300);
    d.Engine.SetPrinter(&target);
    d.Engine.Print();
    d.Engine.SetPrinter(nullptr);
    ASSERT_EQ(target.PngFiles().size(), 1u);
    TPageImage page(target.PngFiles()[0]);
    ASSERT_TRUE(page.Ok());
    EXPECT_EQ(page.Width(), 2481);
    EXPECT_EQ(page.Height(), 3507);
    std::remove(target.PngFiles()[0].c_str());

    const TQuillEditPrintMargins& m = d.Engine.Margins();
    const int left = m.PixLeft;
    const int right = m.PixRight;
    const int frame = d.Engine.Header().FrameHeight();
    const int rowHeight = d.Engine.LineHeight();
    const int column = d.Engine.CharWidth();
    ASSERT_GT(frame, 0);
    ASSERT_GT(rowHeight, 20);

    // Header: a shaded box above PixHeader, outlined, with text in it.
    const int bandTop = m.PixHeader - frame;
    EXPECT_EQ(page.At(left + 3, bandTop + 3), 0xC0C0C0u);
    EXPECT_EQ(page.At(right - 3, m.PixHeader - 3), 0xC0C0C0u);
    EXPECT_EQ(page.At(left + 200, bandTop), 0x000000u);
    EXPECT_EQ(page.At(left, bandTop + frame / 2), 0x000000u);
    EXPECT_GT(page.Ink(left, bandTop + 1, right, m.PixHeader - 1), 500);
    EXPECT_EQ(page.At(left + 3, bandTop - 3), 0xFFFFFFu);

    // Nothing between the header and the first line.
    EXPECT_EQ(page.Ink(0, m.PixHeader + 2, 2358, m.PixTop), 0);
    // The first line: its number in the margin, its text from PixLeft.
    EXPECT_GT(page.Ink(left, m.PixTop, left + 3 * column, m.PixTop + rowHeight), 300);
    EXPECT_GT(page.Ink(left - 3 * column, m.PixTop, left, m.PixTop + rowHeight), 100);
    EXPECT_EQ(page.Ink(0, m.PixTop, left - 3 * column, m.PixTop + rowHeight), 0);

    // Ten lines, then blank paper down to the footer's rule.
    const int lines = d.Engine.Lines().Count();
    EXPECT_GT(page.Ink(left, m.PixTop + (lines - 1) * rowHeight, right, m.PixTop + lines * rowHeight), 100);
    EXPECT_EQ(page.Ink(0, m.PixTop + lines * rowHeight, 2358, m.PixFooter), 0);
    for (int x = left; x < right; x += 97)
        EXPECT_EQ(page.At(x, m.PixFooter), 0x000000u) << x;
    EXPECT_GT(page.Ink(left, m.PixFooter + 2, right, m.PixFooter + d.Engine.Footer().FrameHeight()), 200);

    // "int" of line 1 is a key word, bold; the same letters in line 2's string are not.
    const int keyword = page.Ink(left, m.PixTop, left + 3 * column, m.PixTop + rowHeight);
    const int plain = page.Ink(left + 11 * column, m.PixTop + rowHeight, left + 14 * column, m.PixTop + 2 * rowHeight);
    ASSERT_GT(plain, 100);
    EXPECT_GT(keyword, plain * 5 / 4) << keyword << " vs " << plain;
}

TEST(PrintRender, APreviewAtAnotherScalePaginatesLikePaper)
{
    std::vector<std::string> lines;
    for (int i = 0; i < 500; ++i)
        lines.push_back(
            "int f" + std::to_string(i) + "(int a, int b) { return a * b + " + std::string(i % 150, 'x') + "; }");
    TDesignedEngine d(TestDataPath("print/sample.cpp"));
    d.Engine.SetLines(lines);

    cairo_surface_t* pdf = cairo_pdf_surface_create(nullptr, 595, 842);
    cairo_t* pdfCr = cairo_create(pdf);
    cairo_scale(pdfCr, 72.0 / 300, 72.0 / 300);
    TCairoCanvas paper(pdfCr);
    d.Engine.Paginate(paper);
    const int pages = d.Engine.PageCount();
    const int maxCol = d.Engine.MaxCol();
    std::vector<int> firstLines;
    for (int p = 1; p <= pages; ++p)
        firstLines.push_back(d.Engine.PageFirstLine(p));
    ASSERT_GT(pages, 1);

    // A quarter-size screen page, mapped as the preview maps it.
    cairo_surface_t* screen = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 620, 877);
    cairo_t* screenCr = cairo_create(screen);
    cairo_set_source_rgb(screenCr, 1, 1, 1);
    cairo_paint(screenCr);
    TCairoCanvas preview(screenCr);
    preview.SetMapping({ 16, 12 }, { 2481, 3507 }, { 620, 877 });
    d.Engine.Paginate(preview);
    EXPECT_EQ(d.Engine.PageCount(), pages);
    EXPECT_EQ(d.Engine.MaxCol(), maxCol);
    for (int p = 1; p <= pages; ++p)
        EXPECT_EQ(d.Engine.PageFirstLine(p), firstLines[static_cast<std::size_t>(p - 1)]) << p;

    d.Engine.RenderPage(preview, 1);
    cairo_surface_flush(screen);
    // The first line lands a quarter of the way down from where it is on paper.
    const int y = 12 + d.Engine.Margins().PixTop / 4 + d.Engine.LineHeight() / 8;
    const unsigned char* data = cairo_image_surface_get_data(screen);
    const int stride = cairo_image_surface_get_stride(screen);
    int ink = 0;
    for (int x = 16 + d.Engine.Margins().PixLeft / 4; x < 16 + d.Engine.Margins().PixRight / 4; ++x)
        ink += data[y * stride + 4 * x] < 128;
    EXPECT_GT(ink, 10);
    cairo_destroy(screenCr);
    cairo_surface_destroy(screen);
    cairo_destroy(pdfCr);
    cairo_surface_destroy(pdf);
}

TEST(PrintRender, MeasuringAsciiAndOtherTextAgrees)
{
    TCairoCanvas canvas;
    TFontSpec font;
    font.Name = "Courier New";
    font.Size = 10;
    font.PixelsPerInch = 300;
    canvas.SetFont(font);
    EXPECT_EQ(canvas.ResolvedFamily(), "Liberation Mono");
    const TTextMetrics tm = canvas.GetTextMetrics();
    EXPECT_EQ(tm.AveCharWidth, 25);
    EXPECT_EQ(tm.Height, tm.Ascent + tm.Descent);
    // Fixed pitch: every character, bold or not, advances alike, and a string is the sum of
    // its characters.
    EXPECT_EQ(canvas.TextExtent(std::string(100, 'W')).Width, canvas.TextExtent(std::string(100, 'i')).Width);
    font.Name = "Arial";
    canvas.SetFont(font);
    const std::string text = "Page: 12 of 345, printed (AVAWAY) fine";
    const int ascii = canvas.TextExtent(text).Width;
    const int mixed = canvas.TextExtent(text + "\xC3\xA9").Width - canvas.TextExtent("\xC3\xA9").Width;
    EXPECT_LE(std::abs(ascii - mixed), 1) << ascii << " " << mixed;
    // Kerning would pull "AV" together; text on paper is placed at the characters' advances.
    EXPECT_EQ(canvas.TextExtent("AV").Width, canvas.TextExtent("A").Width + canvas.TextExtent("V").Width);
    // Bytes that are not UTF-8 measure as one character each.
    EXPECT_GT(canvas.TextExtent("\xFF\xFE").Width, 0);
    EXPECT_EQ(canvas.CharAdvance('W'), canvas.TextExtent("W").Width);
}

TEST(PrintRender, PdfAndImagesOfOneJobAndAnAbortedJob)
{
    std::vector<std::string> lines(130, "some text");
    TDesignedEngine d(TestDataPath("print/sample.cpp"));
    d.Engine.SetLines(lines);
    const std::string pdf = TempPath("job.pdf");
    const std::string prefix = TempPath("job");
    TCairoPrintTarget target(DefaultPageCaps());
    target.SetPdfFile(pdf);
    target.SetPngOutput(prefix, 50);
    d.Engine.SetPrinter(&target);
    d.Engine.Print();
    EXPECT_EQ(target.PagesDone(), d.Engine.PageCount());
    ASSERT_EQ(target.PngFiles().size(), static_cast<std::size_t>(d.Engine.PageCount()));
    EXPECT_EQ(target.PngFiles()[1], prefix + "-2.png");
    TPageImage small(target.PngFiles()[0]);
    EXPECT_EQ(small.Width(), 414); // 2481 pixels at 300 dpi are 413.5 at 50
    for (const std::string& f : target.PngFiles())
        std::remove(f.c_str());
    FILE* f = std::fopen(pdf.c_str(), "rb");
    ASSERT_NE(f, nullptr);
    char head[5] = {};
    EXPECT_EQ(std::fread(head, 1, 4, f), 4u);
    std::fclose(f);
    EXPECT_STREQ(head, "%PDF");
    std::remove(pdf.c_str());

    // An aborted job leaves no document behind.
    d.Engine.OnPrintStatus = [](TQuillEditPrint*, TQuillPrintStatus s, int page, bool& abort) {
        abort = s == TQuillPrintStatus::psPage && page == 2;
    };
    target.SetPngOutput("", 0);
    d.Engine.Print();
    EXPECT_NE(access(pdf.c_str(), F_OK), 0);
    EXPECT_NE(access((pdf + ".part").c_str(), F_OK), 0);

    // A job without an output, or with one that cannot be created, fails.
    target.SetPdfFile("");
    EXPECT_THROW(d.Engine.Print(), EQuillException);
    target.SetPdfFile("/nonexistent-dir/x.pdf");
    d.Engine.OnPrintStatus = nullptr;
    EXPECT_THROW(d.Engine.Print(), EFCreateError);
    EXPECT_FALSE(target.Printing());
    d.Engine.SetPrinter(nullptr);
}

} // namespace
} // namespace quillan
