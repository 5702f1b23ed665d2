#include "text/QuillEditUndo.h"

#include <gtest/gtest.h>

namespace quillan {
namespace {

using TQuillChangeReason::ukDeleteSelection;
using TQuillChangeReason::ukInsert;

void AddTyping(TQuillEditUndoList& list, int column, std::string text = {})
{
    list.AddChange(ukInsert, { column, 1 }, { column + 1, 1 }, std::move(text), TQuillSelectionMode::smNormal);
}

TEST(UndoListLimit, KeepsTheNewestItemsAndRemembersThatOthersWereLost)
{
    TQuillEditUndoList list;
    list.SetMaxUndo(3);
    for (int column = 1; column <= 5; ++column)
        AddTyping(list, column);

    ASSERT_EQ(list.ItemCount(), 3);
    EXPECT_EQ(list.Item(0).ChangeStartPos().X, 3);
    EXPECT_EQ(list.PeekItem()->ChangeStartPos().X, 5);
    EXPECT_TRUE(list.IsFull());

    // Undoing everything that is left still cannot reach the unmodified text.
    while (list.PopItem()) { }
    EXPECT_FALSE(list.CanUndo());
    EXPECT_TRUE(list.IsFull());

    list.ClearList();
    EXPECT_FALSE(list.IsFull());
}

TEST(UndoListLimit, ZeroOrNegativeKeepsNothingButStillReportsEachPush)
{
    TQuillEditUndoList list;
    AddTyping(list, 1);
    AddTyping(list, 2);
    list.SetMaxUndo(-5);
    EXPECT_EQ(list.MaxUndo(), 0);
    EXPECT_EQ(list.ItemCount(), 0);
    EXPECT_TRUE(list.IsFull());

    list.ClearList();
    int added = 0;
    int countSeenByHandler = -1;
    list.OnAdded = [&](TQuillEditUndoList* sender) {
        ++added;
        countSeenByHandler = sender->ItemCount();
    };
    AddTyping(list, 3);
    EXPECT_EQ(added, 1);
    EXPECT_EQ(countSeenByHandler, 0) << "the limit applies before OnAdded fires";
    EXPECT_TRUE(list.IsFull());
    EXPECT_EQ(list.PopItem(), nullptr);
}

TEST(UndoListLimit, RaisingOrRepeatingTheLimitKeepsItemsAndFlag)
{
    TQuillEditUndoList list;
    list.SetMaxUndo(2);
    AddTyping(list, 1);
    AddTyping(list, 2);
    EXPECT_FALSE(list.IsFull()) << "reaching the limit loses nothing";
    list.SetMaxUndo(2);
    list.SetMaxUndo(10);
    AddTyping(list, 3);
    EXPECT_EQ(list.ItemCount(), 3);
    EXPECT_FALSE(list.IsFull());
    list.SetMaxUndo(1);
    EXPECT_EQ(list.ItemCount(), 1);
    EXPECT_EQ(list.PeekItem()->ChangeStartPos().X, 3);
    EXPECT_TRUE(list.IsFull());
}

TEST(UndoListChangeNumbers, SeparateChangesAreSeparateStepsAndBlocksShareOne)
{
    TQuillEditUndoList list;
    AddTyping(list, 1);
    AddTyping(list, 2);
    AddTyping(list, 3);
    EXPECT_NE(list.Item(0).ChangeNumber(), list.Item(1).ChangeNumber());
    EXPECT_NE(list.Item(1).ChangeNumber(), list.Item(2).ChangeNumber());

    // Typing over a selection: a deletion and an insertion that undo together.
    list.BeginBlock();
    list.AddChange(ukDeleteSelection, { 1, 1 }, { 4, 1 }, "abc", TQuillSelectionMode::smNormal);
    AddTyping(list, 1);
    list.EndBlock();
    AddTyping(list, 2);
    ASSERT_EQ(list.ItemCount(), 6);
    EXPECT_EQ(list.Item(3).ChangeNumber(), list.Item(4).ChangeNumber());
    EXPECT_NE(list.Item(3).ChangeNumber(), list.Item(2).ChangeNumber());
    EXPECT_NE(list.Item(5).ChangeNumber(), list.Item(4).ChangeNumber());
    EXPECT_EQ(list.Item(3).ChangeStr(), "abc");
}

TEST(UndoListChangeNumbers, NestedBlocksCloseOnlyAtTheOutermostEnd)
{
    TQuillEditUndoList list;
    list.BeginBlock();
    AddTyping(list, 1);
    list.BeginBlock();
    AddTyping(list, 2);
    list.EndBlock();
    AddTyping(list, 3);
    list.EndBlock();
    list.EndBlock(); // unbalanced: ignored
    EXPECT_EQ(list.BlockCount(), 0);
    AddTyping(list, 4);

    EXPECT_EQ(list.Item(0).ChangeNumber(), list.Item(1).ChangeNumber());
    EXPECT_EQ(list.Item(1).ChangeNumber(), list.Item(2).ChangeNumber());
    EXPECT_NE(list.Item(2).ChangeNumber(), list.Item(3).ChangeNumber());
}

TEST(UndoListChangeNumbers, NeverZeroAcrossTheUnsignedWrap)
{
    TQuillEditUndoList list;
    list.SetNextChangeNumber(0xFFFFFFFFu);
    AddTyping(list, 1);
    EXPECT_EQ(list.PeekItem()->ChangeNumber(), 0xFFFFFFFFu);
    EXPECT_EQ(list.NextChangeNumber(), 1u);

    list.SetNextChangeNumber(0xFFFFFFFFu);
    list.BeginBlock();
    AddTyping(list, 2);
    list.EndBlock();
    EXPECT_EQ(list.PeekItem()->ChangeNumber(), 0xFFFFFFFFu);
    EXPECT_EQ(list.NextChangeNumber(), 1u);

    list.SetNextChangeNumber(0);
    EXPECT_EQ(list.NextChangeNumber(), 1u);
}

// The editor's grouped undo re-records a whole group into the other list under one number by
// setting that list's block change number from outside.
TEST(UndoListChangeNumbers, AnOutsideBlockNumberGroupsItemsWithoutUsingUpNumbers)
{
    TQuillEditUndoList undo;
    TQuillEditUndoList redo;
    undo.BeginBlock();
    AddTyping(undo, 1);
    AddTyping(undo, 2);
    undo.EndBlock();
    AddTyping(undo, 3);

    auto undoGroup = [&] {
        const std::uint32_t group = undo.PeekItem()->ChangeNumber();
        const std::uint32_t saved = redo.BlockChangeNumber();
        redo.SetBlockChangeNumber(group);
        while (undo.PeekItem() && undo.PeekItem()->ChangeNumber() == group) {
            auto item = undo.PopItem();
            redo.AddChange(
                item->ChangeReason(), item->ChangeStartPos(), item->ChangeEndPos(), {}, item->ChangeSelMode());
        }
        redo.SetBlockChangeNumber(saved);
    };
    const std::uint32_t next = redo.NextChangeNumber();
    undoGroup();
    EXPECT_EQ(redo.ItemCount(), 1);
    undoGroup();
    ASSERT_EQ(redo.ItemCount(), 3);
    EXPECT_FALSE(undo.CanUndo());
    EXPECT_EQ(redo.Item(1).ChangeNumber(), redo.Item(2).ChangeNumber());
    EXPECT_NE(redo.Item(0).ChangeNumber(), redo.Item(1).ChangeNumber());
    EXPECT_EQ(redo.NextChangeNumber(), next);
    EXPECT_EQ(redo.BlockChangeNumber(), 0u);
}

TEST(UndoListLock, RecordsNothingWhileLockedAndNeverGoesBelowZero)
{
    TQuillEditUndoList list;
    int added = 0;
    list.OnAdded = [&](TQuillEditUndoList*) { ++added; };
    const std::uint32_t next = list.NextChangeNumber();
    list.Lock();
    AddTyping(list, 1);
    EXPECT_EQ(list.ItemCount(), 0);
    EXPECT_EQ(added, 0);
    EXPECT_EQ(list.NextChangeNumber(), next);

    list.Unlock();
    list.Unlock();
    list.Lock();
    EXPECT_TRUE(list.IsLocked()) << "an extra Unlock must not leave credit for a later Lock";
    list.Unlock();
    AddTyping(list, 2);
    EXPECT_EQ(list.ItemCount(), 1);
    EXPECT_EQ(added, 1);
}

TEST(UndoListItems, PushPopAndPeekWorkAsAStackThatHandsOverOwnership)
{
    TQuillEditUndoList list;
    int added = 0;
    list.OnAdded = [&](TQuillEditUndoList*) { ++added; };
    list.PushItem(nullptr);
    EXPECT_EQ(added, 0);
    EXPECT_EQ(list.PeekItem(), nullptr);

    list.PushItem(std::make_unique<TQuillEditUndoItem>(TQuillChangeReason::ukLineBreak, TBufferCoord { 1, 2 },
        TBufferCoord { 7, 1 }, "tail", TQuillSelectionMode::smColumn, 77));
    AddTyping(list, 9, "over");
    EXPECT_EQ(added, 2);

    auto newest = list.PopItem();
    ASSERT_NE(newest, nullptr);
    EXPECT_EQ(newest->ChangeStr(), "over");
    const TQuillEditUndoItem* peeked = list.PeekItem();
    ASSERT_NE(peeked, nullptr);
    EXPECT_EQ(peeked->ChangeReason(), TQuillChangeReason::ukLineBreak);
    EXPECT_EQ(peeked->ChangeSelMode(), TQuillSelectionMode::smColumn);
    EXPECT_EQ(peeked->ChangeEndPos(), (TBufferCoord { 7, 1 }));
    EXPECT_EQ(peeked->ChangeNumber(), 77u);
    EXPECT_EQ(added, 2) << "popping fires nothing";
}

} // namespace
} // namespace quillan
