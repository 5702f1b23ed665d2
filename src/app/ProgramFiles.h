#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quillan {

// The files that come with the program: its help page and its icon. A program in the build tree
// has them beside it (the build copies them there); an installed one has them in the share
// folder that lies, seen from its bin folder, where the install rules put it. Both are looked up
// from the running program's own folder, so a copy of a whole installation under another prefix
// still finds its own files and never those of another installation.

// The icon's name in the icon theme; the launchers name it so.
inline constexpr const char* SIconName = "quillan";

// The installed share folder of a program in `programFolder` (<prefix>/bin -> <prefix>/share).
std::string InstalledDataFolder(std::string_view programFolder);

// Where the icon file may be, in the order they are tried: the scalable icon beside the program,
// then the installed scalable icon, then the installed 256-pixel one.
std::vector<std::string> IconFileCandidates(std::string_view programFolder);
// The first candidate that exists; empty when none does.
std::string FindIconFile(std::string_view programFolder);

// What a program in `programFolder` finds, one "name=value" line each: the folder, the help page
// and the icon file (empty values for what is not found). `complete` tells whether both files
// were found.
std::string DescribeProgramFiles(std::string_view programFolder, bool& complete);

} // namespace quillan
