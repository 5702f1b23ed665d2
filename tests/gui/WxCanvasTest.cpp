#include "backends/wx/WxCanvas.h"

#include <gtest/gtest.h>
#include <wx/bitmap.h>
#include <wx/dcmemory.h>
#include <wx/image.h>
#include <wx/settings.h>

namespace quillan {
namespace {

constexpr TColor White = 0xFFFFFF;
constexpr TColor Black = 0x000000;
constexpr TColor Red = 0x0000FF;
constexpr TColor Blue = 0xFF0000;

TFontSpec Font(const char* name, TFontStyles style = 0)
{
    TFontSpec font;
    font.Name = name;
    font.Size = 10;
    font.Style = style;
    return font;
}

// A white bitmap with a canvas on it; Image() ends the drawing and returns the pixels.
class TBitmapCanvas {
public:
    explicit TBitmapCanvas(int width = 240, int height = 40)
        : FBitmap(width, height, 24)
        , FDC(FBitmap)
        , FCanvas(FDC, { 0, 0, width, height })
    {
        FCanvas.FillRect({ 0, 0, width, height }, White);
    }
    TWxCanvas& Canvas() { return FCanvas; }
    wxImage Image()
    {
        FCanvas.Bind(nullptr, {});
        FDC.SelectObject(wxNullBitmap);
        return FBitmap.ConvertToImage();
    }

private:
    wxBitmap FBitmap;
    wxMemoryDC FDC;
    TWxCanvas FCanvas;
};

bool IsInk(const wxImage& image, int x, int y)
{
    return image.GetRed(x, y) < 160 || image.GetGreen(x, y) < 160 || image.GetBlue(x, y) < 160;
}

bool HasColour(const wxImage& image, int x, int y, TColor color)
{
    wxColour c = ToWxColour(color);
    return image.GetRed(x, y) == c.Red() && image.GetGreen(x, y) == c.Green() && image.GetBlue(x, y) == c.Blue();
}

// Columns of [from, to) that hold ink in any row.
std::vector<int> InkColumns(const wxImage& image, int from, int to)
{
    std::vector<int> columns;
    for (int x = from; x < to; ++x)
        for (int y = 0; y < image.GetHeight(); ++y)
            if (IsInk(image, x, y)) {
                columns.push_back(x);
                break;
            }
    return columns;
}

TEST(WxCanvas, FixedPitchFontsMeasureOnAGrid)
{
    TWxCanvas canvas;
    canvas.SetFont(Font("Courier New"));
    const TTextMetrics tm = canvas.GetTextMetrics();
    // 10 points at 96 dpi is a 13-pixel em; a mono face advances 0.6 em.
    EXPECT_GE(tm.AveCharWidth, 7);
    EXPECT_LE(tm.AveCharWidth, 8);
    EXPECT_EQ(tm.AveCharWidth, tm.MaxCharWidth);
    EXPECT_EQ(tm.Height, tm.Ascent + tm.Descent);
    EXPECT_GE(tm.Height, 13);
    EXPECT_LE(tm.Height, 17);
    const int m = canvas.CharAdvance(U'M');
    EXPECT_EQ(m, tm.AveCharWidth);
    EXPECT_EQ(canvas.TextExtent("MMMMMMMMMM").Width, 10 * m);
    EXPECT_EQ(canvas.TextExtent("").Width, 0);

    canvas.SetFont(Font("Courier New", fsBold));
    EXPECT_EQ(canvas.CharAdvance(U'M'), m);

    canvas.SetFont(Font("Arial"));
    const TTextMetrics arial = canvas.GetTextMetrics();
    EXPECT_LT(arial.AveCharWidth, arial.MaxCharWidth);
    EXPECT_LT(canvas.CharAdvance(U'i'), canvas.CharAdvance(U'W'));
}

TEST(WxCanvas, BadBytesAndControlCharactersAreOneReplacementEach)
{
    TWxCanvas canvas;
    canvas.SetFont(Font("Courier New"));
    const int replacement = canvas.CharAdvance(0xFFFD);
    const int a = canvas.CharAdvance(U'a');
    EXPECT_EQ(canvas
                  .TextExtent("a\xFF"
                              "a")
                  .Width,
        2 * a + replacement);
    // A truncated sequence is one bad byte per byte; a complete one is one character.
    EXPECT_EQ(canvas.TextExtent("\xE6\x97").Width, 2 * replacement);
    EXPECT_EQ(canvas.TextExtent("\xC3\xA9").Width, canvas.CharAdvance(0xE9));
    EXPECT_EQ(canvas.TextExtent(std::string_view("a\0a", 3)).Width, 2 * a + replacement);
}

TEST(WxCanvas, RunsOnTheFontsOwnGridAreDrawnInOneCall)
{
    TBitmapCanvas bitmap;
    TWxCanvas& canvas = bitmap.Canvas();
    canvas.SetFont(Font("Courier New"));
    canvas.SetTextColor(Black);
    const int w = canvas.CharAdvance(U'M');
    std::vector<int> advances(20, w);
    canvas.ResetTextCalls();
    canvas.ExtTextOut(0, 0, 0, nullptr, "int main(void) {}", advances.data(), advances.size());
    EXPECT_EQ(canvas.TextCalls(), 1);

    // Twice the font's advance: every character needs its own position.
    std::vector<int> wide(4, 2 * w);
    canvas.ResetTextCalls();
    canvas.ExtTextOut(0, 20, 0, nullptr, "abcd", wide.data(), wide.size());
    EXPECT_EQ(canvas.TextCalls(), 4);
}

TEST(WxCanvas, CharactersLandInTheirCells)
{
    TBitmapCanvas bitmap;
    TWxCanvas& canvas = bitmap.Canvas();
    canvas.SetFont(Font("Arial"));
    canvas.SetTextColor(Black);
    // A proportional face on a 12-pixel grid: each narrow 'l' starts its own cell.
    const int cells[] = { 12, 12, 12, 12 };
    canvas.ExtTextOut(10, 5, 0, nullptr, "llll", cells, 4);
    // A bad byte takes one cell and a wide character the two cells the caller gives it.
    const int mixed[] = { 12, 12, 24, 12 };
    canvas.ExtTextOut(100, 5, 0, nullptr,
        "l\xFF\xE6\xBC\xA2"
        "l",
        mixed, 4);
    wxImage image = bitmap.Image();

    std::vector<int> ink = InkColumns(image, 0, 90);
    ASSERT_FALSE(ink.empty());
    for (int cell = 0; cell < 4; ++cell) {
        const int left = 10 + 12 * cell;
        EXPECT_TRUE(std::any_of(ink.begin(), ink.end(), [&](int x) { return x >= left && x < left + 6; }))
            << "no ink at the start of cell " << cell;
    }
    for (int x : ink)
        EXPECT_LT((x - 10) % 12, 6) << "ink at " << x << " between cells";

    // The last 'l' starts at 100 + 12 + 12 + 24.
    EXPECT_FALSE(InkColumns(image, 148, 154).empty());
    EXPECT_TRUE(InkColumns(image, 155, 240).empty());
    EXPECT_FALSE(InkColumns(image, 112, 124).empty()); // the replacement glyph
}

TEST(WxCanvas, OpaqueAndClippedText)
{
    TBitmapCanvas bitmap;
    TWxCanvas& canvas = bitmap.Canvas();
    canvas.SetFont(Font("Courier New"));
    canvas.SetTextColor(Black);
    canvas.SetBackColor(Red);
    const int w = canvas.CharAdvance(U'M');
    std::vector<int> advances(30, w);
    const TRect rect { 20, 2, 60, 30 };
    canvas.ExtTextOut(20, 4, etoOpaque | etoClipped, &rect, "MMMMMMMMMMMMMMMMMMMM", advances.data(), 20);
    // Clipping ends with the call.
    canvas.ExtTextOut(100, 4, 0, nullptr, "M", advances.data(), 1);
    wxImage image = bitmap.Image();

    EXPECT_TRUE(HasColour(image, 20, 2, Red));
    EXPECT_TRUE(HasColour(image, 59, 29, Red) || IsInk(image, 59, 29));
    EXPECT_TRUE(HasColour(image, 19, 2, White));
    EXPECT_TRUE(HasColour(image, 60, 2, White));
    EXPECT_TRUE(HasColour(image, 20, 30, White));
    EXPECT_TRUE(InkColumns(image, 60, 100).empty());
    EXPECT_FALSE(InkColumns(image, 100, 100 + w).empty());
}

TEST(WxCanvas, ClippingNestsAndRestores)
{
    TBitmapCanvas bitmap(100, 40);
    TWxCanvas& canvas = bitmap.Canvas();
    EXPECT_EQ(canvas.ClipBox(), (TRect { 0, 0, 100, 40 }));
    canvas.SaveState();
    canvas.IntersectClipRect({ 10, 0, 50, 40 });
    canvas.IntersectClipRect({ 30, 0, 80, 40 });
    EXPECT_EQ(canvas.ClipBox(), (TRect { 30, 0, 50, 40 }));
    canvas.FillRect({ 0, 0, 100, 20 }, Blue);
    canvas.SaveState();
    canvas.IntersectClipRect({ 0, 0, 5, 5 }); // nothing left
    canvas.FillRect({ 0, 0, 100, 40 }, Red);
    canvas.RestoreState();
    canvas.RestoreState();
    EXPECT_EQ(canvas.ClipBox(), (TRect { 0, 0, 100, 40 }));
    canvas.FillRect({ 0, 20, 100, 40 }, Blue);
    wxImage image = bitmap.Image();

    EXPECT_TRUE(HasColour(image, 29, 10, White));
    EXPECT_TRUE(HasColour(image, 30, 10, Blue));
    EXPECT_TRUE(HasColour(image, 49, 19, Blue));
    EXPECT_TRUE(HasColour(image, 50, 10, White));
    EXPECT_TRUE(HasColour(image, 0, 20, Blue));
    EXPECT_TRUE(HasColour(image, 99, 39, Blue));
    EXPECT_TRUE(HasColour(image, 2, 2, White));
}

TEST(WxCanvas, LinesEndBeforeTheirLastPoint)
{
    TBitmapCanvas bitmap(40, 40);
    TWxCanvas& canvas = bitmap.Canvas();
    canvas.Line(5, 5, 5, 15, Black);
    canvas.Line(30, 10, 20, 10, Red); // right to left: 30 down to 21
    wxImage image = bitmap.Image();
    EXPECT_TRUE(HasColour(image, 5, 5, Black));
    EXPECT_TRUE(HasColour(image, 5, 14, Black));
    EXPECT_TRUE(HasColour(image, 5, 15, White));
    EXPECT_TRUE(HasColour(image, 4, 10, White));
    EXPECT_TRUE(HasColour(image, 6, 10, White));
    EXPECT_TRUE(HasColour(image, 30, 10, Red));
    EXPECT_TRUE(HasColour(image, 21, 10, Red));
    EXPECT_TRUE(HasColour(image, 20, 10, White));
    EXPECT_TRUE(HasColour(image, 25, 11, White));
}

TEST(WxCanvas, SystemColoursComeFromTheTheme)
{
    EXPECT_EQ(ToWxColour(Red), wxColour(255, 0, 0));
    EXPECT_EQ(ToWxColour(0x00336699), wxColour(0x99, 0x66, 0x33));
    EXPECT_EQ(ToWxColour(clWindow), wxSystemSettings::GetColour(wxSYS_COLOUR_WINDOW));
    EXPECT_EQ(ToWxColour(clWindowText), wxSystemSettings::GetColour(wxSYS_COLOUR_WINDOWTEXT));
    EXPECT_FALSE(ToWxColour(clNone).IsOk());

    TBitmapCanvas bitmap(20, 20);
    bitmap.Canvas().FillRect({ 0, 0, 10, 10 }, clNone); // no colour draws nothing
    wxImage image = bitmap.Image();
    EXPECT_TRUE(HasColour(image, 5, 5, White));
}

TEST(WxCanvas, MappingScalesDrawingAndClipping)
{
    TBitmapCanvas bitmap(100, 100);
    TWxCanvas& canvas = bitmap.Canvas();
    canvas.SetMapping({ 10, 20 }, { 100, 100 }, { 50, 50 });
    EXPECT_EQ(canvas.ClipBox(), (TRect { -20, -40, 180, 160 }));
    canvas.IntersectClipRect({ 0, 0, 40, 40 });
    canvas.FillRect({ 0, 0, 60, 20 }, Blue); // device 10..40 x 20..30, clipped at 30
    canvas.SetMapping({}, {}, {});
    EXPECT_EQ(canvas.ClipBox(), (TRect { 10, 20, 30, 40 }));
    wxImage image = bitmap.Image();
    EXPECT_TRUE(HasColour(image, 10, 20, Blue));
    EXPECT_TRUE(HasColour(image, 29, 29, Blue));
    EXPECT_TRUE(HasColour(image, 30, 25, White));
    EXPECT_TRUE(HasColour(image, 15, 30, White));
    EXPECT_TRUE(HasColour(image, 9, 25, White));
}

} // namespace
} // namespace quillan
