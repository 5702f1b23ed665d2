#include "EditorTestUtil.h"

#include <gtest/gtest.h>

namespace quillan {
namespace {

using testutil::TEditorHarness;
using Lines = std::vector<std::string>;

TEST(QuillEditSearchReplace, FindSelectsTheMatchWithTheCaretOnTheFarSide)
{
    TEditorHarness h({ "xABCabc", "concat cat_cat" });
    EXPECT_EQ(h.Edit.SearchReplace("abc", "", srEntireScope), 1);
    EXPECT_EQ(h.Edit.SelAnchor(), (TBufferCoord { 2, 1 }));
    EXPECT_EQ(h.Edit.CaretPos(), (TBufferCoord { 5, 1 }));
    // Forward from the caret: the match before it is behind.
    EXPECT_EQ(h.Edit.SearchReplace("abc", "", 0), 1);
    EXPECT_EQ(h.Edit.SelAnchor(), (TBufferCoord { 5, 1 }));
    EXPECT_EQ(h.Edit.SearchReplace("abc", "", srMatchCase), 0);
    EXPECT_EQ(h.Edit.CaretPos(), (TBufferCoord { 8, 1 })) << "nothing found leaves the caret";

    // Backwards from the caret skips a match that ends after it, and leaves the caret in front.
    h.Caret(7, 1);
    EXPECT_EQ(h.Edit.SearchReplace("abc", "", srBackwards), 1);
    EXPECT_EQ(h.Edit.CaretPos(), (TBufferCoord { 2, 1 }));

    // The whole-word rule: the underscore separates words, "concat" holds no "cat".
    EXPECT_EQ(h.Edit.SearchReplace("cat", "#", srWholeWord | srEntireScope | srReplaceAll), 2);
    EXPECT_EQ(h.Lines()[1], "concat #_#");
    EXPECT_EQ(h.Edit.SearchReplace("", "x", srEntireScope), 0);
}

TEST(QuillEditSearchReplace, ReplaceAllShiftsLaterMatchesAndUndoesStepByStep)
{
    TEditorHarness h({ "aXa", "a" });
    EXPECT_EQ(h.Edit.SearchReplace("a", "xyz", srMatchCase | srEntireScope | srReplaceAll), 3);
    EXPECT_EQ(h.Lines(), (Lines { "xyzXxyz", "xyz" }));
    h.UndoAll();
    EXPECT_EQ(h.Lines(), (Lines { "aXa", "a" }));

    // A replacement holding a line break carries the rest of the line, and its later matches,
    // to the new line.
    TEditorHarness breaks({ "a-a-a", "a" });
    EXPECT_EQ(breaks.Edit.SearchReplace("-", "\r\n", srEntireScope | srReplaceAll), 2);
    EXPECT_EQ(breaks.Lines(), (Lines { "a", "a", "a", "a" }));
    EXPECT_EQ(breaks.Edit.SearchReplace("a", "bb", srEntireScope | srReplaceAll), 4);
    EXPECT_EQ(breaks.Lines(), (Lines { "bb", "bb", "bb", "bb" }));
}

TEST(QuillEditSearchReplace, PromptAnswers)
{
    TEditorHarness h({ "a a a a" });
    std::vector<TQuillReplaceAction> answers;
    std::vector<int> asked;
    h.Edit.OnReplaceText = [&](TCustomQuillEdit*, const std::string& search, const std::string& replace, int line,
                               int column, TQuillReplaceAction& action) {
        EXPECT_EQ(search, "a");
        EXPECT_EQ(replace, "bb");
        EXPECT_EQ(line, 1);
        EXPECT_EQ(action, TQuillReplaceAction::rpCancel);
        asked.push_back(column);
        action = answers[asked.size() - 1];
    };
    answers = { TQuillReplaceAction::rpCancel };
    EXPECT_EQ(h.Edit.SearchReplace("a", "bb", srEntireScope | srReplaceAll | srPrompt), 1);
    EXPECT_EQ(h.Lines()[0], "a a a a");

    asked.clear();
    answers = { TQuillReplaceAction::rpSkip, TQuillReplaceAction::rpReplace, TQuillReplaceAction::rpReplaceAll };
    EXPECT_EQ(h.Edit.SearchReplace("a", "bb", srEntireScope | srReplaceAll | srPrompt), 4);
    EXPECT_EQ(h.Lines()[0], "a bb bb bb");
    EXPECT_EQ(asked, (std::vector<int> { 1, 3, 6 })) << "columns as they are when asked; no question after all";

    // Without srReplaceAll one answered replacement ends the operation.
    asked.clear();
    answers = { TQuillReplaceAction::rpReplace };
    h.Caret(1, 1);
    EXPECT_EQ(h.Edit.SearchReplace("a", "bb", srReplace | srPrompt), 1);
    EXPECT_EQ(h.Lines()[0], "bb bb bb bb");
    EXPECT_EQ(h.Edit.CaretColumn(), 3);
}

TEST(QuillEditSearchReplace, SelectionScopeInEveryMode)
{
    TEditorHarness h({ "ab ab ab", "ab ab ab", "ab ab ab" });
    h.Select(5, 1, 3, 2);
    EXPECT_EQ(h.Edit.SearchReplace("ab", "X", srSelectionOnly | srEntireScope | srReplaceAll), 2);
    EXPECT_EQ(h.Lines(), (Lines { "ab ab X", "X ab ab", "ab ab ab" })) << "the match at column 4 starts too early";

    // A column block bounds every line; growing a match does not push later ones out of it.
    TEditorHarness c({ "ab ab ab", "ab ab ab" });
    c.Cmd(ecColumnSelect);
    c.Select(1, 1, 6, 2);
    EXPECT_EQ(c.Edit.SearchReplace("ab", "abab", srSelectionOnly | srEntireScope | srReplaceAll), 4);
    EXPECT_EQ(c.Lines(), (Lines { "abab abab ab", "abab abab ab" }));

    // In line mode the scope is whole lines, but only the matches are replaced.
    TEditorHarness l({ "x ab", "ab", "ab" });
    l.Cmd(ecLineSelect);
    l.Select(3, 1, 1, 2);
    EXPECT_EQ(l.Edit.SearchReplace("ab", "", srSelectionOnly | srEntireScope | srReplaceAll), 2);
    EXPECT_EQ(l.Lines(), (Lines { "x", "", "ab" }));

    // Outside selection-only the selection mode does not widen the scope behind the caret.
    TEditorHarness f({ "ab ab" });
    f.Cmd(ecLineSelect);
    f.Caret(3, 1);
    EXPECT_EQ(f.Edit.SearchReplace("ab", "", 0), 1);
    EXPECT_EQ(f.Edit.CaretColumn(), 6);
    EXPECT_EQ(f.Edit.SearchReplace("ab", "", 0), 0) << "a find-next from there finds nothing more";
}

TEST(QuillEditSearchReplace, ReplacesAlsoWhenNothingCanBeSelected)
{
    TEditorHarness h({ "one two" });
    h.SetOption(TQuillEditorOption::eoNoSelection, true);
    EXPECT_EQ(h.Edit.SearchReplace("two", "2", srEntireScope | srReplace), 1);
    EXPECT_EQ(h.Lines()[0], "one 2");
}

TEST(QuillEditSearchReplace, TwoEditorsKeepTheirOwnCaseRule)
{
    TEditorHarness a({ "Abc" });
    TEditorHarness b({ "Abc" });
    EXPECT_EQ(a.Edit.SearchReplace("abc", "", srMatchCase | srEntireScope), 0);
    EXPECT_EQ(b.Edit.SearchReplace("abc", "", srEntireScope), 1);
    EXPECT_EQ(a.Edit.SearchReplace("abc", "", srMatchCase | srEntireScope), 0);
}

} // namespace
} // namespace quillan
