#pragma once

#include <functional>
#include <string>
#include <vector>

namespace quillan {

// New, Open, Reopen, drops, the command line and the hand-off stop at this many open documents.
inline constexpr int MaxOpenDocuments = 100;

// What the command line asks of a starting main window.
struct TCommandLineRequest {
    // The first argument was "/UNINSTALL" in any letter case; no argument is a file then. The
    // uninstall itself is not built yet: the main window calls its uninstall routine here.
    bool Uninstall = false;
    // The arguments that name existing files, as absolute paths, in argument order.
    std::vector<std::string> Files;
};

bool IsUninstallRequest(const std::vector<std::string>& args);

// `args` are the program's arguments without the program name. Arguments that name no existing
// regular file are ignored.
TCommandLineRequest ProcessCommandLine(const std::vector<std::string>& args);

// Opens paths in order the way the command line and the hand-off do: stops as soon as
// `documentCount` reaches MaxOpenDocuments (the rest stay unopened), makes each path absolute and
// skips those that name no existing file. `openFileInTab` opens one path (not read-only) and may
// decline, e.g. when the user refuses a second copy; the count is asked again before each path.
// Returns how many paths were handed to `openFileInTab`; `limitReached` (if given) tells whether
// the limit left paths unopened.
int OpenFilesInOrder(const std::vector<std::string>& paths, const std::function<int()>& documentCount,
    const std::function<void(const std::string&)>& openFileInTab, bool* limitReached = nullptr);

} // namespace quillan
