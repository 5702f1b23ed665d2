#pragma once

#include <string>
#include <string_view>

namespace quillan {

// File names are POSIX paths with "/" as the only separator. These helpers look at the text of
// a path only (no file system) except where they say otherwise.

// The last component: "/a/b.txt" -> "b.txt"; a path without "/" is its own name.
std::string ExtractFileName(std::string_view path);
// The extension of the last component with its dot: "/a/b.tar.gz" -> ".gz"; "" when it has none.
// A dot in a folder name is not an extension: "dir.pas/readme" -> "".
std::string ExtractFileExt(std::string_view path);
// The folder part, usable as a folder to open: "/a/b" -> "/a", "/b" -> "/", "b" -> ".".
std::string FolderOf(std::string_view path);
// `folder` and `name` joined by exactly one "/".
std::string JoinPath(std::string_view folder, std::string_view name);
// Without trailing "/" (the root stays "/").
std::string WithoutTrailingSlash(std::string path);

// The absolute, lexically normal form of a path: relative paths are taken against the current
// directory, "." and ".." components and repeated slashes are resolved without looking at the
// file system, and no trailing slash remains except on "/" itself. An empty path gives the
// current directory.
std::string ExpandLongFileName(std::string_view path);

// True when the path names an existing regular file (after following symbolic links). Folders,
// devices and pipes are not files that can be opened in a tab; a pipe would block the reader.
bool FileExists(const std::string& path);

// Creates the folder and its missing parents with the given mode (as mkdir -p does); true when
// the folder exists afterwards.
bool CreateFolderChain(const std::string& path, unsigned mode);

} // namespace quillan
