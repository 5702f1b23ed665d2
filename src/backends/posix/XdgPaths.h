#pragma once

#include <string>
#include <string_view>

namespace quillan {

// Where the program keeps its files on a freedesktop system, and the path forms it works with.

// "$XDG_CONFIG_HOME/Quillan", or "~/.config/Quillan" when the variable is unset, empty or not an
// absolute path (relative values are to be ignored). No trailing slash. Not created.
std::string ConfigFolder();

// The settings file "Quillan.ini" in the configuration folder.
std::string SettingsFileName();

// "$XDG_RUNTIME_DIR/Quillan", or "/tmp/quillan-<uid>" when that variable names no existing
// absolute folder. This
// is where the instance lock, the socket and the hand-off file live. Not created.
std::string RuntimeFolder();

// Creates the folder with mode 0700 when it is missing (its parent must exist), then checks that
// it is a real directory (not a symbolic link), owned by the user, with no group or other
// permission bits. A folder that fails the check is refused, not repaired: in a shared place
// such as /tmp another user may have made it, and anything put in it could be read or swapped.
bool EnsurePrivateFolder(const std::string& path, std::string& error);

} // namespace quillan
