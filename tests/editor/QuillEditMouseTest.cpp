#include "EditorTestUtil.h"
#include "highlight/HighlighterFactory.h"
#include "support/EditorCells.h"

#include <gtest/gtest.h>

namespace quillan {
namespace {

using testutil::TEditorHarness;
using Lines = std::vector<std::string>;

constexpr int CW = THeadlessCanvas::CellWidth;
constexpr int LH = THeadlessCanvas::CellHeight;

struct TMouseHarness : TEditorHarness {
    using TEditorHarness::TEditorHarness;
    // Client pixel of the middle of display cell `column` (1-based) on 1-based `line`, plus dx.
    TPoint Cell(int column, int line, int dx = CW / 2) const { return testutil::CellPoint(Edit, column, line, dx); }
    void Click(TPoint p, TShiftState shift = 0)
    {
        Edit.MouseDown(TMouseButton::mbLeft, shift | ssLeft, p.X, p.Y);
        Edit.MouseUp(TMouseButton::mbLeft, shift, p.X, p.Y);
    }
    void Drag(TPoint from, TPoint to, TShiftState shift = 0)
    {
        Edit.MouseDown(TMouseButton::mbLeft, shift | ssLeft, from.X, from.Y);
        Edit.MouseMove(shift | ssLeft, to.X, to.Y);
    }
};

TEST(QuillEditMouse, PixelsLandOnTheNearerCellBoundary)
{
    TMouseHarness h({ "abcdefgh", "\tx", "ab" });
    EXPECT_EQ(h.Edit.PixelsToRowColumn(h.Cell(5, 1, CW / 2).X, 5), (TBufferCoord { 6, 1 }));
    EXPECT_EQ(h.Edit.PixelsToRowColumn(h.Cell(5, 1, CW / 2 - 1).X, 5), (TBufferCoord { 5, 1 }));
    // After a leading tab (8 cells) the x is the ninth cell: halves decide between columns 2 and 3.
    EXPECT_EQ(h.Edit.PixelsToRowColumn(h.Cell(9, 2, 1).X, LH + 1), (TBufferCoord { 2, 2 }));
    EXPECT_EQ(h.Edit.PixelsToRowColumn(h.Cell(9, 2, CW - 1).X, LH + 1), (TBufferCoord { 3, 2 }));
    // A tab is one character however wide: only its first half cell puts the caret before it.
    EXPECT_EQ(h.Edit.PixelsToRowColumn(h.Cell(1, 2, 3).X, LH + 1), (TBufferCoord { 1, 2 }));
    EXPECT_EQ(h.Edit.PixelsToRowColumn(h.Cell(2, 2).X, LH + 1), (TBufferCoord { 2, 2 }));
    // Past the line's end and below the text.
    EXPECT_EQ(h.Edit.PixelsToRowColumn(h.Cell(6, 3).X, 10 * LH), (TBufferCoord { 7, 3 }));
    // The partly visible bottom row counts as the last whole one.
    Lines many(100, "x");
    TMouseHarness big(many);
    EXPECT_EQ(big.Edit.PixelsToRowColumn(40, 479).Y, 30);
    big.Host.SetClientSize({ 674, 490 });
    big.Edit.Resize();
    EXPECT_EQ(big.Edit.PixelsToRowColumn(40, 485).Y, 30);
}

TEST(QuillEditMouse, ClickShiftClickAndDragSelect)
{
    TMouseHarness h({ "hello world", "second line", "third" });
    h.Click(h.Cell(3, 1, 0));
    EXPECT_EQ(h.Edit.CaretPos(), (TBufferCoord { 3, 1 }));
    EXPECT_FALSE(h.Edit.HasSelection());
    EXPECT_FALSE(h.Host.HasCapture());
    h.Click(h.Cell(4, 2, 0), ssShift);
    EXPECT_EQ(h.Edit.SelectedText(), "llo world\r\nsec");
    EXPECT_EQ(h.Edit.CaretPos(), (TBufferCoord { 4, 2 }));

    // A press inside the selection that is let go without moving collapses it there.
    h.Click(h.Cell(6, 1, 0));
    EXPECT_FALSE(h.Edit.HasSelection());
    EXPECT_EQ(h.Edit.CaretPos(), (TBufferCoord { 6, 1 }));

    h.Drag(h.Cell(1, 2, 0), h.Cell(7, 3, 0));
    EXPECT_TRUE(h.Host.HasCapture());
    EXPECT_EQ(h.Edit.SelectedText(), "second line\r\nthird");
    EXPECT_EQ(h.Host.TimerInterval(), 0) << "no scrolling inside the window";
    h.Edit.MouseUp(TMouseButton::mbLeft, 0, 0, 0);
    EXPECT_FALSE(h.Host.HasCapture());

    // A right press keeps the selection for a context menu.
    h.Edit.MouseDown(TMouseButton::mbRight, ssRight, h.Cell(1, 1).X, h.Cell(1, 1).Y);
    EXPECT_EQ(h.Edit.SelectedText(), "second line\r\nthird");
}

TEST(QuillEditMouse, AltDragSelectsAColumnWhenAllowed)
{
    TMouseHarness h({ "abcdef", "ghijkl" });
    h.SetOption(TQuillEditorOption::eoAltSetsColumnMode, true);
    h.Drag(h.Cell(2, 1, 0), h.Cell(4, 2, 0), ssAlt);
    EXPECT_EQ(h.Edit.SelectionMode(), TQuillSelectionMode::smColumn);
    EXPECT_EQ(h.Edit.SelectedText(), "bc\r\nhi");
    h.Edit.MouseUp(TMouseButton::mbLeft, 0, 0, 0);
    h.Click(h.Cell(1, 1, 0));
    EXPECT_EQ(h.Edit.SelectionMode(), TQuillSelectionMode::smNormal);
}

TEST(QuillEditMouse, DoubleClickSelectsTheWord)
{
    TMouseHarness h({ "int  counter_1 = x->y;", "ab" });
    auto hl = CreateHighlighter("cpp");
    h.Edit.SetHighlighter(hl.get());
    const TPoint p = h.Cell(9, 1);
    h.Click(p);
    h.Edit.MouseDown(TMouseButton::mbLeft, ssLeft | ssDouble, p.X, p.Y);
    EXPECT_EQ(h.Edit.SelectedText(), "counter_1");
    EXPECT_EQ(h.Edit.CaretPos(), (TBufferCoord { 15, 1 }));
    // The release after a double click leaves the word selected.
    h.Edit.MouseUp(TMouseButton::mbLeft, 0, p.X, p.Y);
    EXPECT_EQ(h.Edit.SelectedText(), "counter_1");
    // At the end of a line nothing is selected.
    h.Edit.SetWordBlock({ 10, 2 });
    EXPECT_FALSE(h.Edit.HasSelection());
    EXPECT_EQ(h.Edit.CaretPos(), (TBufferCoord { 3, 2 }));
    h.Edit.SetHighlighter(nullptr);
    // Without a highlighter a run of one character class is a word.
    h.Edit.SetWordBlock({ 19, 1 });
    EXPECT_EQ(h.Edit.SelectedText(), "->");
}

TEST(QuillEditMouse, DraggingBelowTheWindowScrollsOnEveryTick)
{
    Lines many(200, "some text");
    TMouseHarness h(many);
    h.Drag(h.Cell(1, 1), { 100, 480 + 2 });
    EXPECT_EQ(h.Host.TimerInterval(), 100);
    h.Edit.TimerTick();
    EXPECT_EQ(h.Edit.TopLine(), 2);
    EXPECT_EQ(h.Edit.SelEnd().Y, 31);
    h.Edit.MouseMove(ssLeft | ssShift, 100, 480 + 2);
    h.Edit.TimerTick();
    EXPECT_EQ(h.Edit.TopLine(), 32) << "a page per tick with Shift";
    h.Edit.MouseMove(ssLeft, 100, 100);
    EXPECT_EQ(h.Host.TimerInterval(), 0) << "back inside, the timer stops";
    h.Edit.MouseMove(ssLeft, 100, -5);
    EXPECT_EQ(h.Host.TimerInterval(), 100);
    h.Edit.TimerTick();
    EXPECT_EQ(h.Edit.TopLine(), 31);
    h.Edit.MouseUp(TMouseButton::mbLeft, 0, 100, -5);
    EXPECT_EQ(h.Host.TimerInterval(), 0);
    EXPECT_TRUE(h.Edit.HasSelection());
}

TEST(QuillEditMouse, WheelScrollsByWholeNotches)
{
    Lines many(200, "x");
    TMouseHarness h(many);
    h.Edit.SetTopLine(50);
    h.Edit.MouseWheel(-60, 3, 0, 0, 0);
    EXPECT_EQ(h.Edit.TopLine(), 50);
    h.Edit.MouseWheel(-60, 3, 0, 0, 0);
    EXPECT_EQ(h.Edit.TopLine(), 53);
    h.Edit.MouseWheel(240, 3, 0, 0, 0);
    EXPECT_EQ(h.Edit.TopLine(), 47);
    h.Edit.MouseWheel(-120, 3, ssCtrl, 0, 0);
    EXPECT_EQ(h.Edit.TopLine(), 77) << "Ctrl scrolls a window";
    h.Edit.MouseWheel(-120, -1, 0, 0, 0);
    EXPECT_EQ(h.Edit.TopLine(), 107) << "-1 means a window";
}

TEST(QuillEditMouse, LongTextsScaleTheScrollBar)
{
    Lines many(40000, "x");
    TMouseHarness h(many);
    const TScrollInfo& v = h.Host.ScrollInfo(TScrollBarKind::sbVertical);
    EXPECT_EQ(v.Min, 0);
    EXPECT_EQ(v.Max, 32767);
    h.Edit.Scroll(TScrollBarKind::sbVertical, TScrollCode::scTrack, v.Max - v.Page + 1);
    EXPECT_EQ(h.Edit.TopLine(), 40000 - h.Edit.LinesInWindow() + 1) << "the box at the end shows the last lines";
    h.Edit.Scroll(TScrollBarKind::sbVertical, TScrollCode::scPosition, 16384);
    EXPECT_NEAR(h.Edit.TopLine(), 20000, 2);
    EXPECT_NEAR(v.Pos, 16384, 2);
    h.Edit.Scroll(TScrollBarKind::sbVertical, TScrollCode::scTop, 0);
    EXPECT_EQ(h.Edit.TopLine(), 1);
}

TEST(QuillEditMouse, DraggingTheScrollBoxShowsTheTopLineInAHint)
{
    struct THintHost : THeadlessHost {
        void ShowScrollHint(std::string_view text, int right, int top) override
        {
            Hint = std::string(text) + " @" + std::to_string(right) + "," + std::to_string(top);
        }
        void HideScrollHint() override { Hint.clear(); }
        std::string Hint;
    } host;
    TQuillEdit edit(&host);
    edit.Lines().AddStrings(Lines(100, "x"));
    edit.Scroll(TScrollBarKind::sbVertical, TScrollCode::scTrack, 42);
    EXPECT_EQ(host.Hint, "Top Line: 42 @670,10");
    edit.Scroll(TScrollBarKind::sbVertical, TScrollCode::scEndScroll, 42);
    EXPECT_EQ(host.Hint, "");
    TQuillEditorOptions options = edit.Options();
    edit.SetOptions(options.Exclude(TQuillEditorOption::eoShowScrollHint));
    edit.Scroll(TScrollBarKind::sbVertical, TScrollCode::scTrack, 50);
    EXPECT_EQ(host.Hint, "");
    EXPECT_EQ(edit.TopLine(), 50);
}

TEST(QuillEditMouse, GutterClicksReportTheLineAndMark)
{
    TMouseHarness h({ "a", "b", "c" });
    h.Edit.SetBookMark(1, 1, 2);
    int clickedLine = 0;
    TQuillEditMark* clickedMark = nullptr;
    int clicks = 0;
    h.Edit.OnGutterClick = [&](TCustomQuillEdit*, int, int, int line, TQuillEditMark* mark) {
        ++clicks;
        clickedLine = line;
        clickedMark = mark;
    };
    h.Click({ 5, LH + 3 });
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(clickedLine, 2);
    EXPECT_EQ(clickedMark, h.Edit.BookMark(1));
    h.Click({ 20, 3 });
    EXPECT_EQ(clickedLine, 1);
    EXPECT_EQ(clickedMark, nullptr);
    // Pressed in the gutter, released over the text: no click.
    h.Edit.MouseDown(TMouseButton::mbLeft, ssLeft, 5, 3);
    h.Edit.MouseUp(TMouseButton::mbLeft, 0, 100, 3);
    EXPECT_EQ(clicks, 2);
    EXPECT_EQ(h.Edit.CursorAt(5, 3), crArrow);
    EXPECT_EQ(h.Edit.CursorAt(100, 3), crDefault);
}

TEST(QuillEditMouse, DraggingSelectedTextMovesItAndOneUndoRestoresBoth)
{
    TMouseHarness h({ "one two three", "four five" });
    h.Select(5, 1, 9, 1); // "two "
    h.Drag(h.Cell(6, 1, 0), h.Cell(6, 2, 0));
    EXPECT_EQ(h.Edit.CursorAt(0, 0), crDrag);
    EXPECT_EQ(h.Edit.CaretPos(), (TBufferCoord { 6, 2 })) << "the caret follows the drag";
    EXPECT_EQ(h.Edit.SelectedText(), "two ") << "the selection stays while dragging";
    h.Edit.MouseUp(TMouseButton::mbLeft, 0, h.Cell(6, 2, 0).X, h.Cell(6, 2, 0).Y);
    EXPECT_EQ(h.Lines(), (Lines { "one three", "four two five" }));
    EXPECT_EQ(h.Edit.SelectedText(), "two ");
    h.Edit.Undo();
    EXPECT_EQ(h.Lines(), (Lines { "one two three", "four five" }));

    // Dropped after its own end on the same line: the drop point shifts left with the text.
    h.Select(1, 1, 5, 1); // "one "
    h.Edit.DropSelection({ 14, 1 }, false);
    EXPECT_EQ(h.Lines()[0], "two threeone") << "trailing blanks trimmed as after any edit";
    h.Edit.Undo();
    EXPECT_EQ(h.Lines()[0], "one two three");

    // Released inside itself nothing changes; with Ctrl the text is copied.
    h.Select(5, 1, 8, 1);
    h.Edit.DropSelection({ 6, 1 }, false);
    h.Edit.DropSelection({ 8, 1 }, false);
    EXPECT_EQ(h.Lines()[0], "one two three");
    h.Edit.DropSelection({ 1, 2 }, true);
    EXPECT_EQ(h.Lines(), (Lines { "one two three", "twofour five" }));
    h.Edit.SetReadOnly(true);
    h.Edit.DropSelection({ 1, 1 }, false);
    EXPECT_EQ(h.Lines()[0], "one two three");
}

TEST(QuillEditMouse, DroppedFilesReachTheHandlerOnlyWhenAccepted)
{
    TMouseHarness h({ "a" });
    std::vector<std::string> got;
    TPoint at;
    h.Edit.OnDropFiles = [&](TCustomQuillEdit*, int x, int y, const std::vector<std::string>& files) {
        at = { x, y };
        got = files;
    };
    h.Edit.DropFiles(10, 20, { "/tmp/a.cpp" });
    EXPECT_TRUE(got.empty());
    h.SetOption(TQuillEditorOption::eoDropFiles, true);
    h.Edit.DropFiles(10, 20, { "/tmp/a.cpp", "/tmp/b b.txt" });
    EXPECT_EQ(got, (std::vector<std::string> { "/tmp/a.cpp", "/tmp/b b.txt" }));
    EXPECT_EQ(at, (TPoint { 10, 20 }));
}

} // namespace
} // namespace quillan
