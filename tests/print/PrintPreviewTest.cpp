#include "PrintTestUtil.h"
#include "backends/headless/HeadlessHost.h"
#include "print/QuillEditPrintPreview.h"

#include <gtest/gtest.h>

namespace quillan {
namespace {

// Keeps the scroll tips the preview shows.
class TTipHost : public THeadlessHost {
public:
    void ShowScrollHint(std::string_view text, int right, int top) override
    {
        Tip = std::string(text);
        TipRight = right;
        TipTop = top;
    }
    void HideScrollHint() override { Tip.clear(); }
    std::string Tip;
    int TipRight = 0;
    int TipTop = 0;
};

class PrintPreviewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::vector<std::string> lines;
        for (int i = 0; i < 1000; ++i)
            lines.push_back("line " + std::to_string(i + 1));
        FEngine.SetLines(lines);
        FHost.SetClientSize({ 800, 600 });
        FPreview.SetHost(&FHost);
        FPreview.SetQuillEditPrint(&FEngine);
        FPreview.OnPreviewPage = [this](TQuillEditPrintPreview*, int page) { FPages.push_back(page); };
        FPreview.UpdatePreview();
    }

    TQuillEditPrint FEngine; // no printer: the built-in A4 sheet, 2481 x 3507 at 300 dpi
    TTipHost FHost;
    TQuillEditPrintPreview FPreview;
    std::vector<int> FPages;
};

TEST_F(PrintPreviewTest, GeometryOfEachScaleMode)
{
    FPreview.SetScaleMode(TQuillPreviewScale::pscWholePage);
    // 574 * 2481 / 3507 = 406 fits in 774, so the height decides; the page is centred across.
    EXPECT_EQ(FPreview.PageSize(), (TSize { 406, 574 }));
    EXPECT_EQ(FPreview.PageOrg(), (TPoint { 196, 12 }));
    EXPECT_EQ(FPreview.PageRect(), (TRect { 196, 12, 602, 586 }));

    FPreview.SetScaleMode(TQuillPreviewScale::pscPageWidth);
    EXPECT_EQ(FPreview.PageSize(), (TSize { 774, 1094 })); // 774 * 3507 / 2481 = 1094.02
    EXPECT_EQ(FPreview.PageOrg(), (TPoint { 12, 12 }));

    // Real size on a 96 dpi screen: 2481 * 96 / 300 = 793.9, 3507 * 96 / 300 = 1122.2.
    FPreview.SetScalePercent(100);
    EXPECT_EQ(FPreview.ScaleMode(), TQuillPreviewScale::pscUserScaled);
    EXPECT_EQ(FPreview.PageSize(), (TSize { 794, 1122 }));
    FPreview.SetScalePercent(25);
    EXPECT_EQ(FPreview.PageSize(), (TSize { 199, 281 })); // halves rounded up, as multiply-then-divide does
    EXPECT_EQ(FPreview.PageOrg(), (TPoint { 12 + (800 - 225) / 2, 12 + (600 - 307) / 2 }));

    // A wide window: the height limits the page again, and a wide short sheet gives way to width.
    FHost.SetClientSize({ 2000, 300 });
    FPreview.SetScaleMode(TQuillPreviewScale::pscWholePage);
    FPreview.Resize();
    EXPECT_EQ(FPreview.PageSize(), (TSize { 194, 274 }));
}

TEST_F(PrintPreviewTest, WithoutAnEngineThePageKeepsTheDefaultAspect)
{
    TQuillEditPrintPreview preview(&FHost);
    preview.SetScaleMode(TQuillPreviewScale::pscPageWidth);
    EXPECT_EQ(preview.PageSize(), (TSize { 774, 1091 })); // 141 : 100
    preview.FirstPage();
    EXPECT_EQ(preview.PageNumber(), 1);
    preview.NextPage();
    preview.NextPage();
    EXPECT_EQ(preview.PageNumber(), 3);
    preview.LastPage();
    EXPECT_EQ(preview.PageNumber(), 3);
    preview.FirstPage();
    preview.PreviousPage();
    EXPECT_EQ(preview.PageNumber(), 1); // never below the first page, engine or not

    THeadlessCanvas canvas;
    preview.Paint(canvas, { 0, 0, 800, 600 });
    ASSERT_FALSE(canvas.Calls().empty());
    for (const std::string& call : canvas.Calls())
        EXPECT_EQ(call.find("SetMapping"), std::string::npos) << call;
}

TEST_F(PrintPreviewTest, SettingTheCurrentPercentSwitchesToUserScaled)
{
    FPreview.SetScaleMode(TQuillPreviewScale::pscPageWidth);
    ASSERT_EQ(FPreview.ScalePercent(), 100);
    FPreview.SetScalePercent(100);
    EXPECT_EQ(FPreview.ScaleMode(), TQuillPreviewScale::pscUserScaled);
    EXPECT_EQ(FPreview.PageSize(), (TSize { 794, 1122 }));

    // UpdatePreview keeps a user scale but leaves the other modes at 100 %.
    FPreview.SetScalePercent(200);
    FPreview.UpdatePreview();
    EXPECT_EQ(FPreview.ScaleMode(), TQuillPreviewScale::pscUserScaled);
    EXPECT_EQ(FPreview.ScalePercent(), 200);
    EXPECT_EQ(FPreview.PageSize(), (TSize { 1588, 2244 }));
    FPreview.SetScaleMode(TQuillPreviewScale::pscWholePage);
    FPreview.UpdatePreview();
    EXPECT_EQ(FPreview.ScaleMode(), TQuillPreviewScale::pscWholePage);
    EXPECT_EQ(FPreview.ScalePercent(), 100);
    EXPECT_EQ(FPreview.PageSize(), (TSize { 406, 574 }));
}

TEST_F(PrintPreviewTest, NavigationStaysWithinThePagesAndAlwaysReports)
{
    const int count = FEngine.PageCount();
    ASSERT_GT(count, 3);
    FPreview.FirstPage();
    FPreview.PreviousPage();
    EXPECT_EQ(FPreview.PageNumber(), 1);
    FPreview.LastPage();
    FPreview.NextPage();
    EXPECT_EQ(FPreview.PageNumber(), count);
    EXPECT_EQ(FPages, (std::vector<int> { 1, 1, count, count }));

    FPreview.SetScaleMode(TQuillPreviewScale::pscWholePage);
    FPreview.FirstPage();
    const TScrollInfo v = FHost.ScrollInfo(TScrollBarKind::sbVertical);
    EXPECT_EQ(v.Min, 1);
    EXPECT_EQ(v.Max, count);
    EXPECT_EQ(v.Page, 1);
    EXPECT_EQ(v.Pos, 1);
    // No horizontal scrolling in whole pages: the bar is there, disabled.
    const TScrollInfo h = FHost.ScrollInfo(TScrollBarKind::sbHorizontal);
    EXPECT_EQ(h.Max, 0);
    EXPECT_TRUE(h.DisableNoScroll);

    FPreview.Scroll(TScrollBarKind::sbVertical, TScrollCode::scPageDown, 0);
    FPreview.Scroll(TScrollBarKind::sbVertical, TScrollCode::scLineDown, 0);
    EXPECT_EQ(FPreview.PageNumber(), 3);
    EXPECT_EQ(FHost.ScrollInfo(TScrollBarKind::sbVertical).Pos, 3);
    FPreview.Scroll(TScrollBarKind::sbVertical, TScrollCode::scBottom, 0);
    EXPECT_EQ(FPreview.PageNumber(), count);
    FPreview.Scroll(TScrollBarKind::sbVertical, TScrollCode::scTop, 0);
    EXPECT_EQ(FPreview.PageNumber(), 1);
    FPreview.Scroll(TScrollBarKind::sbHorizontal, TScrollCode::scLineDown, 0);
    EXPECT_EQ(FPreview.ScrollPos(), (TPoint {}));
}

TEST_F(PrintPreviewTest, DraggingThePageThumbShowsAPageTip)
{
    FPreview.SetScaleMode(TQuillPreviewScale::pscWholePage);
    FPreview.Scroll(TScrollBarKind::sbVertical, TScrollCode::scTrack, 2);
    EXPECT_EQ(FHost.Tip, "Page: 2");
    EXPECT_EQ(FHost.TipRight, 796);
    EXPECT_EQ(FHost.TipTop, 10);
    FPreview.Scroll(TScrollBarKind::sbVertical, TScrollCode::scTrack, 4);
    EXPECT_EQ(FHost.Tip, "Page: 4");
    EXPECT_EQ(FPreview.PageNumber(), 4);
    FPreview.Scroll(TScrollBarKind::sbVertical, TScrollCode::scTrack, 100000);
    EXPECT_EQ(FPreview.PageNumber(), FEngine.PageCount());
    FPreview.Scroll(TScrollBarKind::sbVertical, TScrollCode::scEndScroll, 0);
    EXPECT_EQ(FHost.Tip, "");

    FPreview.SetShowScrollHint(false);
    FPreview.Scroll(TScrollBarKind::sbVertical, TScrollCode::scTrack, 2);
    EXPECT_EQ(FHost.Tip, "");
    EXPECT_EQ(FPreview.PageNumber(), 2);
}

TEST_F(PrintPreviewTest, ScrollingClampsAndMovesPixelsForSmallSteps)
{
    FPreview.SetScalePercent(200); // 1588 x 2244 in an 800 x 600 window
    const TSize v = FPreview.VirtualSize();
    FHost.ClearInvalid();
    FPreview.ScrollToY(-100000);
    EXPECT_EQ(FPreview.ScrollPos().Y, 600 - v.Height);
    EXPECT_EQ(FHost.ScrollInfo(TScrollBarKind::sbVertical).Pos, v.Height - 600);
    EXPECT_EQ(FHost.InvalidateCount(), 1) << "a jump of more than half the window repaints everything";
    FPreview.ScrollToY(50);
    EXPECT_EQ(FPreview.ScrollPos().Y, 0);

    const std::size_t scrolls = FHost.Scrolls().size();
    FHost.ClearInvalid();
    FPreview.Scroll(TScrollBarKind::sbVertical, TScrollCode::scLineDown, 0);
    EXPECT_EQ(FPreview.ScrollPos().Y, -60);
    ASSERT_EQ(FHost.Scrolls().size(), scrolls + 1);
    EXPECT_EQ(FHost.Scrolls().back(), -60);
    FPreview.Scroll(TScrollBarKind::sbVertical, TScrollCode::scLineUp, 0);
    FPreview.Scroll(TScrollBarKind::sbVertical, TScrollCode::scLineUp, 0);
    EXPECT_EQ(FPreview.ScrollPos().Y, 0);
    EXPECT_EQ(FHost.Scrolls().size(), scrolls + 2) << "a scroll that does not move does nothing";

    FPreview.Scroll(TScrollBarKind::sbHorizontal, TScrollCode::scPageDown, 0);
    EXPECT_EQ(FPreview.ScrollPos().X, -400);
    FPreview.Scroll(TScrollBarKind::sbHorizontal, TScrollCode::scBottom, 0);
    EXPECT_EQ(FPreview.ScrollPos().X, 800 - v.Width);
    FPreview.Scroll(TScrollBarKind::sbHorizontal, TScrollCode::scTrack, 100);
    EXPECT_EQ(FPreview.ScrollPos().X, -100);
    EXPECT_EQ(FPreview.PageRect().Left, 12 - 100);

    // A resize computes the page again and goes back to the top-left.
    FHost.SetClientSize({ 900, 700 });
    FPreview.Resize();
    EXPECT_EQ(FPreview.ScrollPos(), (TPoint {}));
    EXPECT_EQ(FPreview.PageSize(), (TSize { 1588, 2244 }));
}

TEST_F(PrintPreviewTest, PaintsDeskShadowPageAndTheEngineThroughTheMapping)
{
    FPreview.SetScaleMode(TQuillPreviewScale::pscWholePage);
    FPreview.NextPage();
    THeadlessCanvas canvas;
    FPreview.Paint(canvas, { 0, 0, 800, 600 });
    const auto& calls = canvas.Calls();
    auto find = [&](const std::string& prefix) {
        for (std::size_t i = 0; i < calls.size(); ++i)
            if (calls[i].rfind(prefix, 0) == 0)
                return static_cast<int>(i);
        return -1;
    };
    // The mapping: sheet pixels onto the page, the origin moved by the unprintable strip (65, 50)
    // at this scale: 65 * 406 / 2481 = 10.6, 50 * 574 / 3507 = 8.2.
    const int mapping = find("SetMapping 207 20 2481 3507 406 574");
    ASSERT_GE(mapping, 0);
    EXPECT_GE(find("FillRect 0 0 800 12"), 0) << "the desk above the page";
    EXPECT_LT(find("FillRect 0 0 800 12"), mapping);
    EXPECT_GE(find("Line 197 586 603 586 #00808080"), 0) << "first shadow line";
    EXPECT_GE(find("Line 198 587 604 587 #00808080"), 0) << "second shadow line";
    // The engine drew page 2 after the mapping, starting with that page's first line.
    const std::string first = "line " + std::to_string(FEngine.PageFirstLine(2) + 1);
    bool secondPage = false;
    for (std::size_t i = static_cast<std::size_t>(mapping); i < calls.size(); ++i)
        secondPage = secondPage || calls[i].ends_with(first);
    EXPECT_TRUE(secondPage) << first;

    // A paint of a strip beside the page draws only the desk there.
    canvas.ClearCalls();
    FPreview.Paint(canvas, { 0, 100, 100, 200 });
    EXPECT_EQ(canvas.Calls().front(), "FillRect 0 100 100 200 #8000000C");
}

} // namespace
} // namespace quillan
