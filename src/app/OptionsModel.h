#pragma once

#include "app/Settings.h"
#include "app/ShellIntegration.h"
#include "base/QuillEditTypes.h"

#include <cstdint>
#include <string>

namespace quillan {

class TMainFormModel;
class ISettingsStore;
class IUserInterface;

inline constexpr const char* SRestoreDefaultsQuestion
    = "This will restore the default values.\nDo you want to continue?";
inline constexpr const char* SClearRecentQuestion = "This command can't be undone later.\nProceed anyway?";

// The font dialog offers these sizes only.
inline constexpr int MinOptionsFontSize = 6;
inline constexpr int MaxOptionsFontSize = 40;
// "Maximum recent files:" takes at most this many characters.
inline constexpr int RecentCapacityMaxLength = 4;

// What the options dialog needs from the desktop: the program's launchers in the four places and
// the text-file association. Each call acts at once and reports its own failures by throwing.
class IShellActions {
public:
    virtual ~IShellActions() = default;

    // Whether the place can be used at all here (a missing one keeps its box disabled).
    virtual bool ShortcutPlaceAvailable(TShortcutPlace place) = 0;
    virtual bool ShortcutExists(TShortcutPlace place) = 0;
    // A shortcut box was ticked or unticked: the launcher is made or removed at once.
    virtual void ShortcutBoxChanged(TShortcutPlace place, bool ticked) = 0;
    // True when the association was made (false: it already was, and the user has been told).
    virtual bool AssociateTextFiles() = 0;
    // Brings back the text editor used before the association and tells the user how it went.
    virtual void RevertTextFileAssociation() = 0;
};

// What the options dialog's controls hold. The dialog shows these and writes the user's changes
// back; nothing here reaches the program until ApplyOptions.
struct TOptionsValues {
    // "General"
    std::string MaxRecentText = "15"; // "Maximum recent files:", as typed
    bool TrayEnable = true;
    bool TrayMinOnly = false;
    bool AlwaysShow = false;
    bool TrayBoxesEnabled = true; // "Minimize to tray only" and "Always show tray icon"
    bool StartMenuCheck = false;
    bool DesktopCheck = false;
    bool SendToCheck = false;
    bool QLCheck = false;
    bool QLEnabled = false;

    // "Editting"
    TColor EditorColour = 0xFFFFFF;
    bool ShowLineNumbers = true;
    TColor TxtCol = 0;
    std::string FontName = "Courier New";
    int FontSize = 10;
    TCppColours Cpp;
    TPasColours Pas;
    THTMLColours HTML;
};

// The options dialog without its window. Every show reloads the values from the main window, so
// what a cancelled visit changed is forgotten; the shortcut boxes, the association buttons and the
// clear button act at once and are not undone by Cancel. OK hands Values to ApplyOptions.
class TOptionsModel {
public:
    // `store` is where the recent list is cleared; the main window keeps it for its life.
    TOptionsModel(TMainFormModel& main, IShellActions& shell, ISettingsStore& store);

    TOptionsValues Values;

    // On show: the shortcut boxes from the launchers that exist, everything else from the main
    // window's settings and highlighters, then the tray rule.
    void Load();

    // "Enable tray icon" ticked or unticked: ticked enables the other two boxes and gives them
    // the main window's current flags (not what was ticked before); unticked disables and
    // unticks them.
    void TrayEnableClick();

    // A shortcut box ticked or unticked: creates or deletes its launcher at once.
    void ShortcutClick(TShortcutPlace place, bool ticked);

    void DefButtonClick(); // editor colour white, line numbers on
    void TxtDefButtonClick(); // Courier New 10, black
    // The three "&Default" buttons ask first; true when the colours were restored.
    bool CppDefButtonClick();
    bool PasDefButtonClick();
    bool HTMDefButtonClick();

    // Asks, then empties the main window's recent list at once.
    bool ClearButtonClick();
    // "Associate text files with Quillan": "Done!" when the association was made.
    void AssociateButtonClick();
    // "Revert to previous text editor".
    void RevertButtonClick();

    // The font dialog's choice; a size outside 6..40 is brought within it.
    void FontChosen(const std::string& name, int size);

    // Whether "Maximum recent files:" holds a number; the dialog does not close with OK until it
    // does, because ApplyOptions would stop at it and drop every other change of the visit.
    bool RecentCapacityValid() const;

private:
    bool AskRestoreDefaults();

    TMainFormModel& FMain;
    IShellActions& FShell;
    ISettingsStore& FStore;
};

} // namespace quillan
