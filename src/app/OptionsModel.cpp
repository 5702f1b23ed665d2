#include "app/OptionsModel.h"

#include "app/EditorJumps.h"
#include "app/MainFormModel.h"

#include <algorithm>
#include <stdexcept>

namespace quillan {

TOptionsModel::TOptionsModel(TMainFormModel& main, IShellActions& shell, ISettingsStore& store)
    : FMain(main)
    , FShell(shell)
    , FStore(store)
{
}

void TOptionsModel::Load()
{
    TOptionsValues v;
    v.SendToCheck = FShell.ShortcutExists(TShortcutPlace::spSendTo);
    v.DesktopCheck = FShell.ShortcutExists(TShortcutPlace::spDesktop);
    v.StartMenuCheck = FShell.ShortcutExists(TShortcutPlace::spStartMenu);
    v.QLEnabled = FShell.ShortcutPlaceAvailable(TShortcutPlace::spQuickLaunch);
    v.QLCheck = v.QLEnabled && FShell.ShortcutExists(TShortcutPlace::spQuickLaunch);

    const TSettings& s = FMain.Settings;
    v.EditorColour = s.BackgroundColour;
    v.MaxRecentText = std::to_string(s.MaxFiles);
    v.TrayEnable = s.TrayEnabled;
    v.TrayMinOnly = s.MinToTray;
    v.AlwaysShow = s.TrayAlways;
    v.ShowLineNumbers = s.ShowLines;
    // The boxes show what the highlighters draw with now, which is what the settings file
    // will get at exit.
    TSettings colours;
    colours.CaptureColours(FMain.CppHighlighter1(), FMain.PasHighlighter1(), FMain.HTMLHighlighter1());
    v.Cpp = colours.Cpp;
    v.Pas = colours.Pascal;
    v.HTML = colours.HTML;
    v.TxtCol = s.FontColour;
    v.FontName = s.FontName;
    v.FontSize = s.FontSize;
    Values = std::move(v);
    TrayEnableClick();
}

void TOptionsModel::TrayEnableClick()
{
    Values.TrayBoxesEnabled = Values.TrayEnable;
    if (Values.TrayEnable) {
        Values.TrayMinOnly = FMain.Settings.MinToTray;
        Values.AlwaysShow = FMain.Settings.TrayAlways;
    } else {
        Values.TrayMinOnly = false;
        Values.AlwaysShow = false;
    }
}

void TOptionsModel::ShortcutClick(TShortcutPlace place, bool ticked)
{
    FShell.ShortcutBoxChanged(place, ticked);
}

void TOptionsModel::DefButtonClick()
{
    Values.EditorColour = 0xFFFFFF;
    Values.ShowLineNumbers = true;
}

void TOptionsModel::TxtDefButtonClick()
{
    Values.FontName = "Courier New";
    Values.FontSize = 10;
    Values.TxtCol = 0;
}

bool TOptionsModel::AskRestoreDefaults()
{
    return FMain.UI().MessageDlg(SRestoreDefaultsQuestion, TMsgDlgType::mtConfirmation, TMsgDlgButtons::mbYesNo)
        == TModalResult::mrYes;
}

bool TOptionsModel::CppDefButtonClick()
{
    if (!AskRestoreDefaults())
        return false;
    TCppColours& c = Values.Cpp;
    c.Asm = 0x000000;
    c.Comment = 0x800000;
    c.Direc = 0x008000;
    c.Ident = 0x000000;
    c.Invalid = 0xFF00FF;
    c.Key = 0x000000;
    c.Number = 0x000000;
    c.String = 0xFF0000;
    c.Symbol = 0x0000FF;
    return true;
}

bool TOptionsModel::PasDefButtonClick()
{
    if (!AskRestoreDefaults())
        return false;
    TPasColours& c = Values.Pas;
    c.Asm = 0x008000;
    c.Comment = 0x800000;
    c.Ident = 0x808000;
    c.Key = 0x000000;
    c.Number = 0x800080;
    c.String = 0xFF0000;
    c.Symbol = 0x0000FF;
    return true;
}

bool TOptionsModel::HTMDefButtonClick()
{
    if (!AskRestoreDefaults())
        return false;
    THTMLColours& c = Values.HTML;
    c.And = 0x0080FF;
    c.Comment = 0x800000;
    c.Ident = 0x000000;
    c.Key = 0xFF0080;
    c.Symbol = 0x0000FF;
    c.Text = 0x000000;
    c.Undef = 0x0000FF;
    c.Value = 0xFF8000;
    return true;
}

bool TOptionsModel::ClearButtonClick()
{
    if (FMain.UI().MessageDlg(SClearRecentQuestion, TMsgDlgType::mtConfirmation, TMsgDlgButtons::mbYesNo)
        != TModalResult::mrYes)
        return false;
    FMain.ClearRecentFiles(FStore);
    return true;
}

void TOptionsModel::AssociateButtonClick()
{
    if (FShell.AssociateTextFiles())
        FMain.UI().MessageDlg(SDone, TMsgDlgType::mtInformation, TMsgDlgButtons::mbOK);
}

void TOptionsModel::RevertButtonClick()
{
    FShell.RevertTextFileAssociation();
}

void TOptionsModel::FontChosen(const std::string& name, int size)
{
    Values.FontName = name;
    Values.FontSize = std::clamp(size, MinOptionsFontSize, MaxOptionsFontSize);
}

bool TOptionsModel::RecentCapacityValid() const
{
    try {
        LineNumberFromText(Values.MaxRecentText);
        return true;
    } catch (const std::invalid_argument&) {
        return false;
    }
}

} // namespace quillan
