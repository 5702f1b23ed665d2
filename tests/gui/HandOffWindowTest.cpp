// The hand-off between real program starts on the test display: a burst of starts, a running
// program that does not answer, a start that cannot get its turn, and where the keyboard goes
// afterwards under a real window manager. The running program is watched through the state
// summary it keeps in QUILLAN_STATE_FILE.

#include "GuiTestUtil.h"
#include "support/TempFolder.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <sstream>
#include <sys/file.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace quillan::guitest {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

struct TSpawn {
    bool Display = false;
    std::string Runtime = "run"; // below the test's folder
    std::string Stderr; // a file for the program's stderr, below the test's folder
    bool FirstRun = false; // no settings yet: the setup window comes up
};

class HandOffWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!fs::exists(QuillanProgram()))
            GTEST_SKIP() << "the program is not built: " << QuillanProgram();
        if (std::system("command -v xdotool >/dev/null 2>&1") != 0)
            GTEST_SKIP() << "xdotool is not installed";
        FDir = fs::temp_directory_path()
            / ("quillan-handoff-" + std::to_string(::getpid()) + "-"
                + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(FDir);
        fs::create_directories(FDir / "config");
        for (const char* run : { "run", "run2" }) {
            fs::create_directories(FDir / run);
            fs::permissions(FDir / run, fs::perms::owner_all, fs::perm_options::replace);
        }
    }
    void TearDown() override
    {
        for (pid_t pid : FChildren) {
            ::kill(pid, SIGCONT);
            ::kill(pid, SIGTERM);
            ::waitpid(pid, nullptr, 0);
        }
        fs::remove_all(FDir);
    }

    fs::path File(const std::string& name, const std::string& content = "x\n")
    {
        const fs::path p = FDir / name;
        std::ofstream(p, std::ios::binary) << content;
        return p;
    }

    pid_t Spawn(const std::vector<std::string>& args, const TSpawn& how = {})
    {
        // A first start would show the setup window, which takes the keyboard.
        if (!how.FirstRun)
            MarkSettingsUsed((FDir / "config").string());
        const std::string program = QuillanProgram();
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::setenv("XDG_CONFIG_HOME", (FDir / "config").c_str(), 1);
            ::setenv("XDG_RUNTIME_DIR", (FDir / how.Runtime).c_str(), 1);
            ::setenv("QUILLAN_STATE_FILE", (FDir / "state").c_str(), 1);
            if (!how.Display)
                ::unsetenv("DISPLAY");
            if (!how.Stderr.empty()) {
                const int fd = ::open((FDir / how.Stderr).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
                ::dup2(fd, 2);
            }
            if (::chdir(FDir.c_str()) != 0)
                ::_exit(126);
            std::vector<char*> argv { const_cast<char*>(program.c_str()) };
            for (const std::string& a : args)
                argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        FChildren.push_back(pid);
        return pid;
    }

    // The running program, with its window up and listening for other starts.
    void StartRunning()
    {
        FRunning = Spawn({}, { .Display = true, .Runtime = "run", .Stderr = "", .FirstRun = false });
        ASSERT_TRUE(WaitState([](auto& s) { return s.count("documents") > 0; }, 20000)) << "no window came up";
        FWindow = FindWindow(FRunning, "Quillan");
        ASSERT_FALSE(FWindow.empty());
    }

    // Exit status once the process has ended, -1 when it has not within the time.
    int WaitExit(pid_t pid, std::chrono::milliseconds limit = 15s)
    {
        const auto end = std::chrono::steady_clock::now() + limit;
        int status = 0;
        while (std::chrono::steady_clock::now() < end) {
            if (::waitpid(pid, &status, WNOHANG) == pid) {
                std::erase(FChildren, pid);
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            std::this_thread::sleep_for(10ms);
        }
        return -1;
    }

    std::map<std::string, std::string> State()
    {
        std::map<std::string, std::string> state;
        std::istringstream in(testutil::ReadFileBytes((FDir / "state").string()));
        std::string line;
        while (std::getline(in, line))
            if (const auto eq = line.find('='); eq != std::string::npos)
                state[line.substr(0, eq)] = line.substr(eq + 1);
        return state;
    }
    bool WaitState(const std::function<bool(const std::map<std::string, std::string>&)>& done, int timeoutMs = 10000)
    {
        for (int waited = 0; waited < timeoutMs; waited += 20) {
            if (done(State()))
                return true;
            std::this_thread::sleep_for(20ms);
        }
        return false;
    }
    bool WaitValue(const std::string& key, const std::string& value, int timeoutMs = 10000)
    {
        return WaitState([&](auto& s) { return s.count(key) && s.at(key) == value; }, timeoutMs);
    }

    // A visible window of `pid` with this exact title; empty when none shows within the time.
    std::string FindWindow(pid_t pid, const std::string& title, std::chrono::milliseconds limit = 10s)
    {
        const auto end = std::chrono::steady_clock::now() + limit;
        for (;;) {
            const std::string window = ShellOutput("xdotool search --all --onlyvisible --pid " + std::to_string(pid)
                + " --name '^" + title + "$' 2>/dev/null | head -n 1");
            if (!window.empty() || std::chrono::steady_clock::now() >= end)
                return window;
            std::this_thread::sleep_for(50ms);
        }
    }

    int CountWindows(pid_t pid, const std::string& title)
    {
        return std::atoi(ShellOutput("xdotool search --all --onlyvisible --pid " + std::to_string(pid) + " --name '^"
            + title + "$' 2>/dev/null | wc -l")
                             .c_str());
    }

    // The paths of the open documents (slot lines start with the file name).
    std::vector<std::string> Documents()
    {
        std::vector<std::string> paths;
        for (const auto& [key, value] : State())
            if (key.starts_with("slot"))
                paths.push_back(value.substr(0, value.find('|')));
        return paths;
    }

    fs::path FDir;
    pid_t FRunning = -1;
    std::string FWindow;
    std::vector<pid_t> FChildren;
};

// How many starts the burst test makes: QUILLAN_BURST_STARTS, by default few enough for a busy
// machine with a sanitizer build; 150 reaches the document limit as well.
int BurstStarts()
{
    if (const char* value = std::getenv("QUILLAN_BURST_STARTS"))
        return std::max(1, std::atoi(value));
    return 30;
}

TEST_F(HandOffWindowTest, ABurstOfStartsLosesNoFile)
{
    const int starts = BurstStarts();
    std::vector<fs::path> files;
    for (int i = 0; i < starts; ++i)
        files.push_back(File("burst" + std::to_string(i) + ".txt"));
    StartRunning();
    ASSERT_TRUE(WaitValue("documents", "1"));

    const auto begun = std::chrono::steady_clock::now();
    std::vector<pid_t> senders;
    for (const fs::path& f : files)
        senders.push_back(Spawn({ f.string() }));
    int failed = 0;
    for (pid_t pid : senders)
        failed += WaitExit(pid, 40s) != 0;
    const auto took = std::chrono::steady_clock::now() - begun;
    EXPECT_EQ(failed, 0) << "starts that did not hand over their file";
    std::printf("%d starts handed over in %lld ms\n", starts,
        static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(took).count()));

    // Every file reached the window once; it opens them up to the document limit.
    ASSERT_TRUE(WaitValue("handedover", std::to_string(starts), 20000)) << State()["handedover"];
    const int open = std::min(starts + 1, 100);
    ASSERT_TRUE(WaitValue("documents", std::to_string(open), 20000)) << State()["documents"];
    const std::vector<std::string> documents = Documents();
    ASSERT_EQ(documents.size(), static_cast<std::size_t>(open));
    std::set<std::string> distinct(documents.begin() + 1, documents.end());
    EXPECT_EQ(distinct.size(), documents.size() - 1) << "a file was opened twice";
    std::set<std::string> handed;
    for (const fs::path& f : files)
        handed.insert(f.string());
    for (const std::string& d : distinct)
        EXPECT_TRUE(handed.count(d)) << d;
    // Beyond the limit the window says so itself: the starts have ended.
    if (starts + 1 > 100) {
        EXPECT_TRUE(WaitState([&](auto&) { return CountWindows(FRunning, "Quillan") >= 2; }, 5000))
            << "no \"File limit reached!\" box";
    }
    EXPECT_FALSE(fs::exists(FDir / "run/Quillan/$DATA$.txt"));
}

TEST_F(HandOffWindowTest, AStartThatGivesUpSaysSoInABox)
{
    const fs::path a = File("a.txt"), b = File("b.txt");
    StartRunning();
    ASSERT_TRUE(WaitValue("documents", "1"));
    ASSERT_EQ(::kill(FRunning, SIGSTOP), 0);
    // Another start stuck in its start-up: the lock is taken and never let go.
    fs::create_directories(FDir / "run2/Quillan");
    fs::permissions(FDir / "run2/Quillan", fs::perms::owner_all, fs::perm_options::replace);
    const int lock = ::open((FDir / "run2/Quillan/instance.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_EQ(::flock(lock, LOCK_EX), 0);

    const pid_t silent = Spawn({ a.string() }, { .Display = true, .Runtime = "run", .Stderr = "silent.err" });
    const pid_t stuck = Spawn({ b.string() }, { .Display = true, .Runtime = "run2", .Stderr = "stuck.err" });
    // Both give up after their ten seconds, and say so where the user sees it.
    for (pid_t pid : { silent, stuck }) {
        const std::string box = FindWindow(pid, "Quillan", 20s);
        ASSERT_FALSE(box.empty()) << "no message box";
        EXPECT_EQ(WaitExit(pid, 300ms), -1) << "the box went away by itself";
        ShellOutput("xdotool windowfocus --sync " + box + " 2>/dev/null; xdotool key --delay 50 Return");
        EXPECT_EQ(WaitExit(pid), 1);
    }
    EXPECT_TRUE(testutil::ReadFileBytes((FDir / "silent.err").string())
                    .starts_with("quillan: Quillan is running but does not answer; this file was not opened:\n"
                        + a.string() + "\n"))
        << testutil::ReadFileBytes((FDir / "silent.err").string());
    EXPECT_TRUE(testutil::ReadFileBytes((FDir / "stuck.err").string())
                    .starts_with("quillan: Another start of Quillan did not finish in time; this file was not opened:\n"
                        + b.string() + "\n"))
        << testutil::ReadFileBytes((FDir / "stuck.err").string());
    ::close(lock);

    // The silent one wakes up: it does not open the file it was told was not handed over, and the
    // next start is served as usual.
    ::kill(FRunning, SIGCONT);
    const pid_t later = Spawn({ b.string() });
    EXPECT_EQ(WaitExit(later), 0);
    ASSERT_TRUE(WaitValue("documents", "2"));
    EXPECT_EQ(Documents().back(), b.string());
}

// Under a window manager, which decides itself which window is active and may refuse a program
// that raises itself out of turn.
class WindowManagerTest : public HandOffWindowTest {
protected:
    void SetUp() override
    {
        HandOffWindowTest::SetUp();
        if (IsSkipped())
            return;
        if (std::system("command -v openbox >/dev/null 2>&1") != 0)
            GTEST_SKIP() << "openbox is not installed (scripts/setup-deps.sh --test installs it)";
        FManager = ::fork();
        if (FManager == 0) {
            const int null = ::open("/dev/null", O_WRONLY);
            ::dup2(null, 1);
            ::dup2(null, 2);
            ::execlp("openbox", "openbox", "--sm-disable", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        // Managing once it has claimed the screen.
        for (int i = 0; i < 200; ++i) {
            if (!ShellOutput("xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -o 'window id'").empty())
                return;
            std::this_thread::sleep_for(25ms);
        }
        FAIL() << "openbox did not start";
    }
    void TearDown() override
    {
        HandOffWindowTest::TearDown();
        if (FManager > 0) {
            ::kill(FManager, SIGTERM);
            ::waitpid(FManager, nullptr, 0);
            // The property outlives the manager; the next test must not take it for a manager.
            ShellOutput("xprop -root -remove _NET_SUPPORTING_WM_CHECK 2>/dev/null");
        }
    }

    std::string Active() { return ShellOutput("xdotool getactivewindow 2>/dev/null"); }
    bool WaitActive(const std::string& window)
    {
        for (int i = 0; i < 250; ++i) {
            if (Active() == window)
                return true;
            std::this_thread::sleep_for(20ms);
        }
        return false;
    }
    // Another program's window takes the focus, as the file manager would that starts the file.
    pid_t OtherWindow()
    {
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::execlp("xmessage", "xmessage", "-name", "elsewhere", "elsewhere", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        FChildren.push_back(pid);
        return pid;
    }

    pid_t FManager = -1;
};

TEST_F(WindowManagerTest, HandedOverFilesComeForwardWithTheKeyboard)
{
    if (std::system("command -v xmessage >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "xmessage is not installed";
    const fs::path c = File("c.txt", "c\n"), d = File("d.txt", "d\n");
    StartRunning();
    ASSERT_TRUE(WaitValue("documents", "1"));
    ASSERT_TRUE(WaitActive(FWindow)) << "the new window did not become active";

    OtherWindow();
    ASSERT_TRUE(WaitState([&](auto&) { return !Active().empty() && Active() != FWindow; }));
    EXPECT_EQ(WaitExit(Spawn({ c.string() })), 0);
    ASSERT_TRUE(WaitValue("documents", "2"));
    EXPECT_TRUE(WaitActive(FWindow)) << "the window stayed behind the other one";
    // Typed where the keyboard is, without handing it to any window.
    ShellOutput("xdotool type --delay 40 k");
    ASSERT_TRUE(WaitValue("panel1", "Modified")) << "the key did not reach the new document";
    auto state = State();
    EXPECT_EQ(state["active"], "1");
    EXPECT_EQ(state["slot1"].substr(0, c.string().size() + 2), c.string() + "|1");
    EXPECT_EQ(state["slot0"].substr(0, 11), "Untitled|0|");

    // Minimised, it comes back as well.
    ShellOutput("xdotool windowminimize --sync " + FWindow);
    ASSERT_TRUE(WaitState([&](auto&) { return Active() != FWindow; }));
    EXPECT_EQ(WaitExit(Spawn({ d.string() })), 0);
    ASSERT_TRUE(WaitValue("documents", "3"));
    EXPECT_TRUE(WaitActive(FWindow)) << "the minimised window was not restored";
    ShellOutput("xdotool type --delay 40 k");
    ASSERT_TRUE(WaitState([&](auto& s) { return s.count("slot2") && s.at("slot2").starts_with(d.string() + "|1"); }))
        << State()["slot2"];
}

TEST_F(WindowManagerTest, TheFirstWindowMakesRoomForTheToolbarWithinItsBorders)
{
    // The manager's borders are known only once the window is mapped; they must not be taken
    // from the toolbar's row.
    FRunning = Spawn({}, { .Display = true, .Runtime = "run", .Stderr = "", .FirstRun = true });
    ASSERT_TRUE(WaitState([](auto& s) { return s.count("nexttool") > 0; }, 20000)) << "Next is not on the toolbar";
    FWindow = FindWindow(FRunning, "Quillan");
    ASSERT_FALSE(FWindow.empty());
    int has = 0, needs = 0;
    EXPECT_TRUE(WaitState([&](auto& s) {
        return s.count("toolbarwidth") && std::sscanf(s.at("toolbarwidth").c_str(), "%d,%d", &has, &needs) == 2
            && needs > 0 && has >= needs;
    })) << "the toolbar has "
        << has << " of the " << needs << " pixels it needs";
    int x = 0, y = 0, width = 0, height = 0, nextX = 0, nextY = 0, nextWidth = 0, nextHeight = 0;
    const std::string geometry = ShellOutput("xdotool getwindowgeometry " + FWindow);
    ASSERT_EQ(std::sscanf(geometry.c_str() + geometry.find("Position: "), "Position: %d,%d", &x, &y), 2) << geometry;
    ASSERT_EQ(std::sscanf(geometry.c_str() + geometry.find("Geometry: "), "Geometry: %dx%d", &width, &height), 2);
    ASSERT_EQ(std::sscanf(State()["nexttool"].c_str(), "%d,%d,%d,%d", &nextX, &nextY, &nextWidth, &nextHeight), 4);
    EXPECT_LE(nextX + nextWidth, x + width) << "Next is cut off at the window's right edge";
}

} // namespace
} // namespace quillan::guitest
