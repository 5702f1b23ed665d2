// The real program's window behaviour: the about box, sending mail, the browser and the tray
// icon. The desktop's programs (xdg-email, xdg-open) are stand-ins on PATH that record the
// arguments they were given; the notification area is trayer's.

#include "ProgramTest.h"
#include "support/TempFolder.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <thread>
#include <unistd.h>

namespace quillan::guitest {
namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& path)
{
    return testutil::ReadFileBytes(path.string());
}

// The arguments a stand-in recorded, one per NUL-terminated piece.
std::vector<std::string> Arguments(const fs::path& path)
{
    std::vector<std::string> args;
    const std::string data = ReadFile(path);
    std::size_t start = 0;
    for (std::size_t end; (end = data.find('\0', start)) != std::string::npos; start = end + 1)
        args.push_back(data.substr(start, end - start));
    return args;
}

class TrayAboutMailTest : public ProgramTest {
protected:
    TrayAboutMailTest()
        : ProgramTest("tray")
    {
    }
    void SetUp() override
    {
        ProgramTest::SetUp();
        if (IsSkipped())
            return;
        // The stand-ins come first on the program's PATH.
        FEnvironment["PATH"] = (FDir / "bin").string() + ":" + (std::getenv("PATH") ? std::getenv("PATH") : "");
    }
    // Short: the instance socket's path must fit a socket address.
    fs::path MakeFolder() override
    {
        static int count = 0;
        const fs::path dir
            = fs::temp_directory_path() / ("qtray-" + std::to_string(::getpid()) + "-" + std::to_string(++count));
        fs::remove_all(dir);
        fs::create_directories(dir);
        return dir;
    }

    // A stand-in for a desktop program that writes its arguments to FDir/<name>.args.
    void StandIn(const std::string& name, int exitCode = 0)
    {
        const std::string args = (FDir / (name + ".args")).string();
        const fs::path script = File("bin/" + name,
            "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\0' \"$a\"; done > '" + args + ".tmp'\nmv '" + args + ".tmp' '"
                + args + "'\nexit " + std::to_string(exitCode) + "\n");
        fs::permissions(script, fs::perms::owner_all);
    }

    // Waits until the state has every `key=value` of `wanted`.
    bool WaitFor(const TState& wanted, int timeoutMs = 10000)
    {
        return WaitState(
            [&](const auto& s) {
                for (const auto& [k, v] : wanted)
                    if (!s.count(k) || s.at(k) != v)
                        return false;
                return true;
            },
            timeoutMs);
    }
    bool WaitFile(const fs::path& path, int timeoutMs = 10000)
    {
        return WaitUntil([&] { return fs::exists(path); }, timeoutMs);
    }
};

TEST_F(TrayAboutMailTest, F10ShowsTheAboutBoxWhoseMailLinkOpensAnEncodedMailto)
{
    StandIn("xdg-open");
    Start({});
    Keys(FWindow, "F10");
    const std::string about = FindWindow("About Quillan...");
    ASSERT_FALSE(about.empty()) << "F10 showed no about box";
    const std::string geometry = Shell("xdotool getwindowgeometry " + about);
    Shell("import -window " + about + " /tmp/quillan-about-box.png");
    EXPECT_NE(geometry.find("Geometry: 329x195"), std::string::npos) << geometry;

    // The e-mail link is the first of the three, at the panel's left.
    Shell("xdotool mousemove --window " + about + " 40 93 click 1");
    ASSERT_TRUE(WaitFile(FDir / "xdg-open.args"));
    EXPECT_EQ(Arguments(FDir / "xdg-open.args"),
        (std::vector<std::string> {
            "mailto:quillan@example.org?subject=Quillan%20v1.2.0%20--%20Put%20your%20subject%20here..." }));

    Keys(about, "Escape");
    for (int i = 0; i < 100 && !Shell("xdotool search --onlyvisible --name '^About Quillan...$'").empty(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(Shell("xdotool search --onlyvisible --name '^About Quillan...$'"), "");
}

TEST_F(TrayAboutMailTest, SendHandsTheSubjectAndTheTextToTheMailComposer)
{
    StandIn("xdg-email");
    Start({});
    Type("hello mail");
    ASSERT_TRUE(WaitFor({ { "panel1", "Modified" } }));
    Keys(FWindow, "alt+f e");
    const std::string subject = FindWindow("Send...");
    ASSERT_FALSE(subject.empty()) << "no subject window";
    Keys(subject, "Return"); // the proposal as it is
    ASSERT_TRUE(WaitFile(FDir / "xdg-email.args"));
    EXPECT_EQ(Arguments(FDir / "xdg-email.args"),
        (std::vector<std::string> { "--subject", "Put the subject here...", "--body", "hello mail\r\n" }));

    // Escape in the subject window sends nothing.
    fs::remove(FDir / "xdg-email.args");
    Keys(FWindow, "alt+f e");
    const std::string again = FindWindow("Send...");
    ASSERT_FALSE(again.empty());
    Keys(again, "Escape");
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    EXPECT_FALSE(fs::exists(FDir / "xdg-email.args"));
}

TEST_F(TrayAboutMailTest, ALongDocumentIsAttachedAndTheCopyIsRemovedAtExit)
{
    StandIn("xdg-email");
    std::string text;
    for (int i = 0; i < 3000; ++i)
        text += "line " + std::to_string(i) + " of a document too long to be one argument\n";
    const fs::path big = File("big.txt", text);
    Start({ big.string() });
    ASSERT_TRUE(WaitFor({ { "documents", "2" } }));
    Keys(FWindow, "alt+f e");
    const std::string subject = FindWindow("Send...");
    ASSERT_FALSE(subject.empty());
    Keys(subject, "ctrl+a BackSpace Return"); // a cleared box sends the file name
    ASSERT_TRUE(WaitFile(FDir / "xdg-email.args"));
    const auto args = Arguments(FDir / "xdg-email.args");
    ASSERT_EQ(args.size(), 6u);
    EXPECT_EQ(args[1], "big.txt");
    EXPECT_EQ(args[4], "--attach");
    EXPECT_EQ(fs::path(args[5]).filename(), "big.txt");
    std::string crlf;
    for (std::size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        crlf += text.substr(start, end - start) + "\r\n";
    EXPECT_EQ(ReadFile(args[5]), crlf);

    Keys(FWindow, "alt+x");
    WaitExit(FPid);
    EXPECT_FALSE(fs::exists(args[5])) << "the attached copy outlived the program";
}

TEST_F(TrayAboutMailTest, WithoutAMailComposerSendSaysOops)
{
    StandIn("xdg-email", 3);
    Start({});
    Keys(FWindow, "alt+f e");
    const std::string subject = FindWindow("Send...");
    ASSERT_FALSE(subject.empty());
    Keys(subject, "Return");
    ASSERT_TRUE(WaitFile(FDir / "xdg-email.args"));
    // The composer failed: an error box comes up beside the main window, and goes with Return.
    std::size_t count = 0;
    WaitUntil([&] { return (count = Windows("Quillan").size()) >= 2; }, 5000);
    ASSERT_EQ(count, 2u) << "no error box";
    Shell("xdotool key Return");
    WaitUntil([&] { return (count = Windows("Quillan").size()) <= 1; }, 5000);
    EXPECT_EQ(count, 1u);
}

TEST_F(TrayAboutMailTest, ViewInBrowserSavesTheDocumentAndOpensItsFile)
{
    StandIn("xdg-open");
    const fs::path page = File("page.html", "<p>x</p>\n");
    Start({ page.string() });
    ASSERT_TRUE(WaitFor({ { "documents", "2" }, { "active", "1" } }));
    Type("<b>");
    ASSERT_TRUE(WaitFor({ { "panel1", "Modified" } }));
    Keys(FWindow, "alt+v v");
    ASSERT_TRUE(WaitFile(FDir / "xdg-open.args"));
    EXPECT_EQ(Arguments(FDir / "xdg-open.args"), (std::vector<std::string> { page.string() }));
    EXPECT_EQ(ReadFile(page), "<b><p>x</p>\n") << "the browser must see what the editor shows";
    EXPECT_TRUE(WaitFor({ { "panel1", "Unmodified" } }));
}

TEST_F(TrayAboutMailTest, MinimisingToTheTrayShowsTheIconAndADoubleClickRestores)
{
    if (!Installed("trayer"))
        GTEST_SKIP() << "trayer is not installed (scripts/setup-deps.sh --test installs it)";
    StartHelper({ "trayer", "--edge", "top", "--align", "left", "--widthtype", "pixel", "--width", "100",
        "--heighttype", "pixel", "--height", "24", "--SetDockType", "false", "--transparent", "false" });
    // Wait until the notification area has taken its selection.
    for (int i = 0; i < 100 && Shell("xdotool search --class trayer 2>/dev/null").empty(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    Settings("[Tray]\nEnabled=1\nMinToTray=1\nAlways=0\n");
    Start({});
    EXPECT_EQ(State()["tray"], "0") << "the icon starts hidden";
    EXPECT_EQ(State()["trayhint"], "Quillan v1.2.0 -- Editting 1 files");

    // Without a window manager, unmapping is what iconifying is in X terms.
    Shell("xdotool windowunmap " + FWindow);
    ASSERT_TRUE(WaitFor({ { "tray", "1" }, { "window", "0" } })) << ReadFile(FDir / "state");
    EXPECT_NE(Shell("xwininfo -id " + FWindow).find("IsUnMapped"), std::string::npos);

    // The icon is the only one in the area, at its left end.
    Shell("xdotool mousemove 12 12 sleep 0.3 click --repeat 2 --delay 80 1");
    ASSERT_TRUE(WaitFor({ { "tray", "0" }, { "window", "1" }, { "iconized", "0" } })) << ReadFile(FDir / "state");
    EXPECT_NE(Shell("xwininfo -id " + FWindow).find("IsViewable"), std::string::npos);
}

TEST_F(TrayAboutMailTest, WithoutANotificationAreaMinimiseAndRestoreWorkAsForAnyWindow)
{
    Settings("[Tray]\nEnabled=1\nMinToTray=1\nAlways=0\n");
    Start({});
    Shell("xdotool windowunmap " + FWindow);
    ASSERT_TRUE(WaitFor({ { "iconized", "1" } })) << ReadFile(FDir / "state");
    // Never hidden behind an icon that nobody can see.
    EXPECT_EQ(State()["window"], "1");
    EXPECT_EQ(State()["tray"], "0");
    Shell("xdotool windowmap " + FWindow);
    ASSERT_TRUE(WaitFor({ { "iconized", "0" }, { "window", "1" } })) << ReadFile(FDir / "state");
    EXPECT_FALSE(FindWindow("Quillan").empty());
}

TEST_F(TrayAboutMailTest, TheBarsToggleAndHoveringAToolShowsItsHintInOnePanel)
{
    Start({});
    ASSERT_TRUE(WaitFor({ { "statusbar", "1" }, { "toolbar", "1" }, { "panels", "4" } }));
    // The first tool, New, lies at the toolbar's left end just below the menu bar.
    const std::string geometry = Shell("xdotool getwindowgeometry " + FWindow);
    bool hinted = false;
    for (int y = 30; y < 70 && !hinted; y += 4) {
        Shell("xdotool mousemove --window " + FWindow + " 14 " + std::to_string(y));
        hinted = WaitFor({ { "panels", "1" }, { "panel0", "Create a new text file" } }, 300);
    }
    EXPECT_TRUE(hinted) << "no hint while over the New button";
    Shell("xdotool mousemove --window " + FWindow + " 300 300");
    ASSERT_TRUE(WaitFor({ { "panels", "4" }, { "panel3", "Quillan v1.2.0" } }));
    EXPECT_EQ(State()["panel1"], "Unmodified");

    Keys(FWindow, "alt+v s");
    ASSERT_TRUE(WaitFor({ { "statusbar", "0" } }));
    Keys(FWindow, "alt+v t");
    ASSERT_TRUE(WaitFor({ { "toolbar", "0" } }));
    Keys(FWindow, "alt+v a");
    ASSERT_TRUE(WaitFor({ { "stayontop", "1" } }));
    Keys(FWindow, "alt+v s");
    ASSERT_TRUE(WaitFor({ { "statusbar", "1" }, { "toolbar", "0" } }));
    (void)geometry;
}

} // namespace
} // namespace quillan::guitest
