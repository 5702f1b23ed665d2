#pragma once

#include "app/ShortcutLink.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quillan {

class IDesktopShell;
class IRegistryStore;
class IUserInterface;

// How the program sets itself up on the desktop and takes itself off again: its shortcuts, the
// text-file association, its App Paths and Uninstall entries. The registry layer keeps the
// entries under their classic keys; the desktop gets the same facts in its own terms:
// - the text-file command is mirrored by the default application for text/plain, set to the
//   program's association launcher (AssociationLauncherId), with the previous default kept as
//   "Quillan_Bak";
// - App Paths is a "quillan" link in the user's program folder pointing at the running program;
// - the Uninstall entry is an "Uninstall" action on every launcher the program writes.

inline constexpr const char* SAlreadyAssociated = "Text files are already associated with Quillan.";
inline constexpr const char* SDone = "Done!";
inline constexpr const char* SReallyUninstall = "Do you REALLY want to uninstall Quillan?";
inline constexpr const char* SNoPreviousEditor
    = "No previous text editor was recorded, so text files stay with the program that opens them now.";
inline constexpr const char* SDesktopUnreachable = "The desktop could not be asked which program opens text files.";
inline constexpr const char* SDefaultNotSet = "The desktop refused to make %s the program for text files.";

inline constexpr const char* STextFileCommandKey = "txtfile\\shell\\Open\\command";
inline constexpr const char* SHtmOpenWithKey = ".htm\\OpenWithList";
inline constexpr const char* SHtmEditCommandKey = "Quillan\\shell\\edit\\command";
inline constexpr const char* SAppPathsKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Quillan.exe";
inline constexpr const char* SUninstallKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quillan";
inline constexpr const char* SBackupValue = "Quillan_Bak";
inline constexpr const char* SUninstallArgument = "/UNINSTALL";

inline constexpr const char* STextPlain = "text/plain";
inline constexpr const char* STextHtml = "text/html";
// The launcher behind the association: kept out of the menus (the Start Menu shortcut is the
// user's to have or not), offered for text and HTML files.
inline constexpr const char* SAssociationLauncherId = "Quillan-textfiles.desktop";
// "Quillan" + the launcher extension in each shortcut folder.
inline constexpr const char* SShortcutFileName = "Quillan.desktop";
// The menu's launcher has the installed launcher's id, so that the user's own takes its place
// instead of making a second "Quillan" entry; earlier versions wrote it as SShortcutFileName.
inline constexpr const char* SMenuLauncherFileName = "quillan.desktop";
inline constexpr const char* SProgramLinkName = "quillan";
// What runs the SendTo launcher when the file manager starts it as a script.
inline constexpr const char* SScriptInterpreter = "/usr/bin/env -S gio launch";
// A quick-launch folder counts only when its bar is there, shown by this file.
inline constexpr const char* SQuickLaunchMarker = "SHOWDE~1.SCF";

// The shortcut boxes of the setup window and the options dialog.
enum class TShortcutPlace : std::uint8_t { spStartMenu, spDesktop, spSendTo, spQuickLaunch };

// The setup window's boxes; all ticked when it is shown.
struct TSetupChoices {
    bool Associate = true;
    bool StartMenu = true;
    bool Desktop = true;
    bool SendTo = true;
    bool QuickLaunch = true;
};

enum class TRevertResult : std::uint8_t { rrRestored, rrNoBackup };

// The running program and where its settings live (the configuration folder stands for the
// Windows folder, "Quillan.ini" is there).
struct TProgramLocation {
    std::string ProgramPath; // absolute
    std::string ConfigFolder; // no trailing slash
};

// Every operation raises on a failure of the desktop or the registry layer (the steps before it
// stay done), as the callers report errors with the application's error report; a shortcut that
// cannot be saved raises EShortcutError.
class TShellIntegration {
public:
    TShellIntegration(IDesktopShell& shell, IRegistryStore& registry, IUserInterface& ui, TProgramLocation program);

    const TProgramLocation& Program() const { return FProgram; }
    IDesktopShell& Shell() const { return FShell; }

    // --- shortcuts ------------------------------------------------------------------------
    // The program's shortcut in a place: its folder + "/Quillan.desktop" ("/quillan.desktop" in
    // the menu); nothing when the place has no folder here (Quick Launch on a freedesktop desktop).
    std::optional<std::string> ShortcutFile(TShortcutPlace place) const;
    // Whether the place's box can be used: Quick Launch only where its folder holds the marker
    // file; every other place whenever it has a folder.
    bool ShortcutPlaceAvailable(TShortcutPlace place) const;
    // Whether the shortcut file exists, which is what the options dialog's boxes show.
    bool ShortcutExists(TShortcutPlace place) const;
    // The shortcut every place gets: the running program as target and icon, its folder as the
    // working folder, "Quillan v1.2.0", no arguments, the Uninstall action.
    TShortcutLink ProgramShortcut() const;
    // Writes the place's shortcut (replacing one that exists); nothing when the place is not
    // available.
    void CreateShortcut(TShortcutPlace place);
    // Deletes the place's shortcut when it is the program's own (its Exec starts a Quillan
    // program); a file of that name made by someone else stays. True when a file was deleted.
    bool RemoveShortcut(TShortcutPlace place);
    // A box of the options dialog changed: ticked creates the shortcut (Start Menu and Desktop
    // only when no file exists yet; SendTo always; Quick Launch only where available), unticked
    // removes it as RemoveShortcut does.
    void ShortcutBoxChanged(TShortcutPlace place, bool ticked);

    // --- association ----------------------------------------------------------------------
    // Makes the program the default for text files and offers it for HTML files; true when it
    // did, false (after "Text files are already associated with Quillan.") when the current
    // default is already one of the program's launchers. The previous default is kept as
    // "Quillan_Bak".
    bool AssociateTextFiles();
    // The options dialog's "Revert to previous text editor": the previous default comes back and
    // "Done!" is shown; without a recorded previous default the current one stays (the user is
    // never left without a text editor) and the user is told so instead.
    TRevertResult RevertTextFileAssociation();

    // --- first run and uninstall ----------------------------------------------------------
    // The App Paths and Uninstall entries; every start until the first normal exit writes them.
    void RegisterProgram();
    // After the setup window closed (however it was closed): the association, then the
    // shortcuts in the order SendTo, Desktop, Start Menu, Quick Launch, then RegisterProgram.
    void RunFirstSetup(const TSetupChoices& choices);
    // Asks "Do you REALLY want to uninstall Quillan?"; on Yes removes the program's shortcuts,
    // launchers and settings file, gives text files back to the previous default, and removes
    // the Uninstall and App Paths entries. True when it uninstalled: the program must then end
    // without writing its settings.
    bool Uninstall();

    // True for a path of the running program or of any program named "quillan".
    bool IsQuillanProgram(std::string_view path) const;
    // The association launcher's path in the menu folder; empty when there is none.
    std::string AssociationLauncherFile() const;
    // The App Paths link: the user's program folder + "/quillan"; empty when there is none.
    std::string ProgramLinkFile() const;

private:
    // The command the registry entries hold: the program path and "%1", unquoted.
    std::string OpenCommand() const;
    void WriteAssociationLauncher();
    void WriteAppPaths();
    void LinkProgram();
    void UnlinkProgram();
    bool RemoveOwnLauncher(const std::string& path);
    // Where earlier versions kept the menu's launcher.
    std::optional<std::string> OldMenuLauncher() const;
    void RestorePreviousDefault();

    IDesktopShell& FShell;
    IRegistryStore& FRegistry;
    IUserInterface& FUI;
    TProgramLocation FProgram;
};

} // namespace quillan
