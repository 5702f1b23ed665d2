// The real program's first start on a desktop of the test's own (support/FakeDesktop.h): the
// setup window, what its OK leaves in the home, and the uninstall start that takes it away.

#include "GuiTestUtil.h"
#include "ProgramTest.h"
#include "support/FakeDesktop.h"

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <wx/image.h>

namespace quillan::guitest {
namespace {

namespace fs = std::filesystem;
using testutil::ReadFileBytes;

// How long a window of a first start may take to show.
constexpr int StartMs = 20000;

class SetupWindowTest : public ProgramTest {
protected:
    SetupWindowTest()
        : ProgramTest("setup")
    {
        // The desktop's own settings folder, as the program finds it in HOME.
        FConfig = ".config";
        // What still runs at the end is killed, not asked to end: it may be in the middle of its setup.
        FEndSignal = SIGKILL;
        // A first start on a sanitizer build is slow enough without xdotool beside it.
        FPollMs = 50;
    }
    void SetUp() override
    {
        ProgramTest::SetUp();
        if (IsSkipped())
            return;
        FProgram = fs::canonical(QuillanProgram()).string();
    }
    void TearDown() override
    {
        ProgramTest::TearDown();
        FDesktop.reset();
    }
    // The desktop's home is the test's folder.
    fs::path MakeFolder() override
    {
        FDesktop = std::make_unique<testutil::TFakeDesktop>();
        return FDesktop->Home();
    }

    std::string Config() const { return FDesktop->ConfigHome() + "/Quillan"; }

    // Starts without waiting for any window, in the folder the test program runs in, with the
    // settings as the previous starts left them.
    void Launch(const std::vector<std::string>& args = {})
    {
        FPid = Spawn(args, { .FirstRun = true, .InFolder = false });
    }

    // The titles of the program's visible windows, for failure messages.
    std::string VisibleWindows()
    {
        return ShellOutput("for w in $(xdotool search --all --onlyvisible --pid " + std::to_string(FPid)
            + " 2>/dev/null); do xdotool getwindowname $w; done | tr '\\n' '|'");
    }

    // Presses OK in the setup window until it goes: a key that arrives before GTK has mapped the
    // window is lost.
    bool CloseSetup()
    {
        for (int attempt = 0; attempt < 5; ++attempt) {
            const std::string setup = FindWindow("Quillan Setup", 2000);
            if (setup.empty())
                return true;
            Keys(setup, "Return", 40);
            if (WaitUntil([&] { return FindWindow("Quillan Setup", 100).empty(); }, 4000))
                return true;
        }
        ShellOutput("import -window root " + (fs::temp_directory_path() / "quillan-setup-stuck.png").string());
        return false;
    }

    // Answers the program's message box (its title is the main window's) with its default button.
    bool AnswerBox(const std::string& mainWindow)
    {
        std::string box;
        WaitUntil([&] {
            for (const std::string& id : Windows("Quillan"))
                if (id != mainWindow)
                    box = id;
            return !box.empty();
        });
        if (box.empty())
            return false;
        Keys(box, "Return", 40);
        return WaitUntil([&] { return Windows("Quillan").size() <= 1; });
    }

    std::vector<std::string> Launchers() const
    {
        return { FDesktop->Applications() + "/quillan.desktop", FDesktop->Desktop() + "/Quillan.desktop",
            FDesktop->Scripts() + "/Quillan.desktop", FDesktop->Applications() + "/Quillan-textfiles.desktop" };
    }

    std::unique_ptr<testutil::TFakeDesktop> FDesktop;
    std::string FProgram;
};

TEST_F(SetupWindowTest, AFirstStartOffersSetupAndOkSetsUpTheDesktop)
{
    FDesktop->SetDefault("text/plain", "org.gnome.TextEditor.desktop");
    Launch();
    ASSERT_FALSE(FindWindow("Quillan", StartMs).empty()) << "the main window never came up";
    const std::string setup = FindWindow("Quillan Setup", StartMs);
    ASSERT_FALSE(setup.empty()) << "a first start shows no setup window";
    const fs::path shot = FDesktop->Home() + "/setup.png";
    ShellOutput("import -window " + setup + " " + shot.string() + " 2>/dev/null");
    wxImage image;
    if (image.LoadFile(shot.string(), wxBITMAP_TYPE_PNG))
        image.SaveFile((fs::temp_directory_path() / "quillan-setup-window.png").string(), wxBITMAP_TYPE_PNG);
    ASSERT_TRUE(CloseSetup()) << VisibleWindows();

    ASSERT_TRUE(WaitUntil([&] { return FDesktop->DefaultFor("text/plain") == "Quillan-textfiles.desktop"; }))
        << "no association";
    ASSERT_TRUE(WaitUntil([&] { return fs::is_symlink(FDesktop->UserBin() + "/quillan"); })) << "no program link";
    // Start Menu is the last shortcut the setup writes.
    ASSERT_TRUE(WaitUntil([&] { return fs::exists(FDesktop->Applications() + "/quillan.desktop"); }))
        << "no Start Menu shortcut";
    for (const std::string& file : Launchers()) {
        const std::string text = ReadFileBytes(file);
        EXPECT_NE(text.find("Exec=" + FProgram + " %F\n"), std::string::npos) << file << ":\n" << text;
        if (std::system("command -v desktop-file-validate >/dev/null 2>&1") == 0) {
            EXPECT_EQ(ShellOutput("desktop-file-validate --no-hints '" + file + "' 2>&1"), "") << file;
        }
    }
    EXPECT_EQ(fs::read_symlink(FDesktop->UserBin() + "/quillan").string(), FProgram);
    // The registration follows the shortcuts and the program link: its uninstall entry is the
    // last thing the setup writes, and may still be on its way.
    const std::string uninstall = FProgram + " /UNINSTALL";
    WaitUntil([&] { return ReadFileBytes(Config() + "/Registry").find(uninstall) != std::string::npos; }, 5000);
    const std::string registry = ReadFileBytes(Config() + "/Registry");
    EXPECT_NE(registry.find("org.gnome.TextEditor.desktop"), std::string::npos) << registry;
    EXPECT_NE(registry.find(uninstall), std::string::npos) << registry;

    // Not closed normally: the next start offers the setup again.
    Stop(FPid, SIGKILL);
    Launch();
    const std::string main = FindWindow("Quillan", StartMs);
    ASSERT_FALSE(FindWindow("Quillan Setup", StartMs).empty())
        << "the second start before a normal exit shows no setup window";
    ASSERT_TRUE(CloseSetup()) << VisibleWindows();
    // The association stands: the program says so in a box of its own.
    ASSERT_TRUE(AnswerBox(main)) << VisibleWindows();
    Keys(main, "alt+x", 40);
    ASSERT_EQ(WaitExit(FPid), 0);
    EXPECT_NE(ReadFileBytes(Config() + "/Quillan.ini").find("CheckSum=10"), std::string::npos);

    // Once closed normally, a start goes straight to the editor.
    Launch();
    ASSERT_FALSE(FindWindow("Quillan", StartMs).empty());
    EXPECT_TRUE(FindWindow("Quillan Setup", 2000).empty());
}

TEST_F(SetupWindowTest, AnUninstallStartTakesEverythingAwayAndEnds)
{
    FDesktop->SetDefault("text/plain", "org.gnome.TextEditor.desktop");
    Launch();
    const std::string main = FindWindow("Quillan", StartMs);
    ASSERT_FALSE(FindWindow("Quillan Setup", StartMs).empty());
    ASSERT_TRUE(CloseSetup()) << VisibleWindows();
    ASSERT_TRUE(WaitUntil([&] { return fs::exists(FDesktop->Applications() + "/quillan.desktop"); }));
    Keys(main, "alt+x", 40);
    ASSERT_EQ(WaitExit(FPid), 0);

    Launch({ "/uninstall", "ignored.txt" });
    const std::string again = FindWindow("Quillan", StartMs);
    ASSERT_FALSE(again.empty());
    // The question's default button is Yes.
    ASSERT_TRUE(AnswerBox(again)) << VisibleWindows();
    ASSERT_EQ(WaitExit(FPid), 0) << "the program went on after the uninstall";
    for (const std::string& file : Launchers())
        EXPECT_FALSE(fs::exists(file)) << file;
    EXPECT_FALSE(fs::exists(FDesktop->UserBin() + "/quillan"));
    EXPECT_FALSE(fs::exists(Config() + "/Quillan.ini")) << "the settings were written after all";
    EXPECT_EQ(FDesktop->DefaultFor("text/plain"), "org.gnome.TextEditor.desktop");
}

} // namespace
} // namespace quillan::guitest
