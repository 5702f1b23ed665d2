#include "editor/EditTracking.h"

#include "EditorTestUtil.h"
#include "highlight/HighlighterFactory.h"

#include <gtest/gtest.h>
#include <set>

namespace quillan {
namespace {

using TRuns = TTouchedLines::TRuns;

// The lines the runs cover: what the trim at the end of an edit visits. Runs may overlap.
std::set<int> Covered(const TRuns& runs)
{
    std::set<int> lines;
    for (auto [first, last] : runs)
        for (int i = first; i < last; ++i)
            lines.insert(i);
    return lines;
}

TEST(EditTracking, TouchedLinesFollowLinesComingAndGoing)
{
    TTouchedLines t;
    t.LineWritten(3);
    EXPECT_TRUE(t.Runs().empty()) << "nothing is noted outside an edit";

    t.Begin();
    t.LineWritten(2);
    t.LineWritten(3);
    t.LineWritten(4);
    t.LineWritten(9);
    EXPECT_EQ(t.Runs(), (TRuns { { 2, 5 }, { 9, 10 } }));
    // Lines coming in inside a run widen it; the run below moves down.
    t.LinesInserted(3, 2);
    EXPECT_EQ(Covered(t.Runs()), (std::set<int> { 2, 3, 4, 5, 6, 11 }));
    // Lines going: a run they cover vanishes, one they cut shrinks to what is left.
    t.LinesDeleted(10, 5);
    EXPECT_EQ(Covered(t.Runs()), (std::set<int> { 2, 3, 4, 5, 6 }));
    t.LinesDeleted(4, 10);
    EXPECT_EQ(Covered(t.Runs()), (std::set<int> { 2, 3 }));
    t.LinesInserted(0, 1);
    EXPECT_EQ(Covered(t.Runs()), (std::set<int> { 0, 3, 4 }));

    // After the edit the runs wait to be taken; a new edit starts afresh.
    t.End();
    t.LineWritten(20);
    EXPECT_EQ(Covered(t.Take()), (std::set<int> { 0, 3, 4 }));
    EXPECT_TRUE(t.Runs().empty());
    t.Begin();
    t.LineWritten(1);
    t.Begin();
    EXPECT_TRUE(t.Runs().empty());
}

void AddGroup(TQuillEditUndoList& list, int items)
{
    list.BeginBlock();
    for (int i = 0; i < items; ++i)
        list.AddChange(TQuillChangeReason::ukInsert, { 1, 1 }, { 2, 1 }, {}, TQuillSelectionMode::smNormal);
    list.EndBlock();
}

void Pop(TQuillEditUndoList& list, TUndoGroupTrack& track)
{
    list.PopItem();
    track.Sync(list);
}

TEST(EditTracking, AGroupCutByTheLimitIsNotOfferedWhole)
{
    TQuillEditUndoList list;
    TUndoGroupTrack track;
    list.OnAdded = [&](TQuillEditUndoList* l) { track.Added(*l); };
    list.SetMaxUndo(3);
    AddGroup(list, 2);
    AddGroup(list, 1);
    AddGroup(list, 1); // the limit takes the first group's oldest item
    EXPECT_EQ(list.ItemCount(), 3);
    EXPECT_FALSE(track.NewestIsCut(list)) << "the cut group is not the newest yet";
    Pop(list, track);
    Pop(list, track);
    ASSERT_EQ(list.ItemCount(), 1);
    EXPECT_TRUE(track.NewestIsCut(list));
    Pop(list, track);
    EXPECT_FALSE(track.NewestIsCut(list));

    // Whole groups discarded by the limit leave nothing cut behind them.
    TQuillEditUndoList whole;
    TUndoGroupTrack wholeTrack;
    whole.OnAdded = [&](TQuillEditUndoList* l) { wholeTrack.Added(*l); };
    whole.SetMaxUndo(2);
    for (int i = 0; i < 4; ++i)
        AddGroup(whole, 1);
    Pop(whole, wholeTrack);
    EXPECT_FALSE(wholeTrack.NewestIsCut(whole));

    // Clearing the list forgets the cut.
    AddGroup(list, 3);
    AddGroup(list, 1);
    Pop(list, track);
    ASSERT_TRUE(track.NewestIsCut(list));
    list.ClearList();
    track.Sync(list);
    AddGroup(list, 1);
    EXPECT_FALSE(track.NewestIsCut(list));
}

TEST(EditTracking, RangeRescanStopsWhereTheStoredRangeHolds)
{
    std::unique_ptr<TCustomHighlighter> cpp = CreateHighlighter("cpp");
    TQuillEditStringList lines;
    lines.AddStrings({ "int a;", "/* open", "still", "*/ int b;", "int c;", "int d;" });
    TRangeRescan rescan(lines, *cpp);
    rescan.All();
    EXPECT_EQ(testutil::StoredRanges(lines), testutil::FullRescanRanges(*cpp, lines));

    // Closing nothing any more: the lines of the former comment change, the rest holds.
    lines.Put(1, "int x;");
    EXPECT_EQ(rescan.AfterLinePut(1), 3);
    EXPECT_EQ(testutil::StoredRanges(lines), testutil::FullRescanRanges(*cpp, lines));
    lines.Put(1, "/* again");
    EXPECT_EQ(rescan.AfterLinePut(1), 3);
    EXPECT_EQ(testutil::StoredRanges(lines), testutil::FullRescanRanges(*cpp, lines));
    lines.Put(0, "int z;");
    EXPECT_EQ(rescan.AfterLinePut(0), 0) << "the next line's range is confirmed at once";
    EXPECT_EQ(rescan.AfterLinePut(5), 5) << "the last line's end state is stored nowhere";

    // Lines coming and going, also at the top, where no line above gives the range.
    lines.Insert(0, "/*");
    rescan.AfterLineCountChange(0);
    EXPECT_EQ(testutil::StoredRanges(lines), testutil::FullRescanRanges(*cpp, lines));
    lines.Delete(0);
    rescan.AfterLineCountChange(0);
    EXPECT_EQ(testutil::StoredRanges(lines), testutil::FullRescanRanges(*cpp, lines));
    lines.Delete(3);
    rescan.AfterLineCountChange(3);
    EXPECT_EQ(testutil::StoredRanges(lines), testutil::FullRescanRanges(*cpp, lines));
}

} // namespace
} // namespace quillan
