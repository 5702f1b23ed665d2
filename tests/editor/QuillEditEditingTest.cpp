#include "EditorTestUtil.h"

#include <gtest/gtest.h>

namespace quillan {
namespace {

using testutil::TEditorHarness;
using Lines = std::vector<std::string>;

TEST(QuillEditLineBreak, AutoIndentOnEmptyLineAndInsideLine)
{
    TEditorHarness h({ "    abc", "" });
    // An empty line under an indented one: the caret goes to the indentation, no blanks are
    // written until something is typed there.
    h.Caret(1, 2);
    h.Cmd(ecLineBreak);
    EXPECT_EQ(h.Lines(), (Lines { "    abc", "", "" }));
    EXPECT_EQ(h.Edit.CaretPos(), (TBufferCoord { 5, 3 }));
    h.Type("x");
    EXPECT_EQ(h.Lines()[2], "    x");

    TEditorHarness g({ "    abc" });
    g.Caret(6, 1);
    g.Cmd(ecLineBreak);
    EXPECT_EQ(g.Lines(), (Lines { "    a", "    bc" }));
    EXPECT_EQ(g.Edit.CaretPos(), (TBufferCoord { 5, 2 }));
}

TEST(QuillEditLineBreak, UndoInsideLeadingBlanksGivesBackTheLine)
{
    // Breaking inside the indentation leaves a line of blanks (trimmed away) and moves the rest
    // with new indentation; undo must rebuild the line exactly, blanks and tab included.
    TEditorHarness h({ "  \t  code", "next" });
    h.Caret(3, 1);
    h.Cmd(ecLineBreak);
    EXPECT_EQ(h.Lines(), (Lines { "", "     \t  code", "next" }));
    h.Edit.Undo();
    EXPECT_EQ(h.Lines(), (Lines { "  \t  code", "next" }));
    h.Edit.Redo();
    EXPECT_EQ(h.Lines(), (Lines { "", "     \t  code", "next" }));
    h.Edit.Undo();
    EXPECT_FALSE(h.Edit.Modified());

    TEditorHarness insertLine({ "ab" });
    insertLine.Caret(2, 1);
    insertLine.Cmd(ecInsertLine);
    EXPECT_EQ(insertLine.Lines(), (Lines { "a", "b" }));
    EXPECT_EQ(insertLine.Edit.CaretPos(), (TBufferCoord { 2, 1 }));
}

TEST(QuillEditBackspace, UnindentsToTheLineAboveAndJoinsLines)
{
    TEditorHarness h({ "    a", "        b" });
    h.Caret(9, 2);
    h.Cmd(ecDeleteLastChar);
    EXPECT_EQ(h.Lines()[1], "    b");
    EXPECT_EQ(h.Edit.CaretColumn(), 5);

    TEditorHarness alone({ "x", "        b" });
    alone.Caret(9, 2);
    alone.Cmd(ecDeleteLastChar);
    EXPECT_EQ(alone.Lines()[1], "b");

    TEditorHarness join({ "ab", "cd" });
    join.Caret(1, 2);
    join.Cmd(ecDeleteLastChar);
    EXPECT_EQ(join.Lines(), (Lines { "abcd" }));
    EXPECT_EQ(join.Edit.CaretPos(), (TBufferCoord { 3, 1 }));
    join.Edit.Undo();
    EXPECT_EQ(join.Lines(), (Lines { "ab", "cd" }));
}

TEST(QuillEditBackspace, MixedIndentationUndoesInItsOrder)
{
    TEditorHarness h({ "\tx", "\t  y" });
    h.Caret(4, 2);
    h.Cmd(ecDeleteLastChar);
    EXPECT_EQ(h.Lines()[1], "\ty");
    h.Edit.Undo();
    EXPECT_EQ(h.Lines()[1], "\t  y");
}

TEST(QuillEditTyping, MultiByteCharactersAreNeverSplit)
{
    TEditorHarness h({ "a€b" }); // € is three bytes
    h.Caret(2, 1);
    h.Cmd(ecRight);
    EXPECT_EQ(h.Edit.CaretColumn(), 5);
    h.Cmd(ecLeft);
    EXPECT_EQ(h.Edit.CaretColumn(), 2);
    h.Caret(3, 1); // inside the euro sign: snaps to its start
    EXPECT_EQ(h.Edit.CaretColumn(), 2);
    h.Cmd(ecDeleteChar);
    EXPECT_EQ(h.Lines()[0], "ab");
    h.Edit.Undo();
    h.Caret(5, 1);
    h.Cmd(ecDeleteLastChar);
    EXPECT_EQ(h.Lines()[0], "ab");
    h.Edit.Undo();

    // Overwrite replaces one whole character, and undo and redo give the exact bytes back.
    h.Edit.SetInsertMode(false);
    h.Caret(2, 1);
    h.Type("x");
    EXPECT_EQ(h.Lines()[0], "axb");
    h.Type("é");
    EXPECT_EQ(h.Lines()[0], "axé");
    h.Edit.Undo();
    h.Edit.Undo();
    EXPECT_EQ(h.Lines()[0], "a€b");
    h.Edit.Redo();
    h.Edit.Redo();
    EXPECT_EQ(h.Lines()[0], "axé");
}

TEST(QuillEditTyping, BytesThatJoinIntoACharacterSplitAgainOnUndo)
{
    // Text that is not UTF-8: a lone lead byte meets a lone continuation byte and the two read as
    // one character. Undo must take back exactly the byte that was typed.
    TEditorHarness h({ "\xD1" });
    h.Caret(2, 1);
    h.Edit.DispatchCommand(ecChar, 0xDC00 + 0xB8);
    EXPECT_EQ(h.Lines()[0], "\xD1\xB8");
    h.Edit.Undo();
    EXPECT_EQ(h.Lines()[0], "\xD1");
    h.Edit.Redo();
    EXPECT_EQ(h.Lines()[0], "\xD1\xB8");

    // The same when removing a column block brings them together.
    TEditorHarness c({ "\xD1yz\xB8", "abcd" });
    c.Cmd(ecColumnSelect);
    c.Select(2, 1, 4, 2);
    c.Cmd(ecDeleteChar);
    EXPECT_EQ(c.Lines(), (Lines { "\xD1\xB8", "ad" }));
    c.Edit.Undo();
    EXPECT_EQ(c.Lines(), (Lines { "\xD1yz\xB8", "abcd" }));

    // Replacing what stands between them puts the new text in its place.
    TEditorHarness r({ "\xC3\t\xA9" });
    EXPECT_EQ(r.Edit.SearchReplace("\t", "abc", srEntireScope | srReplace), 1);
    EXPECT_EQ(r.Lines()[0],
        "\xC3"
        "abc\xA9");
    // A byte inside a character is not a match; the same byte standing alone is.
    TEditorHarness f({ "é", "x\xA9" });
    EXPECT_EQ(f.Edit.SearchReplace("\xA9", "", srEntireScope), 1);
    EXPECT_EQ(f.Edit.SelAnchor(), (TBufferCoord { 2, 2 }));
}

TEST(QuillEditTyping, PastTheEndPadsAndTrailingBlanksAreTrimmed)
{
    TEditorHarness h({ "ab" });
    h.Caret(6, 1);
    h.Type("x");
    EXPECT_EQ(h.Lines()[0], "ab   x");
    h.Edit.Undo();
    EXPECT_EQ(h.Lines()[0], "ab");
    // The padding goes with the character, the caret stays where it was typed; also once the
    // step has been redone and undone again.
    EXPECT_EQ(h.Edit.CaretPos(), (TBufferCoord { 6, 1 }));
    h.Edit.Redo();
    EXPECT_EQ(h.Edit.CaretPos(), (TBufferCoord { 7, 1 }));
    h.Edit.Undo();
    EXPECT_EQ(h.Edit.CaretPos(), (TBufferCoord { 6, 1 }));

    // A blank typed at the end is not kept while the caret moves past it.
    h.SetOption(TQuillEditorOption::eoScrollPastEol, false);
    h.Caret(3, 1);
    h.Type(" ");
    EXPECT_EQ(h.Lines()[0], "ab");
    EXPECT_EQ(h.Edit.CaretColumn(), 4);
    h.Type("c");
    EXPECT_EQ(h.Lines()[0], "ab c");
}

TEST(QuillEditTyping, TrimmedBlanksThatWereThereComeBackOnUndo)
{
    // A line loaded with a trailing tab loses it when written; undo must give it back.
    TEditorHarness h({ "ab\t", "x" });
    h.Caret(1, 1);
    h.Type("z");
    EXPECT_EQ(h.Lines()[0], "zab");
    h.Edit.Undo();
    EXPECT_EQ(h.Lines(), (Lines { "ab\t", "x" }));
    EXPECT_FALSE(h.Edit.Modified());
    h.Edit.Redo();
    EXPECT_EQ(h.Lines()[0], "zab");

    // Without the option nothing is trimmed.
    TEditorHarness keep({ "ab" });
    keep.SetOption(TQuillEditorOption::eoTrimTrailingSpaces, false);
    keep.Caret(3, 1);
    keep.Type(" ");
    EXPECT_EQ(keep.Lines()[0], "ab ");
}

TEST(QuillEditTyping, GroupsAndModifiedFlag)
{
    TEditorHarness h({ "one", "two", "three" });
    int changes = 0;
    h.Edit.OnChange = [&](TCustomQuillEdit*) { ++changes; };
    h.Caret(1, 1);
    h.Type("abc");
    ASSERT_EQ(h.Edit.UndoList().ItemCount(), 3);
    EXPECT_EQ(changes, 3) << "OnChange for every recorded change";
    EXPECT_NE(h.Edit.UndoList().Item(0).ChangeNumber(), h.Edit.UndoList().Item(1).ChangeNumber());
    EXPECT_TRUE(h.Edit.Modified());
    h.UndoAll();
    EXPECT_FALSE(h.Edit.Modified());
    EXPECT_EQ(changes, 6) << "and for every undone one";

    // Typing over a three-line selection is one step; undo restores and selects the lines.
    h.Select(2, 1, 3, 3);
    h.Type("X");
    EXPECT_EQ(h.Lines(), (Lines { "oXree" }));
    EXPECT_EQ(h.Edit.UndoList().ItemCount(), 2);
    EXPECT_EQ(h.Edit.UndoList().Item(0).ChangeNumber(), h.Edit.UndoList().Item(1).ChangeNumber());
    h.Edit.Undo();
    EXPECT_EQ(h.Lines(), (Lines { "one", "two", "three" }));
    EXPECT_EQ(h.Edit.SelectedText(), "ne\r\ntwo\r\nth");

    // A new change clears the redo list; redoing does not.
    h.Edit.Redo();
    EXPECT_FALSE(h.Edit.CanRedo());
    h.Edit.Undo();
    EXPECT_TRUE(h.Edit.CanRedo());
    h.Type("q");
    EXPECT_FALSE(h.Edit.CanRedo());
}

TEST(QuillEditTyping, UndoLimitKeepsModifiedAndNeverUndoesHalfAStep)
{
    TEditorHarness h({ "abcdef" });
    h.Edit.SetMaxUndo(3);
    h.Caret(7, 1);
    h.Type("12345");
    EXPECT_EQ(h.Edit.UndoList().ItemCount(), 3);
    h.UndoAll();
    EXPECT_EQ(h.Lines()[0], "abcdef12");
    EXPECT_TRUE(h.Edit.Modified());

    h.Edit.SetMaxUndo(-5);
    EXPECT_EQ(h.Edit.MaxUndo(), 3);
    h.Edit.SetMaxUndo(0);
    EXPECT_FALSE(h.Edit.CanUndo());
    EXPECT_FALSE(h.Edit.CanRedo());

    // Typing over a selection records two items as one step; with room for three items the
    // second step loses its first item, and must not be undone by half.
    TEditorHarness cut({ "abcdef" });
    cut.Edit.SetMaxUndo(3);
    cut.Select(1, 1, 3, 1);
    cut.Type("X");
    cut.Select(2, 1, 4, 1);
    cut.Type("Y");
    EXPECT_EQ(cut.Lines()[0], "XYef");
    cut.UndoAll();
    EXPECT_EQ(cut.Lines()[0], "Xcdef");
}

TEST(QuillEditTyping, InputMethodStringIsOneInsertion)
{
    TEditorHarness h({ "abcdef" });
    h.Caret(2, 1);
    h.Edit.ImeString("日本", 2);
    EXPECT_EQ(h.Lines()[0], "a日本bcdef");
    // The character messages the platform sends after the string do not type again.
    h.Edit.KeyPress(U'x');
    h.Edit.KeyPress(U'y');
    EXPECT_EQ(h.Lines()[0], "a日本bcdef");
    h.Edit.KeyPress(U'z');
    EXPECT_EQ(h.Lines()[0], "a日本zbcdef");

    h.Edit.SetInsertMode(false);
    h.Caret(2, 1);
    h.Edit.ImeString("AB");
    EXPECT_EQ(h.Lines()[0], "aABzbcdef");
    h.Edit.Undo();
    EXPECT_EQ(h.Lines()[0], "a日本zbcdef");
}

TEST(QuillEditTab, WidthFromTabStopsAndSmartTabs)
{
    TEditorHarness h({ "abc   d", "" });
    h.SetOption(TQuillEditorOption::eoSmartTabs, false);
    h.Caret(3, 2);
    h.Cmd(ecTab);
    EXPECT_EQ(h.Edit.CaretColumn(), 9);

    TEditorHarness smart({ "abc   d", "" });
    smart.Caret(1, 2);
    smart.Cmd(ecTab);
    EXPECT_EQ(smart.Edit.CaretColumn(), 7);
    smart.Type("x");
    EXPECT_EQ(smart.Lines()[1], "      x");
    smart.Cmd(ecShiftTab);
    EXPECT_EQ(smart.Lines()[1], "      x");
}

TEST(QuillEditBlockIndent, IndentAndUnindentMoveTheSelection)
{
    TEditorHarness h({ "ab", "cd", "ef" });
    h.Select(2, 1, 1, 3);
    h.Cmd(ecBlockIndent);
    EXPECT_EQ(h.Lines(), (Lines { "        ab", "        cd", "ef" }));
    EXPECT_EQ(h.Edit.SelAnchor(), (TBufferCoord { 10, 1 }));
    EXPECT_EQ(h.Edit.SelEnd(), (TBufferCoord { 1, 3 }));
    h.Edit.Undo();
    EXPECT_EQ(h.Lines(), (Lines { "ab", "cd", "ef" }));
    EXPECT_TRUE(h.Edit.HasSelection());
    // Redone, the block is selected again and the caret goes below it: the block ended in
    // column 1, so line 3 was not indented.
    h.Edit.Redo();
    EXPECT_EQ(h.Lines(), (Lines { "        ab", "        cd", "ef" }));
    EXPECT_EQ(h.Edit.SelAnchor(), (TBufferCoord { 10, 1 }));
    EXPECT_EQ(h.Edit.SelEnd(), (TBufferCoord { 1, 3 }));
    EXPECT_EQ(h.Edit.CaretPos(), (TBufferCoord { 1, 3 }));

    TEditorHarness u({ "  ab", "cd" });
    u.Select(4, 1, 2, 2);
    u.Cmd(ecBlockUnindent);
    EXPECT_EQ(u.Lines(), (Lines { "ab", "cd" }));
    EXPECT_EQ(u.Edit.SelAnchor(), (TBufferCoord { 2, 1 }));
    EXPECT_EQ(u.Edit.SelEnd(), (TBufferCoord { 2, 2 }));
    u.Edit.Undo();
    EXPECT_EQ(u.Lines(), (Lines { "  ab", "cd" }));
    u.Edit.Redo();
    EXPECT_EQ(u.Lines(), (Lines { "ab", "cd" }));
    // Only two blanks went from the first line: the caret stays on the character it was on.
    EXPECT_EQ(u.Edit.CaretPos(), (TBufferCoord { 2, 1 }));
    EXPECT_EQ(u.Edit.SelAnchor(), (TBufferCoord { 2, 1 }));
    EXPECT_EQ(u.Edit.SelEnd(), (TBufferCoord { 2, 2 }));

    // An indented empty line is trimmed again, yet undo and a changed TabWidth leave the
    // text exact.
    TEditorHarness e({ "a", "", "b" });
    e.Select(1, 1, 2, 3);
    e.Cmd(ecBlockIndent);
    EXPECT_EQ(e.Lines(), (Lines { "        a", "", "        b" }));
    e.Edit.SetTabWidth(3);
    e.Edit.Undo();
    EXPECT_EQ(e.Lines(), (Lines { "a", "", "b" }));
    e.Edit.Redo();
    EXPECT_EQ(e.Lines(), (Lines { "        a", "", "        b" }));
}

TEST(QuillEditDelete, LinesWordsAndJoins)
{
    TEditorHarness only({ "text" });
    only.Cmd(ecDeleteLine);
    EXPECT_EQ(only.Lines(), (Lines { "" }));
    only.Edit.Undo();
    EXPECT_EQ(only.Lines(), (Lines { "text" }));

    // The last line goes with the line break before it; undo does not leave an extra line.
    TEditorHarness last({ "a", "b" });
    last.Caret(1, 2);
    last.Cmd(ecDeleteLine);
    EXPECT_EQ(last.Lines(), (Lines { "a" }));
    last.Edit.Undo();
    EXPECT_EQ(last.Lines(), (Lines { "a", "b" }));
    last.Edit.Redo();
    EXPECT_EQ(last.Lines(), (Lines { "a" }));

    // Delete past the end pads the line up to the caret and joins the next one.
    TEditorHarness join({ "ab", "cd" });
    join.Caret(5, 1);
    join.Cmd(ecDeleteChar);
    EXPECT_EQ(join.Lines(), (Lines { "ab  cd" }));
    join.Edit.Undo();
    EXPECT_EQ(join.Lines(), (Lines { "ab", "cd" }));

    TEditorHarness words({ "foo bar baz" });
    words.Caret(5, 1);
    words.Cmd(ecDeleteWord);
    EXPECT_EQ(words.Lines()[0], "foo baz");
    words.Cmd(ecDeleteLastWord);
    EXPECT_EQ(words.Lines()[0], "baz");
    EXPECT_EQ(words.Edit.CaretColumn(), 1);
    words.Caret(2, 1);
    words.Cmd(ecDeleteEOL);
    EXPECT_EQ(words.Lines()[0], "b");
    words.UndoAll();
    EXPECT_EQ(words.Lines()[0], "foo bar baz");
}

TEST(QuillEditDelete, EmptyDocumentComesBackEmpty)
{
    TEditorHarness h;
    ASSERT_EQ(h.Edit.LineCount(), 0);
    h.Type("x");
    h.Cmd(ecLineBreak);
    EXPECT_EQ(h.Lines(), (Lines { "x", "" }));
    h.UndoAll();
    EXPECT_EQ(h.Edit.LineCount(), 0) << "undo gives back no lines, not one empty line";
    h.RedoAll();
    EXPECT_EQ(h.Lines(), (Lines { "x", "" }));
}

TEST(QuillEditReadOnly, EditingCommandsDoNothing)
{
    TEditorHarness h({ "abc" });
    h.Edit.SetReadOnly(true);
    h.Caret(2, 1);
    h.Type("x");
    h.Cmd(ecDeleteChar);
    h.Cmd(ecLineBreak);
    h.Host.HeadlessClipboard().SetText("p");
    h.Cmd(ecPaste);
    EXPECT_EQ(h.Lines(), (Lines { "abc" }));
    h.Cmd(ecRight);
    EXPECT_EQ(h.Edit.CaretColumn(), 3) << "movement still works";
}

} // namespace
} // namespace quillan
