#include "app/TabRows.h"

#include <gtest/gtest.h>

using namespace quillan;

namespace {

TEST(TabRowsTest, TabsWrapInOrderAndEveryTabIsInsideTheStrip)
{
    // Nine tabs of mixed widths in 300 pixels: 90+90+100 | 120+60+60+50 | 250 | 80.
    const std::vector<int> widths { 90, 90, 100, 120, 60, 60, 50, 250, 80 };
    const TTabRows rows = LayoutTabRows(widths, 300, 20);
    ASSERT_EQ(rows.Tabs.size(), widths.size());
    EXPECT_EQ(rows.RowCount, 4);
    EXPECT_EQ(rows.Height, 80);
    const int rowOf[] = { 0, 0, 0, 1, 1, 1, 1, 2, 3 };
    for (std::size_t i = 0; i < widths.size(); ++i) {
        const TRect& r = rows.Tabs[i];
        EXPECT_EQ(r.Top, rowOf[i] * 20) << "tab " << i;
        EXPECT_EQ(r.Height(), 20);
        EXPECT_EQ(r.Width(), widths[i]);
        EXPECT_GE(r.Left, 0);
        EXPECT_LE(r.Right, 300) << "tab " << i << " runs out of the strip";
        // Next to the one before it on the same row, or first on a new row.
        if (i > 0 && rowOf[i] == rowOf[i - 1])
            EXPECT_EQ(r.Left, rows.Tabs[i - 1].Right);
        else
            EXPECT_EQ(r.Left, 0);
    }
    // A tab that exactly fills the rest of a row stays on it.
    EXPECT_EQ(LayoutTabRows({ 100, 200 }, 300, 20).RowCount, 1);
    EXPECT_EQ(LayoutTabRows({ 100, 201 }, 300, 20).RowCount, 2);
}

TEST(TabRowsTest, WideTabsNarrowStripsAndNoTabs)
{
    const TTabRows none = LayoutTabRows({}, 300, 20);
    EXPECT_EQ(none.RowCount, 0);
    EXPECT_EQ(none.Height, 0);
    EXPECT_EQ(none.HitTest(0, 0), -1);

    // Wider than the strip: a row of its own, cut to the strip; the next tab starts a new row.
    const TTabRows wide = LayoutTabRows({ 50, 900, 50 }, 300, 20);
    EXPECT_EQ(wide.RowCount, 3);
    EXPECT_EQ(wide.Tabs[1], (TRect { 0, 20, 300, 40 }));
    EXPECT_EQ(wide.Tabs[2], (TRect { 0, 40, 50, 60 }));

    // A strip narrower than the smallest tab (a window dragged thin) keeps each tab at its
    // minimum, one per row, instead of giving it no width at all.
    const TTabRows thin = LayoutTabRows({ 10, 80, 0 }, 5, 20, 30);
    ASSERT_EQ(thin.RowCount, 3);
    for (const TRect& r : thin.Tabs)
        EXPECT_EQ(r.Width(), 30);
    const TTabRows negative = LayoutTabRows({ 40 }, -100, 20, 30);
    EXPECT_EQ(negative.Tabs[0].Width(), 30);
}

TEST(TabRowsTest, HitTestFindsTheTabUnderThePoint)
{
    const TTabRows rows = LayoutTabRows({ 100, 100, 100 }, 250, 20);
    EXPECT_EQ(rows.HitTest(0, 0), 0);
    EXPECT_EQ(rows.HitTest(99, 19), 0);
    EXPECT_EQ(rows.HitTest(100, 0), 1); // right edges are exclusive
    EXPECT_EQ(rows.HitTest(50, 20), 2);
    EXPECT_EQ(rows.HitTest(150, 25), -1); // past the end of the second row
    EXPECT_EQ(rows.HitTest(10, 40), -1); // below the rows
    EXPECT_EQ(rows.HitTest(-1, 5), -1);
}

TEST(TabRowsTest, ManyRowsLeaveTheirPageRoomAndTheWantedRowStaysInSight)
{
    // 25 rows of 27 pixels in a 400-pixel strip: 160 pixels for the tabs, five rows.
    EXPECT_EQ(TabRowsShown(400, 27, 25), 5);
    EXPECT_EQ(TabRowsShown(400, 27, 3), 3); // few rows are all shown
    EXPECT_EQ(TabRowsShown(20, 27, 25), 1); // a squashed window still shows one row
    EXPECT_EQ(TabRowsShown(400, 0, 25), 25); // no row height yet: nothing is hidden
    EXPECT_EQ(TabRowsShown(400, 27, 0), 0);

    // Rows 0..24, five on view from row 10.
    EXPECT_EQ(FirstTabRowShown(10, 12, 5, 25), 10); // in sight: nothing moves
    EXPECT_EQ(FirstTabRowShown(10, 15, 5, 25), 11); // just below: one row down
    EXPECT_EQ(FirstTabRowShown(10, 24, 5, 25), 20);
    EXPECT_EQ(FirstTabRowShown(10, 3, 5, 25), 3); // above: it becomes the top row
    EXPECT_EQ(FirstTabRowShown(30, -1, 5, 25), 20); // scrolled past the end by the wheel
    EXPECT_EQ(FirstTabRowShown(-4, -1, 5, 25), 0);
    EXPECT_EQ(FirstTabRowShown(7, 2, 5, 3), 0); // everything fits
    EXPECT_EQ(FirstTabRowShown(0, 0, 0, 25), 0);

    const TTabRows rows = LayoutTabRows({ 100, 100, 100 }, 250, 20);
    EXPECT_EQ(rows.RowOf(0), 0);
    EXPECT_EQ(rows.RowOf(2), 1);
    EXPECT_EQ(rows.RowOf(3), -1);
    EXPECT_EQ(rows.RowOf(-1), -1);
    EXPECT_EQ(LayoutTabRows({}, 250, 20).RowOf(0), -1);
}

} // namespace
