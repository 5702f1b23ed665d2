// Dragging text with the real mouse between two editor windows side by side, and between an
// editor window and a text field of the toolkit standing in for another program.

#include "GuiTestUtil.h"
#include "backends/wx/WxEditorWindow.h"
#include "backends/wx/WxTextDrag.h"
#include "editor/QuillEdit.h"
#include "support/EditorCells.h"

#include <gtest/gtest.h>
#include <wx/frame.h>
#include <wx/sizer.h>
#include <wx/textctrl.h>
#include <wx/uiaction.h>

namespace quillan {
namespace {

using Lines = std::vector<std::string>;

class EditorDragTest : public testing::Test {
protected:
    void SetUp() override
    {
        Frame = new wxFrame(nullptr, wxID_ANY, "drag test", wxPoint(40, 40), wxSize(900, 300));
        auto* sizer = new wxBoxSizer(wxHORIZONTAL);
        for (int i = 0; i < 2; ++i) {
            Windows[i] = new TWxEditorWindow(Frame);
            sizer->Add(Windows[i], 1, wxEXPAND | wxALL, 4);
            Windows[i]->SetClient(&Edits[i]);
            Windows[i]->SetCaretBlinkTime(0);
        }
        Field = new wxTextCtrl(Frame, wxID_ANY, "field text", wxDefaultPosition, wxSize(200, -1), wxTE_MULTILINE);
        sizer->Add(Field, 0, wxEXPAND | wxALL, 4);
        Frame->SetSizer(sizer);
        Edits[0].Lines().AddStrings(Lines { "alpha beta gamma", "second left" });
        Edits[1].Lines().AddStrings(Lines { "one two", "three" });
        Frame->Show();
        ASSERT_TRUE(guitest::FocusToplevel(Frame));
        Windows[0]->SetFocus();
        ASSERT_TRUE(guitest::WaitFor([&] { return Windows[0]->HasFocus(); }));
        guitest::Pump(100);
    }
    void TearDown() override
    {
        for (int i = 0; i < 2; ++i) {
            Windows[i]->SetClient(nullptr);
        }
        Frame->Destroy();
        guitest::Pump(50);
    }

    // Screen point inside the cell of `column` on `line` of editor `i`, `dx` pixels from its left.
    wxPoint Cell(int i, int column, int line, int dx = 2) const
    {
        const TCustomQuillEdit& e = Edits[i];
        const TPoint p = testutil::CellPoint(e, column, line, dx);
        return Windows[i]->ClientToScreen(wxPoint(p.X, p.Y));
    }
    void MoveTo(const wxPoint& p)
    {
        Sim.MouseMove(p);
        guitest::Pump(30);
    }
    // Presses at `from`, moves a few pixels to pass the drag threshold (the drag must have begun
    // through the desktop then), goes to `to` in steps and lets go. With `shift` Shift is held
    // from the press on.
    void Drag(const wxPoint& from, const wxPoint& to, bool shift = false)
    {
        MoveTo(from);
        Sim.MouseDown();
        guitest::Pump(30);
        if (shift) {
            Sim.KeyDown(WXK_SHIFT);
            guitest::Pump(30);
        }
        MoveTo(from + wxPoint(0, 4));
        MoveTo(from + wxPoint(0, 12));
        MoveTo(from + wxPoint(6, 12));
        EditorDragRan = TWxTextDrag::Running();
        const int steps = 6;
        for (int k = 1; k <= steps; ++k)
            MoveTo(from + wxPoint(6, 12) + (to - from - wxPoint(6, 12)) * k / steps);
        guitest::Pump(50);
        Markers[0] = Windows[0]->DropMarker();
        Markers[1] = Windows[1]->DropMarker();
        Sim.MouseUp();
        guitest::Pump(30);
        if (shift)
            Sim.KeyUp(WXK_SHIFT);
    }
    std::vector<std::string> LinesOf(int i) const
    {
        std::vector<std::string> out;
        for (int line = 1; line <= Edits[i].LineCount(); ++line)
            out.push_back(Edits[i].LineText(line));
        return out;
    }

    wxFrame* Frame = nullptr;
    TWxEditorWindow* Windows[2] {};
    TQuillEdit Edits[2];
    wxTextCtrl* Field = nullptr;
    wxUIActionSimulator Sim;
    bool EditorDragRan = false; // the last Drag went through the desktop as an editor's drag
    TRect Markers[2]; // each window's drop marker just before the last Drag let go
};

TEST_F(EditorDragTest, AShiftDragMovesTextToTheOtherEditorAndEachUndoesItsOwnPart)
{
    Edits[0].SetCaretPos({ 12, 1 });
    Edits[0].SetSelAnchor({ 7, 1 });
    Edits[0].SetSelEnd({ 12, 1 }); // "beta "
    Drag(Cell(0, 8, 1), Cell(1, 5, 2), true);
    EXPECT_TRUE(EditorDragRan) << "the text went through the desktop's drag and drop";
    ASSERT_TRUE(guitest::WaitFor([&] { return Edits[1].LineText(2) != "three" && !TWxTextDrag::Running(); }));

    EXPECT_EQ(LinesOf(1), (Lines { "one two", "threbeta e" }));
    EXPECT_EQ(Edits[1].SelectedText(), "beta ");
    EXPECT_EQ(Edits[1].CaretPos(), (TBufferCoord { 5, 2 }));
    EXPECT_EQ(LinesOf(0), (Lines { "alpha gamma", "second left" }));
    // While the text was over the other editor, which has no caret without the focus, a bar
    // showed where it would land; the focused source shows its caret instead.
    const TCustomQuillEdit& target = Edits[1];
    EXPECT_EQ(Markers[1].Left, target.TextOffset() + 4 * target.CharWidth());
    EXPECT_EQ(Markers[1].Top, target.LineHeight());
    EXPECT_EQ(Markers[1].Height(), target.LineHeight());
    EXPECT_TRUE(Markers[0].IsEmpty());
    EXPECT_TRUE(Windows[1]->DropMarker().IsEmpty()) << "the marker goes with the drop";

    Edits[0].Undo();
    EXPECT_EQ(LinesOf(0), (Lines { "alpha beta gamma", "second left" }));
    EXPECT_FALSE(Edits[0].CanUndo());
    Edits[1].Undo();
    EXPECT_EQ(LinesOf(1), (Lines { "one two", "three" }));
    EXPECT_FALSE(Edits[1].CanUndo());
}

TEST_F(EditorDragTest, APlainDragCopiesToTheOtherEditorMovesWithinOneAndAReadOnlyOneRefuses)
{
    Edits[0].SetCaretPos({ 1, 2 });
    Edits[0].SetSelAnchor({ 1, 2 });
    Edits[0].SetSelEnd({ 7, 2 }); // "second"
    Drag(Cell(0, 2, 2), Cell(1, 1, 1));
    EXPECT_TRUE(EditorDragRan);
    ASSERT_TRUE(guitest::WaitFor([&] { return Edits[1].LineText(1) != "one two" && !TWxTextDrag::Running(); }));
    EXPECT_EQ(LinesOf(1), (Lines { "secondone two", "three" }));
    EXPECT_EQ(LinesOf(0), (Lines { "alpha beta gamma", "second left" }));
    EXPECT_FALSE(Edits[0].CanUndo());

    // Within the second editor the same gesture moves; one undo puts both places back.
    Windows[1]->SetFocus();
    ASSERT_TRUE(guitest::WaitFor([&] { return Windows[1]->HasFocus(); }));
    Drag(Cell(1, 3, 1), Cell(1, 4, 2));
    EXPECT_TRUE(EditorDragRan);
    ASSERT_TRUE(guitest::WaitFor([&] { return Edits[1].LineText(1) == "one two" && !TWxTextDrag::Running(); }));
    EXPECT_EQ(LinesOf(1), (Lines { "one two", "thrsecondee" }));
    Edits[1].Undo();
    EXPECT_EQ(LinesOf(1), (Lines { "secondone two", "three" }));

    // Nothing lands on a read-only editor, and nothing leaves the source.
    Edits[0].SetReadOnly(true);
    Drag(Cell(1, 3, 1), Cell(0, 3, 1), true);
    EXPECT_TRUE(EditorDragRan);
    ASSERT_TRUE(guitest::WaitFor([&] { return !TWxTextDrag::Running(); }));
    guitest::Pump(100);
    EXPECT_EQ(LinesOf(0), (Lines { "alpha beta gamma", "second left" }));
    EXPECT_EQ(LinesOf(1), (Lines { "secondone two", "three" }));
    EXPECT_EQ(Edits[1].SelectedText(), "second");
}

TEST_F(EditorDragTest, AnotherProgramsTextIsCopiedInAndNeverTakenOutOfTheEditor)
{
    // From the text field: the editor inserts a copy, the field keeps its text.
    Field->SetFocus();
    ASSERT_TRUE(guitest::WaitFor([&] { return Field->HasFocus(); }));
    Field->SetSelection(0, 5); // "field"
    guitest::Pump(50);
    const wxPoint fieldText = Field->ClientToScreen(wxPoint(12, 10));
    Drag(fieldText, Cell(1, 4, 1));
    ASSERT_TRUE(guitest::WaitFor([&] { return Edits[1].LineText(1) != "one two"; }));
    guitest::Pump(100);
    EXPECT_EQ(LinesOf(1), (Lines { "onefield two", "three" }));
    EXPECT_EQ(Edits[1].SelectedText(), "field");
    EXPECT_EQ(Field->GetValue(), "field text");
    Edits[1].Undo();
    EXPECT_EQ(LinesOf(1), (Lines { "one two", "three" }));

    // Into the field with Shift: the field asks for a move, the editor keeps its text.
    Windows[0]->SetFocus();
    ASSERT_TRUE(guitest::WaitFor([&] { return Windows[0]->HasFocus(); }));
    Edits[0].SetCaretPos({ 17, 1 });
    Edits[0].SetSelAnchor({ 12, 1 });
    Edits[0].SetSelEnd({ 17, 1 }); // "gamma"
    Field->SetInsertionPoint(0);
    Drag(Cell(0, 13, 1), Field->ClientToScreen(wxPoint(4, 10)), true);
    EXPECT_TRUE(EditorDragRan);
    ASSERT_TRUE(guitest::WaitFor([&] { return Field->GetValue().Contains("gamma") && !TWxTextDrag::Running(); }));
    guitest::Pump(100);
    EXPECT_EQ(LinesOf(0), (Lines { "alpha beta gamma", "second left" }));
    EXPECT_FALSE(Edits[0].CanUndo());
}

TEST_F(EditorDragTest, ClosingTheSourceWindowDuringADragEndsTheDrag)
{
    auto* frame = new wxFrame(nullptr, wxID_ANY, "source", wxPoint(40, 420), wxSize(300, 120));
    auto* window = new TWxEditorWindow(frame);
    TQuillEdit source;
    source.Lines().AddStrings(Lines { "dragged away" });
    window->SetClient(&source);
    frame->Show();
    guitest::Pump(100);
    source.SetCaretPos({ 8, 1 });
    source.SetSelAnchor({ 1, 1 });
    source.SetSelEnd({ 8, 1 }); // "dragged"
    const wxPoint from = window->ClientToScreen(wxPoint(source.TextOffset() + 2 * source.CharWidth(), 6));
    MoveTo(from);
    Sim.MouseDown();
    guitest::Pump(30);
    MoveTo(from + wxPoint(0, 12));
    MoveTo(from + wxPoint(8, 12));
    ASSERT_TRUE(TWxTextDrag::Running());

    window->SetClient(nullptr);
    frame->Destroy();
    guitest::Pump(50);
    EXPECT_FALSE(TWxTextDrag::Running());
    // Over an editor and let go: nothing arrives, and the mouse works again.
    MoveTo(Cell(1, 3, 1));
    Sim.MouseUp();
    guitest::Pump(100);
    EXPECT_EQ(LinesOf(1), (Lines { "one two", "three" }));
    MoveTo(Cell(0, 3, 2));
    Sim.MouseClick();
    EXPECT_TRUE(guitest::WaitFor([&] { return Edits[0].CaretPos() == TBufferCoord { 3, 2 }; }));
}

} // namespace
} // namespace quillan
