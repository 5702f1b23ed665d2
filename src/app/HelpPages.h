#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quillan {

// Where the program's help and its web presence are. The help page is an HTML file shipped with
// the program and shown in the browser; the windows' help contexts are anchors in it.

inline constexpr const char* SWebsiteUrl = "https://quillan.example.org/";
inline constexpr const char* SAuthorEmail = "quillan@example.org";
inline constexpr const char* SWebsiteDownloadsUrl = "https://quillan.example.org/downloads/";
inline constexpr const char* SHelpPageName = "quillan.html";
inline constexpr const char* SHelpNotFound = "The help page %s cannot be found.";

// Help contexts of the windows: the main window and the editors, the find/replace dialog.
inline constexpr int HelpContextMain = 1000;
inline constexpr int HelpContextFind = 4000;

// "context-1000": the anchor of a help context in the help page.
std::string HelpAnchor(int context);

// Where the help page may be, in the order they are tried, for a program in `programFolder`:
// beside it (the build tree and a plain copy), then the installed share folder
// (InstalledDataFolder).
std::vector<std::string> HelpPageCandidates(std::string_view programFolder);
// The first candidate that exists; empty when none does.
std::string FindHelpPage(std::string_view programFolder);

} // namespace quillan
