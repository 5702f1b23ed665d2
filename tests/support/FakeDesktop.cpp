#include "support/FakeDesktop.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace quillan::testutil {

namespace fs = std::filesystem;

namespace {

constexpr const char* Unset = "\x01";

// Keeps its defaults as "TYPE=ID" lines and logs every call; fails while "fail" exists.
constexpr const char* MimeScript = R"(#!/bin/sh
dir="$XDG_CONFIG_HOME/fake-mime"
mkdir -p "$dir"
echo "$*" >> "$dir/calls"
[ -e "$dir/fail" ] && exit 4
case "$1 $2" in
"query default")
    [ -f "$dir/defaults" ] && grep "^$3=" "$dir/defaults" | tail -n 1 | cut -d= -f2-
    exit 0 ;;
"default "*)
    [ $# -eq 3 ] || exit 1
    echo "$3=$2" >> "$dir/defaults"
    exit 0 ;;
esac
exit 1
)";

} // namespace

TFakeDesktop::TFakeDesktop()
{
    for (const char* name : { "HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME", "PATH", "XDG_CURRENT_DESKTOP",
             "XDG_SESSION_DESKTOP", "DESKTOP_SESSION", "KDE_FULL_SESSION", "GNOME_DESKTOP_SESSION_ID" }) {
        const char* value = std::getenv(name);
        FSaved[name] = value ? value : Unset;
    }
    fs::create_directories(FTemp / "fake-bin");
    fs::create_directories(ConfigHome());
    fs::create_directories(DataHome());
    WriteFile(FTemp / "fake-bin/xdg-mime", MimeScript);
    fs::permissions(FTemp / "fake-bin/xdg-mime", fs::perms::owner_all);
    ::setenv("HOME", Home().c_str(), 1);
    ::setenv("XDG_DATA_HOME", DataHome().c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", ConfigHome().c_str(), 1);
    // The helpers the stand-ins use stay reachable; nothing else of the user's PATH.
    ::setenv("PATH", (FTemp / "fake-bin:/usr/bin:/bin").c_str(), 1);
    for (const char* name : { "XDG_CURRENT_DESKTOP", "XDG_SESSION_DESKTOP", "DESKTOP_SESSION", "KDE_FULL_SESSION",
             "GNOME_DESKTOP_SESSION_ID" })
        ::unsetenv(name);
    SetDesktop(FTemp / "Schreibtisch");
}

TFakeDesktop::~TFakeDesktop()
{
    for (const auto& [name, value] : FSaved) {
        if (value == Unset)
            ::unsetenv(name.c_str());
        else
            ::setenv(name.c_str(), value.c_str(), 1);
    }
}

void TFakeDesktop::SetDesktop(const std::string& folder)
{
    FDesktop = folder;
    const std::string script = FTemp / "fake-bin/xdg-user-dir";
    WriteFile(script, "#!/bin/sh\n[ \"$1\" = DESKTOP ] || exit 1\nprintf '%s\\n' '" + folder + "'\n");
    fs::permissions(script, fs::perms::owner_all);
}

void TFakeDesktop::RemoveUserDirHelper()
{
    fs::remove(FTemp / "fake-bin/xdg-user-dir");
    // The real one lives in /usr/bin, which the xdg-mime stand-in needs: it goes off PATH too.
    ::setenv("PATH", (FTemp / "fake-bin").c_str(), 1);
    FDesktop.clear();
}

std::string TFakeDesktop::DefaultFor(const std::string& mimeType) const
{
    std::istringstream in(ReadFileBytes(ConfigHome() + "/fake-mime/defaults"));
    std::string found;
    for (std::string line; std::getline(in, line);)
        if (line.rfind(mimeType + "=", 0) == 0)
            found = line.substr(mimeType.size() + 1);
    return found;
}

void TFakeDesktop::SetDefault(const std::string& mimeType, const std::string& desktopId)
{
    fs::create_directories(ConfigHome() + "/fake-mime");
    std::ofstream(ConfigHome() + "/fake-mime/defaults", std::ios::app) << mimeType << "=" << desktopId << "\n";
}

void TFakeDesktop::FailMime(bool fail)
{
    fs::create_directories(ConfigHome() + "/fake-mime");
    if (fail)
        WriteFile(ConfigHome() + "/fake-mime/fail", "");
    else
        fs::remove(ConfigHome() + "/fake-mime/fail");
}

std::vector<std::string> TFakeDesktop::MimeCalls() const
{
    std::vector<std::string> calls;
    std::istringstream in(ReadFileBytes(ConfigHome() + "/fake-mime/calls"));
    for (std::string line; std::getline(in, line);)
        calls.push_back(line);
    return calls;
}

void TFakeDesktop::WriteFile(const std::string& path, const std::string& text)
{
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

} // namespace quillan::testutil
