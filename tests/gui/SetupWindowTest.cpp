// The real program's first start on a desktop of the test's own (support/FakeDesktop.h): the
// setup window, what its OK leaves in the home, and the uninstall start that takes it away.

#include "GuiTestUtil.h"
#include "support/FakeDesktop.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <wx/image.h>

namespace quillan::guitest {
namespace {

namespace fs = std::filesystem;
using testutil::ReadFileBytes;

class SetupWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!fs::exists(QuillanProgram()))
            GTEST_SKIP() << "the program is not built: " << QuillanProgram();
        if (std::system("command -v xdotool >/dev/null 2>&1") != 0)
            GTEST_SKIP() << "xdotool is not installed";
        FDesktop = std::make_unique<testutil::TFakeDesktop>();
        fs::create_directories(Run());
        fs::permissions(Run(), fs::perms::owner_all, fs::perm_options::replace);
        FProgram = fs::canonical(QuillanProgram()).string();
    }
    void TearDown() override
    {
        if (FPid > 0) {
            ::kill(FPid, SIGKILL);
            ::waitpid(FPid, nullptr, 0);
        }
        FDesktop.reset();
    }

    std::string Run() const { return FDesktop->Home() + "/run"; }
    std::string Config() const { return FDesktop->ConfigHome() + "/Quillan"; }

    void Start(const std::vector<std::string>& args = {})
    {
        const std::string program = QuillanProgram();
        const std::string run = Run();
        const std::string state = FDesktop->Home() + "/state";
        FPid = ::fork();
        if (FPid == 0) {
            ::setenv("XDG_RUNTIME_DIR", run.c_str(), 1);
            ::setenv("QUILLAN_STATE_FILE", state.c_str(), 1);
            std::vector<char*> argv { const_cast<char*>(program.c_str()) };
            for (const std::string& a : args)
                argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
    }

    // The program's visible window of that title; empty when there is none within the time.
    std::string FindWindow(const std::string& title, int timeoutMs = 20000)
    {
        for (int waited = 0; waited < timeoutMs; waited += 50) {
            const std::string id = ShellOutput("xdotool search --all --onlyvisible --pid " + std::to_string(FPid)
                + " --name '^" + title + "$' 2>/dev/null | head -n 1");
            if (!id.empty())
                return id;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return {};
    }

    // The titles of the program's visible windows, for failure messages.
    std::string VisibleWindows()
    {
        return ShellOutput("for w in $(xdotool search --all --onlyvisible --pid " + std::to_string(FPid)
            + " 2>/dev/null); do xdotool getwindowname $w; done | tr '\\n' '|'");
    }

    // Every visible window of the program with that title.
    std::vector<std::string> Windows(const std::string& title)
    {
        std::vector<std::string> ids;
        std::string all = ShellOutput("xdotool search --all --onlyvisible --pid " + std::to_string(FPid) + " --name '^"
            + title + "$' 2>/dev/null");
        for (std::size_t start = 0; start < all.size();) {
            const std::size_t end = std::min(all.find('\n', start), all.size());
            ids.push_back(all.substr(start, end - start));
            start = end + 1;
        }
        return ids;
    }

    // Presses OK in the setup window until it goes: a key that arrives before GTK has mapped the
    // window is lost.
    bool CloseSetup()
    {
        for (int attempt = 0; attempt < 5; ++attempt) {
            const std::string setup = FindWindow("Quillan Setup", 2000);
            if (setup.empty())
                return true;
            Key(setup, "Return");
            if (WaitFor([&] { return FindWindow("Quillan Setup", 100).empty(); }, 4000))
                return true;
        }
        ShellOutput("import -window root " + (fs::temp_directory_path() / "quillan-setup-stuck.png").string());
        return false;
    }

    // Answers the program's message box (its title is the main window's) with its default button.
    bool AnswerBox(const std::string& mainWindow)
    {
        std::string box;
        WaitFor([&] {
            for (const std::string& id : Windows("Quillan"))
                if (id != mainWindow)
                    box = id;
            return !box.empty();
        });
        if (box.empty())
            return false;
        Key(box, "Return");
        return WaitFor([&] { return Windows("Quillan").size() <= 1; });
    }

    void Key(const std::string& window, const std::string& key)
    {
        ShellOutput("xdotool windowfocus --sync " + window + " 2>/dev/null; xdotool key --delay 40 " + key);
    }

    static bool WaitFor(const std::function<bool()>& done, int timeoutMs = 15000)
    {
        for (int waited = 0; waited < timeoutMs; waited += 50) {
            if (done())
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return false;
    }

    int WaitExit(int timeoutMs = 15000)
    {
        int status = 0;
        for (int waited = 0; waited < timeoutMs; waited += 50) {
            if (::waitpid(FPid, &status, WNOHANG) == FPid) {
                FPid = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return -1;
    }

    void Kill()
    {
        ::kill(FPid, SIGKILL);
        ::waitpid(FPid, nullptr, 0);
        FPid = -1;
    }

    std::vector<std::string> Launchers() const
    {
        return { FDesktop->Applications() + "/Quillan.desktop", FDesktop->Desktop() + "/Quillan.desktop",
            FDesktop->Scripts() + "/Quillan.desktop", FDesktop->Applications() + "/Quillan-textfiles.desktop" };
    }

    std::unique_ptr<testutil::TFakeDesktop> FDesktop;
    std::string FProgram;
    pid_t FPid = -1;
};

TEST_F(SetupWindowTest, AFirstStartOffersSetupAndOkSetsUpTheDesktop)
{
    FDesktop->SetDefault("text/plain", "org.gnome.TextEditor.desktop");
    Start();
    ASSERT_FALSE(FindWindow("Quillan").empty()) << "the main window never came up";
    const std::string setup = FindWindow("Quillan Setup");
    ASSERT_FALSE(setup.empty()) << "a first start shows no setup window";
    const fs::path shot = FDesktop->Home() + "/setup.png";
    ShellOutput("import -window " + setup + " " + shot.string() + " 2>/dev/null");
    wxImage image;
    if (image.LoadFile(shot.string(), wxBITMAP_TYPE_PNG))
        image.SaveFile((fs::temp_directory_path() / "quillan-setup-window.png").string(), wxBITMAP_TYPE_PNG);
    ASSERT_TRUE(CloseSetup()) << VisibleWindows();

    ASSERT_TRUE(WaitFor([&] { return FDesktop->DefaultFor("text/plain") == "Quillan-textfiles.desktop"; }))
        << "no association";
    ASSERT_TRUE(WaitFor([&] { return fs::is_symlink(FDesktop->UserBin() + "/quillan"); })) << "no program link";
    // Start Menu is the last shortcut the setup writes.
    ASSERT_TRUE(WaitFor([&] { return fs::exists(FDesktop->Applications() + "/Quillan.desktop"); }))
        << "no Start Menu shortcut";
    for (const std::string& file : Launchers()) {
        const std::string text = ReadFileBytes(file);
        EXPECT_NE(text.find("Exec=" + FProgram + " %F\n"), std::string::npos) << file << ":\n" << text;
        if (std::system("command -v desktop-file-validate >/dev/null 2>&1") == 0) {
            EXPECT_EQ(ShellOutput("desktop-file-validate --no-hints '" + file + "' 2>&1"), "") << file;
        }
    }
    EXPECT_EQ(fs::read_symlink(FDesktop->UserBin() + "/quillan").string(), FProgram);
    const std::string registry = ReadFileBytes(Config() + "/Registry");
    EXPECT_NE(registry.find("org.gnome.TextEditor.desktop"), std::string::npos) << registry;
    EXPECT_NE(registry.find(FProgram + " /UNINSTALL"), std::string::npos) << registry;

    // Not closed normally: the next start offers the setup again.
    Kill();
    Start();
    const std::string main = FindWindow("Quillan");
    ASSERT_FALSE(FindWindow("Quillan Setup").empty()) << "the second start before a normal exit shows no setup window";
    ASSERT_TRUE(CloseSetup()) << VisibleWindows();
    // The association stands: the program says so in a box of its own.
    ASSERT_TRUE(AnswerBox(main)) << VisibleWindows();
    Key(main, "alt+x");
    ASSERT_EQ(WaitExit(), 0);
    EXPECT_NE(ReadFileBytes(Config() + "/Quillan.ini").find("CheckSum=10"), std::string::npos);

    // Once closed normally, a start goes straight to the editor.
    Start();
    ASSERT_FALSE(FindWindow("Quillan").empty());
    EXPECT_TRUE(FindWindow("Quillan Setup", 2000).empty());
}

TEST_F(SetupWindowTest, AnUninstallStartTakesEverythingAwayAndEnds)
{
    FDesktop->SetDefault("text/plain", "org.gnome.TextEditor.desktop");
    Start();
    const std::string main = FindWindow("Quillan");
    ASSERT_FALSE(FindWindow("Quillan Setup").empty());
    ASSERT_TRUE(CloseSetup()) << VisibleWindows();
    ASSERT_TRUE(WaitFor([&] { return fs::exists(FDesktop->Applications() + "/Quillan.desktop"); }));
    Key(main, "alt+x");
    ASSERT_EQ(WaitExit(), 0);

    Start({ "/uninstall", "ignored.txt" });
    const std::string again = FindWindow("Quillan");
    ASSERT_FALSE(again.empty());
    // The question's default button is Yes.
    ASSERT_TRUE(AnswerBox(again)) << VisibleWindows();
    ASSERT_EQ(WaitExit(), 0) << "the program went on after the uninstall";
    for (const std::string& file : Launchers())
        EXPECT_FALSE(fs::exists(file)) << file;
    EXPECT_FALSE(fs::exists(FDesktop->UserBin() + "/quillan"));
    EXPECT_FALSE(fs::exists(Config() + "/Quillan.ini")) << "the settings were written after all";
    EXPECT_EQ(FDesktop->DefaultFor("text/plain"), "org.gnome.TextEditor.desktop");
}

} // namespace
} // namespace quillan::guitest
