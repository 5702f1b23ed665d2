#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quillan {

// The places the desktop keeps launchers and programs of the user.
enum class TShellFolder : std::uint8_t {
    sfDesktop, // the desktop folder the file manager shows
    sfStartMenu, // where the application menu finds the user's launchers
    sfSendTo, // the file manager's folder of scripts, offered for selected files
    sfQuickLaunch, // a quick-launch bar's folder; freedesktop desktops have none
    sfUserPrograms, // the folder of the user's own programs on the search path
};

// What the program asks of the desktop shell: its special folders and the default application
// for a type of file. The posix backend asks xdg-user-dir and xdg-mime; tests give it a
// temporary home and their own stand-ins for those programs.
class IDesktopShell {
public:
    virtual ~IDesktopShell() = default;

    // The folder's path without a trailing slash (it need not exist yet); empty when this
    // desktop has no such folder or cannot say where it is.
    virtual std::optional<std::string> SpecialFolder(TShellFolder folder) const = 0;

    // The desktop file id ("org.gnome.TextEditor.desktop") that opens files of `mimeType`: an
    // empty string when no application is the default; empty (no value) when the desktop could
    // not be asked.
    virtual std::optional<std::string> DefaultApplication(std::string_view mimeType) const = 0;
    // Makes the launcher with that id the default for `mimeType`; false when the desktop refused.
    virtual bool SetDefaultApplication(std::string_view mimeType, std::string_view desktopId) = 0;
};

} // namespace quillan
