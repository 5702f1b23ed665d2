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

// Creates the folder and its missing parents with the given mode (as mkdir -p does); true when
// the folder exists afterwards.
bool CreateFolderChain(const std::string& path, unsigned mode);

// The absolute, lexically normal form of a path: relative paths are taken against the current
// directory, "." and ".." components and repeated slashes are resolved without looking at the
// file system, and no trailing slash remains except on "/" itself. An empty path gives the
// current directory.
std::string ExpandLongFileName(std::string_view path);

// True when the path names an existing regular file (after following symbolic links). Folders,
// devices and pipes are not files that can be opened in a tab; a pipe would block the reader.
bool FileExists(const std::string& path);

} // namespace quillan
