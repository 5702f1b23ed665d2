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

// The registry layer's file "Registry" in the configuration folder.
std::string RegistryFileName();

// The user's home: $HOME when it is absolute, else the password database's entry.
std::string HomeFolder();

// "$XDG_DATA_HOME", or "~/.local/share" when the variable is unset, empty or relative.
std::string DataHomeFolder();

// "$XDG_RUNTIME_DIR/Quillan", or "/tmp/quillan-<uid>" when that variable names no existing
// absolute folder. When that path already exists as something other than a folder of the user's
// own (another user may create it first in /tmp), FallbackRuntimeFolder() instead. This is where
// the instance lock, the socket and the hand-off file live. Not created.
std::string RuntimeFolder();

// "$XDG_STATE_HOME/Quillan/run", or "~/.local/state/Quillan/run": under the user's own home, so
// no other user can take the name first.
std::string FallbackRuntimeFolder();

// Creates the folder with mode 0700 when it is missing (missing parents too, also 0700), then
// checks that it is a real directory (not a symbolic link) owned by the user. A folder of the
// user's own that has group or other permission bits is closed again (0700) and anything in it
// that belongs to someone else is removed, as it may have been planted while it stood open. A
// folder that is not the user's own is refused, not repaired: anything put in it could be read
// or swapped by its owner.
bool EnsurePrivateFolder(const std::string& path, std::string& error);

} // namespace quillan
