// Dragging text between two controls, and text from other programs dropped on a control, as the
// window reports the drag: over, leave and drop at client pixels.

#include "EditorTestUtil.h"
#include "support/EditorCells.h"

#include <gtest/gtest.h>

namespace quillan {
namespace {

using testutil::TEditorHarness;
using Lines = std::vector<std::string>;

constexpr int LH = THeadlessCanvas::CellHeight;

struct TDragHarness : TEditorHarness {
    using TEditorHarness::TEditorHarness;
    // Client pixel of the left edge of the cell of `column` on `line`, a little inside it: the
    // place a drop there lands on.
    TPoint At(int column, int line) const { return testutil::CellPoint(Edit, column, line, 1); }
    bool DropFrom(TDragHarness& source, TShiftState shift, int column, int line)
    {
        const TPoint p = At(column, line);
        Edit.DragOver(&source.Edit, shift, p.X, p.Y);
        return Edit.DragDrop(&source.Edit, shift, p.X, p.Y);
    }
    TQuillChangeReason LastUndoKind() const { return Edit.UndoList().PeekItem()->ChangeReason(); }
};

TEST(EditorDrag, AShiftDragMovesTextToAnotherControlAndEachUndoesItsOwnPart)
{
    TDragHarness a({ "alpha beta gamma", "second" });
    TDragHarness b({ "one two", "three" });
    a.Select(7, 1, 12, 1); // "beta "
    a.Host.AcceptTextDrags = true;

    // The press inside the selection and a move past the threshold hand the text to the host.
    const TPoint press = a.At(8, 1);
    a.Edit.MouseDown(TMouseButton::mbLeft, ssLeft, press.X, press.Y);
    a.Edit.MouseMove(ssLeft, press.X + 2, press.Y);
    EXPECT_TRUE(a.Host.TextDrags().empty()) << "not yet past the threshold";
    a.Edit.MouseMove(ssLeft, press.X + 5, press.Y);
    EXPECT_EQ(a.Host.TextDrags(), (Lines { "beta " }));
    EXPECT_FALSE(a.Host.HasCapture());
    // The press is over: a release that still came would not collapse the dragged selection.
    a.Edit.MouseUp(TMouseButton::mbLeft, 0, press.X + 5, press.Y);
    EXPECT_EQ(a.Edit.SelectedText(), "beta ");

    const TPoint p = b.At(5, 2);
    EXPECT_EQ(b.Edit.DragOver(&a.Edit, ssShift, p.X, p.Y), TDropEffect::deMove);
    EXPECT_EQ(b.Edit.CaretPos(), (TBufferCoord { 5, 2 })) << "the caret follows the drag";
    ASSERT_TRUE(b.Edit.DragDrop(&a.Edit, ssShift, p.X, p.Y));
    EXPECT_EQ(b.Lines(), (Lines { "one two", "threbeta e" }));
    EXPECT_EQ(b.Edit.SelectedText(), "beta ");
    EXPECT_EQ(b.Edit.CaretPos(), (TBufferCoord { 5, 2 }));
    EXPECT_EQ(b.LastUndoKind(), TQuillChangeReason::ukInsert);
    EXPECT_EQ(a.Lines(), (Lines { "alpha gamma", "second" }));

    a.Edit.Undo();
    EXPECT_EQ(a.Lines(), (Lines { "alpha beta gamma", "second" }));
    EXPECT_FALSE(a.Edit.CanUndo());
    EXPECT_EQ(b.Lines(), (Lines { "one two", "threbeta e" })) << "each control has its own undo";
    b.Edit.Undo();
    EXPECT_EQ(b.Lines(), (Lines { "one two", "three" }));
    EXPECT_FALSE(b.Edit.CanUndo());
}

TEST(EditorDrag, BetweenControlsTextIsCopiedUnlessShiftAndWithinOneMovedUnlessCtrl)
{
    TDragHarness a({ "abc def" });
    TDragHarness b({ "xyz" });
    a.Select(1, 1, 4, 1); // "abc"
    const TPoint p = b.At(2, 1);
    EXPECT_EQ(b.Edit.DragOver(&a.Edit, 0, p.X, p.Y), TDropEffect::deCopy);
    EXPECT_EQ(b.Edit.DragOver(&a.Edit, ssCtrl, p.X, p.Y), TDropEffect::deCopy);
    EXPECT_EQ(b.Edit.DragOver(&a.Edit, ssShift, p.X, p.Y), TDropEffect::deMove);
    const TPoint q = a.At(6, 1);
    EXPECT_EQ(a.Edit.DragOver(&a.Edit, 0, q.X, q.Y), TDropEffect::deMove);
    EXPECT_EQ(a.Edit.DragOver(&a.Edit, ssCtrl, q.X, q.Y), TDropEffect::deCopy);
    a.Edit.DragLeave();

    ASSERT_TRUE(b.DropFrom(a, 0, 2, 1));
    EXPECT_EQ(b.Lines(), (Lines { "xabcyz" }));
    EXPECT_EQ(a.Lines(), (Lines { "abc def" }));
    EXPECT_FALSE(a.Edit.CanUndo()) << "a copy leaves the source untouched";
    EXPECT_EQ(a.Edit.SelectedText(), "abc");

    // Copied within one control with Ctrl: one undo step of its own kind.
    ASSERT_TRUE(a.DropFrom(a, ssCtrl, 8, 1));
    EXPECT_EQ(a.Lines(), (Lines { "abc defabc" }));
    EXPECT_EQ(a.LastUndoKind(), TQuillChangeReason::ukDropInsert);
    a.Edit.Undo();
    EXPECT_EQ(a.Lines(), (Lines { "abc def" }));

    // A read-only source gives its text away but keeps it, Shift or not.
    a.Select(5, 1, 8, 1); // "def"
    a.Edit.SetReadOnly(true);
    EXPECT_EQ(b.Edit.DragOver(&a.Edit, ssShift, p.X, p.Y), TDropEffect::deCopy);
    ASSERT_TRUE(b.DropFrom(a, ssShift, 1, 1));
    EXPECT_EQ(b.Lines(), (Lines { "defxabcyz" }));
    EXPECT_EQ(a.Lines(), (Lines { "abc def" }));
}

TEST(EditorDrag, DropsThatMustNotChangeAnything)
{
    TDragHarness a({ "one two three" });
    TDragHarness b({ "locked" });
    a.Select(5, 1, 8, 1); // "two"

    // On a read-only control: refused, the caret stays, nothing recorded on either side.
    b.Edit.SetReadOnly(true);
    b.Caret(3, 1);
    const TPoint p = b.At(5, 1);
    EXPECT_EQ(b.Edit.DragOver(&a.Edit, ssShift, p.X, p.Y), TDropEffect::deNone);
    EXPECT_EQ(b.Edit.CaretPos(), (TBufferCoord { 3, 1 }));
    EXPECT_FALSE(b.Edit.DragDrop(&a.Edit, ssShift, p.X, p.Y));
    EXPECT_FALSE(b.Edit.DropText("x", p.X, p.Y));
    EXPECT_EQ(b.Lines(), (Lines { "locked" }));
    EXPECT_EQ(a.Lines(), (Lines { "one two three" }));
    EXPECT_FALSE(a.Edit.CanUndo());
    EXPECT_FALSE(b.Edit.CanUndo());

    // Inside its own selection or on its ends: nothing moves, the selection stays.
    for (int column : { 5, 6, 8 }) {
        EXPECT_FALSE(a.DropFrom(a, 0, column, 1)) << column;
        EXPECT_EQ(a.Lines(), (Lines { "one two three" }));
        EXPECT_EQ(a.Edit.SelectedText(), "two");
    }
    EXPECT_FALSE(a.Edit.CanUndo());
}

TEST(EditorDrag, LinesOfTextAndTheDropPointBehindTheMovedText)
{
    // Moved within a control to its stop line, after the text: the point shifts left and up.
    TDragHarness a({ "0123", "4567", "89ab" });
    a.Select(3, 1, 2, 2); // "23\r\n4"
    ASSERT_TRUE(a.DropFrom(a, 0, 4, 2));
    EXPECT_EQ(a.Lines(), (Lines { "015623", "47", "89ab" }));
    EXPECT_EQ(a.Edit.SelectedText(), "23\r\n4");
    EXPECT_EQ(a.Edit.CaretPos(), (TBufferCoord { 5, 1 }));
    a.Edit.Undo();
    EXPECT_EQ(a.Lines(), (Lines { "0123", "4567", "89ab" }));

    // To a later line: only the line moves up.
    a.Select(3, 1, 2, 2);
    ASSERT_TRUE(a.DropFrom(a, 0, 3, 3));
    EXPECT_EQ(a.Lines(), (Lines { "01567", "8923", "4ab" }));
    a.Edit.Undo();

    // Lines into the middle of another control's line, and out of the source with Shift.
    TDragHarness b({ "[]" });
    a.Select(2, 1, 3, 3); // "123\r\n4567\r\n89"
    ASSERT_TRUE(b.DropFrom(a, ssShift, 2, 1));
    EXPECT_EQ(b.Lines(), (Lines { "[123", "4567", "89]" }));
    EXPECT_EQ(b.Edit.SelectedText(), "123\r\n4567\r\n89");
    EXPECT_EQ(b.Edit.CaretPos(), (TBufferCoord { 2, 1 }));
    EXPECT_EQ(a.Lines(), (Lines { "0ab" }));
    b.Edit.Undo();
    EXPECT_EQ(b.Lines(), (Lines { "[]" }));
    a.Edit.Undo();
    EXPECT_EQ(a.Lines(), (Lines { "0123", "4567", "89ab" }));

    // Dropped past the end of a line it lands at the end, without padding.
    a.Select(1, 1, 2, 1);
    ASSERT_TRUE(b.DropFrom(a, 0, 9, 1));
    EXPECT_EQ(b.Lines(), (Lines { "[]0" }));
}

TEST(EditorDrag, TheCaretFollowsTheDragAndGoesBackWhenItLeaves)
{
    TDragHarness a({ "alpha beta", "gamma" });
    TDragHarness b({ "0123456789", "second" });
    a.Select(1, 1, 6, 1);
    b.Caret(3, 1);
    TPoint p = b.At(7, 1);
    b.Edit.DragOver(&a.Edit, 0, p.X, p.Y);
    p = b.At(2, 2);
    b.Edit.DragOver(&a.Edit, 0, p.X, p.Y);
    EXPECT_EQ(b.Edit.CaretPos(), (TBufferCoord { 2, 2 }));
    b.Edit.DragLeave();
    EXPECT_EQ(b.Edit.CaretPos(), (TBufferCoord { 3, 1 }));

    // The source: the caret went to the press; over itself it follows, and comes back to the press.
    a.Host.AcceptTextDrags = true;
    const TPoint press = a.At(3, 1);
    a.Edit.MouseDown(TMouseButton::mbLeft, ssLeft, press.X, press.Y);
    a.Edit.MouseMove(ssLeft, press.X, press.Y + LH);
    ASSERT_EQ(a.Host.TextDrags().size(), 1u);
    p = a.At(4, 2);
    a.Edit.DragOver(&a.Edit, 0, p.X, p.Y);
    EXPECT_EQ(a.Edit.CaretPos(), (TBufferCoord { 4, 2 }));
    EXPECT_EQ(a.Edit.SelectedText(), "alpha") << "the selection stays while the caret follows";
    a.Edit.DragLeave();
    EXPECT_EQ(a.Edit.CaretPos(), (TBufferCoord { 3, 1 }));
}

TEST(EditorDrag, TextFromAnotherProgramIsInsertedAsACopy)
{
    TDragHarness b({ "abcdef", "ghi" });
    const TPoint p = b.At(3, 1);
    EXPECT_EQ(b.Edit.DragOver(nullptr, ssShift, p.X, p.Y), TDropEffect::deCopy);
    ASSERT_TRUE(b.Edit.DropText("X\nY\r\nZ", p.X, p.Y));
    EXPECT_EQ(b.Lines(), (Lines { "abX", "Y", "Zcdef", "ghi" }));
    EXPECT_EQ(b.Edit.SelectedText(), "X\r\nY\r\nZ");
    EXPECT_EQ(b.Edit.CaretPos(), (TBufferCoord { 3, 1 }));
    EXPECT_EQ(b.LastUndoKind(), TQuillChangeReason::ukInsert);
    b.Edit.Undo();
    EXPECT_EQ(b.Lines(), (Lines { "abcdef", "ghi" }));
    EXPECT_FALSE(b.Edit.CanUndo());
    EXPECT_FALSE(b.Edit.DropText("", p.X, p.Y));

    // In a column-mode control the dropped text is selected as the stream it is, so that the next
    // delete takes exactly it away.
    b.Edit.SetSelectionMode(TQuillSelectionMode::smColumn);
    ASSERT_TRUE(b.Edit.DropText("12\n34", b.At(2, 1).X, b.At(2, 1).Y));
    EXPECT_EQ(b.Edit.SelectionMode(), TQuillSelectionMode::smNormal);
    EXPECT_EQ(b.Lines(), (Lines { "a12", "34bcdef", "ghi" }));
    b.Edit.DispatchCommand(ecDeleteChar);
    EXPECT_EQ(b.Lines(), (Lines { "abcdef", "ghi" }));
}

} // namespace
} // namespace quillan
