// The editor control in a real window: what it paints and how it answers the keyboard, the
// mouse and the wheel.

#include "GuiTestUtil.h"
#include "backends/wx/WxCanvas.h"
#include "backends/wx/WxEditorWindow.h"
#include "editor/QuillEdit.h"
#include "highlight/HighlighterFactory.h"
#include "support/EditorCells.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <wx/clipbrd.h>
#include <wx/frame.h>
#include <wx/menu.h>
#include <wx/sizer.h>
#include <wx/timer.h>
#include <wx/uiaction.h>

namespace quillan {
namespace {

constexpr TColor KeywordRed = 0x0000FF;
constexpr TColor SelectionGreen = 0x00A000;

class EditorViewTest : public testing::Test {
protected:
    void SetUp() override
    {
        Frame = new wxFrame(nullptr, wxID_ANY, "editor view test", wxPoint(40, 40), wxSize(600, 420));
        auto* sizer = new wxBoxSizer(wxVERTICAL);
        Window = new TWxEditorWindow(Frame);
        sizer->Add(Window, 1, wxEXPAND);
        Frame->SetSizer(sizer);
        Highlighter = CreateHighlighter("cpp");
        THighlighterAttributes* key = Highlighter->StandardAttribute(sakKeyword);
        key->SetForeground(KeywordRed);
        key->SetStyle(fsBold);
        std::vector<std::string> lines;
        for (int i = 1; i <= 200; ++i)
            lines.push_back("int value_" + std::to_string(i) + " = " + std::to_string(i) + "; // comment");
        Edit.Lines().AddStrings(lines);
        Edit.SetHighlighter(Highlighter.get());
        Edit.Gutter().SetShowLineNumbers(true);
        Edit.SelectedColor().SetBackground(SelectionGreen);
        Window->SetClient(&Edit);
        Window->SetCaretBlinkTime(0);
        Frame->Show();
        ASSERT_TRUE(guitest::FocusToplevel(Frame));
        Window->SetFocus();
        ASSERT_TRUE(guitest::WaitFor([&] { return Window->HasFocus(); }));
        guitest::Pump(100);
    }
    void TearDown() override
    {
        // A clipboard this process owns would stall programs that other tests start: they ask
        // the owner for its data while this process waits without running its event loop.
        if (wxTheClipboard->Open()) {
            wxTheClipboard->Clear();
            wxTheClipboard->Close();
        }
        Window->SetClient(nullptr);
        Edit.SetHighlighter(nullptr);
        Frame->Destroy();
        guitest::Pump(50);
    }

    // Screen point of the middle of display cell (column, line).
    wxPoint Cell(int column, int line, int dx = -1) const
    {
        const TPoint p = testutil::CellPoint(Edit, column, line, dx < 0 ? Edit.CharWidth() / 2 : dx);
        return Window->ClientToScreen(wxPoint(p.X, p.Y));
    }
    void MoveTo(const wxPoint& p)
    {
        Sim.MouseMove(p);
        guitest::Pump(30);
    }
    // How many pixels of a client rectangle have the colour.
    int CountColour(const TRect& r, TColor colour)
    {
        guitest::Pump(100);
        const wxImage shot = guitest::Screenshot(guitest::ClientScreenRect(Window));
        const wxColour c = ToWxColour(colour);
        int n = 0;
        for (int y = r.Top; y < r.Bottom; ++y)
            for (int x = r.Left; x < r.Right; ++x)
                if (shot.GetRed(x, y) == c.Red() && shot.GetGreen(x, y) == c.Green() && shot.GetBlue(x, y) == c.Blue())
                    ++n;
        return n;
    }
    TRect CellsRect(int fromColumn, int toColumn, int line) const
    {
        const int top = (line - Edit.TopLine()) * Edit.LineHeight();
        return { Edit.TextOffset() + (fromColumn - 1) * Edit.CharWidth(), top,
            Edit.TextOffset() + toColumn * Edit.CharWidth(), top + Edit.LineHeight() };
    }

    wxFrame* Frame = nullptr;
    TWxEditorWindow* Window = nullptr;
    TQuillEdit Edit;
    std::unique_ptr<TCustomHighlighter> Highlighter;
    wxUIActionSimulator Sim;
};

TEST_F(EditorViewTest, KeywordsAreDrawnInTheirColourAndTheGutterNumbersLines)
{
    EXPECT_GT(Edit.GutterWidth(), 16 + 4 * Edit.CharWidth());
    // "int" in red; the identifier after it in another colour.
    EXPECT_GT(CountColour(CellsRect(1, 3, 1), KeywordRed), 10);
    EXPECT_EQ(CountColour(CellsRect(5, 9, 1), KeywordRed), 0);
    // The gutter: its face colour around the numbers, and a digit drawn where the number's last
    // cell is, none where its leading blanks are.
    const TRect numberRow { 0, 0, Edit.GutterWidth() - 2, Edit.LineHeight() };
    EXPECT_GT(CountColour(numberRow, clBtnFace), numberRow.Width() * numberRow.Height() / 2);
    const int digitLeft = Edit.Gutter().LeftOffset() + 3 * Edit.CharWidth();
    const TRect lastDigit { digitLeft, 0, digitLeft + Edit.CharWidth(), Edit.LineHeight() };
    const TRect blanks { Edit.Gutter().LeftOffset(), 0, digitLeft, Edit.LineHeight() };
    EXPECT_LT(CountColour(lastDigit, clBtnFace), lastDigit.Width() * lastDigit.Height() - 3);
    EXPECT_EQ(CountColour(blanks, clBtnFace), blanks.Width() * blanks.Height());
    if (const char* shot = std::getenv("QUILLAN_EDITOR_SHOT"))
        guitest::Screenshot(guitest::ClientScreenRect(Window)).SaveFile(shot, wxBITMAP_TYPE_PNG);
}

// A popup menu over part of the window: the rest keeps showing the text and the gutter numbers.
TEST_F(EditorViewTest, TextStaysOnTheScreenWhileAMenuIsOpen)
{
    const TRect keyword = CellsRect(1, 3, 1);
    const int before = CountColour(keyword, KeywordRed);
    ASSERT_GT(before, 10);
    const TRect numberRow { 0, 0, Edit.GutterWidth() - 2, Edit.LineHeight() };
    const int faceBefore = CountColour(numberRow, clBtnFace);

    wxMenu menu;
    for (int i = 0; i < 5; ++i)
        menu.Append(wxID_HIGHEST + i, wxString::Format("Item %d", i));
    int during = -1, faceDuring = -1, shots = 0;
    wxTimer timer;
    timer.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
        // A few looks while the menu is shown: a blank may come only after it settled.
        const wxImage shot = guitest::Screenshot(guitest::ClientScreenRect(Window));
        auto count = [&](const TRect& r, TColor colour) {
            const wxColour c = ToWxColour(colour);
            int n = 0;
            for (int y = r.Top; y < r.Bottom; ++y)
                for (int x = r.Left; x < r.Right; ++x)
                    if (shot.GetRed(x, y) == c.Red() && shot.GetGreen(x, y) == c.Green()
                        && shot.GetBlue(x, y) == c.Blue())
                        ++n;
            return n;
        };
        const int keywordNow = count(keyword, KeywordRed);
        const int faceNow = count(numberRow, clBtnFace);
        during = during < 0 ? keywordNow : std::min(during, keywordNow);
        faceDuring = faceDuring < 0 ? faceNow : std::min(faceDuring, faceNow);
        if (++shots == 5) {
            timer.Stop();
            Sim.Char(WXK_ESCAPE);
        }
    });
    timer.Start(150);
    // Far from the first line: the menu covers none of what is looked at.
    Frame->PopupMenu(&menu, Frame->ScreenToClient(Window->ClientToScreen(wxPoint(300, 150))));
    timer.Stop();
    EXPECT_EQ(shots, 5);
    EXPECT_EQ(during, before) << "the keyword went while the menu was open";
    EXPECT_EQ(faceDuring, faceBefore) << "the gutter went while the menu was open";
}

TEST_F(EditorViewTest, SelectionIsDrawnInTheSelectedColours)
{
    Edit.SetCaretPos({ 5, 2 });
    Edit.SetSelAnchor({ 5, 2 });
    Edit.SetSelEnd({ 12, 2 });
    const TRect selected = CellsRect(5, 11, 2);
    EXPECT_TRUE(guitest::WaitFor([&] { return CountColour(selected, SelectionGreen) > selected.Width() * 4; }));
    EXPECT_EQ(CountColour(CellsRect(14, 20, 2), SelectionGreen), 0);
}

TEST_F(EditorViewTest, ArrowsAndClicksMoveTheCaret)
{
    Edit.SetCaretPos({ 1, 1 });
    Sim.Char(WXK_DOWN);
    Sim.Char(WXK_RIGHT);
    EXPECT_TRUE(guitest::WaitFor([&] { return Edit.CaretPos() == TBufferCoord { 2, 2 }; }));
    const TRect caret = Window->CaretRect();
    EXPECT_EQ(caret.Left, Edit.TextOffset() + Edit.CharWidth() - 1);
    EXPECT_EQ(caret.Top, Edit.LineHeight() + 1);

    MoveTo(Cell(7, 4, 1));
    Sim.MouseClick();
    EXPECT_TRUE(guitest::WaitFor([&] { return Edit.CaretPos() == TBufferCoord { 7, 4 }; }));
    EXPECT_FALSE(Edit.HasSelection());
}

TEST_F(EditorViewTest, ShiftClickAndDraggingSelect)
{
    MoveTo(Cell(1, 2, 1));
    Sim.MouseClick();
    ASSERT_TRUE(guitest::WaitFor([&] { return Edit.CaretPos() == TBufferCoord { 1, 2 }; }));
    MoveTo(Cell(4, 3, 1));
    Sim.KeyDown(WXK_SHIFT);
    Sim.MouseClick();
    Sim.KeyUp(WXK_SHIFT);
    ASSERT_TRUE(guitest::WaitFor([&] { return Edit.HasSelection(); }));
    EXPECT_EQ(Edit.SelectionStart(), (TBufferCoord { 1, 2 }));
    EXPECT_EQ(Edit.SelectionStop(), (TBufferCoord { 4, 3 }));

    guitest::Pump(600); // not a double click
    MoveTo(Cell(5, 5, 1));
    Sim.MouseDown();
    guitest::Pump(30);
    MoveTo(Cell(8, 5, 1));
    MoveTo(Cell(10, 6, 1));
    Sim.MouseUp();
    ASSERT_TRUE(guitest::WaitFor([&] { return Edit.SelectionStop() == TBufferCoord { 10, 6 }; }));
    EXPECT_EQ(Edit.SelectionStart(), (TBufferCoord { 5, 5 }));
}

TEST_F(EditorViewTest, HoldingTheMouseBelowTheWindowScrollsTheSelection)
{
    MoveTo(Cell(1, 2, 1));
    Sim.MouseDown();
    guitest::Pump(30);
    const wxRect client = guitest::ClientScreenRect(Window);
    MoveTo(wxPoint(client.x + 100, client.GetBottom() + 8));
    // One line per tick of the 100 ms timer.
    EXPECT_TRUE(guitest::WaitFor([&] { return Edit.TopLine() >= 4; }, 3000));
    Sim.MouseUp();
    guitest::Pump(300);
    const int top = Edit.TopLine();
    EXPECT_FALSE(Window->TimerRunning());
    EXPECT_EQ(Edit.SelectionStart(), (TBufferCoord { 1, 2 }));
    EXPECT_GE(Edit.SelectionStop().Y, top + Edit.LinesInWindow() - 2);
}

TEST_F(EditorViewTest, TheScrollBoxReachesTheEndOfALongText)
{
    std::vector<std::string> lines(40000, "x");
    Edit.Lines().Clear();
    Edit.Lines().AddStrings(lines);
    const TScrollInfo& v = Window->ScrollInfo(TScrollBarKind::sbVertical);
    ASSERT_EQ(v.Max, 32767);
    wxScrollWinEvent track(wxEVT_SCROLLWIN_THUMBTRACK, Window->GetScrollRange(wxVERTICAL), wxVERTICAL);
    Window->ProcessWindowEvent(track);
    EXPECT_EQ(Edit.TopLine() + Edit.LinesInWindow() - 1, 40000);
    // While the box moves a hint names the top line; it goes when scrolling ends.
    EXPECT_EQ(Window->ScrollHintText(), "Top Line: " + std::to_string(Edit.TopLine()));
    wxScrollWinEvent release(wxEVT_SCROLLWIN_THUMBRELEASE, 0, wxVERTICAL);
    Window->ProcessWindowEvent(release);
    EXPECT_EQ(Edit.TopLine(), 1);
    EXPECT_EQ(Window->ScrollHintText(), "");
}

TEST_F(EditorViewTest, DoubleClickSelectsAWord)
{
    MoveTo(Cell(7, 3));
    Sim.MouseDblClick();
    ASSERT_TRUE(guitest::WaitFor([&] { return Edit.HasSelection(); }));
    EXPECT_EQ(Edit.SelectedText(), "value_3");
}

TEST_F(EditorViewTest, DraggingSelectedTextMovesItAndOneUndoRestoresBoth)
{
    Edit.SetCaretPos({ 5, 3 });
    Edit.SetSelAnchor({ 5, 3 });
    Edit.SetSelEnd({ 12, 3 }); // "value_3"
    MoveTo(Cell(7, 3, 1));
    Sim.MouseDown();
    guitest::Pump(30);
    MoveTo(Cell(7, 4, 1));
    MoveTo(Cell(1, 5, 1));
    Sim.MouseUp();
    ASSERT_TRUE(guitest::WaitFor([&] { return Edit.LineText(5).rfind("value_3", 0) == 0; }));
    EXPECT_EQ(Edit.LineText(3), "int  = 3; // comment");
    EXPECT_EQ(Edit.SelectedText(), "value_3");
    Sim.Char('z', wxMOD_CONTROL);
    ASSERT_TRUE(guitest::WaitFor([&] { return Edit.LineText(3) == "int value_3 = 3; // comment"; }));
    EXPECT_EQ(Edit.LineText(5), "int value_5 = 5; // comment");
}

TEST_F(EditorViewTest, ACopiedColumnPastesAsAColumnInAnotherControl)
{
    auto* frame = new wxFrame(nullptr, wxID_ANY, "second editor", wxPoint(100, 480), wxSize(400, 200));
    auto* window = new TWxEditorWindow(frame);
    TQuillEdit other;
    other.Lines().AddStrings(std::vector<std::string> { "aaaa", "bbbb", "cccc" });
    window->SetClient(&other);
    frame->Show();

    Edit.SetSelectionMode(TQuillSelectionMode::smColumn);
    Edit.SetCaretPos({ 5, 1 });
    Edit.SetSelAnchor({ 5, 1 });
    Edit.SetSelEnd({ 8, 2 }); // "val" over two lines
    Sim.Char('c', wxMOD_CONTROL);
    guitest::Pump(100);

    ASSERT_TRUE(guitest::FocusToplevel(frame));
    window->SetFocus();
    ASSERT_TRUE(guitest::WaitFor([&] { return window->HasFocus(); }));
    other.SetCaretPos({ 3, 1 });
    Sim.Char('v', wxMOD_CONTROL);
    EXPECT_TRUE(guitest::WaitFor([&] { return other.LineText(2) == "bbvalbb"; }));
    EXPECT_EQ(other.LineText(1), "aavalaa");
    EXPECT_EQ(other.LineText(3), "cccc");
    EXPECT_EQ(other.CaretPos(), (TBufferCoord { 3, 3 })) << "below the block at its left column";

    window->SetClient(nullptr);
    frame->Destroy();
    guitest::Pump(50);
}

TEST_F(EditorViewTest, TheWheelScrollsThreeLinesPerNotch)
{
    if (std::system("command -v xdotool >/dev/null") != 0)
        GTEST_SKIP() << "xdotool is not installed";
    MoveTo(Cell(5, 5));
    ASSERT_EQ(std::system("xdotool click 5"), 0);
    EXPECT_TRUE(guitest::WaitFor([&] { return Edit.TopLine() == 4; }));
    ASSERT_EQ(std::system("xdotool click 5 click 5"), 0);
    EXPECT_TRUE(guitest::WaitFor([&] { return Edit.TopLine() == 10; }));
    ASSERT_EQ(std::system("xdotool click 4"), 0);
    EXPECT_TRUE(guitest::WaitFor([&] { return Edit.TopLine() == 7; }));
    // What scrolled into view is painted: line 7's keyword now heads the window.
    EXPECT_GT(CountColour(CellsRect(1, 3, 7), KeywordRed), 10);
}

} // namespace
} // namespace quillan
