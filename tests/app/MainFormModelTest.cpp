#include "app/MainFormModel.h"

#include "app/AppStrings.h"
#include "app/CommandLine.h"
#include "backends/headless/HeadlessHost.h"
#include "backends/posix/IniFile.h"
#include "base/Paths.h"
#include "editor/QuillEdit.h"
#include "highlight/HighlighterCpp.h"
#include "highlight/HighlighterDfm.h"
#include "highlight/HighlighterHTML.h"
#include "highlight/HighlighterPas.h"
#include "support/ScriptedUI.h"
#include "support/TempFolder.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/stat.h>

namespace quillan {
namespace {

namespace fs = std::filesystem;

// Tabs and rows as plain data, each tab's editor in a headless host, so that a test can check
// that the view always mirrors the tables.
class TFakeView : public IMainFormView {
public:
    struct TTab {
        std::unique_ptr<THeadlessHost> Host;
        TQuillEdit* Edit = nullptr;
        std::string Caption;
        int Image = -1;
    };
    struct TRow {
        std::string Caption;
        int Image = -1;
    };

    void AddDocumentTab(TQuillEdit& edit, const std::string& caption, int image) override
    {
        TTab tab;
        tab.Host = std::make_unique<THeadlessHost>();
        edit.SetHost(tab.Host.get());
        tab.Edit = &edit;
        tab.Caption = caption;
        tab.Image = image;
        Tabs.push_back(std::move(tab));
    }
    void RemoveDocumentTab(int slot) override
    {
        // The editor must still be alive here, and must not outlive its host afterwards.
        Tabs.at(slot).Edit->SetHost(nullptr);
        Tabs.erase(Tabs.begin() + slot);
        ++TabsRemoved;
    }
    void SetTabCaption(int slot, const std::string& caption) override { Tabs.at(slot).Caption = caption; }
    void SetTabImage(int slot, int image) override { Tabs.at(slot).Image = image; }
    void ActivateTab(int slot) override { Active = slot; }
    void AddListRow(const std::string& caption, int image) override { Rows.push_back({ caption, image }); }
    void RemoveListRow(int slot) override { Rows.erase(Rows.begin() + slot); }
    void SetListRowCaption(int slot, const std::string& caption) override { Rows.at(slot).Caption = caption; }
    void SetListRowImage(int slot, int image) override { Rows.at(slot).Image = image; }
    void SelectListRow(int slot) override { SelectedRow = slot; }
    void StatusBarChanged() override { ++StatusRepaints; }

    std::vector<TTab> Tabs;
    std::vector<TRow> Rows;
    int Active = -1;
    int SelectedRow = -1;
    int StatusRepaints = 0;
    int TabsRemoved = 0;
};

// Scripted answers, and a look at the window at the moment each question is asked.
class TWatchingUI : public TScriptedUI {
public:
    TModalResult MessageDlg(std::string_view text, TMsgDlgType type, TMsgDlgButtons buttons) override
    {
        if (OnQuestion)
            OnQuestion();
        return TScriptedUI::MessageDlg(text, type, buttons);
    }
    std::function<void()> OnQuestion;
};

class MainFormModelTest : public ::testing::Test {
protected:
    testutil::TTempFolder FTemp { "mainform" };
    void SetUp() override
    {
        FDir = FTemp.Path();
        FModel = std::make_unique<TMainFormModel>(FView, FUI);
        FModel->Start();
    }
    void TearDown() override { FModel.reset(); }

    std::string MakeFile(const std::string& name, const std::string& content)
    {
        const std::string path = (FDir / name).string();
        std::ofstream(path, std::ios::binary) << content;
        return path;
    }
    static std::string ReadFile(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

    // The tables, the tabs and the rows describe the same documents.
    void ExpectConsistent()
    {
        const TMainFormModel& m = *FModel;
        ASSERT_EQ(static_cast<int>(FView.Tabs.size()), m.LastIndex() + 1);
        ASSERT_EQ(static_cast<int>(FView.Rows.size()), m.LastIndex() + 1);
        int untitled = 0;
        for (int i = 0; i <= m.LastIndex(); ++i) {
            EXPECT_EQ(m.Editors(i), FView.Tabs[i].Edit) << "slot " << i;
            EXPECT_EQ(FView.Rows[i].Caption, RowCaption(i, m.FileNames(i))) << "slot " << i;
            EXPECT_EQ(FView.Tabs[i].Caption, ExtractFileName(m.FileNames(i))) << "slot " << i;
            untitled += m.FileNames(i) == SUntitled;
        }
        for (int i = m.LastIndex() + 1; i < DocumentSlots; ++i) {
            EXPECT_EQ(m.Editors(i), nullptr);
            EXPECT_TRUE(m.FileNames(i).empty());
        }
        EXPECT_EQ(m.UntitledCount(), untitled);
        EXPECT_GE(untitled, 1);
        EXPECT_FALSE(m.LoadingDocument());
        EXPECT_EQ(FView.Active, m.ActiveSlot());
    }

    void Type(const std::string& text)
    {
        for (char c : text)
            FModel->ActiveEditor()->KeyPress(static_cast<unsigned char>(c));
    }

    fs::path FDir;
    TFakeView FView;
    TWatchingUI FUI;
    std::unique_ptr<TMainFormModel> FModel;
};

TEST_F(MainFormModelTest, StartsWithOneUntitledDocumentAndItsStatus)
{
    ExpectConsistent();
    EXPECT_EQ(FView.Rows[0].Caption, "00 - Untitled");
    EXPECT_EQ(FView.Tabs[0].Image, iiUnmodified);
    EXPECT_EQ(FModel->StateWord(), "Unmodified");
    EXPECT_EQ(FModel->CaretPanel(), "L:   1   C:   1");
    EXPECT_EQ(FModel->InsertPanel(), "Insert");
    TQuillEdit& edit = *FModel->Editors(0);
    EXPECT_TRUE(edit.WantTabs());
    EXPECT_TRUE(edit.Options().Contains(TQuillEditorOption::eoDropFiles));
    EXPECT_EQ(edit.Font().Name, "Courier New");
    EXPECT_EQ(edit.Color(), 0xFFFFFFu);
    EXPECT_TRUE(edit.Gutter().ShowLineNumbers());

    Type("ab");
    EXPECT_EQ(FModel->StateWord(), "Modified");
    EXPECT_EQ(FView.Tabs[0].Image, iiModified);
    EXPECT_EQ(FView.Rows[0].Image, iiModified);
    EXPECT_EQ(FModel->CaretPanel(), "L:   1   C:   3");
}

TEST_F(MainFormModelTest, HighlighterFollowsTheExtension)
{
    TMainFormModel& m = *FModel;
    const auto& list = m.HighlighterList();
    ASSERT_EQ(list.size(), 4u);
    EXPECT_EQ(list[0].second, &m.CppHighlighter1());
    EXPECT_EQ(list[1].second, &m.DfmHighlighter1());
    EXPECT_EQ(list[2].second, &m.HTMLHighlighter1());
    EXPECT_EQ(list[3].second, &m.PasHighlighter1());
    EXPECT_EQ(m.OpenDialog.FilterIndex, 6);
    EXPECT_TRUE(m.OpenDialog.Filter.starts_with("C++ files (*.cpp,*.c,*.h,*.hpp)|*.cpp;*.c;*.h;*.hpp|"))
        << m.OpenDialog.Filter;
    EXPECT_TRUE(m.OpenDialog.Filter.ends_with("|Text files (*.txt)|*.txt|All files (*.*)|*.*"));

    // The mask search alone does not find ".c" (it first meets "*.cpp"); opening maps it.
    EXPECT_EQ(m.HighlighterForExtension(".c"), nullptr);
    EXPECT_EQ(m.HighlighterForExtension(".H"), &m.CppHighlighter1());
    EXPECT_EQ(m.HighlighterForExtension(".inc"), &m.PasHighlighter1());
    EXPECT_EQ(m.HighlighterForExtension(".ht"), nullptr);
    EXPECT_EQ(m.HighlighterForExtension(""), nullptr);

    struct {
        const char* Name;
        TCustomHighlighter* Expected;
    } cases[] = {
        { "README", nullptr },
        { "Main.C", &m.CppHighlighter1() },
        { "other.c", &m.CppHighlighter1() },
        { "page.HTML", &m.HTMLHighlighter1() },
        { "x.inc", &m.PasHighlighter1() },
        { "notes.txt", nullptr },
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(m.OpenFileInTab(MakeFile(c.Name, "x\n"), false)) << c.Name;
        EXPECT_EQ(m.ActiveEditor()->Highlighter(), c.Expected) << c.Name;
    }
    ExpectConsistent();
}

TEST_F(MainFormModelTest, OpenFillsTheSlotAndAsksBeforeASecondCopy)
{
    TMainFormModel& m = *FModel;
    const std::string path = MakeFile("a.txt", "one\r\ntwo\r\n");
    ASSERT_TRUE(m.OpenFileInTab(path, false));
    EXPECT_EQ(m.LastIndex(), 1);
    EXPECT_EQ(m.FileNames(1), path);
    EXPECT_EQ(m.UntitledCount(), 1);
    EXPECT_EQ(FView.Rows[1].Caption, "01 - a.txt");
    EXPECT_EQ(m.ActiveSlot(), 1);
    EXPECT_EQ(m.ActiveEditor()->LineText(2), "two");
    EXPECT_FALSE(m.ActiveEditor()->Modified());

    FUI.AnswerMessage(TModalResult::mrNo);
    EXPECT_FALSE(m.OpenFileInTab(FDir.string() + "/A.TXT", false));
    EXPECT_EQ(m.LastIndex(), 1);
    FUI.AnswerMessage(TModalResult::mrYes);
    EXPECT_TRUE(m.OpenFileInTab(path, false));
    EXPECT_EQ(m.LastIndex(), 2);
    ASSERT_EQ(FUI.Messages().size(), 2u);
    EXPECT_EQ(FUI.Messages()[0], SAlreadyOpen);
    ExpectConsistent();
}

TEST_F(MainFormModelTest, ReadOnlyComesFromTheBoxOrTheFile)
{
    TMainFormModel& m = *FModel;
    const std::string path = MakeFile("ro.txt", "text\n");
    ASSERT_TRUE(m.OpenFileInTab(path, true));
    EXPECT_TRUE(m.ActiveEditor()->ReadOnly());
    EXPECT_EQ(m.StateWord(), "Read-Only");
    EXPECT_EQ(FView.Tabs[1].Image, iiReadOnly);

    if (::geteuid() != 0) { // root writes anywhere
        const std::string locked = MakeFile("locked.txt", "text\n");
        ::chmod(locked.c_str(), 0444);
        ASSERT_TRUE(m.OpenFileInTab(locked, false));
        EXPECT_TRUE(m.ActiveEditor()->ReadOnly());
        EXPECT_EQ(FView.Rows[2].Image, iiReadOnly);
        Type("x");
        EXPECT_EQ(m.ActiveEditor()->LineText(1), "text");
    }
}

TEST_F(MainFormModelTest, AFileThatCannotBeReadLeavesNoTab)
{
    TMainFormModel& m = *FModel;
    ASSERT_TRUE(m.OpenFileInTab(MakeFile("a.txt", "a\n"), false));
    const std::string folder = (FDir / "sub").string();
    fs::create_directories(folder);
    EXPECT_FALSE(m.OpenFileInTab(folder, false)); // a folder reads as nothing
    ASSERT_EQ(FUI.Messages().size(), 1u);
    EXPECT_EQ(FUI.Messages()[0], "Cannot open file " + folder);
    EXPECT_EQ(FUI.Calls()[0].Type, TMsgDlgType::mtError);
    EXPECT_EQ(m.LastIndex(), 1);
    EXPECT_EQ(m.ActiveSlot(), 1);
    ExpectConsistent();
    EXPECT_FALSE(m.OpenFileInTab((FDir / "missing.txt").string(), false));
    ExpectConsistent();
}

TEST_F(MainFormModelTest, SlotsAboveNineKeepTwoDigitsAndTheLimitHolds)
{
    TMainFormModel& m = *FModel;
    while (m.DocumentCount() < MaxOpenDocuments)
        m.FileNewCmdExecute();
    EXPECT_EQ(FView.Rows[9].Caption, "09 - Untitled");
    EXPECT_EQ(FView.Rows[10].Caption, "10 - Untitled");
    EXPECT_FALSE(m.ActionListUpdate().New);
    EXPECT_FALSE(m.ActionListUpdate().Open);

    FUI.AnswerOpen({ MakeFile("x.txt", "x") });
    m.FileOpenCmdExecute();
    EXPECT_EQ(FUI.Messages(), std::vector<std::string> { SFileLimitReached });
    EXPECT_EQ(m.DocumentCount(), MaxOpenDocuments);

    // The second start has already ended: only the running window can say the file stayed out.
    EXPECT_EQ(m.HandOff({ MakeFile("y.txt", "y") }), 0);
    EXPECT_EQ(FUI.Messages(), (std::vector<std::string> { SFileLimitReached, SFileLimitReached }));
}

TEST_F(MainFormModelTest, DroppedFilesOpenInOrderUntilTheLimit)
{
    TMainFormModel& m = *FModel;
    while (m.DocumentCount() < MaxOpenDocuments - 2)
        m.FileNewCmdExecute();
    const std::string a = MakeFile("a.txt", "a"), b = MakeFile("b.txt", "b"), c = MakeFile("c.txt", "c");
    m.OpenFiles({ a, b, c }, false);
    EXPECT_EQ(m.DocumentCount(), MaxOpenDocuments);
    EXPECT_EQ(m.FileNames(m.LastIndex() - 1), a);
    EXPECT_EQ(m.FileNames(m.LastIndex()), b);
    EXPECT_EQ(FUI.Messages(), std::vector<std::string> { SFileLimitReached });
    ExpectConsistent();
}

TEST_F(MainFormModelTest, EnablingFollowsTheActiveDocument)
{
    TMainFormModel& m = *FModel;
    TCommandStates s = m.ActionListUpdate();
    EXPECT_FALSE(s.Close); // the last untitled document
    EXPECT_FALSE(s.Save);
    EXPECT_FALSE(s.NextFile);
    EXPECT_FALSE(s.PreviousFile);
    EXPECT_FALSE(s.FindAgain);
    EXPECT_EQ(s.BookmarkCaption, "Set &Bookmark");

    ASSERT_TRUE(m.OpenFileInTab(MakeFile("a.html", "<b>x</b>\n"), false));
    ASSERT_TRUE(m.OpenFileInTab(MakeFile("b.txt", "b\n"), false));
    s = m.ActionListUpdate("needle");
    EXPECT_TRUE(s.Close);
    EXPECT_TRUE(s.PreviousFile);
    EXPECT_FALSE(s.NextFile);
    EXPECT_TRUE(s.FindAgain);
    EXPECT_FALSE(s.ViewInBrowser);

    m.PreviousFile();
    EXPECT_EQ(m.ActiveSlot(), 1);
    EXPECT_EQ(FView.SelectedRow, 1);
    s = m.ActionListUpdate();
    EXPECT_TRUE(s.ViewInBrowser);
    EXPECT_TRUE(s.NextFile);
    EXPECT_FALSE(s.Cut);
    m.EditSelectAll();
    EXPECT_TRUE(m.ActionListUpdate().Copy);

    m.PreviousFile();
    EXPECT_FALSE(m.ActionListUpdate().Close);
    m.PreviousFile(); // already first
    EXPECT_EQ(m.ActiveSlot(), 0);
    m.SetBookmarkState(0, bsBookmarked);
    EXPECT_EQ(m.ActionListUpdate().BookmarkCaption, "Remove &Bookmark");
}

TEST_F(MainFormModelTest, SaveAsAsksAboutTxtAndOverwriting)
{
    TMainFormModel& m = *FModel;
    Type("hello");
    FUI.AnswerSave((FDir / "notes").string(), 5);
    FUI.AnswerMessage(TModalResult::mrYes); // TXT
    ASSERT_TRUE(m.FileSaveAsCmdExecute());
    EXPECT_EQ(ReadFile((FDir / "notes.txt").string()), "hello\r\n");
    EXPECT_EQ(m.FileNames(0), (FDir / "notes.txt").string());
    // The only untitled document got a name, so a new one was opened first.
    EXPECT_EQ(m.LastIndex(), 1);
    EXPECT_EQ(m.FileNames(1), SUntitled);
    EXPECT_EQ(m.ActiveSlot(), 0);
    EXPECT_EQ(m.StateWord(), "Unmodified");
    ExpectConsistent();

    // No on TXT keeps the bare name; an existing file is only replaced on Yes.
    const std::string existing = MakeFile("plain", "old");
    m.NextFile();
    Type("new");
    FUI.AnswerSave(existing, 5);
    FUI.AnswerMessage(TModalResult::mrNo); // TXT
    FUI.AnswerMessage(TModalResult::mrNo); // overwrite
    EXPECT_FALSE(m.FileSaveAsCmdExecute());
    EXPECT_EQ(ReadFile(existing), "old");
    EXPECT_EQ(m.FileNames(1), SUntitled);
    EXPECT_TRUE(m.ActiveEditor()->Modified());
    // The new untitled tab stays although nothing was saved.
    EXPECT_EQ(m.LastIndex(), 2);
    ASSERT_EQ(FUI.Messages().size(), 3u);
    EXPECT_EQ(FUI.Messages()[1], SSaveAsTxt);
    EXPECT_EQ(FUI.Messages()[2], "OK to overwrite " + existing + " ?");
    EXPECT_EQ(FUI.Calls()[4].Buttons, TMsgDlgButtons::mbYesNoCancel);

    FUI.AnswerSave(existing, 6);
    FUI.AnswerMessage(TModalResult::mrYes);
    EXPECT_TRUE(m.FileSaveAsCmdExecute());
    EXPECT_EQ(ReadFile(existing), "new\r\n");
    EXPECT_TRUE(FUI.ScriptDone());
    EXPECT_EQ(FUI.Unanswered(), 0);
    ExpectConsistent();
}

TEST_F(MainFormModelTest, SaveAsSwitchesTheColouringAndSaveKeepsLineBreaks)
{
    TMainFormModel& m = *FModel;
    const std::string path = MakeFile("page.txt", "<p>\r\nx\r\n");
    ASSERT_TRUE(m.OpenFileInTab(path, false));
    EXPECT_EQ(m.ActiveEditor()->Highlighter(), nullptr);
    FUI.AnswerSave((FDir / "page.html").string(), 6);
    ASSERT_TRUE(m.FileSaveAsCmdExecute());
    EXPECT_EQ(m.ActiveEditor()->Highlighter(), &m.HTMLHighlighter1());
    EXPECT_EQ(FView.Tabs[1].Caption, "page.html");
    EXPECT_EQ(m.LastIndex(), 1); // a named document leaves the untitled one alone

    Type("y");
    m.FileSaveCmdExecute();
    EXPECT_EQ(ReadFile((FDir / "page.html").string()), "y<p>\r\nx\r\n");
    EXPECT_FALSE(m.ActiveEditor()->Modified());
    EXPECT_EQ(FView.Tabs[1].Image, iiUnmodified);
}

TEST_F(MainFormModelTest, FormFilesStayInTheFormTheyWereRead)
{
    TMainFormModel& m = *FModel;
    const std::string text = "object Form1: TForm1\r\n  Left = 10\r\nend\r\n";
    const std::string textPath = MakeFile("text.dfm", text);
    ASSERT_TRUE(m.OpenFileInTab(textPath, false));
    EXPECT_EQ(m.ActiveEditor()->Highlighter(), &m.DfmHighlighter1());
    EXPECT_FALSE(m.IsBinaryFormFile(1));
    EXPECT_EQ(m.ActiveEditor()->LineText(2), "  Left = 10");
    m.ActiveEditor()->SetCaretPos({ 12, 2 });
    Type("0");
    m.FileSaveCmdExecute();
    EXPECT_EQ(ReadFile(textPath), "object Form1: TForm1\r\n  Left = 100\r\nend\r\n");

    // Save As to a new .dfm name makes a binary form file, which opens as the same text.
    ASSERT_EQ(m.ActiveSlot(), 1);
    FUI.AnswerSave((FDir / "bin.dfm").string(), 2);
    ASSERT_TRUE(m.FileSaveAsCmdExecute());
    EXPECT_FALSE(m.IsBinaryFormFile(1)); // still the text document it was read as
    EXPECT_EQ(ReadFile((FDir / "bin.dfm").string()), ReadFile(textPath));

    m.FileNewCmdExecute();
    m.ActiveEditor()->SetText(text);
    FUI.AnswerSave((FDir / "real.dfm").string(), 2);
    ASSERT_TRUE(m.FileSaveAsCmdExecute());
    const std::string binary = ReadFile((FDir / "real.dfm").string());
    ASSERT_FALSE(binary.empty());
    EXPECT_EQ(static_cast<unsigned char>(binary[0]), 0xFF);
    FUI.AnswerMessage(TModalResult::mrYes); // a second copy
    ASSERT_TRUE(m.OpenFileInTab((FDir / "real.dfm").string(), false));
    EXPECT_TRUE(m.IsBinaryFormFile(m.ActiveSlot()));
    EXPECT_EQ(m.ActiveEditor()->LineText(1), "object Form1: TForm1");
    ExpectConsistent();
}

TEST_F(MainFormModelTest, AFormTextThatDoesNotConvertIsNotSaved)
{
    TMainFormModel& m = *FModel;
    m.ActiveEditor()->SetText("object Form1: TForm1\n  Left = 10\nend\n");
    FUI.AnswerSave((FDir / "f.dfm").string(), 2);
    ASSERT_TRUE(m.FileSaveAsCmdExecute());
    const std::string before = ReadFile((FDir / "f.dfm").string());
    ASSERT_TRUE(m.IsBinaryFormFile(0));

    m.ActiveEditor()->SetText("object Form1: TForm1\n  Caption = 'open\nend\n");
    m.ActiveEditor()->SetModified(true);
    FUI.Clear();
    EXPECT_FALSE(m.Execute([&] { m.FileSaveCmdExecute(); }));
    ASSERT_EQ(FUI.Messages().size(), 1u);
    EXPECT_NE(FUI.Messages()[0].find("on line 2"), std::string::npos) << FUI.Messages()[0];
    EXPECT_EQ(FUI.Calls()[0].Type, TMsgDlgType::mtError);
    EXPECT_EQ(ReadFile((FDir / "f.dfm").string()), before);
    EXPECT_TRUE(m.ActiveEditor()->Modified());

    // Save As to another name fails the same way and keeps the old name.
    FUI.AnswerSave((FDir / "g.dfm").string(), 2);
    EXPECT_FALSE(m.Execute([&] { m.FileSaveAsCmdExecute(); }));
    EXPECT_EQ(m.FileNames(0), (FDir / "f.dfm").string());
    EXPECT_FALSE(fs::exists(FDir / "g.dfm"));
    EXPECT_TRUE(m.ActiveEditor()->Modified());
}

TEST_F(MainFormModelTest, CloseMovesLaterDocumentsDownAndRemembersNames)
{
    TMainFormModel& m = *FModel;
    const std::string a = MakeFile("a.txt", "a"), b = MakeFile("b.txt", "b"), c = MakeFile("c&d.txt", "c");
    ASSERT_TRUE(m.OpenFileInTab(a, false));
    ASSERT_TRUE(m.OpenFileInTab(b, false));
    ASSERT_TRUE(m.OpenFileInTab(c, false));
    TQuillEdit* editB = m.Editors(2);

    m.FileCloseCmdExecute(); // the rightmost: the new rightmost becomes active
    EXPECT_EQ(m.ActiveSlot(), 2);
    EXPECT_EQ(m.Editors(2), editB);
    ExpectConsistent();

    m.PreviousFile(); // a, then close it: b takes its place
    m.FileCloseCmdExecute();
    EXPECT_EQ(m.ActiveSlot(), 1);
    EXPECT_EQ(m.FileNames(1), b);
    EXPECT_EQ(FView.Rows[1].Caption, "01 - b.txt");
    EXPECT_EQ(m.BookmarkStates(2), bsNone);
    ExpectConsistent();

    ASSERT_EQ(m.RecentFiles().Count(), 2);
    EXPECT_EQ(m.RecentFiles()[0], a);
    EXPECT_EQ(m.RecentFiles()[1], c);
    // The path's own "&" shows as itself; only the position carries the accelerator.
    const auto items = m.RecentMenuItems();
    EXPECT_EQ(items[1].Caption, "&1 " + FDir.string() + "/c&&d.txt");
    EXPECT_EQ(items[1].Hint, c);

    m.FileReopen(c);
    EXPECT_EQ(m.FileNames(m.ActiveSlot()), c);
    fs::remove(a);
    m.FileReopen(a);
    EXPECT_EQ(FUI.Messages().back(), SFileNotFound);
    EXPECT_EQ(m.RecentFiles().Count(), 2);
}

TEST_F(MainFormModelTest, CloseAsksAboutChangesAndCancelKeepsTheDocument)
{
    TMainFormModel& m = *FModel;
    const std::string a = MakeFile("a.txt", "a");
    ASSERT_TRUE(m.OpenFileInTab(a, false));
    Type("x");
    FUI.AnswerMessage(TModalResult::mrCancel);
    EXPECT_TRUE(m.Execute([&] { m.FileCloseCmdExecute(); }) == false || m.LastIndex() == 1);
    EXPECT_EQ(m.LastIndex(), 1);
    EXPECT_EQ(FUI.Messages().back(), "Save changes to " + a + "?");
    EXPECT_EQ(FUI.Messages().size(), 1u); // the abort is silent

    FUI.AnswerMessage(TModalResult::mrYes);
    m.Execute([&] { m.FileCloseCmdExecute(); });
    EXPECT_EQ(m.LastIndex(), 0);
    EXPECT_EQ(ReadFile(a), "xa\n");
    ExpectConsistent();
}

TEST_F(MainFormModelTest, CloseQueryAsksEveryDocumentEvenAfterACancel)
{
    TMainFormModel& m = *FModel;
    const std::string a = MakeFile("a.txt", "a"), b = MakeFile("b.txt", "b");
    ASSERT_TRUE(m.OpenFileInTab(a, false));
    Type("1");
    ASSERT_TRUE(m.OpenFileInTab(b, false));
    Type("2");
    FUI.AnswerMessage(TModalResult::mrCancel);
    FUI.AnswerMessage(TModalResult::mrYes);
    EXPECT_FALSE(m.CloseQuery());
    EXPECT_EQ(FUI.Messages().size(), 2u);
    EXPECT_EQ(ReadFile(a), "a");
    EXPECT_EQ(ReadFile(b), "2b\n");
    EXPECT_EQ(m.LastIndex(), 2);
    EXPECT_EQ(m.RecentFiles().Count(), 1); // only the document that was not cancelled

    FUI.AnswerMessage(TModalResult::mrNo);
    EXPECT_TRUE(m.CloseQuery());
    EXPECT_EQ(ReadFile(a), "a");
}

TEST_F(MainFormModelTest, CloseQueryShowsEachDocumentBeforeAskingAboutIt)
{
    TMainFormModel& m = *FModel;
    const std::string a = MakeFile("a.txt", "a"), b = MakeFile("b.txt", "1\n2\n3\n");
    ASSERT_TRUE(m.OpenFileInTab(a, false));
    Type("1");
    ASSERT_TRUE(m.OpenFileInTab(b, false));
    m.ActiveEditor()->SetCaretPos({ 1, 3 });
    m.ActiveEditor()->SetInsertMode(false);
    Type("x");
    m.PreviousFile();
    m.PreviousFile(); // the unmodified untitled document: nothing to ask
    struct TSeen {
        int Slot, Tab, Row;
        std::string Caret, State, Insert;
    };
    std::vector<TSeen> seen;
    FUI.OnQuestion = [&] {
        seen.push_back(
            { m.ActiveSlot(), FView.Active, FView.SelectedRow, m.CaretPanel(), m.StateWord(), m.InsertPanel() });
    };
    FUI.AnswerMessage(TModalResult::mrNo);
    FUI.AnswerMessage(TModalResult::mrNo);
    EXPECT_TRUE(m.CloseQuery());
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].Slot, 1);
    EXPECT_EQ(seen[0].Tab, 1);
    EXPECT_EQ(seen[0].Row, 1);
    EXPECT_EQ(seen[0].Caret, "L:   1   C:   2");
    EXPECT_EQ(seen[0].State, "Modified");
    EXPECT_EQ(seen[0].Insert, "Insert");
    EXPECT_EQ(seen[1].Slot, 2);
    EXPECT_EQ(seen[1].Tab, 2);
    EXPECT_EQ(seen[1].Row, 2);
    EXPECT_EQ(seen[1].Caret, "L:   3   C:   2");
    EXPECT_EQ(seen[1].Insert, "Overwrite");
}

TEST_F(MainFormModelTest, SaveAllVisitsModifiedDocumentsAndReturns)
{
    TMainFormModel& m = *FModel;
    const std::string a = MakeFile("a.txt", "a"), b = MakeFile("b.txt", "b");
    ASSERT_TRUE(m.OpenFileInTab(a, false));
    Type("1");
    ASSERT_TRUE(m.OpenFileInTab(b, false));
    m.PreviousFile();
    m.PreviousFile();
    Type("u");
    FUI.CancelDialog(); // the untitled one asks for a name
    m.FileSaveAllCmdExecute();
    EXPECT_EQ(ReadFile(a), "1a\n");
    EXPECT_EQ(ReadFile(b), "b");
    EXPECT_EQ(m.ActiveSlot(), 0);
    EXPECT_EQ(FUI.Calls().size(), 1u);
    EXPECT_EQ(FUI.Calls()[0].Kind, TScriptedUI::TCallKind::ckSaveDialog);
}

TEST_F(MainFormModelTest, OpenDialogOpensEveryChosenFileWithTheBox)
{
    TMainFormModel& m = *FModel;
    const std::string a = MakeFile("a.pas", "begin end."), b = MakeFile("b.txt", "b");
    FUI.AnswerOpen({ a, b }, true);
    m.FileOpenCmdExecute();
    ASSERT_EQ(m.LastIndex(), 2);
    EXPECT_EQ(m.FileNames(1), a);
    EXPECT_EQ(m.FileNames(2), b);
    EXPECT_TRUE(m.Editors(1)->ReadOnly());
    EXPECT_TRUE(m.Editors(2)->ReadOnly());
    // The box starts unticked next time.
    FUI.CancelDialog();
    m.FileOpenCmdExecute();
    EXPECT_EQ(FUI.Calls().back().Dialog.Options & ofReadOnly, 0u);
}

TEST_F(MainFormModelTest, HandOffOpensExistingFilesInOrder)
{
    TMainFormModel& m = *FModel;
    const std::string a = MakeFile("a.txt", "a"), c = MakeFile("c.txt", "c");
    EXPECT_EQ(m.HandOff({ a, (FDir / "missing").string(), c }), 2);
    EXPECT_EQ(m.FileNames(1), a);
    EXPECT_EQ(m.FileNames(2), c);
    ExpectConsistent();
    EXPECT_TRUE(FUI.Messages().empty());

    // One place left: the first file takes it, the user hears once about the rest.
    while (m.DocumentCount() < MaxOpenDocuments - 1)
        m.FileNewCmdExecute();
    const std::string d = MakeFile("d.txt", "d"), e = MakeFile("e.txt", "e");
    EXPECT_EQ(m.HandOff({ d, e, a }), 1);
    EXPECT_EQ(m.FileNames(MaxOpenDocuments - 1), d);
    EXPECT_EQ(FUI.Messages(), std::vector<std::string> { SFileLimitReached });
}

TEST_F(MainFormModelTest, SettingsReachEditorsAndHighlightersAndSurviveARoundTrip)
{
    const std::string iniPath = (FDir / "Quillan.ini").string();
    {
        std::ofstream(iniPath) << "[RichEdit]\nName=Mono\nSize=14\nRichColour=255\nShowLines=0\n"
                                  "[Pascal]\nComment=65280\n[General]\nMaxFiles=3\nFiles=1\n[Files]\nFile0=/x/y.txt\n";
    }
    TFakeView view;
    TScriptedUI ui;
    auto model = std::make_unique<TMainFormModel>(view, ui);
    model->LoadSettings(TIniFile(iniPath));
    model->Start();
    TQuillEdit& edit = *model->Editors(0);
    EXPECT_EQ(edit.Font().Name, "Mono");
    EXPECT_EQ(edit.Font().Size, 14);
    EXPECT_EQ(edit.Color(), 255u);
    EXPECT_FALSE(edit.Gutter().ShowLineNumbers());
    EXPECT_FALSE(model->LineNumbersChecked());
    // Form files share the Pascal attribute objects.
    EXPECT_EQ(model->DfmHighlighter1().CommentAttri(), model->PasHighlighter1().CommentAttri());
    EXPECT_EQ(model->PasHighlighter1().CommentAttri()->Foreground(), 65280u);
    EXPECT_EQ(model->RecentFiles().Count(), 1);

    model->Settings.Width = 700;
    TIniFile out(iniPath);
    ASSERT_TRUE(model->SaveSettings(out));
    EXPECT_FALSE(out.Modified()); // saving made it lasting
    TIniFile back(iniPath);
    EXPECT_EQ(back.ReadInteger("General", "CheckSum", 0), 10);
    EXPECT_EQ(back.ReadInteger("General", "Width", 0), 700);
    EXPECT_EQ(back.ReadInteger("Pascal", "Comment", 0), 65280);
    EXPECT_EQ(back.ReadString("RichEdit", "Name", ""), "Mono");
    EXPECT_EQ(back.ReadString("Files", "File0", ""), "/x/y.txt");
}

TEST_F(MainFormModelTest, UnreadableSettingsAreReportedOnceAndNeverWritten)
{
    // A folder in the file's place cannot be read, whoever runs the test.
    const fs::path iniPath = FDir / "Quillan.ini";
    fs::create_directories(iniPath);
    TFakeView view;
    TScriptedUI ui;
    auto model = std::make_unique<TMainFormModel>(view, ui);
    TIniFile store(iniPath.string());
    model->LoadSettings(store);
    model->Start();
    EXPECT_TRUE(ui.Calls().empty()); // nothing is said before the window asks
    EXPECT_EQ(model->Settings.Width, 608);
    EXPECT_EQ(model->Editors(0)->Font().Name, "Courier New");

    model->TellSettingsProblem();
    model->TellSettingsProblem();
    ASSERT_EQ(ui.Calls().size(), 1u);
    EXPECT_EQ(ui.Calls()[0].Type, TMsgDlgType::mtError);
    const std::string& text = ui.Calls()[0].Text;
    EXPECT_NE(text.find("could not be read"), std::string::npos) << text;
    EXPECT_NE(text.find(iniPath.string()), std::string::npos) << text;
    EXPECT_NE(text.find("will not write"), std::string::npos) << text;

    EXPECT_FALSE(model->SaveSettings(store));
    EXPECT_TRUE(fs::is_directory(iniPath));
    EXPECT_TRUE(fs::is_empty(iniPath));
    EXPECT_EQ(ui.Calls().size(), 1u);

    // Settings that were read say nothing.
    TScriptedUI quiet;
    TFakeView otherView;
    TMainFormModel other(otherView, quiet);
    other.LoadSettings(TIniFile((FDir / "absent.ini").string()));
    other.TellSettingsProblem();
    EXPECT_TRUE(quiet.Calls().empty());
}

TEST_F(MainFormModelTest, CloseAllTakesEveryDocumentOutWhileItsEditorLives)
{
    TMainFormModel& m = *FModel;
    ASSERT_TRUE(m.OpenFileInTab(MakeFile("a.cpp", "int a;\n"), false));
    ASSERT_TRUE(m.OpenFileInTab(MakeFile("b.pas", "begin end.\n"), false));
    Type("x"); // a modified document goes without a question
    m.CloseAll();
    EXPECT_EQ(FView.TabsRemoved, 3);
    EXPECT_TRUE(FView.Tabs.empty());
    EXPECT_TRUE(FView.Rows.empty());
    EXPECT_EQ(m.DocumentCount(), 0);
    EXPECT_EQ(m.ActiveSlot(), -1);
    EXPECT_EQ(m.ActiveEditor(), nullptr);
    EXPECT_EQ(m.UntitledCount(), 0);
    EXPECT_TRUE(FUI.Calls().empty());
    // The idle pass and the status updates still work on an empty window.
    EXPECT_FALSE(m.ActionListUpdate().Save);
    m.UpdateCaretPanel();
    m.CloseAll();
    EXPECT_EQ(FView.TabsRemoved, 3);
}

TEST_F(MainFormModelTest, StatusWordOffsetsFollowTheWordLength)
{
    EXPECT_EQ(TMainFormModel::StateWordOffset("Modified"), 28);
    EXPECT_EQ(TMainFormModel::StateWordOffset("Read-Only"), 23);
    EXPECT_EQ(TMainFormModel::StateWordOffset("Unmodified"), 21);
    EXPECT_EQ(TMainFormModel::StateWordOffset(""), 20);
}

} // namespace
} // namespace quillan
