#pragma once

#include "ports/DesktopShell.h"

#include <optional>
#include <string>
#include <vector>

namespace quillan {

// The freedesktop shell: folders from the XDG base and user directories, default applications
// through xdg-mime.
// - Desktop: what `xdg-user-dir DESKTOP` prints, else "~/Desktop";
// - Start Menu: "$XDG_DATA_HOME/applications" (default "~/.local/share/applications");
// - SendTo: the file manager's scripts, "$XDG_DATA_HOME/nautilus/scripts";
// - Quick Launch: none;
// - the user's programs: "~/.local/bin".
// The helper programs are looked up in the absolute folders of PATH and run by full path with an
// argument array, no shell, standard input from /dev/null, and a time limit.
class TXdgDesktopShell : public IDesktopShell {
public:
    std::optional<std::string> SpecialFolder(TShellFolder folder) const override;
    std::optional<std::string> DefaultApplication(std::string_view mimeType) const override;
    bool SetDefaultApplication(std::string_view mimeType, std::string_view desktopId) override;
};

// The full path of `program` in the absolute folders of PATH; empty when it is in none.
std::string FindProgramOnPath(const std::string& program);

struct TProgramOutput {
    bool Started = false;
    bool TimedOut = false;
    int ExitCode = -1; // -1 when it did not exit normally
    std::string Output; // standard output; standard error is passed on
};

// Runs `argv` (argv[0] a full path) and collects what it prints, at most `timeoutMs`
// milliseconds; a program still running then is killed.
TProgramOutput RunProgram(const std::vector<std::string>& argv, int timeoutMs = 10000);

} // namespace quillan
