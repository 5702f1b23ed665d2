#pragma once

// A desktop of the test's own: a temporary home with its XDG folders, and stand-ins for
// xdg-mime and xdg-user-dir first on PATH, so that nothing a test does reaches the user's own
// menus, desktop or default applications.

#include "support/TempFolder.h"

#include <map>
#include <string>
#include <vector>

namespace quillan::testutil {

class TFakeDesktop {
public:
    TFakeDesktop();
    // The environment comes back as it was.
    ~TFakeDesktop();
    TFakeDesktop(const TFakeDesktop&) = delete;
    TFakeDesktop& operator=(const TFakeDesktop&) = delete;

    const std::string& Home() const { return FTemp.Path(); }
    std::string DataHome() const { return FTemp / ".local/share"; }
    std::string ConfigHome() const { return FTemp / ".config"; }
    std::string Applications() const { return DataHome() + "/applications"; }
    std::string Scripts() const { return DataHome() + "/nautilus/scripts"; }
    std::string UserBin() const { return FTemp / ".local/bin"; }
    // What the stand-in xdg-user-dir answers for DESKTOP (an empty text: it prints nothing).
    std::string Desktop() const { return FDesktop; }
    void SetDesktop(const std::string& folder);
    // No xdg-user-dir at all: PATH keeps only the stand-ins' folder, so the xdg-mime stand-in
    // (a shell script using the system's tools) cannot be used afterwards.
    void RemoveUserDirHelper();

    // The stand-in xdg-mime's defaults, as the desktop keeps them.
    std::string DefaultFor(const std::string& mimeType) const;
    void SetDefault(const std::string& mimeType, const std::string& desktopId);
    // Every xdg-mime call afterwards fails (as a desktop without the program would).
    void FailMime(bool fail);
    // The xdg-mime calls so far, one line each ("default ID TYPE", "query default TYPE").
    std::vector<std::string> MimeCalls() const;

    // Writes a file (folders made), for planting what another program left.
    static void WriteFile(const std::string& path, const std::string& text);

private:
    TTempFolder FTemp { "desktop" };
    std::string FDesktop;
    std::map<std::string, std::string> FSaved; // variable -> old value ("\x01" when unset)
};

} // namespace quillan::testutil
