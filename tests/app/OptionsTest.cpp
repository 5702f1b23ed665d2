// The options dialog's rules and the main window's ApplyOptions, without a window: the dialog's
// controls are TOptionsValues, the user's answers come from a script and the desktop is a fake
// that records what it was asked to do.

#include "app/ColourPreview.h"
#include "app/MainFormModel.h"
#include "app/OptionsModel.h"
#include "backends/headless/HeadlessHost.h"
#include "backends/posix/IniFile.h"
#include "base/QuillEditStrConst.h"
#include "editor/QuillEdit.h"
#include "highlight/HighlighterCpp.h"
#include "highlight/HighlighterDfm.h"
#include "highlight/HighlighterHTML.h"
#include "highlight/HighlighterPas.h"
#include "support/BareMainFormView.h"
#include "support/ScriptedUI.h"
#include "support/TempFolder.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <set>

namespace quillan {
namespace {

namespace fs = std::filesystem;

// Tabs that host each editor headless, so the editors can measure and paint.
using TTabsView = testutil::TBareMainFormView;

// Launchers that exist per place, and every request in order.
class TFakeShell : public IShellActions {
public:
    bool ShortcutPlaceAvailable(TShortcutPlace place) override { return Available.count(place) > 0; }
    bool ShortcutExists(TShortcutPlace place) override { return Existing.count(place) > 0; }
    void ShortcutBoxChanged(TShortcutPlace place, bool ticked) override
    {
        Changes.emplace_back(place, ticked);
        if (ticked)
            Existing.insert(place);
        else
            Existing.erase(place);
    }
    bool AssociateTextFiles() override
    {
        ++Associations;
        return AssociateResult;
    }
    void RevertTextFileAssociation() override { ++Reverts; }

    std::set<TShortcutPlace> Available { TShortcutPlace::spStartMenu, TShortcutPlace::spDesktop,
        TShortcutPlace::spSendTo };
    std::set<TShortcutPlace> Existing;
    std::vector<std::pair<TShortcutPlace, bool>> Changes;
    bool AssociateResult = true;
    int Associations = 0;
    int Reverts = 0;
};

class OptionsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        FIniPath = (fs::path(FTemp.Path()) / "Quillan.ini").string();
        FModel = std::make_unique<TMainFormModel>(FView, FUI);
    }
    void TearDown() override
    {
        FOptions.reset();
        FModel.reset();
    }

    // Starts the main window's logic on a settings file with `content`.
    void Start(const std::string& content = "[General]\nCheckSum=10\n")
    {
        std::ofstream(FIniPath, std::ios::binary) << content;
        FStore = std::make_unique<TIniFile>(FIniPath);
        FModel->LoadSettings(*FStore);
        FModel->Start();
        FOptions = std::make_unique<TOptionsModel>(*FModel, FShell, *FStore);
    }

    std::string ReadIni() const
    {
        std::ifstream in(FIniPath, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    testutil::TTempFolder FTemp { "options" };
    std::string FIniPath;
    TTabsView FView;
    TScriptedUI FUI;
    TFakeShell FShell;
    std::unique_ptr<TIniFile> FStore;
    std::unique_ptr<TMainFormModel> FModel;
    std::unique_ptr<TOptionsModel> FOptions;
};

// --- loading the dialog ------------------------------------------------------------------------

TEST_F(OptionsTest, ShowingTheDialogLoadsTheMainWindowsCurrentValues)
{
    Start("[General]\nCheckSum=10\nMaxFiles=7\n[Tray]\nEnabled=1\nMinToTray=1\nAlways=1\n"
          "[CPP]\nComment=255\n[Pascal]\nNumber=65280\n[HTML]\nValue=4660\n"
          "[RichEdit]\nColour=128\nName=DejaVu Sans Mono\nSize=14\nRichColour=12632256\nShowLines=0\n");
    FShell.Existing = { TShortcutPlace::spDesktop, TShortcutPlace::spSendTo };
    FOptions->Load();
    const TOptionsValues& v = FOptions->Values;
    EXPECT_EQ(v.MaxRecentText, "7");
    EXPECT_TRUE(v.TrayEnable);
    EXPECT_TRUE(v.TrayBoxesEnabled);
    EXPECT_TRUE(v.TrayMinOnly);
    EXPECT_TRUE(v.AlwaysShow);
    EXPECT_EQ(v.Cpp.Comment, 255u);
    EXPECT_EQ(v.Cpp.Invalid, 0xFF00FFu); // not in the file: the shipped colour
    EXPECT_EQ(v.Pas.Number, 65280u);
    EXPECT_EQ(v.HTML.Value, 4660u);
    EXPECT_EQ(v.TxtCol, 128u);
    EXPECT_EQ(v.FontName, "DejaVu Sans Mono");
    EXPECT_EQ(v.FontSize, 14);
    EXPECT_EQ(v.EditorColour, 12632256u);
    EXPECT_FALSE(v.ShowLineNumbers);
    EXPECT_FALSE(v.StartMenuCheck);
    EXPECT_TRUE(v.DesktopCheck);
    EXPECT_TRUE(v.SendToCheck);
    // No quick-launch bar here: its box is disabled, whatever file might be lying around.
    EXPECT_FALSE(v.QLEnabled);
    EXPECT_FALSE(v.QLCheck);

    FShell.Available.insert(TShortcutPlace::spQuickLaunch);
    FShell.Existing.insert(TShortcutPlace::spQuickLaunch);
    FOptions->Load();
    EXPECT_TRUE(FOptions->Values.QLEnabled);
    EXPECT_TRUE(FOptions->Values.QLCheck);
}

TEST_F(OptionsTest, EveryShowForgetsWhatACancelledVisitChanged)
{
    Start();
    FOptions->Load();
    FOptions->Values.Cpp.Comment = 0x123456;
    FOptions->Values.MaxRecentText = "3";
    FOptions->Values.FontName = "Other";
    FOptions->Load(); // shown again after Cancel
    EXPECT_EQ(FOptions->Values.Cpp.Comment, 0x800000u);
    EXPECT_EQ(FOptions->Values.MaxRecentText, "15");
    EXPECT_EQ(FOptions->Values.FontName, "Courier New");
    EXPECT_EQ(FModel->CppHighlighter1().CommentAttri()->Foreground(), 0x800000u);
}

// --- the tray boxes ----------------------------------------------------------------------------

TEST_F(OptionsTest, UntickingTheTrayIconDisablesTheOtherBoxesAndTickingBringsBackTheWindowsFlags)
{
    Start("[General]\nCheckSum=10\n[Tray]\nEnabled=1\nMinToTray=1\nAlways=0\n");
    FOptions->Load();
    TOptionsValues& v = FOptions->Values;
    v.AlwaysShow = true; // the user ticks it, then changes their mind about the icon
    v.TrayMinOnly = false;
    v.TrayEnable = false;
    FOptions->TrayEnableClick();
    EXPECT_FALSE(v.TrayBoxesEnabled);
    EXPECT_FALSE(v.TrayMinOnly);
    EXPECT_FALSE(v.AlwaysShow);
    v.TrayEnable = true;
    FOptions->TrayEnableClick();
    EXPECT_TRUE(v.TrayBoxesEnabled);
    EXPECT_TRUE(v.TrayMinOnly); // the window's flags, not what was ticked before
    EXPECT_FALSE(v.AlwaysShow);
}

TEST_F(OptionsTest, ADisabledTrayIconShowsBothBoxesDisabledAndUnticked)
{
    Start("[General]\nCheckSum=10\n[Tray]\nEnabled=0\nMinToTray=1\nAlways=1\n");
    FOptions->Load();
    EXPECT_FALSE(FOptions->Values.TrayEnable);
    EXPECT_FALSE(FOptions->Values.TrayBoxesEnabled);
    EXPECT_FALSE(FOptions->Values.TrayMinOnly);
    EXPECT_FALSE(FOptions->Values.AlwaysShow);
}

// --- the default buttons -----------------------------------------------------------------------

TEST_F(OptionsTest, DefaultButtonsAnsweredNoChangeNothing)
{
    Start();
    FOptions->Load();
    TOptionsValues& v = FOptions->Values;
    v.Cpp.Comment = v.Pas.Ident = v.HTML.And = 0x010203;
    FUI.AnswerMessage(TModalResult::mrNo);
    FUI.AnswerMessage(TModalResult::mrNo);
    FUI.AnswerMessage(TModalResult::mrNo);
    EXPECT_FALSE(FOptions->CppDefButtonClick());
    EXPECT_FALSE(FOptions->PasDefButtonClick());
    EXPECT_FALSE(FOptions->HTMDefButtonClick());
    EXPECT_EQ(v.Cpp.Comment, 0x010203u);
    EXPECT_EQ(v.Pas.Ident, 0x010203u);
    EXPECT_EQ(v.HTML.And, 0x010203u);
    ASSERT_EQ(FUI.Calls().size(), 3u);
    for (const auto& call : FUI.Calls()) {
        EXPECT_EQ(call.Text, "This will restore the default values.\nDo you want to continue?");
        EXPECT_EQ(call.Type, TMsgDlgType::mtConfirmation);
        EXPECT_EQ(call.Buttons, TMsgDlgButtons::mbYesNo);
    }
}

// The table the "&Default" buttons restore, in RGB as users know it.
constexpr TColor Rgb(int r, int g, int b)
{
    return static_cast<TColor>(r | (g << 8) | (b << 16));
}

TEST_F(OptionsTest, DefaultButtonsAnsweredYesRestoreTheShippedColoursOfTheirGroupOnly)
{
    Start();
    FOptions->Load();
    TOptionsValues& v = FOptions->Values;
    TOptionsValues changed = v;
    for (TColor* c : { &changed.Cpp.Asm, &changed.Cpp.Comment, &changed.Cpp.Direc, &changed.Cpp.Ident,
             &changed.Cpp.Invalid, &changed.Cpp.Key, &changed.Cpp.Number, &changed.Cpp.String, &changed.Cpp.Symbol,
             &changed.Pas.Asm, &changed.Pas.Comment, &changed.Pas.Ident, &changed.Pas.Key, &changed.Pas.Number,
             &changed.Pas.String, &changed.Pas.Symbol, &changed.HTML.And, &changed.HTML.Comment, &changed.HTML.Ident,
             &changed.HTML.Key, &changed.HTML.Symbol, &changed.HTML.Text, &changed.HTML.Undef, &changed.HTML.Value })
        *c = Rgb(1, 2, 3);
    changed.EditorColour = changed.TxtCol = Rgb(1, 2, 3);
    v = changed;

    FUI.AnswerMessage(TModalResult::mrYes);
    EXPECT_TRUE(FOptions->CppDefButtonClick());
    EXPECT_EQ(v.Cpp.Asm, Rgb(0, 0, 0));
    EXPECT_EQ(v.Cpp.Comment, Rgb(0, 0, 128));
    EXPECT_EQ(v.Cpp.Direc, Rgb(0, 128, 0));
    EXPECT_EQ(v.Cpp.Ident, Rgb(0, 0, 0));
    EXPECT_EQ(v.Cpp.Invalid, Rgb(255, 0, 255));
    EXPECT_EQ(v.Cpp.Key, Rgb(0, 0, 0));
    EXPECT_EQ(v.Cpp.Number, Rgb(0, 0, 0));
    EXPECT_EQ(v.Cpp.String, Rgb(0, 0, 255));
    EXPECT_EQ(v.Cpp.Symbol, Rgb(255, 0, 0));
    EXPECT_EQ(v.Pas.Comment, Rgb(1, 2, 3)); // another group's boxes stay
    EXPECT_EQ(v.HTML.Comment, Rgb(1, 2, 3));

    FUI.AnswerMessage(TModalResult::mrYes);
    EXPECT_TRUE(FOptions->PasDefButtonClick());
    EXPECT_EQ(v.Pas.Asm, Rgb(0, 128, 0));
    EXPECT_EQ(v.Pas.Comment, Rgb(0, 0, 128));
    EXPECT_EQ(v.Pas.Ident, Rgb(0, 128, 128));
    EXPECT_EQ(v.Pas.Key, Rgb(0, 0, 0));
    EXPECT_EQ(v.Pas.Number, Rgb(128, 0, 128));
    EXPECT_EQ(v.Pas.String, Rgb(0, 0, 255));
    EXPECT_EQ(v.Pas.Symbol, Rgb(255, 0, 0));
    EXPECT_EQ(v.HTML.Comment, Rgb(1, 2, 3));

    FUI.AnswerMessage(TModalResult::mrYes);
    EXPECT_TRUE(FOptions->HTMDefButtonClick());
    EXPECT_EQ(v.HTML.And, Rgb(255, 128, 0));
    EXPECT_EQ(v.HTML.Comment, Rgb(0, 0, 128));
    EXPECT_EQ(v.HTML.Ident, Rgb(0, 0, 0));
    EXPECT_EQ(v.HTML.Key, Rgb(128, 0, 255));
    EXPECT_EQ(v.HTML.Symbol, Rgb(255, 0, 0));
    EXPECT_EQ(v.HTML.Text, Rgb(0, 0, 0));
    EXPECT_EQ(v.HTML.Undef, Rgb(255, 0, 0));
    EXPECT_EQ(v.HTML.Value, Rgb(0, 128, 255));
    // None of them touches the editor's own colours.
    EXPECT_EQ(v.EditorColour, Rgb(1, 2, 3));
    EXPECT_EQ(v.TxtCol, Rgb(1, 2, 3));
    EXPECT_TRUE(FUI.ScriptDone());
}

TEST_F(OptionsTest, RestoreDefaultsOfTheEditorAndTheTextAskNothing)
{
    Start();
    FOptions->Load();
    TOptionsValues& v = FOptions->Values;
    v.EditorColour = 0x112233;
    v.ShowLineNumbers = false;
    v.TxtCol = 0x445566;
    v.FontName = "Other";
    v.FontSize = 30;
    FOptions->DefButtonClick();
    EXPECT_EQ(v.EditorColour, Rgb(255, 255, 255));
    EXPECT_TRUE(v.ShowLineNumbers);
    EXPECT_EQ(v.FontName, "Other"); // the text's defaults are the other button's
    FOptions->TxtDefButtonClick();
    EXPECT_EQ(v.FontName, "Courier New");
    EXPECT_EQ(v.FontSize, 10);
    EXPECT_EQ(v.TxtCol, Rgb(0, 0, 0));
    EXPECT_TRUE(FUI.Calls().empty());
}

TEST_F(OptionsTest, TheFontDialogsChoiceStaysWithinSixToForty)
{
    Start();
    FOptions->Load();
    FOptions->FontChosen("DejaVu Sans Mono", 72);
    EXPECT_EQ(FOptions->Values.FontName, "DejaVu Sans Mono");
    EXPECT_EQ(FOptions->Values.FontSize, 40);
    FOptions->FontChosen("Liberation Mono", 2);
    EXPECT_EQ(FOptions->Values.FontSize, 6);
    FOptions->FontChosen("Liberation Mono", 12);
    EXPECT_EQ(FOptions->Values.FontSize, 12);
}

// --- the buttons that act at once --------------------------------------------------------------

TEST_F(OptionsTest, ClearAnsweredNoKeepsTheListAndYesEmptiesTheFileAtOnce)
{
    const std::string a = (fs::path(FTemp.Path()) / "a.txt").string(), b = (fs::path(FTemp.Path()) / "b.txt").string();
    Start("[General]\nCheckSum=10\nFiles=2\n[Files]\nFile0=" + a + "\nFile1=" + b + "\n");
    ASSERT_EQ(FModel->RecentFiles().Count(), 2);
    FOptions->Load();

    FUI.AnswerMessage(TModalResult::mrNo);
    EXPECT_FALSE(FOptions->ClearButtonClick());
    EXPECT_EQ(FModel->RecentFiles().Count(), 2);
    ASSERT_EQ(FUI.Calls().size(), 1u);
    EXPECT_EQ(FUI.Calls()[0].Text, "This command can't be undone later.\nProceed anyway?");
    EXPECT_EQ(FUI.Calls()[0].Type, TMsgDlgType::mtConfirmation);
    EXPECT_EQ(FUI.Calls()[0].Buttons, TMsgDlgButtons::mbYesNo);

    FUI.AnswerMessage(TModalResult::mrYes);
    EXPECT_TRUE(FOptions->ClearButtonClick());
    EXPECT_EQ(FModel->RecentFiles().Count(), 0);
    // On disk now, not only at exit: a crash later must not bring the list back.
    EXPECT_NE(ReadIni().find("Files=0"), std::string::npos) << ReadIni();
    EXPECT_EQ(TIniFile(FIniPath).ReadInteger("General", "Files", -1), 0);
}

TEST_F(OptionsTest, AssociationSaysDoneOnlyWhenItWasMadeAndRevertIsLeftToTheDesktopSide)
{
    Start();
    FOptions->Load();
    FOptions->AssociateButtonClick();
    ASSERT_EQ(FUI.Calls().size(), 1u);
    EXPECT_EQ(FUI.Calls()[0].Text, "Done!");
    EXPECT_EQ(FUI.Calls()[0].Type, TMsgDlgType::mtInformation);
    EXPECT_EQ(FUI.Calls()[0].Buttons, TMsgDlgButtons::mbOK);

    FShell.AssociateResult = false; // already associated: the desktop side has said so itself
    FOptions->AssociateButtonClick();
    EXPECT_EQ(FUI.Calls().size(), 1u);
    EXPECT_EQ(FShell.Associations, 2);

    FOptions->RevertButtonClick();
    EXPECT_EQ(FShell.Reverts, 1);
}

TEST_F(OptionsTest, ShortcutBoxesActAtOnceAndCancelDoesNotUndoThem)
{
    Start();
    FOptions->Load();
    FOptions->ShortcutClick(TShortcutPlace::spDesktop, true);
    FOptions->ShortcutClick(TShortcutPlace::spSendTo, true);
    FOptions->ShortcutClick(TShortcutPlace::spSendTo, false);
    const std::vector<std::pair<TShortcutPlace, bool>> expected {
        { TShortcutPlace::spDesktop, true },
        { TShortcutPlace::spSendTo, true },
        { TShortcutPlace::spSendTo, false },
    };
    EXPECT_EQ(FShell.Changes, expected);
    FOptions->Load(); // shown again after Cancel: the boxes show the launchers that are there
    EXPECT_TRUE(FOptions->Values.DesktopCheck);
    EXPECT_FALSE(FOptions->Values.SendToCheck);
}

// --- OK: ApplyOptions --------------------------------------------------------------------------

TEST_F(OptionsTest, RecentCapacityIsClampedToOneToAHundredAndTheBoxShowsIt)
{
    Start();
    const std::pair<const char*, int> cases[]
        = { { "0", 1 }, { "-5", 1 }, { "1", 1 }, { "42", 42 }, { "100", 100 }, { "101", 100 }, { "9999", 100 } };
    for (const auto& [typed, capacity] : cases) {
        FOptions->Load();
        FOptions->Values.MaxRecentText = typed;
        EXPECT_TRUE(FOptions->RecentCapacityValid()) << typed;
        FModel->ApplyOptions(FOptions->Values);
        EXPECT_EQ(FModel->Settings.MaxFiles, capacity) << typed;
        EXPECT_EQ(FOptions->Values.MaxRecentText, std::to_string(capacity)) << typed;
    }
}

TEST_F(OptionsTest, ACapacityThatIsNoNumberAppliesNothing)
{
    Start();
    for (const char* typed : { "", "abc", "1x", "x1" }) {
        FOptions->Load();
        FOptions->Values.MaxRecentText = typed;
        FOptions->Values.FontName = "Other";
        FOptions->Values.Cpp.Comment = 0x123456;
        EXPECT_FALSE(FOptions->RecentCapacityValid()) << typed;
        EXPECT_THROW(FModel->ApplyOptions(FOptions->Values), EConvertError) << typed;
        EXPECT_EQ(FModel->Settings.MaxFiles, 15);
        EXPECT_EQ(FModel->Settings.FontName, "Courier New");
        EXPECT_EQ(FModel->CppHighlighter1().CommentAttri()->Foreground(), 0x800000u);
    }
}

TEST_F(OptionsTest, OkReachesEveryOpenEditorAtOnceAndLineNumbersOnlyNewOnes)
{
    Start();
    FModel->FileNewCmdExecute();
    FModel->FileNewCmdExecute();
    ASSERT_EQ(FModel->DocumentCount(), 3);
    FModel->Editors(1)->SetFont([&] {
        TFontSpec bold = FModel->Editors(1)->Font();
        bold.Style = fsBold;
        return bold;
    }());
    FOptions->Load();
    TOptionsValues& v = FOptions->Values;
    v.FontName = "DejaVu Sans Mono";
    v.FontSize = 16;
    v.TxtCol = Rgb(10, 20, 30);
    v.EditorColour = Rgb(200, 210, 220);
    v.ShowLineNumbers = false;
    FModel->ApplyOptions(v);
    for (int slot = 0; slot < 3; ++slot) {
        const TQuillEdit& edit = *FModel->Editors(slot);
        EXPECT_EQ(edit.Font().Name, "DejaVu Sans Mono") << slot;
        EXPECT_EQ(edit.Font().Size, 16) << slot;
        EXPECT_EQ(edit.Font().Color, Rgb(10, 20, 30)) << slot;
        EXPECT_EQ(edit.Font().Style, 0) << slot; // plain, also where it was bold
        EXPECT_EQ(edit.Color(), Rgb(200, 210, 220)) << slot;
        EXPECT_TRUE(FModel->Editors(slot)->Gutter().ShowLineNumbers()) << slot;
    }
    FModel->FileNewCmdExecute();
    TQuillEdit& fresh = *FModel->Editors(3);
    EXPECT_FALSE(fresh.Gutter().ShowLineNumbers());
    EXPECT_EQ(fresh.Font().Name, "DejaVu Sans Mono");
    EXPECT_EQ(fresh.Color(), Rgb(200, 210, 220));
}

TEST_F(OptionsTest, OkSetsEveryHighlighterColourAndFormFilesFollowThePascalOnes)
{
    Start();
    FOptions->Load();
    TOptionsValues& v = FOptions->Values;
    v.Cpp.Comment = Rgb(1, 0, 0);
    v.Cpp.Invalid = Rgb(2, 0, 0);
    v.Cpp.Symbol = Rgb(3, 0, 0);
    v.Pas.Comment = Rgb(4, 0, 0);
    v.Pas.String = Rgb(5, 0, 0);
    v.HTML.And = Rgb(6, 0, 0);
    v.HTML.Undef = Rgb(7, 0, 0);
    v.HTML.Value = Rgb(8, 0, 0);
    FModel->ApplyOptions(v);
    TMainFormModel& m = *FModel;
    EXPECT_EQ(m.CppHighlighter1().CommentAttri()->Foreground(), Rgb(1, 0, 0));
    EXPECT_EQ(m.CppHighlighter1().InvalidAttri()->Foreground(), Rgb(2, 0, 0));
    EXPECT_EQ(m.CppHighlighter1().SymbolAttri()->Foreground(), Rgb(3, 0, 0));
    EXPECT_EQ(m.CppHighlighter1().StringAttri()->Foreground(), Rgb(0, 0, 255)); // unchanged box
    EXPECT_EQ(m.PasHighlighter1().CommentAttri()->Foreground(), Rgb(4, 0, 0));
    EXPECT_EQ(m.PasHighlighter1().StringAttri()->Foreground(), Rgb(5, 0, 0));
    EXPECT_EQ(m.HTMLHighlighter1().AndAttri()->Foreground(), Rgb(6, 0, 0));
    EXPECT_EQ(m.HTMLHighlighter1().UndefKeyAttri()->Foreground(), Rgb(7, 0, 0));
    EXPECT_EQ(m.HTMLHighlighter1().ValueAttri()->Foreground(), Rgb(8, 0, 0));
    EXPECT_EQ(m.DfmHighlighter1().CommentAttri()->Foreground(), Rgb(4, 0, 0));
    EXPECT_EQ(m.DfmHighlighter1().StringAttri()->Foreground(), Rgb(5, 0, 0));
}

TEST_F(OptionsTest, OkAppliesTheTrayBoxesOnlyWhileTheIconIsEnabled)
{
    Start("[General]\nCheckSum=10\n[Tray]\nEnabled=1\nMinToTray=0\nAlways=1\n");
    FOptions->Load();
    FOptions->Values.TrayEnable = false;
    FOptions->TrayEnableClick();
    FModel->ApplyOptions(FOptions->Values);
    EXPECT_FALSE(FModel->Settings.TrayEnabled);
    // Kept for when the icon comes back; the unticked boxes of a disabled icon mean nothing.
    EXPECT_TRUE(FModel->Settings.TrayAlways);
    EXPECT_FALSE(FModel->Settings.MinToTray);

    FOptions->Load();
    FOptions->Values.TrayEnable = true;
    FOptions->TrayEnableClick();
    EXPECT_TRUE(FOptions->Values.AlwaysShow);
    FOptions->Values.AlwaysShow = false;
    FOptions->Values.TrayMinOnly = true;
    FModel->ApplyOptions(FOptions->Values);
    EXPECT_TRUE(FModel->Settings.TrayEnabled);
    EXPECT_FALSE(FModel->Settings.TrayAlways);
    EXPECT_TRUE(FModel->Settings.MinToTray);
}

TEST_F(OptionsTest, WhatOkAppliedIsInTheSettingsFileAfterExitAndNotBefore)
{
    Start();
    FOptions->Load();
    TOptionsValues& v = FOptions->Values;
    v.MaxRecentText = "33";
    v.Cpp.Comment = Rgb(0, 200, 100);
    v.Pas.Ident = Rgb(9, 9, 9);
    v.HTML.Key = Rgb(7, 7, 7);
    v.FontName = "DejaVu Sans Mono";
    v.FontSize = 12;
    v.EditorColour = Rgb(250, 250, 200);
    v.ShowLineNumbers = false;
    FModel->ApplyOptions(v);
    EXPECT_EQ(ReadIni().find("MaxFiles"), std::string::npos);

    ASSERT_TRUE(FModel->SaveSettings(*FStore));
    const TIniFile ini(FIniPath);
    EXPECT_EQ(ini.ReadInteger("General", "MaxFiles", 0), 33);
    EXPECT_EQ(static_cast<TColor>(ini.ReadInteger("CPP", "Comment", 0)), Rgb(0, 200, 100));
    EXPECT_EQ(static_cast<TColor>(ini.ReadInteger("Pascal", "Ident", 0)), Rgb(9, 9, 9));
    EXPECT_EQ(static_cast<TColor>(ini.ReadInteger("HTML", "Key", 0)), Rgb(7, 7, 7));
    EXPECT_EQ(ini.ReadString("RichEdit", "Name", ""), "DejaVu Sans Mono");
    EXPECT_EQ(ini.ReadInteger("RichEdit", "Size", 0), 12);
    EXPECT_EQ(static_cast<TColor>(ini.ReadInteger("RichEdit", "RichColour", 0)), Rgb(250, 250, 200));
    EXPECT_FALSE(ini.ReadBool("RichEdit", "ShowLines", true));
}

// --- the preview -------------------------------------------------------------------------------

// The attribute of the token that covers byte `column` (from 0) of line `line` of `edit`, scanned
// from the first line as the painting does.
const THighlighterAttributes* AttributeAt(TQuillEdit& edit, int line, std::size_t column)
{
    TCustomHighlighter& hl = *edit.Highlighter();
    hl.ClearRange();
    for (int i = 0; i <= line; ++i) {
        const std::string text(edit.Lines().GetView(i));
        hl.StartLine(text, i);
        while (!hl.AtLineEnd()) {
            if (i == line && column >= hl.TokenStart() && column < hl.TokenStart() + hl.TokenText().size())
                return hl.AttributeOfToken();
            hl.Advance();
        }
    }
    return nullptr;
}

class PreviewTest : public OptionsTest {
protected:
    void SetUp() override
    {
        OptionsTest::SetUp();
        Start();
        FOptions->Load();
        FEdit.SetHost(&FHost);
    }
    void TearDown() override
    {
        FEdit.SetHighlighter(nullptr);
        FEdit.SetHost(nullptr);
        OptionsTest::TearDown();
    }
    THeadlessHost FHost;
    TQuillEdit FEdit;
    TColourPreview FPreview;
};

TEST_F(PreviewTest, TheCppSampleShowsTheInvalidSymbolBoxOnTheAtSignAndTheBackslash)
{
    TOptionsValues& v = FOptions->Values;
    v.Cpp.Invalid = Rgb(0, 170, 90);
    v.Cpp.Comment = Rgb(90, 0, 170);
    FPreview.Show(FEdit, TPreviewLanguage::plCpp, v);
    ASSERT_EQ(FEdit.LineCount(), 10);
    EXPECT_EQ(FEdit.Lines().GetView(0), "/* This is a test -- Comment area */");
    ASSERT_EQ(FEdit.Lines().GetView(7), "    @ \\ // invalid symbols");
    EXPECT_EQ(FEdit.Highlighter(), &FPreview.Cpp());
    const THighlighterAttributes* at = AttributeAt(FEdit, 7, 4);
    ASSERT_NE(at, nullptr);
    EXPECT_EQ(at, FPreview.Cpp().InvalidAttri());
    EXPECT_EQ(at->Foreground(), Rgb(0, 170, 90));
    EXPECT_EQ(AttributeAt(FEdit, 7, 6), FPreview.Cpp().InvalidAttri());
    EXPECT_EQ(AttributeAt(FEdit, 0, 0)->Foreground(), Rgb(90, 0, 170));
    EXPECT_EQ(AttributeAt(FEdit, 0, 0)->Style(), fsItalic);
    // The main window draws on in its own colours until OK.
    EXPECT_EQ(FModel->CppHighlighter1().InvalidAttri()->Foreground(), Rgb(255, 0, 255));
    EXPECT_EQ(FModel->CppHighlighter1().CommentAttri()->Foreground(), Rgb(0, 0, 128));
}

TEST_F(PreviewTest, EachLanguageHasItsSampleAndItsOwnHighlighter)
{
    TOptionsValues& v = FOptions->Values;
    v.Pas.Key = Rgb(11, 22, 33);
    v.HTML.Undef = Rgb(44, 55, 66);
    FPreview.Show(FEdit, TPreviewLanguage::plPascal, v);
    ASSERT_EQ(FEdit.LineCount(), 15);
    EXPECT_EQ(FEdit.Lines().GetView(14), "END.");
    EXPECT_EQ(FEdit.Highlighter(), &FPreview.Pas());
    EXPECT_NE(FEdit.Highlighter(), &FModel->PasHighlighter1());
    const THighlighterAttributes* program = AttributeAt(FEdit, 1, 0); // "PROGRAM"
    ASSERT_NE(program, nullptr);
    EXPECT_EQ(program->Foreground(), Rgb(11, 22, 33));
    EXPECT_EQ(program->Style(), fsBold);

    // The lines are replaced, not added to.
    FPreview.Show(FEdit, TPreviewLanguage::plHTML, v);
    ASSERT_EQ(FEdit.LineCount(), 11);
    EXPECT_EQ(FEdit.Lines().GetView(3), "<HEAD>");
    ASSERT_EQ(FEdit.Lines().GetView(7), "<INVALID>");
    EXPECT_EQ(FEdit.Highlighter(), &FPreview.HTML());
    const THighlighterAttributes* invalid = AttributeAt(FEdit, 7, 3);
    ASSERT_NE(invalid, nullptr);
    EXPECT_EQ(invalid, FPreview.HTML().UndefKeyAttri());
    EXPECT_EQ(invalid->Foreground(), Rgb(44, 55, 66));
    EXPECT_EQ(invalid->Style(), fsBold);
    EXPECT_EQ(FModel->HTMLHighlighter1().UndefKeyAttri()->Foreground(), Rgb(255, 0, 0));
}

} // namespace
} // namespace quillan
