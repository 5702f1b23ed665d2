// Marks in the gutter: which glyph goes where, in which order, and the glyph strip that all
// controls share.

#include "EditorTestUtil.h"
#include "editor/InternalImages.h"
#include "ports/ImageList.h"

#include <gtest/gtest.h>
#include <memory>
#include <sstream>

namespace quillan {
namespace {

using testutil::TEditorHarness;

constexpr int LH = THeadlessCanvas::CellHeight;

using Drawn = std::vector<std::string>;

// The marks a paint drew, each as "x,y gN top-bottom" (glyph N of the built-in strip) or
// "x,y LN top-bottom" (picture N of an image list), with the source rows drawn.
struct TMarkHarness : TEditorHarness {
    using TEditorHarness::TEditorHarness;
    THeadlessCanvas Canvas;
    TRect LastClip; // the canvas clip when the last mark was drawn

    Drawn Paint(const TRect& r)
    {
        Canvas.ClearCalls();
        Edit.Paint(Canvas, r);
        Drawn out;
        TRect clip;
        for (const std::string& call : Canvas.Calls()) {
            std::istringstream in(call);
            std::string kind, image;
            char bracket;
            TRect src;
            int x, y;
            in >> kind;
            if (kind == "Clip")
                in >> clip.Left >> clip.Top >> clip.Right >> clip.Bottom;
            if (kind != "DrawImage")
                continue;
            in >> x >> y >> bracket >> src.Left >> src.Top >> src.Right >> src.Bottom >> bracket >> image;
            const bool internal = image == InternalImagesName;
            out.push_back(std::to_string(x) + ',' + std::to_string(y) + (internal ? " g" : " L")
                + std::to_string(src.Left / src.Width()) + ' ' + std::to_string(src.Top) + '-'
                + std::to_string(src.Bottom));
            LastClip = clip;
        }
        return out;
    }
    Drawn PaintAll() { return Paint({ 0, 0, Host.ClientSize().Width, Host.ClientSize().Height }); }

    void AddMark(int line, int imageIndex, bool internal = true)
    {
        auto mark = std::make_unique<TQuillEditMark>(&Edit);
        mark->SetLine(line);
        mark->SetImageIndex(imageIndex);
        mark->SetInternalImage(internal);
        mark->SetVisible(true);
        Edit.Marks().Add(std::move(mark));
    }
};

std::vector<std::string> Lines(int n)
{
    return std::vector<std::string>(static_cast<std::size_t>(n), "text");
}

TEST(GutterMarks, BookmarksDrawTheirDigitFromTheBuiltInStripInsideTheGutter)
{
    TMarkHarness h(Lines(6));
    h.Edit.SetBookMark(3, 1, 2);
    h.Edit.SetBookMark(0, 1, 4);
    h.Edit.SetBookMark(9, 1, 5);
    h.Edit.BookMark(9)->SetVisible(false);
    // Rows are 16 high, the glyph 14: one pixel above it.
    EXPECT_EQ(h.PaintAll(), (Drawn { "2,17 g3 0-14", "2,49 g0 0-14" }));
    // Glyphs never spill into the text, which is not repainted with the gutter.
    EXPECT_EQ(h.LastClip, (TRect { 0, 0, h.Edit.GutterWidth(), 480 }));
    h.Edit.BookMarkOptions().SetLeftMargin(5);
    // Only the painted lines' marks, and none when the gutter is not painted.
    EXPECT_EQ(h.Paint({ 0, 3 * LH, 674, 4 * LH }), (Drawn { "5,49 g0 0-14" }));
    EXPECT_TRUE(h.Paint({ h.Edit.GutterWidth(), 0, 674, 480 }).empty());
    h.Edit.BookMarkOptions().SetGlyphsVisible(false);
    EXPECT_TRUE(h.PaintAll().empty());
}

TEST(GutterMarks, BuiltInGlyphsAreCentredInTallRowsAndCroppedInLowOnes)
{
    TMarkHarness h(Lines(3));
    h.Edit.SetBookMark(7, 1, 2);
    h.Edit.SetExtraLineSpacing(5);
    ASSERT_EQ(h.Edit.LineHeight(), 21);
    EXPECT_EQ(h.PaintAll(), (Drawn { "2,24 g7 0-14" }));
    h.Edit.SetExtraLineSpacing(-2); // exactly the glyph's height
    EXPECT_EQ(h.PaintAll(), (Drawn { "2,14 g7 0-14" }));
    h.Edit.SetExtraLineSpacing(-6); // rows of 10: the glyph's middle ten rows
    EXPECT_EQ(h.PaintAll(), (Drawn { "2,10 g7 2-12" }));
}

TEST(GutterMarks, TwoPassesDrawOneKindOfMarkBeforeTheOtherAndStepByXoffset)
{
    TMarkHarness h(Lines(5));
    // Other marks first in the list, so that only the passes put the bookmarks before them.
    h.AddMark(1, 4);
    h.AddMark(1, 5);
    h.AddMark(2, 6);
    h.Edit.SetBookMark(1, 1, 1);
    h.Edit.SetBookMark(2, 1, 3);
    h.AddMark(4, 12); // no built-in glyph beyond 9: skipped, and it takes no room
    h.AddMark(4, 8);
    EXPECT_EQ(h.PaintAll(),
        (Drawn { "2,1 g1 0-14", "2,33 g2 0-14", "14,1 g4 0-14", "26,1 g5 0-14", "2,17 g6 0-14", "2,49 g8 0-14" }));
    h.Edit.BookMarkOptions().SetDrawBookmarksFirst(false);
    h.Edit.BookMarkOptions().SetXoffset(13);
    EXPECT_EQ(h.PaintAll(),
        (Drawn { "2,1 g4 0-14", "15,1 g5 0-14", "2,17 g6 0-14", "2,49 g8 0-14", "28,1 g1 0-14", "2,33 g2 0-14" }));
}

TEST(GutterMarks, ImageListMarksKeepTheFirstColumnForTheFirstPass)
{
    TCustomImageList images(16, 16);
    ASSERT_EQ(images.Add(TImage(48, 16, ImagePixel(200, 0, 0))), 0);
    TMarkHarness h(Lines(5));
    h.Edit.BookMarkOptions().SetBookmarkImages(&images);
    h.Edit.SetBookMark(1, 1, 1); // from the list: picture 1
    h.AddMark(1, 2, false);
    h.AddMark(2, 0, false);
    h.Edit.SetBookMark(5, 1, 3); // picture 5 is beyond the list
    h.AddMark(3, 2, false);
    h.AddMark(4, -1, false);
    h.AddMark(4, 1, true); // asks for the built-in strip although there is a list
    // List pictures go at the row's top; a second-pass picture on a row without a first-pass
    // one (drawn or skipped) still leaves its column free.
    EXPECT_EQ(
        h.PaintAll(), (Drawn { "2,0 L1 0-16", "14,0 L2 0-16", "14,16 L0 0-16", "14,32 L2 0-16", "2,49 g1 0-14" }));

    // A picture taller than its row is cut at the row's bottom: the row below is repainted on its
    // own and would leave half a picture behind.
    TCustomImageList tall(16, 20);
    tall.Add(TImage(48, 20, ImagePixel(0, 0, 200)));
    h.Edit.BookMarkOptions().SetBookmarkImages(&tall);
    EXPECT_EQ(h.Paint({ 0, 0, 30, LH }), (Drawn { "2,0 L1 0-16", "14,0 L2 0-16" }));
}

TEST(GutterMarks, ADestroyedImageListIsDroppedAndTheGutterRepainted)
{
    TMarkHarness h(Lines(3));
    TCustomImageList kept(16, 16);
    {
        TQuillEdit gone; // its options leave no callback behind in `kept`
        gone.BookMarkOptions().SetBookmarkImages(&kept);
    }
    {
        TCustomImageList replaced(16, 16);
        h.Edit.BookMarkOptions().SetBookmarkImages(&replaced);
        h.Edit.BookMarkOptions().SetBookmarkImages(&kept);
    }
    EXPECT_EQ(h.Edit.BookMarkOptions().BookmarkImages(), &kept);
    auto images = std::make_unique<TCustomImageList>(16, 16);
    images->Add(TImage(16, 16, ImagePixel(0, 200, 0)));
    h.Edit.BookMarkOptions().SetBookmarkImages(images.get());
    h.AddMark(1, 0, false);
    h.Host.ClearInvalid();
    images.reset();
    EXPECT_EQ(h.Edit.BookMarkOptions().BookmarkImages(), nullptr);
    EXPECT_GE(h.Host.InvalidRect().Right, h.Edit.GutterWidth());
    EXPECT_EQ(h.PaintAll(), (Drawn { "2,1 g0 0-14" })) << "without a list every mark takes the built-in glyph";
}

TEST(GutterMarks, AllControlsShareOneStripThatTheLastOneFrees)
{
    ASSERT_EQ(TInternalImages::UseCount(), 0);
    auto a = std::make_unique<TMarkHarness>(Lines(2));
    auto b = std::make_unique<TMarkHarness>(Lines(2));
    a->PaintAll();
    EXPECT_EQ(TInternalImages::Shared(), nullptr) << "made on first use, not before";
    a->Edit.SetBookMark(1, 1, 1);
    b->Edit.SetBookMark(2, 1, 2);
    a->PaintAll();
    a->PaintAll();
    EXPECT_EQ(TInternalImages::UseCount(), 1) << "one use per control, however often it paints";
    const TImage* strip = TInternalImages::Shared();
    ASSERT_NE(strip, nullptr);
    b->PaintAll();
    EXPECT_EQ(TInternalImages::UseCount(), 2);
    a.reset();
    EXPECT_EQ(TInternalImages::UseCount(), 1);
    EXPECT_EQ(TInternalImages::Shared(), strip);
    EXPECT_EQ(b->PaintAll(), (Drawn { "2,17 g2 0-14" }));
    b.reset();
    EXPECT_EQ(TInternalImages::UseCount(), 0);
    EXPECT_EQ(TInternalImages::Shared(), nullptr);
}

TEST(GutterMarks, TheStripHoldsTenDistinctGlyphsOfOneShape)
{
    const TImage strip = MakeInternalImages();
    EXPECT_EQ(strip.Width(), 110);
    EXPECT_EQ(strip.Height(), 14);
    EXPECT_EQ(TInternalImages::GlyphWidth(strip), 11);
    for (int n = 0; n < 10; ++n) {
        const TImage glyph = strip.Crop({ n * 11, 0, n * 11 + 11, 14 });
        // The ribbon's outline: its top corners and the notch are see-through, its edges solid.
        EXPECT_EQ(PixelAlpha(glyph.Pixel(0, 0)), 0u) << n;
        EXPECT_EQ(PixelAlpha(glyph.Pixel(5, 13)), 0u) << n;
        EXPECT_EQ(PixelAlpha(glyph.Pixel(0, 7)), 255u) << n;
        EXPECT_EQ(PixelAlpha(glyph.Pixel(10, 7)), 255u) << n;
        for (int m = 0; m < n; ++m)
            EXPECT_NE(glyph.Pixels(), strip.Crop({ m * 11, 0, m * 11 + 11, 14 }).Pixels()) << n << " looks like " << m;
    }
}

} // namespace
} // namespace quillan
