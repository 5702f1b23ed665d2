#include "EditorTestUtil.h"
#include "highlight/HighlighterFactory.h"

#include <gtest/gtest.h>

namespace quillan {
namespace {

using testutil::TEditorHarness;

std::vector<std::string> Numbered(int n)
{
    std::vector<std::string> lines;
    for (int i = 1; i <= n; ++i)
        lines.push_back("line " + std::to_string(i));
    return lines;
}

TEST(QuillEditCaret, ClampsAndKeepsTheRememberedColumn)
{
    TEditorHarness h({ std::string(30, 'a'), "short", std::string(30, 'b') });
    h.SetOption(TQuillEditorOption::eoScrollPastEol, false);
    h.Edit.SetCaretPos({ 99, 99 });
    EXPECT_EQ(h.Edit.CaretPos(), (TBufferCoord { 31, 3 }));
    h.Edit.SetCaretPos({ -4, 0 });
    EXPECT_EQ(h.Edit.CaretPos(), (TBufferCoord { 1, 1 }));

    h.SetOption(TQuillEditorOption::eoKeepCaretX, true);
    h.Caret(20, 1);
    h.Cmd(ecDown);
    EXPECT_EQ(h.Edit.CaretColumn(), 6);
    h.Cmd(ecDown);
    EXPECT_EQ(h.Edit.CaretColumn(), 20);

    h.SetOption(TQuillEditorOption::eoKeepCaretX, false);
    h.Caret(20, 1);
    h.Cmd(ecDown);
    h.Cmd(ecDown);
    EXPECT_EQ(h.Edit.CaretColumn(), 6);

    TEditorHarness none;
    none.Edit.SetCaretPos({ 5, 5 });
    EXPECT_EQ(none.Edit.CaretPos(), (TBufferCoord { 5, 1 })) << "virtual space on the missing first line";
}

TEST(QuillEditCaret, RightAndLeftWrapOnlyWithoutVirtualSpace)
{
    TEditorHarness h({ "ab", "cd" });
    h.SetOption(TQuillEditorOption::eoScrollPastEol, false);
    h.Caret(3, 1);
    h.Cmd(ecRight);
    EXPECT_EQ(h.Edit.CaretPos(), (TBufferCoord { 1, 2 }));
    h.Cmd(ecLeft);
    EXPECT_EQ(h.Edit.CaretPos(), (TBufferCoord { 3, 1 }));

    h.SetOption(TQuillEditorOption::eoScrollPastEol, true);
    h.Edit.SetMaxLeftChar(6);
    for (int i = 0; i < 10; ++i)
        h.Cmd(ecRight);
    EXPECT_EQ(h.Edit.CaretPos(), (TBufferCoord { 6, 1 })) << "virtual space ends at MaxLeftChar";
    h.Caret(1, 2);
    h.Cmd(ecLeft);
    EXPECT_EQ(h.Edit.CaretPos(), (TBufferCoord { 1, 2 }));

    // Turning virtual space off puts a caret that was in it back at the line end.
    h.Caret(5, 1);
    h.SetOption(TQuillEditorOption::eoScrollPastEol, false);
    EXPECT_EQ(h.Edit.CaretColumn(), 3);
}

TEST(QuillEditCaret, PageMovesByTheWindow)
{
    TEditorHarness h(Numbered(200));
    ASSERT_EQ(h.Edit.LinesInWindow(), 30);
    ASSERT_EQ(h.Edit.CharsInWindow(), 80);
    h.Cmd(ecPageDown);
    EXPECT_EQ(h.Edit.TopLine(), 31);
    EXPECT_EQ(h.Edit.CaretLine(), 31);

    h.SetOption(TQuillEditorOption::eoScrollByOneLess, true);
    h.Cmd(ecPageDown);
    EXPECT_EQ(h.Edit.TopLine(), 60);
    EXPECT_EQ(h.Edit.CaretLine(), 60);

    h.SetOption(TQuillEditorOption::eoScrollByOneLess, false);
    h.SetOption(TQuillEditorOption::eoHalfPageScroll, true);
    h.Cmd(ecPageUp);
    EXPECT_EQ(h.Edit.TopLine(), 45);
    EXPECT_EQ(h.Edit.CaretLine(), 45);

    h.Cmd(ecSelPageBottom);
    EXPECT_EQ(h.Edit.CaretLine(), 74);
    EXPECT_TRUE(h.Edit.HasSelection());
}

TEST(QuillEditCaret, WordPositionsAndBrackets)
{
    TEditorHarness h({ "foo  bar(x)", "", "  baz" });
    h.Caret(1, 1);
    h.Cmd(ecWordRight);
    EXPECT_EQ(h.Edit.CaretColumn(), 6);
    h.Cmd(ecWordRight);
    EXPECT_EQ(h.Edit.CaretColumn(), 12) << "the rest of the line has no separator";
    h.Cmd(ecWordRight);
    EXPECT_EQ(h.Edit.CaretPos(), (TBufferCoord { 1, 2 }));
    h.Cmd(ecWordRight);
    EXPECT_EQ(h.Edit.CaretPos(), (TBufferCoord { 3, 3 }));
    h.Cmd(ecWordLeft);
    EXPECT_EQ(h.Edit.CaretPos(), (TBufferCoord { 1, 2 })) << "no word before: end of the previous line";
    h.Cmd(ecWordLeft);
    EXPECT_EQ(h.Edit.CaretPos(), (TBufferCoord { 12, 1 }));
    h.Cmd(ecWordLeft);
    EXPECT_EQ(h.Edit.CaretPos(), (TBufferCoord { 6, 1 }));

    // With a highlighter the identifier characters are its word characters.
    auto cpp = CreateHighlighter("cpp");
    h.Edit.SetHighlighter(cpp.get());
    h.Caret(6, 1);
    h.Cmd(ecWordRight);
    EXPECT_EQ(h.Edit.CaretColumn(), 10);
    h.Edit.SetHighlighter(nullptr);

    TEditorHarness b({ "(a(b)c)", "x" });
    b.Caret(1, 1);
    b.Cmd(ecMatchBracket);
    EXPECT_EQ(b.Edit.CaretColumn(), 7);
    b.Cmd(ecMatchBracket);
    EXPECT_EQ(b.Edit.CaretColumn(), 1);
    b.Caret(2, 1);
    b.Cmd(ecMatchBracket);
    EXPECT_EQ(b.Edit.CaretColumn(), 2);
    TEditorHarness across({ "{", "  }", "{" });
    across.Caret(1, 1);
    across.Cmd(ecMatchBracket);
    EXPECT_EQ(across.Edit.CaretPos(), (TBufferCoord { 3, 2 }));
    across.Caret(1, 3);
    across.Cmd(ecMatchBracket);
    EXPECT_EQ(across.Edit.CaretPos(), (TBufferCoord { 1, 3 })) << "no match, no move";
}

TEST(QuillEditCaret, WordRightFromALinesLastCharacter)
{
    // On the last character, also one of several bytes, the next word is on the next line.
    TEditorHarness h({ "ab \xC3\xA9", "  cd", "ef" });
    h.Caret(4, 1);
    h.Cmd(ecWordRight);
    EXPECT_EQ(h.Edit.CaretPos(), (TBufferCoord { 3, 2 }));
    h.Caret(3, 1);
    h.Cmd(ecWordRight);
    EXPECT_EQ(h.Edit.CaretPos(), (TBufferCoord { 4, 1 })) << "before the last character it stays in the line";
    h.Caret(2, 3);
    h.Cmd(ecWordRight);
    EXPECT_EQ(h.Edit.CaretPos(), (TBufferCoord { 2, 3 })) << "no next line: no move";
    h.Caret(4, 2);
    h.Cmd(ecSelWordRight);
    EXPECT_EQ(h.Edit.SelectedText(), "d\r\n");

    // Ctrl+T takes the same way: the line break and the next line's indentation go.
    h.Caret(4, 1);
    h.Cmd(ecDeleteWord);
    EXPECT_EQ(h.Lines(), (std::vector<std::string> { "ab cd", "ef" }));
    EXPECT_EQ(h.Edit.CaretPos(), (TBufferCoord { 4, 1 }));
    h.Edit.Undo();
    EXPECT_EQ(h.Lines(), (std::vector<std::string> { "ab \xC3\xA9", "  cd", "ef" }));
}

TEST(QuillEditSelection, SelectedTextInEveryMode)
{
    TEditorHarness h({ "abcdefg", "ab", "abcdefg" });
    h.Select(3, 1, 6, 3);
    h.Cmd(ecColumnSelect);
    EXPECT_EQ(h.Edit.SelectedText(), "cde\r\n   \r\ncde");
    h.Cmd(ecLineSelect);
    EXPECT_EQ(h.Edit.SelectedText(), "abcdefg\r\nab\r\nabcdefg");
    h.Select(1, 1, 1, 2);
    EXPECT_EQ(h.Edit.SelectedText(), "abcdefg\r\nab\r\n");
    h.Cmd(ecNormalSelect);
    EXPECT_EQ(h.Edit.SelectedText(), "abcdefg\r\n");

    // A column block of zero width selects nothing; the same columns on one line do not either.
    h.Cmd(ecColumnSelect);
    h.Select(3, 1, 3, 3);
    EXPECT_FALSE(h.Edit.HasSelection());
    h.Cmd(ecNormalSelect);
    EXPECT_TRUE(h.Edit.HasSelection());

    h.Cmd(ecSelectAll);
    EXPECT_EQ(h.Edit.SelAnchor(), (TBufferCoord { 1, 1 }));
    EXPECT_EQ(h.Edit.CaretPos(), (TBufferCoord { 8, 3 }));
}

TEST(QuillEditSelection, ColumnBlockDrawnWithTheKeysKeepsItsAnchor)
{
    const std::vector<std::string> text { "alpha beta", "gamma delta", "epsilon zeta", "last" };
    TEditorHarness h(text);
    h.Caret(3, 1);
    h.Cmd(ecColumnSelect);
    h.Cmd(ecSelDown);
    h.Cmd(ecSelDown);
    // No width yet, so nothing is selected, but the block is being drawn from where it began.
    EXPECT_FALSE(h.Edit.HasSelection());
    EXPECT_EQ(h.Edit.SelAnchor(), (TBufferCoord { 3, 1 }));
    EXPECT_EQ(h.Edit.SelEnd(), (TBufferCoord { 3, 3 }));
    h.Cmd(ecSelUp);
    EXPECT_EQ(h.Edit.SelAnchor(), (TBufferCoord { 3, 1 }));
    h.Cmd(ecSelDown);
    for (int i = 0; i < 3; ++i)
        h.Cmd(ecSelRight);
    EXPECT_EQ(h.Edit.SelAnchor(), (TBufferCoord { 3, 1 }));
    EXPECT_EQ(h.Edit.SelEnd(), (TBufferCoord { 6, 3 }));
    EXPECT_EQ(h.Edit.CaretPos(), (TBufferCoord { 6, 3 }));
    EXPECT_EQ(h.Edit.SelectedText(), "pha\r\nmma\r\nsil");

    // Copied and removed, the block is the rectangle on all three lines.
    h.Edit.CopyToClipboard();
    EXPECT_EQ(h.Host.HeadlessClipboard().GetText(), "pha\r\nmma\r\nsil");
    h.Cmd(ecDeleteChar);
    EXPECT_EQ(h.Lines(), (std::vector<std::string> { "al beta", "ga delta", "epon zeta", "last" }));
    EXPECT_EQ(h.Edit.CaretPos(), (TBufferCoord { 3, 3 }));
    h.Edit.Undo();
    EXPECT_EQ(h.Lines(), text);
    EXPECT_EQ(h.Edit.SelectedText(), "pha\r\nmma\r\nsil");

    // A move without Shift ends the block; the next Shift move starts a new one at the caret.
    h.Cmd(ecGotoXY, { 2, 4 });
    h.Cmd(ecSelUp);
    h.Cmd(ecDown);
    EXPECT_EQ(h.Edit.SelAnchor(), h.Edit.SelEnd());
    h.Cmd(ecSelUp);
    h.Cmd(ecSelUp);
    h.Cmd(ecSelLeft);
    EXPECT_EQ(h.Edit.SelAnchor(), (TBufferCoord { 2, 4 }));
    EXPECT_EQ(h.Edit.SelectedText(), "g\r\ne\r\nl");

    // In the other modes ends on different lines were always a selection.
    h.Cmd(ecNormalSelect);
    h.Cmd(ecGotoXY, { 3, 1 });
    h.Cmd(ecSelDown);
    h.Cmd(ecSelDown);
    EXPECT_EQ(h.Edit.SelAnchor(), (TBufferCoord { 3, 1 }));
    EXPECT_EQ(h.Edit.SelectedText(), "pha beta\r\ngamma delta\r\nep");
}

TEST(QuillEditSelection, ColumnBlocksDeleteAndUndoExactly)
{
    TEditorHarness h({ "abcdefg", "ab", "€bcdefg", "a€cdefg" });
    h.Cmd(ecColumnSelect);
    h.Select(2, 1, 4, 4);
    h.Cmd(ecDeleteChar);
    // The block spans display columns 2 to 3 (its end, after the euro sign on the last line,
    // shows in column 3): one cell on every line, whatever that cell's character is in bytes.
    const std::vector<std::string> deleted { "acdefg", "a", "€cdefg", "acdefg" };
    EXPECT_EQ(h.Lines(), deleted);
    h.Edit.Undo();
    EXPECT_EQ(h.Lines(), (std::vector<std::string> { "abcdefg", "ab", "€bcdefg", "a€cdefg" }));
    h.Edit.Redo();
    EXPECT_EQ(h.Lines(), deleted);
}

TEST(QuillEditSelection, UndoOfAColumnDeletionSelectsTheBlockAgain)
{
    const std::vector<std::string> text { "a\tbcdef", "ab", "€bcdefg", "a€cdefg" };
    TEditorHarness h(text);
    h.Edit.SetTabWidth(4);
    h.Cmd(ecColumnSelect);
    // Display columns 2 to 4: the tab's three cells on the first line, a character of three
    // bytes in one cell on the last.
    h.Select(2, 1, 7, 4);
    const int items = h.Edit.UndoList().ItemCount();
    h.Cmd(ecDeleteChar);
    const std::vector<std::string> deleted { "abcdef", "a", "€efg", "aefg" };
    EXPECT_EQ(h.Lines(), deleted);
    EXPECT_EQ(h.Edit.UndoList().ItemCount(), items + 1) << "one item for the whole block";
    h.Edit.Undo();
    EXPECT_EQ(h.Lines(), text);
    EXPECT_EQ(h.Edit.SelAnchor(), (TBufferCoord { 2, 1 }));
    EXPECT_EQ(h.Edit.SelEnd(), (TBufferCoord { 7, 4 }));
    EXPECT_EQ(h.Edit.CaretPos(), (TBufferCoord { 7, 4 }));
    EXPECT_EQ(h.Edit.SelectedText(), "\t\r\nb  \r\nbcd\r\n€cd");
    h.Edit.Redo();
    EXPECT_EQ(h.Lines(), deleted);
    EXPECT_EQ(h.Edit.CaretPos(), (TBufferCoord { 2, 1 }));
    EXPECT_FALSE(h.Edit.HasSelection());
    // The rows go back at their bytes even after TabWidth has moved the cells.
    h.Edit.SetTabWidth(8);
    h.Edit.Undo();
    EXPECT_EQ(h.Lines(), text);

    // Made backwards, the block comes back with the caret at its start, as it was selected.
    h.Edit.SetTabWidth(4);
    h.Select(7, 4, 2, 1);
    h.Cmd(ecDeleteLastChar);
    EXPECT_EQ(h.Lines(), deleted);
    h.Edit.Undo();
    EXPECT_EQ(h.Lines(), text);
    EXPECT_EQ(h.Edit.SelAnchor(), (TBufferCoord { 7, 4 }));
    EXPECT_EQ(h.Edit.CaretPos(), (TBufferCoord { 2, 1 }));

    // Typed over, the block and the character undo in one step that selects the block.
    h.Select(2, 1, 7, 4);
    h.Type("x");
    h.Edit.Undo();
    EXPECT_EQ(h.Lines(), text);
    EXPECT_EQ(h.Edit.SelectedText(), "\t\r\nb  \r\nbcd\r\n€cd");
}

TEST(QuillEditSelection, EveryEditEndsWithoutASelection)
{
    TEditorHarness h({ "abc def" });
    h.Select(1, 1, 4, 1);
    h.Type("xyz");
    EXPECT_FALSE(h.Edit.HasSelection());
    EXPECT_EQ(h.Edit.SelAnchor(), h.Edit.CaretPos());

    h.SetOption(TQuillEditorOption::eoNoSelection, true);
    h.Cmd(ecSelRight);
    EXPECT_FALSE(h.Edit.HasSelection());
    h.Cmd(ecSelectAll);
    EXPECT_FALSE(h.Edit.HasSelection());
}

TEST(QuillEditStatus, ReportedOnceWhenThePaintLockEnds)
{
    TEditorHarness h({ "abc", "def" });
    std::vector<TQuillStatusChanges> reports;
    h.Edit.OnStatusChange = [&](TCustomQuillEdit*, TQuillStatusChanges c) { reports.push_back(c); };
    h.Edit.BeginUpdate();
    h.Caret(2, 2);
    h.Edit.SetInsertMode(false);
    EXPECT_TRUE(reports.empty());
    h.Edit.EndUpdate();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0] & (stCaretColumn | stCaretLine | stInsertMode), stCaretColumn | stCaretLine | stInsertMode);

    reports.clear();
    h.Type("x");
    ASSERT_FALSE(reports.empty());
    TQuillStatusChanges all = 0;
    for (auto r : reports)
        all |= r;
    EXPECT_TRUE(all & stModified);
    reports.clear();
    h.Edit.SetReadOnly(true);
    EXPECT_EQ(reports, (std::vector<TQuillStatusChanges> { stReadOnly }));
    reports.clear();
    h.Edit.Lines().Clear();
    EXPECT_TRUE(reports.back() & stAll);
}

TEST(QuillEditKeys, KeyboardFlowAndDispatch)
{
    TEditorHarness h({ "abc" });
    std::vector<TQuillEditorCommand> processed;
    h.Edit.OnCommandProcessed = [&](TCustomQuillEdit*, TQuillEditorCommand c, TQuillChar, const TQuillCommandData&) {
        processed.push_back(c);
    };
    h.Caret(4, 1);
    // A key bound to a command never also types its character.
    EXPECT_TRUE(h.Edit.KeyDown(VK_BACK, ssShift));
    h.Edit.KeyPress(U'\b');
    EXPECT_EQ(h.Lines()[0], "ab");
    EXPECT_TRUE(h.Edit.KeyDown(VK_BACK, ssAlt));
    EXPECT_EQ(h.Lines()[0], "abc") << "Alt+Backspace undoes";
    EXPECT_FALSE(h.Edit.KeyDown('Q', 0));
    h.Edit.KeyPress(U'q');
    EXPECT_EQ(h.Lines()[0], "abcq");

    // The handler may turn a command into another, or into none; user commands go to their own
    // handler and are not run.
    h.Edit.OnProcessCommand = [](TCustomQuillEdit*, TQuillEditorCommand& c, TQuillChar& ch, const TQuillCommandData&) {
        if (c == ecChar && ch == U'!')
            c = ecNone;
    };
    TQuillEditorCommand userSeen = ecNone;
    h.Edit.OnProcessUserCommand
        = [&](TCustomQuillEdit*, TQuillEditorCommand& c, TQuillChar&, const TQuillCommandData&) { userSeen = c; };
    processed.clear();
    h.Edit.DispatchCommand(ecChar, U'!');
    h.Edit.DispatchCommand(ecUserFirst + 5);
    EXPECT_EQ(h.Lines()[0], "abcq");
    EXPECT_EQ(userSeen, ecUserFirst + 5);
    EXPECT_EQ(processed, (std::vector<TQuillEditorCommand> { ecNone, ecUserFirst + 5 }));
}

} // namespace
} // namespace quillan
