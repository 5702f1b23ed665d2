#include "app/EditorJumps.h"
#include "app/FindReplace.h"
#include "app/MainFormModel.h"
#include "backends/headless/HeadlessHost.h"
#include "editor/QuillEdit.h"
#include "support/BareMainFormView.h"
#include "support/ScriptedUI.h"

#include <gtest/gtest.h>
#include <memory>
#include <stdexcept>

namespace quillan {
namespace {

// --- find and replace --------------------------------------------------------------------------

class FindReplaceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        FEdit.SetHost(&FHost);
        FEdit.SetText("one two one\nTwo one\n");
    }
    void TearDown() override { FEdit.SetHost(nullptr); }

    std::string Selected() const { return FEdit.SelectedText(); }
    std::vector<std::string> Errors() const
    {
        std::vector<std::string> out;
        for (const auto& c : FUI.Calls())
            if (c.Kind == TScriptedUI::TCallKind::ckMessageDlg && c.Type == TMsgDlgType::mtError)
                out.push_back(c.Text);
        return out;
    }
    int Beeps() const
    {
        int n = 0;
        for (const auto& c : FUI.Calls())
            n += c.Kind == TScriptedUI::TCallKind::ckBeep;
        return n;
    }

    THeadlessHost FHost;
    TQuillEdit FEdit;
    TScriptedUI FUI;
    TFindReplace FFind { FUI };
};

TEST_F(FindReplaceTest, OptionsFollowTheBoxesAndOnlyFindGoesBackwards)
{
    TFindDialogState s;
    EXPECT_EQ(FindNextOptions(s), 0u);
    s.MatchCase = s.WholeWord = true;
    s.Down = false;
    EXPECT_EQ(FindNextOptions(s), unsigned(srMatchCase | srWholeWord | srBackwards));
    EXPECT_EQ(ReplaceOptions(s, false), unsigned(srMatchCase | srWholeWord | srReplace));
    EXPECT_EQ(ReplaceOptions(s, true), unsigned(srMatchCase | srWholeWord | srReplace | srReplaceAll));
}

TEST_F(FindReplaceTest, FindUpSearchesBackwardsFromTheCaret)
{
    FFind.State.FindText = "one";
    FEdit.SetCaretPos({ 1, 2 });
    FFind.State.Down = false;
    ASSERT_EQ(FFind.Find(&FEdit), 1);
    EXPECT_EQ(FEdit.SelectionStart(), (TBufferCoord { 9, 1 }));
    EXPECT_EQ(Selected(), "one");
    FFind.State.Down = true;
    FEdit.SetCaretPos({ 1, 2 });
    ASSERT_EQ(FFind.Find(&FEdit), 1);
    EXPECT_EQ(FEdit.SelectionStart(), (TBufferCoord { 5, 2 }));
    EXPECT_TRUE(Errors().empty());
}

TEST_F(FindReplaceTest, ReplaceWithTheDirectionUpStillRunsForwards)
{
    FFind.State.FindText = "one";
    FFind.State.ReplaceText = "1";
    FFind.State.Down = false;
    FEdit.SetCaretPos({ 4, 1 });
    ASSERT_EQ(FFind.Replace(&FEdit, false), 1);
    EXPECT_EQ(FEdit.LineText(1), "one two 1");
    FEdit.SetCaretPos({ 1, 1 });
    ASSERT_EQ(FFind.Replace(&FEdit, true), 2);
    EXPECT_EQ(FEdit.LineText(1), "1 two 1");
    EXPECT_EQ(FEdit.LineText(2), "Two 1");
}

TEST_F(FindReplaceTest, CaseAndWholeWordBoxesReachTheEditor)
{
    FFind.State.FindText = "two";
    FFind.State.ReplaceText = "2";
    FFind.State.MatchCase = true;
    EXPECT_EQ(FFind.Replace(&FEdit, true), 1);
    EXPECT_EQ(FEdit.LineText(1), "one 2 one");
    EXPECT_EQ(FEdit.LineText(2), "Two one");
    FFind.State.FindText = "on";
    FFind.State.MatchCase = false;
    FFind.State.WholeWord = true;
    FEdit.SetCaretPos({ 1, 1 });
    EXPECT_EQ(FFind.Find(&FEdit), 0);
    EXPECT_EQ(Errors(), std::vector<std::string> { "Search string 'on' not found." });
}

TEST_F(FindReplaceTest, EmptyAndUnmatchedTextsAreReportedWithABeep)
{
    EXPECT_EQ(FFind.Find(&FEdit), 0);
    // Even with a replace text the complaint is about the search text.
    FFind.State.ReplaceText = "x";
    EXPECT_EQ(FFind.Replace(&FEdit, true), 0);
    FFind.State.FindText = "three";
    EXPECT_EQ(FFind.Replace(&FEdit, false), 0);
    EXPECT_EQ(FFind.Find(&FEdit), 0);
    EXPECT_EQ(Errors(),
        (std::vector<std::string> { "Can't search for nothing!", "Nothing to replace with!",
            "Search string 'three' not found.", "Search string 'three' not found." }));
    EXPECT_EQ(Beeps(), 4);
    EXPECT_EQ(FEdit.LineText(1), "one two one");
}

TEST_F(FindReplaceTest, ALineBreakInTheSearchTextIsRefusedNotSearched)
{
    FFind.State.FindText = "one\nTwo";
    EXPECT_EQ(FFind.Find(&FEdit), 0);
    ASSERT_EQ(Errors().size(), 1u);
    EXPECT_NE(Errors()[0].find("line break"), std::string::npos);
    EXPECT_EQ(Errors()[0].find("not found"), std::string::npos);
}

TEST_F(FindReplaceTest, FindAgainNeedsASearchText)
{
    EXPECT_FALSE(FFind.CanFindAgain());
    FFind.State.ReplaceText = "x";
    EXPECT_FALSE(FFind.CanFindAgain());
    FFind.State.FindText = "o";
    EXPECT_TRUE(FFind.CanFindAgain());
    EXPECT_EQ(FFind.Find(nullptr), 0);
    EXPECT_TRUE(FUI.Calls().empty());
}

// --- go to line --------------------------------------------------------------------------------

TEST(GoToLineTest, NumbersConvertAndOthersAreAConversionError)
{
    EXPECT_EQ(LineNumberFromText("12"), 12);
    EXPECT_EQ(LineNumberFromText(" 7 "), 7);
    EXPECT_EQ(LineNumberFromText("-3"), -3);
    for (const char* bad : { "", "abc", "1.5", "12x", "99999999999" }) {
        try {
            LineNumberFromText(bad);
            ADD_FAILURE() << bad;
        } catch (const std::invalid_argument& e) {
            EXPECT_EQ(std::string(e.what()), "'" + std::string(bad) + "' is not a valid integer value");
        }
    }
}

TEST(GoToLineTest, LandsOnTheNearestLine)
{
    THeadlessHost host;
    TQuillEdit edit;
    edit.SetHost(&host);
    edit.SetText("a\nb\nc\nd\n");
    GoToLine(edit, 3);
    EXPECT_EQ(edit.CaretLine(), 3);
    GoToLine(edit, 0);
    EXPECT_EQ(edit.CaretLine(), 1);
    GoToLine(edit, 1000);
    EXPECT_EQ(edit.CaretLine(), edit.LineCount());
    edit.SetHost(nullptr);
}

// --- date and time -----------------------------------------------------------------------------

TEST(DateTimeTest, PatternsAtFivePastNineOnTheSixthOfDecember2026)
{
    const TDateTimeParts at { 2026, 12, 6, 9, 5, 7 };
    const TDateTimeSeparators slash;
    auto format
        = [&](TDateTimeFormat f, const TDateTimeSeparators& s) { return FormatDateTime(DateTimePattern(f), at, s); };
    EXPECT_EQ(format(TDateTimeFormat::ShortDateTime, slash), "09:05 26/12/06");
    EXPECT_EQ(format(TDateTimeFormat::ShortDate, slash), "26/12/06");
    EXPECT_EQ(format(TDateTimeFormat::LongDate, slash), "2026/12/06");
    EXPECT_EQ(format(TDateTimeFormat::ShortTime, slash), "09:05");
    EXPECT_EQ(format(TDateTimeFormat::LongTime, slash), "09:05:07");
    const TDateTimeSeparators german { ".", "." };
    EXPECT_EQ(format(TDateTimeFormat::ShortDateTime, german), "09.05 26.12.06");
    EXPECT_EQ(FormatDateTime("yy/mm/dd", { 2000, 1, 2 }, slash), "00/01/02");
}

TEST(DateTimeTest, TheSeparatorIsTheFirstCharacterThatIsNoDigit)
{
    EXPECT_EQ(SeparatorIn("06.12.2026", "/"), ".");
    EXPECT_EQ(SeparatorIn("12/06/26", "-"), "/");
    EXPECT_EQ(SeparatorIn("2026. 12. 06.", "/"), ".");
    EXPECT_EQ(SeparatorIn("09h05", ":"), "h");
    EXPECT_EQ(SeparatorIn("2026\xe5\xb9\xb4"
                          "12",
                  "/"),
        "\xe5\xb9\xb4");
    EXPECT_EQ(SeparatorIn("20261206", "/"), "/");
}

TEST(DateTimeTest, InsertionReplacesTheSelectionAsOneUndoableEdit)
{
    THeadlessHost host;
    TQuillEdit edit;
    edit.SetHost(&host);
    edit.SetText("say WHEN now\n");
    edit.SetModified(false);
    edit.SetSelAnchor({ 5, 1 });
    edit.SetSelEnd({ 9, 1 });
    InsertDateTime(edit, TDateTimeFormat::LongDate, { 2026, 12, 6, 9, 5, 0 }, {});
    EXPECT_EQ(edit.LineText(1), "say 2026/12/06 now");
    edit.Undo();
    EXPECT_EQ(edit.LineText(1), "say WHEN now");
    edit.SetCaretPos({ 1, 1 });
    edit.SetSelAnchor({ 1, 1 });
    edit.SetSelEnd({ 1, 1 });
    InsertDateTime(edit, TDateTimeFormat::ShortTime, { 2026, 12, 6, 9, 5, 0 }, {});
    EXPECT_EQ(edit.LineText(1), "09:05say WHEN now");
    edit.SetHost(nullptr);
}

// --- file bookmarks and File Info --------------------------------------------------------------

// Keeps the state pictures, the active tab, the selected row and the focused editor as well.
class TBookmarkView : public testutil::TBareMainFormView {
public:
    void AddDocumentTab(TQuillEdit& edit, const std::string& caption, int image) override
    {
        TBareMainFormView::AddDocumentTab(edit, caption, image);
        TabImages.push_back(image);
    }
    void RemoveDocumentTab(int slot) override
    {
        TBareMainFormView::RemoveDocumentTab(slot);
        TabImages.erase(TabImages.begin() + slot);
    }
    void SetTabImage(int slot, int image) override { TabImages.at(slot) = image; }
    void ActivateTab(int slot) override { Active = slot; }
    void AddListRow(const std::string&, int image) override { RowImages.push_back(image); }
    void RemoveListRow(int slot) override { RowImages.erase(RowImages.begin() + slot); }
    void SetListRowImage(int slot, int image) override { RowImages.at(slot) = image; }
    void SelectListRow(int slot) override { SelectedRow = slot; }
    void FocusEditor(int slot) override { Focused = slot; }

    std::vector<int> TabImages, RowImages;
    int Active = -1, SelectedRow = -1, Focused = -1;
};

class BookmarkTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        FModel = std::make_unique<TMainFormModel>(FView, FUI);
        FModel->Start();
    }
    void TearDown() override
    {
        FModel->CloseAll();
        FModel.reset();
    }
    void Activate(int slot)
    {
        FView.ActivateTab(slot);
        FModel->PageControl1Change(slot);
    }
    // Documents 0..4, 1 and 3 marked, tab 1 active.
    void FiveDocumentsWithTwoMarked()
    {
        for (int i = 0; i < 4; ++i)
            FModel->FileNewCmdExecute();
        Activate(3);
        ToggleFileBookmark(*FModel);
        Activate(1);
        ToggleFileBookmark(*FModel);
    }
    void ExpectActive(int slot)
    {
        EXPECT_EQ(FModel->ActiveSlot(), slot);
        EXPECT_EQ(FView.Active, slot);
        EXPECT_EQ(FView.SelectedRow, slot);
    }

    TBookmarkView FView;
    TScriptedUI FUI;
    std::unique_ptr<TMainFormModel> FModel;
};

TEST_F(BookmarkTest, ToggleShowsTheMarkedIconsAndTheCommandWording)
{
    EXPECT_EQ(FModel->ActionListUpdate().BookmarkCaption, "Set &Bookmark");
    ToggleFileBookmark(*FModel);
    EXPECT_EQ(FModel->BookmarkStates(0), bsBookmarked);
    EXPECT_EQ(FView.TabImages[0], iiUnmodifiedBookmarked);
    EXPECT_EQ(FView.RowImages[0], iiUnmodifiedBookmarked);
    EXPECT_EQ(FModel->StateIcon(), iiUnmodifiedBookmarked);
    EXPECT_EQ(FModel->ActionListUpdate().BookmarkCaption, "Remove &Bookmark");
    EXPECT_EQ(FModel->ActionListUpdate().BookmarkHint, "Unbookmark the current file");
    FModel->ActiveEditor()->SetText("x");
    FModel->ActiveEditor()->SetModified(true);
    FModel->UpdateDocumentState(0);
    EXPECT_EQ(FView.TabImages[0], iiModifiedBookmarked);
    ToggleFileBookmark(*FModel);
    EXPECT_EQ(FView.TabImages[0], iiModified);
    EXPECT_EQ(FModel->BookmarkStates(0), bsNone);
}

TEST_F(BookmarkTest, NextAndPreviousStopAtTheLastMarkedDocument)
{
    FiveDocumentsWithTwoMarked();
    EXPECT_TRUE(NextFileBookmark(*FModel));
    ExpectActive(3);
    EXPECT_EQ(FView.Focused, 3);
    EXPECT_FALSE(NextFileBookmark(*FModel));
    ExpectActive(3);
    EXPECT_TRUE(PreviousFileBookmark(*FModel));
    ExpectActive(1);
    EXPECT_FALSE(PreviousFileBookmark(*FModel));
    ExpectActive(1);
    // From an unmarked document the search starts there.
    Activate(2);
    EXPECT_TRUE(PreviousFileBookmark(*FModel));
    ExpectActive(1);
    Activate(0);
    EXPECT_FALSE(PreviousFileBookmark(*FModel));
    EXPECT_EQ(FModel->ActiveSlot(), 0);
    Activate(4);
    EXPECT_FALSE(NextFileBookmark(*FModel));
    EXPECT_EQ(FModel->ActiveSlot(), 4);
}

TEST_F(BookmarkTest, ClosingAMarkedDocumentKeepsTheOthersOnTheirDocuments)
{
    FiveDocumentsWithTwoMarked();
    TQuillEdit* third = FModel->Editors(3);
    FModel->ActiveEditor()->SetModified(false);
    FModel->FileCloseCmdExecute(); // closes slot 1, the marked one
    ASSERT_EQ(FModel->DocumentCount(), 4);
    EXPECT_EQ(FModel->Editors(2), third);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(FModel->BookmarkStates(i), i == 2 ? bsBookmarked : bsNone) << i;
    EXPECT_EQ(FView.TabImages[2], iiUnmodifiedBookmarked);
    Activate(0);
    EXPECT_TRUE(NextFileBookmark(*FModel));
    ExpectActive(2);
}

TEST_F(BookmarkTest, FileInfoOfANewDocument)
{
    const int lines = FModel->ActiveEditor()->LineCount();
    ShowFileInfo(*FModel);
    ASSERT_EQ(FUI.Calls().size(), 1u);
    EXPECT_EQ(FUI.Calls()[0].Type, TMsgDlgType::mtInformation);
    EXPECT_EQ(FUI.Calls()[0].Text,
        "File Name: Untitled\nLines: " + std::to_string(lines) + "\nModified Status: Unmodified\nRead-Only: No");
    FModel->ActiveEditor()->SetText("a\nb\nc");
    FModel->ActiveEditor()->SetModified(true);
    FModel->ActiveEditor()->SetReadOnly(true);
    EXPECT_EQ(FileInfoText(*FModel), "File Name: Untitled\nLines: 3\nModified Status: Modified\nRead-Only: Yes");
}

} // namespace
} // namespace quillan
