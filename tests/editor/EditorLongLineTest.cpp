#include "EditorTestUtil.h"
#include "highlight/HighlighterFactory.h"

#include <gtest/gtest.h>
#include <sstream>

namespace quillan {
namespace {

using testutil::TEditorHarness;

// A line of `bytes` bytes of code-like text with a tab now and then and, when asked, a few
// multi-byte characters (one of them wide), so that cells and bytes part ways along it.
std::string LongLine(std::size_t bytes, bool utf8 = true)
{
    std::string s;
    s.reserve(bytes + 16);
    for (std::size_t k = 0; s.size() < bytes; ++k) {
        s += "value_" + std::to_string(k) + " = f(x);";
        if (k % 7 == 3)
            s += '\t';
        if (utf8 && k % 1000 == 500)
            s += "\xC3\xA9\xE4\xB8\xAD"; // e acute, then a wide CJK character
    }
    return s;
}

// The caret is on screen, where the scroll bar's box shows it.
void ExpectCaretShown(TEditorHarness& h)
{
    const int column = h.Edit.DisplayColumn(h.Edit.CaretPos());
    EXPECT_EQ(h.Host.ScrollInfo(TScrollBarKind::sbHorizontal).Pos, h.Edit.LeftChar());
    EXPECT_LE(h.Edit.LeftChar(), column);
    EXPECT_LE(column, h.Edit.LeftChar() + h.Edit.CharsInWindow());
    EXPECT_TRUE(h.Host.CaretVisible());
    const int x = h.Host.CaretPos().X;
    EXPECT_GE(x, h.Edit.GutterWidth());
    EXPECT_LT(x, h.Host.ClientSize().Width);
    EXPECT_EQ(x + 1, h.Edit.TextOffset() + (column - 1) * h.Edit.CharWidth()); // the bar sits 1 px left
}

int ScrollMax(TEditorHarness& h)
{
    return h.Host.ScrollInfo(TScrollBarKind::sbHorizontal).Max;
}

TEST(EditorLongLine, EndOfAVeryLongLineIsInTheScrollRangeAndOnScreen)
{
    const std::string line = LongLine(300'000);
    TEditorHarness h({ "short", line, "short" });
    h.Caret(1, 2);
    h.Cmd(ecLineEnd);
    EXPECT_EQ(h.Edit.CaretColumn(), static_cast<int>(line.size()) + 1);
    const long long cells = LineCells(line, h.Edit.TabWidth());
    EXPECT_EQ(h.Edit.DisplayColumn(h.Edit.CaretPos()), cells + 1);
    EXPECT_EQ(ScrollMax(h), cells + 1);
    ExpectCaretShown(h);

    // The right end of the scroll bar shows the end of the line, and Home comes all the way back.
    h.Cmd(ecLineStart);
    EXPECT_EQ(h.Edit.LeftChar(), 1);
    h.Edit.Scroll(TScrollBarKind::sbHorizontal, TScrollCode::scBottom, 0);
    EXPECT_EQ(h.Edit.LeftChar() + h.Edit.CharsInWindow() - 1, cells + 1);

    // Without the option the range is the longest line, as before, and its end still shows.
    h.SetOption(TQuillEditorOption::eoScrollPastEol, false);
    h.Caret(1, 2);
    h.Cmd(ecLineEnd);
    EXPECT_EQ(ScrollMax(h), cells);
    ExpectCaretShown(h);
}

TEST(EditorLongLine, ShortLinesKeepMaxLeftCharAsTheirRange)
{
    TEditorHarness h({ "short", "lines" });
    EXPECT_EQ(ScrollMax(h), 1024);
    h.Edit.SetMaxLeftChar(200);
    EXPECT_EQ(ScrollMax(h), 200);
    h.Caret(200, 1);
    EXPECT_EQ(h.Edit.CaretColumn(), 200);
    ExpectCaretShown(h);
}

TEST(EditorLongLine, VirtualSpaceAfterTabsStaysInRange)
{
    // 300 tabs take 2400 cells: the caret at MaxLeftChar in virtual space lies far beyond
    // MaxLeftChar on screen.
    TEditorHarness h({ std::string(300, '\t') });
    h.Caret(1024, 1);
    EXPECT_EQ(h.Edit.CaretColumn(), 1024);
    EXPECT_EQ(h.Edit.DisplayColumn(h.Edit.CaretPos()), 2400 + 1024 - 300);
    EXPECT_EQ(ScrollMax(h), 2400 + 1024 - 300);
    ExpectCaretShown(h);
}

TEST(EditorLongLine, TypingAtTheEndKeepsTheTextTheCaretAndUndo)
{
    const std::string line = LongLine(200'000);
    TEditorHarness h({ line });
    h.Cmd(ecLineEnd);
    // The blank is trimmed when its keystroke ends and put back as padding by the next one.
    h.Type("abc\xC3\xA9 z");
    const std::string typed = line + "abc\xC3\xA9 z";
    EXPECT_EQ(h.Edit.LineText(1), typed);
    EXPECT_EQ(h.Edit.CaretColumn(), static_cast<int>(typed.size()) + 1);
    EXPECT_EQ(h.Edit.Lines().GetExpandedLength(0), LineCells(typed, h.Edit.TabWidth()));
    EXPECT_EQ(h.Edit.DisplayColumn(h.Edit.CaretPos()), LineCells(typed, h.Edit.TabWidth()) + 1);
    EXPECT_EQ(ScrollMax(h), LineCells(typed, h.Edit.TabWidth()) + 1);
    ExpectCaretShown(h);

    h.Edit.DispatchCommand(ecDeleteLastChar);
    h.Edit.DispatchCommand(ecDeleteLastChar);
    h.Edit.DispatchCommand(ecDeleteLastChar);
    EXPECT_EQ(h.Edit.LineText(1), line + "abc");
    EXPECT_EQ(h.Edit.Lines().GetExpandedLength(0), LineCells(line + "abc", h.Edit.TabWidth()));
    ExpectCaretShown(h);

    h.UndoAll();
    EXPECT_EQ(h.Edit.LineText(1), line);
    EXPECT_EQ(h.Edit.Lines().GetExpandedLength(0), LineCells(line, h.Edit.TabWidth()));
    h.RedoAll();
    EXPECT_EQ(h.Edit.LineText(1), line + "abc");
    EXPECT_EQ(h.Edit.Lines().GetExpandedLength(0), LineCells(line + "abc", h.Edit.TabWidth()));
}

TEST(EditorLongLine, TypingInTheMiddleMovesTheCellsAfterIt)
{
    const std::string line = LongLine(100'000);
    TEditorHarness h({ line });
    std::string expected = line;
    // Before a tab, where one more character can take the tab's last cell or push it to the next
    // stop; then over a wide character, in overwrite mode.
    const std::size_t tab = line.find('\t', 50'000);
    h.Caret(static_cast<int>(tab) + 1, 1);
    for (int i = 0; i < 9; ++i) {
        h.Type("q");
        expected.insert(tab + static_cast<std::size_t>(i), "q");
        ASSERT_EQ(h.Edit.LineText(1), expected);
        ASSERT_EQ(h.Edit.Lines().GetExpandedLength(0), LineCells(expected, h.Edit.TabWidth())) << "after " << i;
        ASSERT_EQ(h.Edit.DisplayColumn({ static_cast<int>(expected.size()) + 1, 1 }),
            LineCells(expected, h.Edit.TabWidth()) + 1);
    }
    const std::size_t wide = expected.find("\xE4\xB8\xAD", 20'000);
    h.Caret(static_cast<int>(wide) + 1, 1);
    h.Edit.SetInsertMode(false);
    h.Type("w");
    expected.replace(wide, 3, "w");
    EXPECT_EQ(h.Edit.LineText(1), expected);
    EXPECT_EQ(h.Edit.Lines().GetExpandedLength(0), LineCells(expected, h.Edit.TabWidth()));
}

// The cells of one painted row as the calls drew them: each character of each text call at its
// cell, kept where the call's rectangle lets it show. Expects a line without multi-byte text.
std::string ScreenRow(const THeadlessCanvas& canvas, const TCustomQuillEdit& edit, int row, int firstCell, int cells)
{
    std::string screen(static_cast<std::size_t>(cells), '?');
    for (const std::string& call : canvas.Calls()) {
        std::istringstream in(call);
        std::string kind, fg, bg, width;
        in >> kind;
        if (kind != "ExtTextOut")
            continue;
        int x, y;
        unsigned options;
        char bracket;
        TRect r;
        in >> x >> y >> options >> bracket >> r.Left >> r.Top >> r.Right >> r.Bottom >> bracket >> fg >> bg >> width;
        in.get();
        std::string text;
        std::getline(in, text);
        if (y != row * edit.LineHeight())
            continue;
        for (std::size_t k = 0; k < text.size(); ++k) {
            const int px = x + static_cast<int>(k) * edit.CharWidth();
            const int cell = (px - edit.TextOffset()) / edit.CharWidth() - firstCell;
            if (px >= r.Left && px < r.Right && cell >= 0 && cell < cells)
                screen[static_cast<std::size_t>(cell)] = text[k];
        }
    }
    return screen;
}

TEST(EditorLongLine, PaintingFarAlongTheLineShowsItsCells)
{
    const std::string line = LongLine(150'000, false);
    std::string expanded;
    AppendExpanded(expanded, line, 0, 8);
    for (bool highlighted : { false, true }) {
        SCOPED_TRACE(highlighted ? "highlighted" : "plain");
        TEditorHarness h({ line, line });
        std::unique_ptr<TCustomHighlighter> cpp = CreateHighlighter("cpp");
        if (highlighted)
            h.Edit.SetHighlighter(cpp.get());
        h.Caret(1, 2);
        h.Cmd(ecLineEnd);
        // The caret in the window, a little way in from the end of the line.
        h.Edit.SetLeftChar(h.Edit.LeftChar() - 37);
        THeadlessCanvas canvas;
        h.Edit.Paint(canvas, { 0, 0, h.Host.ClientSize().Width, h.Host.ClientSize().Height });
        const int first = h.Edit.LeftChar() - 1;
        const int cells = h.Edit.CharsInWindow();
        std::string want = expanded.substr(static_cast<std::size_t>(first));
        want.resize(static_cast<std::size_t>(cells), '?'); // nothing is drawn past the end
        EXPECT_EQ(ScreenRow(canvas, h.Edit, 0, first, cells), want);
        EXPECT_EQ(ScreenRow(canvas, h.Edit, 1, first, cells), want);
        h.Edit.SetHighlighter(nullptr);
    }
}

TEST(EditorLongLine, HighlighterRangesFollowTypingOnALongLine)
{
    // A comment left open at the end of the long line runs into the next line.
    const std::string line = LongLine(60'000, false);
    TEditorHarness h({ "int a;", line, "int b;", "int c;" });
    std::unique_ptr<TCustomHighlighter> cpp = CreateHighlighter("cpp");
    h.Edit.SetHighlighter(cpp.get());
    h.Caret(1, 2);
    h.Cmd(ecLineEnd);
    h.Type(" /* open");
    EXPECT_EQ(testutil::StoredRanges(h.Edit.Lines()), testutil::FullRescanRanges(*cpp, h.Edit.Lines()));
    h.Type(" */");
    EXPECT_EQ(testutil::StoredRanges(h.Edit.Lines()), testutil::FullRescanRanges(*cpp, h.Edit.Lines()));
    h.Edit.SetHighlighter(nullptr);
}

} // namespace
} // namespace quillan
