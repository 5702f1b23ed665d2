// Bookmark glyphs as the screen shows them, and the window canvas's image drawing.

#include "GuiTestUtil.h"
#include "backends/wx/WxCanvas.h"
#include "backends/wx/WxEditorWindow.h"
#include "editor/InternalImages.h"
#include "editor/QuillEdit.h"

#include <gtest/gtest.h>
#include <wx/dcmemory.h>
#include <wx/frame.h>
#include <wx/sizer.h>

namespace quillan {
namespace {

class GutterGlyphTest : public testing::Test {
protected:
    void SetUp() override
    {
        Frame = new wxFrame(nullptr, wxID_ANY, "gutter glyph test", wxPoint(40, 40), wxSize(400, 300));
        auto* sizer = new wxBoxSizer(wxVERTICAL);
        Window = new TWxEditorWindow(Frame);
        sizer->Add(Window, 1, wxEXPAND);
        Frame->SetSizer(sizer);
        std::vector<std::string> lines;
        for (int i = 1; i <= 30; ++i)
            lines.push_back("line " + std::to_string(i));
        Edit.Lines().AddStrings(lines);
        Window->SetClient(&Edit);
        Window->SetCaretBlinkTime(0);
        Frame->Show();
        guitest::Pump(150);
    }
    void TearDown() override
    {
        Window->SetClient(nullptr);
        Frame->Destroy();
        guitest::Pump(50);
    }

    wxImage Shot()
    {
        guitest::Pump(100);
        return guitest::Screenshot(guitest::ClientScreenRect(Window));
    }
    // Pixels of `picture` drawn at (x, y) that the screen does not show as the picture over the
    // gutter's colour.
    int Mismatches(const wxImage& shot, const TImage& picture, int x, int y)
    {
        const wxColour face = ToWxColour(Edit.Gutter().Color());
        const TImagePixel under = ImagePixel(face.Red(), face.Green(), face.Blue());
        int bad = 0;
        for (int py = 0; py < picture.Height(); ++py)
            for (int px = 0; px < picture.Width(); ++px) {
                const TImagePixel want = BlendPixel(under, picture.Pixel(px, py));
                if (shot.GetRed(x + px, y + py) != PixelRed(want) || shot.GetGreen(x + px, y + py) != PixelGreen(want)
                    || shot.GetBlue(x + px, y + py) != PixelBlue(want))
                    ++bad;
            }
        return bad;
    }
    // The part of glyph n that a row of the editor's height shows, and where its top lands.
    TImage VisibleGlyph(int n, int line, int& x, int& y)
    {
        const TImage strip = MakeInternalImages();
        const int lh = Edit.LineHeight(), top = (line - Edit.TopLine()) * lh;
        x = Edit.BookMarkOptions().LeftMargin();
        if (strip.Height() < lh) {
            y = top + (lh - strip.Height()) / 2;
            return strip.Crop({ n * 11, 0, n * 11 + 11, strip.Height() });
        }
        y = top;
        const int cut = (strip.Height() - lh) / 2;
        return strip.Crop({ n * 11, cut, n * 11 + 11, cut + lh });
    }

    wxFrame* Frame = nullptr;
    TWxEditorWindow* Window = nullptr;
    TQuillEdit Edit;
};

TEST_F(GutterGlyphTest, ABookmarkShowsItsRibbonAndDigitInItsRow)
{
    Edit.SetBookMark(4, 1, 3);
    int x = 0, y = 0;
    const TImage glyph = VisibleGlyph(4, 3, x, y);
    wxImage shot;
    EXPECT_TRUE(guitest::WaitFor([&] {
        shot = Shot();
        return Mismatches(shot, glyph, x, y) == 0;
    })) << Mismatches(shot, glyph, x, y)
        << " pixels differ";
    // Another digit would not match, and the row above shows no glyph.
    int x7 = 0, y7 = 0;
    EXPECT_GT(Mismatches(shot, VisibleGlyph(7, 3, x7, y7), x7, y7), 5);
    int x2 = 0, y2 = 0;
    EXPECT_GT(Mismatches(shot, VisibleGlyph(4, 2, x2, y2), x2, y2), 30);
}

// The window's canvas on a bitmap: images keep to the clip, leave it as it was, and a changed
// image is drawn with its new pixels although the old ones were converted already.
TEST(WxCanvasImages, ClippedDrawingAndChangedImages)
{
    wxBitmap bitmap(40, 40, 24);
    wxMemoryDC dc(bitmap);
    {
        TWxCanvas canvas(dc, { 0, 0, 40, 40 });
        canvas.FillRect({ 0, 0, 40, 40 }, 0xFFFFFF);
        TImage red(10, 10, ImagePixel(0xFF, 0, 0));
        canvas.SaveState();
        canvas.IntersectClipRect({ 0, 0, 20, 40 });
        canvas.DrawImage(15, 5, red, red.Bounds());
        canvas.FillRect({ 0, 30, 40, 35 }, 0xFF0000); // blue, still within the clip
        canvas.RestoreState();
        canvas.DrawImage(0, 20, red, { 2, 2, 6, 4 }); // a 4 x 2 part
        canvas.DrawImage(10, 20, TImage(1, 1, ImagePixel(0xFF, 0, 0, 0x80)), { 0, 0, 1, 1 });
        red.FillRect({ 0, 0, 10, 10 }, ImagePixel(0, 0xC0, 0));
        canvas.DrawImage(30, 5, red, red.Bounds());
        canvas.Bind(nullptr, {});
    }
    dc.SelectObject(wxNullBitmap);
    const wxImage image = bitmap.ConvertToImage();
    auto rgb = [&](int x, int y) { return image.GetRed(x, y) << 16 | image.GetGreen(x, y) << 8 | image.GetBlue(x, y); };
    EXPECT_EQ(rgb(15, 5), 0xFF0000);
    EXPECT_EQ(rgb(19, 14), 0xFF0000);
    EXPECT_EQ(rgb(20, 5), 0xFFFFFF) << "past the clip";
    EXPECT_EQ(rgb(14, 5), 0xFFFFFF);
    EXPECT_EQ(rgb(10, 32), 0x0000FF);
    EXPECT_EQ(rgb(25, 32), 0xFFFFFF) << "the clip after an image is the one before it";
    EXPECT_EQ(rgb(0, 20), 0xFF0000);
    EXPECT_EQ(rgb(3, 21), 0xFF0000);
    EXPECT_EQ(rgb(4, 20), 0xFFFFFF);
    EXPECT_EQ(rgb(0, 22), 0xFFFFFF);
    // Half-transparent red over white, give or take the rounding of the blend.
    EXPECT_EQ(image.GetRed(10, 20), 0xFF);
    EXPECT_NEAR(image.GetGreen(10, 20), 0x7F, 1);
    EXPECT_NEAR(image.GetBlue(10, 20), 0x7F, 1);
    EXPECT_EQ(rgb(30, 5), 0x00C000);
    EXPECT_EQ(rgb(39, 14), 0x00C000);
}

} // namespace
} // namespace quillan
