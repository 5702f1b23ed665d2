// The real program's window behaviour: the about box, sending mail, the browser and the tray
// icon. The desktop's programs (xdg-email, xdg-open) are stand-ins on PATH that record the
// arguments they were given; the notification area is trayer's.

#include "GuiTestUtil.h"
#include "support/TempFolder.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <sstream>
#include <sys/wait.h>
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

std::string Program()
{
    return QuillanProgram();
}

class TrayAboutMailTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!fs::exists(Program()))
            GTEST_SKIP() << "the program is not built: " << Program();
        if (std::system("command -v xdotool >/dev/null 2>&1") != 0)
            GTEST_SKIP() << "xdotool is not installed";
        // Short: the instance socket's path must fit a socket address.
        static int count = 0;
        FDir = fs::temp_directory_path() / ("qtray-" + std::to_string(::getpid()) + "-" + std::to_string(++count));
        fs::remove_all(FDir);
        fs::create_directories(FDir / "config/Quillan");
        fs::create_directories(FDir / "run");
        fs::create_directories(FDir / "bin");
        fs::permissions(FDir / "run", fs::perms::owner_all, fs::perm_options::replace);
    }
    void TearDown() override
    {
        if (FPid > 0) {
            ::kill(FPid, SIGTERM);
            ::waitpid(FPid, nullptr, 0);
        }
        if (FTrayer > 0) {
            ::kill(FTrayer, SIGTERM);
            ::waitpid(FTrayer, nullptr, 0);
        }
        fs::remove_all(FDir);
    }

    // A stand-in for a desktop program that writes its arguments to FDir/<name>.args.
    void StandIn(const std::string& name, int exitCode = 0)
    {
        const fs::path script = FDir / "bin" / name;
        std::ofstream(script) << "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\0' \"$a\"; done > '"
                              << (FDir / (name + ".args")).string() << ".tmp'\nmv '"
                              << (FDir / (name + ".args")).string() << ".tmp' '" << (FDir / (name + ".args")).string()
                              << "'\nexit " << exitCode << "\n";
        fs::permissions(script, fs::perms::owner_all);
    }

    void Settings(const std::string& ini) { std::ofstream(FDir / "config/Quillan/Quillan.ini") << ini; }

    void Start(const std::vector<std::string>& args)
    {
        const std::string program = Program();
        const std::string path = (FDir / "bin").string() + ":" + (std::getenv("PATH") ? std::getenv("PATH") : "");
        MarkSettingsUsed((FDir / "config").string());
        FPid = ::fork();
        if (FPid == 0) {
            ::setenv("XDG_CONFIG_HOME", (FDir / "config").c_str(), 1);
            // Recovery copies of a killed run must not reach the next test as a question.
            ::setenv("XDG_STATE_HOME", (FDir / "state-home").c_str(), 1);
            ::setenv("XDG_RUNTIME_DIR", (FDir / "run").c_str(), 1);
            ::setenv("QUILLAN_STATE_FILE", (FDir / "state").c_str(), 1);
            ::setenv("PATH", path.c_str(), 1);
            ::chdir(FDir.c_str());
            std::vector<char*> argv { const_cast<char*>(program.c_str()) };
            for (const std::string& a : args)
                argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        ASSERT_TRUE(Wait([](auto& s) { return s.count("documents") > 0; }, 20000)) << "the window never came up";
        FWindow = FindWindow("^Quillan$");
        ASSERT_FALSE(FWindow.empty());
    }

    std::map<std::string, std::string> State()
    {
        std::map<std::string, std::string> state;
        std::istringstream in(ReadFile(FDir / "state"));
        for (std::string line; std::getline(in, line);)
            if (const auto eq = line.find('='); eq != std::string::npos)
                state[line.substr(0, eq)] = line.substr(eq + 1);
        return state;
    }
    bool Wait(const std::function<bool(const std::map<std::string, std::string>&)>& done, int timeoutMs = 10000)
    {
        for (int waited = 0; waited < timeoutMs; waited += 20) {
            if (done(State()))
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }
    // Waits until the state has every `key=value` of `wanted`.
    bool WaitFor(const std::map<std::string, std::string>& wanted, int timeoutMs = 10000)
    {
        return Wait(
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
        for (int waited = 0; waited < timeoutMs && !fs::exists(path); waited += 20)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        return fs::exists(path);
    }

    std::string Shell(const std::string& command)
    {
        std::string out;
        if (FILE* p = ::popen(command.c_str(), "r")) {
            char buffer[256];
            while (std::fgets(buffer, sizeof buffer, p))
                out += buffer;
            ::pclose(p);
        }
        while (!out.empty() && (out.back() == '\n' || out.back() == ' '))
            out.pop_back();
        return out;
    }
    std::string FindWindow(const std::string& name, int timeoutMs = 5000)
    {
        for (int waited = 0; waited < timeoutMs; waited += 20) {
            const std::string w = Shell("xdotool search --all --onlyvisible --pid " + std::to_string(FPid) + " --name '"
                + name + "' 2>/dev/null | head -n 1");
            if (!w.empty())
                return w;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return {};
    }
    void Keys(const std::string& window, const std::string& keys)
    {
        Shell("xdotool windowfocus --sync " + window + " 2>/dev/null; xdotool key --delay 60 " + keys);
    }
    void Type(const std::string& text)
    {
        Shell("xdotool windowfocus --sync " + FWindow + " 2>/dev/null; xdotool type --delay 40 '" + text + "'");
    }

    fs::path FDir;
    pid_t FPid = -1;
    pid_t FTrayer = -1;
    std::string FWindow;
};

TEST_F(TrayAboutMailTest, F10ShowsTheAboutBoxWhoseMailLinkOpensAnEncodedMailto)
{
    StandIn("xdg-open");
    Start({});
    Keys(FWindow, "F10");
    const std::string about = FindWindow("^About Quillan...$");
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
    const std::string subject = FindWindow("^Send...$");
    ASSERT_FALSE(subject.empty()) << "no subject window";
    Keys(subject, "Return"); // the proposal as it is
    ASSERT_TRUE(WaitFile(FDir / "xdg-email.args"));
    EXPECT_EQ(Arguments(FDir / "xdg-email.args"),
        (std::vector<std::string> { "--subject", "Put the subject here...", "--body", "hello mail\r\n" }));

    // Escape in the subject window sends nothing.
    fs::remove(FDir / "xdg-email.args");
    Keys(FWindow, "alt+f e");
    const std::string again = FindWindow("^Send...$");
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
    const fs::path big = FDir / "big.txt";
    std::ofstream(big) << text;
    Start({ big.string() });
    ASSERT_TRUE(WaitFor({ { "documents", "2" } }));
    Keys(FWindow, "alt+f e");
    const std::string subject = FindWindow("^Send...$");
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
    int status = 0;
    for (int i = 0; i < 300 && ::waitpid(FPid, &status, WNOHANG) != FPid; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    FPid = -1;
    EXPECT_FALSE(fs::exists(args[5])) << "the attached copy outlived the program";
}

TEST_F(TrayAboutMailTest, WithoutAMailComposerSendSaysOops)
{
    StandIn("xdg-email", 3);
    Start({});
    Keys(FWindow, "alt+f e");
    const std::string subject = FindWindow("^Send...$");
    ASSERT_FALSE(subject.empty());
    Keys(subject, "Return");
    ASSERT_TRUE(WaitFile(FDir / "xdg-email.args"));
    // The composer failed: an error box comes up beside the main window, and goes with Return.
    auto windows = [&] {
        const std::string list = Shell(
            "xdotool search --all --onlyvisible --pid " + std::to_string(FPid) + " --name '^Quillan$' 2>/dev/null");
        return list.empty() ? 0 : 1 + static_cast<int>(std::count(list.begin(), list.end(), '\n'));
    };
    int count = 0;
    for (int i = 0; i < 100 && (count = windows()) < 2; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_EQ(count, 2) << "no error box";
    Shell("xdotool key Return");
    for (int i = 0; i < 100 && (count = windows()) > 1; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(count, 1);
}

TEST_F(TrayAboutMailTest, ViewInBrowserSavesTheDocumentAndOpensItsFile)
{
    StandIn("xdg-open");
    const fs::path page = FDir / "page.html";
    std::ofstream(page) << "<p>x</p>\n";
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
    if (std::system("command -v trayer >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "trayer is not installed (scripts/setup-deps.sh --test installs it)";
    FTrayer = ::fork();
    if (FTrayer == 0) {
        ::execlp("trayer", "trayer", "--edge", "top", "--align", "left", "--widthtype", "pixel", "--width", "100",
            "--heighttype", "pixel", "--height", "24", "--SetDockType", "false", "--transparent", "false",
            static_cast<char*>(nullptr));
        ::_exit(127);
    }
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
    EXPECT_FALSE(FindWindow("^Quillan$").empty());
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
