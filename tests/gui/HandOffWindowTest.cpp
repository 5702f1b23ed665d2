// The hand-off between real program starts on the test display: a burst of starts, a running
// program that does not answer, a start that cannot get its turn, and where the keyboard goes
// afterwards under a real window manager. The running program is watched through the state
// summary it keeps in QUILLAN_STATE_FILE.

#include "GuiTestUtil.h"
#include "ProgramTest.h"
#include "support/TempFolder.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <set>
#include <sys/file.h>
#include <thread>
#include <unistd.h>

namespace quillan::guitest {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class HandOffWindowTest : public ProgramTest {
protected:
    HandOffWindowTest()
        : ProgramTest("handoff")
    {
    }
    void SetUp() override
    {
        ProgramTest::SetUp();
        if (IsSkipped())
            return;
        PrivateFolder("run2");
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
        files.push_back(File("burst" + std::to_string(i) + ".txt", "x\n"));
    Start({});
    ASSERT_TRUE(WaitValue("documents", "1"));

    const auto begun = std::chrono::steady_clock::now();
    std::vector<pid_t> senders;
    for (const fs::path& f : files)
        senders.push_back(Spawn({ f.string() }, { .Display = false }));
    int failed = 0;
    for (pid_t pid : senders)
        failed += WaitExit(pid, 40000) != 0;
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
        EXPECT_TRUE(WaitState([&](auto&) { return Windows("Quillan").size() >= 2; }, 5000))
            << "no \"File limit reached!\" box";
    }
    EXPECT_FALSE(fs::exists(FDir / "run/Quillan/$DATA$.txt"));
}

TEST_F(HandOffWindowTest, AStartThatGivesUpSaysSoInABox)
{
    const fs::path a = File("a.txt", "x\n"), b = File("b.txt", "x\n");
    Start({});
    ASSERT_TRUE(WaitValue("documents", "1"));
    ASSERT_EQ(::kill(FPid, SIGSTOP), 0);
    // Another start stuck in its start-up: the lock is taken and never let go.
    PrivateFolder("run2/Quillan");
    const int lock = ::open((FDir / "run2/Quillan/instance.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_EQ(::flock(lock, LOCK_EX), 0);

    const pid_t silent = Spawn({ a.string() }, { .Display = true, .Runtime = "run", .Stderr = "silent.err" });
    const pid_t stuck = Spawn({ b.string() }, { .Display = true, .Runtime = "run2", .Stderr = "stuck.err" });
    // Both give up after their ten seconds, and say so where the user sees it.
    for (pid_t pid : { silent, stuck }) {
        const std::string box = FindWindow("Quillan", 20000, pid);
        ASSERT_FALSE(box.empty()) << "no message box";
        EXPECT_EQ(WaitExit(pid, 300), -1) << "the box went away by itself";
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
    ::kill(FPid, SIGCONT);
    const pid_t later = Spawn({ b.string() }, { .Display = false });
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
        // Started before the program, it is ended after it.
        if (!IsSkipped())
            UseWindowManager();
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
    pid_t OtherWindow() { return StartHelper({ "xmessage", "-name", "elsewhere", "elsewhere" }); }
};

TEST_F(WindowManagerTest, HandedOverFilesComeForwardWithTheKeyboard)
{
    if (!Installed("xmessage"))
        GTEST_SKIP() << "xmessage is not installed";
    const fs::path c = File("c.txt", "c\n"), d = File("d.txt", "d\n");
    Start({});
    ASSERT_TRUE(WaitValue("documents", "1"));
    ASSERT_TRUE(WaitActive(FWindow)) << "the new window did not become active";

    OtherWindow();
    ASSERT_TRUE(WaitState([&](auto&) { return !Active().empty() && Active() != FWindow; }));
    EXPECT_EQ(WaitExit(Spawn({ c.string() }, { .Display = false })), 0);
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
    EXPECT_EQ(WaitExit(Spawn({ d.string() }, { .Display = false })), 0);
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
    FPid = Spawn({}, { .FirstRun = true });
    ASSERT_TRUE(WaitState([](auto& s) { return s.count("nexttool") > 0; }, 20000)) << "Next is not on the toolbar";
    FWindow = FindWindow("Quillan", 10000);
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
