#include "backends/posix/XdgDesktopShell.h"

#include "backends/posix/ProgramPath.h"
#include "backends/posix/XdgPaths.h"
#include "support/FakeDesktop.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>

using namespace quillan;

namespace {

namespace fs = std::filesystem;
using testutil::TFakeDesktop;

std::string Folder(TShellFolder folder)
{
    return TXdgDesktopShell().SpecialFolder(folder).value_or("<none>");
}

TEST(XdgDesktopShellTest, FoldersFollowTheXdgVariables)
{
    TFakeDesktop desktop;
    EXPECT_EQ(Folder(TShellFolder::sfStartMenu), desktop.DataHome() + "/applications");
    EXPECT_EQ(Folder(TShellFolder::sfSendTo), desktop.DataHome() + "/nautilus/scripts");
    EXPECT_EQ(Folder(TShellFolder::sfUserPrograms), desktop.Home() + "/.local/bin");
    EXPECT_EQ(Folder(TShellFolder::sfQuickLaunch), "<none>");

    // A relative or empty variable counts as unset.
    ::setenv("XDG_DATA_HOME", "relative/share", 1);
    EXPECT_EQ(Folder(TShellFolder::sfStartMenu), desktop.Home() + "/.local/share/applications");
    ::setenv("XDG_DATA_HOME", "", 1);
    EXPECT_EQ(Folder(TShellFolder::sfSendTo), desktop.Home() + "/.local/share/nautilus/scripts");
    ::setenv("XDG_DATA_HOME", "/elsewhere/share/", 1);
    EXPECT_EQ(Folder(TShellFolder::sfStartMenu), "/elsewhere/share/applications");
    EXPECT_EQ(RegistryFileName(), desktop.ConfigHome() + "/Quillan/Registry");
}

TEST(XdgDesktopShellTest, TheDesktopComesFromXdgUserDirElseTheHomesDesktop)
{
    TFakeDesktop desktop;
    desktop.SetDesktop("/srv/desk top/");
    EXPECT_EQ(Folder(TShellFolder::sfDesktop), "/srv/desk top");
    // Answers that name no folder are no answer.
    desktop.SetDesktop("");
    EXPECT_EQ(Folder(TShellFolder::sfDesktop), desktop.Home() + "/Desktop");
    desktop.SetDesktop("Desktop");
    EXPECT_EQ(Folder(TShellFolder::sfDesktop), desktop.Home() + "/Desktop");
    desktop.RemoveUserDirHelper();
    EXPECT_EQ(Folder(TShellFolder::sfDesktop), desktop.Home() + "/Desktop");
}

TEST(XdgDesktopShellTest, DefaultApplicationsGoThroughXdgMime)
{
    TFakeDesktop desktop;
    TXdgDesktopShell shell;
    EXPECT_EQ(shell.DefaultApplication("text/plain"), "");
    EXPECT_TRUE(shell.SetDefaultApplication("text/plain", "my editor.desktop"));
    EXPECT_EQ(shell.DefaultApplication("text/plain"), "my editor.desktop");
    EXPECT_EQ(desktop.MimeCalls(),
        (std::vector<std::string> {
            "query default text/plain", "default my editor.desktop text/plain", "query default text/plain" }));
    desktop.FailMime(true);
    EXPECT_EQ(shell.DefaultApplication("text/plain"), std::nullopt);
    EXPECT_FALSE(shell.SetDefaultApplication("text/plain", "x.desktop"));
    desktop.RemoveUserDirHelper();
    fs::remove(desktop.Home() + "/fake-bin/xdg-mime");
    EXPECT_EQ(shell.DefaultApplication("text/plain"), std::nullopt) << "no xdg-mime at all";
}

TEST(XdgDesktopShellTest, TheRealXdgMimeKeepsItsDefaultsInTheTemporaryHome)
{
    const std::string real = FindProgramOnPath("xdg-mime");
    if (real.empty())
        GTEST_SKIP() << "xdg-mime is not installed (package xdg-utils)";
    TFakeDesktop desktop;
    fs::remove(desktop.Home() + "/fake-bin/xdg-mime");
    TFakeDesktop::WriteFile(desktop.Applications() + "/Quillan-test.desktop",
        "[Desktop Entry]\nType=Application\nName=Q\nExec=/bin/true %F\nMimeType=text/plain;\n");
    TXdgDesktopShell shell;
    ASSERT_TRUE(shell.SetDefaultApplication("text/plain", "Quillan-test.desktop"));
    EXPECT_EQ(shell.DefaultApplication("text/plain"), "Quillan-test.desktop");
    EXPECT_NE(testutil::ReadFileBytes(desktop.ConfigHome() + "/mimeapps.list").find("text/plain=Quillan-test.desktop"),
        std::string::npos);
}

TEST(XdgDesktopShellTest, ProgramsRunWithoutAShellAndWithinTheirTime)
{
    TFakeDesktop desktop;
    const std::string script = desktop.Home() + "/fake-bin/helper";
    TFakeDesktop::WriteFile(script, "#!/bin/sh\nread line; printf '%s|' \"$@\" \"stdin:$line\"; exit 3\n");
    fs::permissions(script, fs::perms::owner_all);
    EXPECT_EQ(FindProgramOnPath("helper"), script);
    const TProgramOutput out = RunProgram({ script, "a b", "$HOME", ";echo x" });
    EXPECT_TRUE(out.Started);
    EXPECT_EQ(out.ExitCode, 3);
    EXPECT_EQ(out.Output, "a b|$HOME|;echo x|stdin:|");

    TFakeDesktop::WriteFile(script, "#!/bin/sh\nexec sleep 30\n");
    const TProgramOutput hung = RunProgram({ script }, 300);
    EXPECT_TRUE(hung.TimedOut);
    EXPECT_EQ(hung.ExitCode, -1);

    EXPECT_EQ(RunProgram({ desktop.Home() + "/missing" }).ExitCode, 127);
    // PATH entries that are not absolute are never searched.
    ::setenv("PATH", "fake-bin", 1);
    const fs::path before = fs::current_path();
    fs::current_path(desktop.Home());
    EXPECT_EQ(FindProgramOnPath("helper"), "");
    fs::current_path(before);
}

TEST(XdgDesktopShellTest, TheRunningProgramIsThisTest)
{
    const std::string self = RunningProgramPath();
    ASSERT_FALSE(self.empty());
    EXPECT_EQ(self.front(), '/');
    EXPECT_NE(fs::path(self).filename().string().find("test_backends_posix"), std::string::npos) << self;
}

} // namespace
