#pragma once

#include "base/QuillEditStrConst.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillan {

class IDesktopShell;

inline constexpr const char* SShortcutSaveFailed = "Unable to create .lnk file";
// Shortcut files here are freedesktop launchers; the name keeps the program's name.
inline constexpr const char* SLauncherExtension = ".desktop";

class EShortcutError : public EQuillException {
public:
    EShortcutError()
        : EQuillException(SShortcutSaveFailed)
    {
    }
};

// The window state the started program is asked for.
enum class TShowCmd : std::uint8_t { scShowNormal, scShowMinimized, scShowMaximized };

// A desktop action of a launcher ("Uninstall"): its own entry in the launcher's context menu,
// starting the target with other arguments.
struct TLauncherAction {
    std::string Id; // [A-Za-z0-9-]
    std::string Name;
    std::string Arguments; // as Arguments below
};

// Writes a shortcut to a program: a freedesktop launcher (.desktop file) at ShortcutFile. Every
// property lands in the file:
// - Name: the file name of ShortcutFile without its extension, as the shell shows a shortcut;
// - Exec: Target, then the words of Arguments, then "%F", so that files sent to or dropped on the
//   launcher follow the arguments as they do on a shortcut; every word is quoted as the format
//   requires, so no path or argument is ever read as a field code or split;
// - Path: WorkingDir; Comment: Description;
// - Icon: IconLocation when it names an image file; the icon theme name of the program (its file
//   name) when it names a program, whose icons live in the theme; IconNumber, which only means
//   something for the files of another platform, is kept as X-Quillan-IconNumber;
// - HotKey: X-KDE-Shortcuts=Ctrl+Alt+<key>, written only for a key above the blank;
// - ShowCmd: X-Quillan-ShowCmd with the stored show command (0 when never set).
// The file is written through the atomic writer with missing folders made, so a failed save leaves
// any earlier file as it was; the failure raises EShortcutError "Unable to create .lnk file".
class TShortcutLink {
public:
    std::string ShortcutFile;
    std::string Target;
    std::string WorkingDir;
    std::string Description;
    // A command line: words separated by blanks, double quotes around a word with blanks.
    std::string Arguments;
    std::string IconLocation;
    std::uint16_t IconNumber = 0;

    // Beyond a shortcut: what a launcher can say besides.
    std::vector<std::string> MimeTypes; // the file types it offers to open
    std::string Categories; // "Utility;TextEditor;" for the menu
    bool NoDisplay = false; // kept out of the menus, still offered for its file types
    std::vector<TLauncherAction> Actions;
    // Executable launchers are the ones file managers and desktops trust to start.
    unsigned FileMode = 0755;
    // For a launcher that a file manager runs as a program (its scripts): the command line that
    // runs it, written as its first line, which the format reads as a comment.
    std::string Interpreter;

    // The upper-cased first character of `key` ("" counts as a blank), raised to the blank when
    // below it.
    void SetHotKey(std::string_view key);
    // The stored character as a one-character string (a blank when none was stored).
    std::string HotKey() const;
    std::uint8_t HotKeyCode() const { return FHotKey; }

    void SetShowCmd(TShowCmd show);
    // 3, 7 and 9 map back; anything else, the 0 of a link whose ShowCmd was never set too, is
    // scShowNormal.
    TShowCmd ShowCmd() const;
    // The show command as written: 3 maximised, 7 minimised, 9 normal, 0 never set.
    int StoredShowCmd() const { return FShowCmd; }

    // The launcher's text for the properties as they are now.
    std::string LauncherText() const;
    // Writes ShortcutFile; an existing file of that name is replaced.
    void CreateLink() const;

    // The shell's desktop and menu folders (no trailing slash), or nothing when the shell cannot
    // give them; the caller then keeps the path it had.
    static std::optional<std::string> DesktopFolder(const IDesktopShell& shell);
    static std::optional<std::string> StartMenuFolder(const IDesktopShell& shell);

private:
    std::uint8_t FHotKey = ' ';
    int FShowCmd = 0;
};

// The words of a command line: blanks separate them; double quotes group blanks into a word and
// are dropped; a backslash before a double quote makes it literal.
std::vector<std::string> SplitCommandLine(std::string_view commandLine);
// One word of a launcher's Exec line, quoted when the format requires it and with "%" doubled.
std::string QuoteExecWord(std::string_view word);
// A launcher value with "\", line breaks and tabs escaped as the format requires.
std::string EscapeLauncherValue(std::string_view value);

// The program word of a launcher's Exec line: the first word with the quoting undone (both
// levels); empty when the text has no Exec line in its "[Desktop Entry]" group.
std::string LauncherExecProgram(std::string_view launcherText);

} // namespace quillan
