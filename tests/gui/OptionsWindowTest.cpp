// The options dialog and its colour preview in the real program. The dialog and the preview write
// where their controls are to "<state file>.options" and "<state file>.previewing" while they are
// shown; the test clicks there with xdotool and checks what the screen shows.

#include "GuiTestUtil.h"
#include "support/TempFolder.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>
#include <wx/image.h>

namespace quillan::guitest {
namespace {

namespace fs = std::filesystem;
using TState = std::map<std::string, std::string>;

struct TRgb {
    int R = 0, G = 0, B = 0;
};

bool Near(const wxImage& image, int x, int y, TRgb c, int tolerance)
{
    return std::abs(image.GetRed(x, y) - c.R) <= tolerance && std::abs(image.GetGreen(x, y) - c.G) <= tolerance
        && std::abs(image.GetBlue(x, y) - c.B) <= tolerance;
}

// Pixels of `c` (within `tolerance`) inside the rectangle, clipped to the image.
int CountColour(const wxImage& image, int left, int top, int width, int height, TRgb c, int tolerance = 40)
{
    int count = 0;
    for (int y = std::max(0, top); y < std::min(image.GetHeight(), top + height); ++y)
        for (int x = std::max(0, left); x < std::min(image.GetWidth(), left + width); ++x)
            count += Near(image, x, y, c, tolerance);
    return count;
}

// Pixels of text drawn in `c` on white: anti-aliasing blends the glyph's edges with the
// background, so a thin glyph has few pixels of exactly its colour but many on the line from white
// to it. At least 30% of the way there counts.
int CountInk(const wxImage& image, int left, int top, int width, int height, TRgb c)
{
    const int channel[3] = { c.R, c.G, c.B };
    int strongest = 0;
    for (int i = 1; i < 3; ++i)
        if (255 - channel[i] > 255 - channel[strongest])
            strongest = i;
    int count = 0;
    for (int y = std::max(0, top); y < std::min(image.GetHeight(), top + height); ++y)
        for (int x = std::max(0, left); x < std::min(image.GetWidth(), left + width); ++x) {
            const int pixel[3] = { image.GetRed(x, y), image.GetGreen(x, y), image.GetBlue(x, y) };
            const double a = (255.0 - pixel[strongest]) / (255.0 - channel[strongest]);
            if (a < 0.3 || a > 1.1)
                continue;
            bool onLine = true;
            for (int i = 0; i < 3; ++i)
                onLine = onLine && std::abs(pixel[i] - (255.0 - a * (255 - channel[i]))) <= 25;
            count += onLine;
        }
    return count;
}

std::vector<int> Numbers(const std::string& text)
{
    std::vector<int> numbers;
    std::istringstream in(text);
    std::string part;
    while (std::getline(in, part, ','))
        numbers.push_back(std::atoi(part.c_str()));
    return numbers;
}

class OptionsWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!fs::exists(QuillanProgram()))
            GTEST_SKIP() << "the program is not built: " << QuillanProgram();
        if (std::system("command -v xdotool >/dev/null 2>&1 && command -v import >/dev/null 2>&1") != 0)
            GTEST_SKIP() << "xdotool or imagemagick is not installed";
        FDir = fs::temp_directory_path()
            / ("quillan-options-" + std::to_string(::getpid()) + "-"
                + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(FDir);
        fs::create_directories(FDir / "config/Quillan");
        fs::create_directories(FDir / "run");
        fs::permissions(FDir / "run", fs::perms::owner_all, fs::perm_options::replace);
    }
    void TearDown() override
    {
        if (FPid > 0) {
            ::kill(FPid, SIGTERM);
            ::waitpid(FPid, nullptr, 0);
        }
        fs::remove_all(FDir);
    }

    void Settings(const std::string& ini) { std::ofstream(FDir / "config/Quillan/Quillan.ini") << ini; }

    void Start(const std::vector<std::string>& args)
    {
        const std::string program = QuillanProgram();
        FPid = ::fork();
        if (FPid == 0) {
            ::setenv("XDG_CONFIG_HOME", (FDir / "config").c_str(), 1);
            ::setenv("XDG_RUNTIME_DIR", (FDir / "run").c_str(), 1);
            ::setenv("QUILLAN_STATE_FILE", (FDir / "state").c_str(), 1);
            ::chdir(FDir.c_str());
            std::vector<char*> argv { const_cast<char*>(program.c_str()) };
            for (const std::string& a : args)
                argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        ASSERT_TRUE(WaitState(
            "state", [](const TState& s) { return s.count("documents") > 0; }, 20000))
            << "the window never came up";
        FWindow = FindWindow("Quillan");
        ASSERT_FALSE(FWindow.empty());
    }

    TState State(const std::string& name)
    {
        TState state;
        std::istringstream in(testutil::ReadFileBytes((FDir / name).string()));
        std::string line;
        while (std::getline(in, line)) {
            const auto eq = line.find('=');
            if (eq != std::string::npos)
                state[line.substr(0, eq)] = line.substr(eq + 1);
        }
        return state;
    }

    bool WaitState(const std::string& name, const std::function<bool(const TState&)>& done, int timeoutMs = 10000)
    {
        for (int waited = 0; waited < timeoutMs; waited += 20) {
            if (done(State(name)))
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }

    std::string FindWindow(const std::string& title)
    {
        std::string window;
        for (int i = 0; i < 250 && window.empty(); ++i) {
            window = ShellOutput("xdotool search --all --onlyvisible --pid " + std::to_string(FPid) + " --name '^"
                + title + "$' 2>/dev/null | head -n 1");
            if (window.empty())
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return window;
    }

    void Keys(const std::string& window, const std::string& keys)
    {
        ShellOutput("xdotool windowfocus --sync " + window + " 2>/dev/null; xdotool key --delay 60 " + keys);
    }

    void Click(int x, int y)
    {
        ShellOutput("xdotool mousemove --screen 0 " + std::to_string(x) + " " + std::to_string(y)
            + " sleep 0.1 click 1 sleep 0.1 mousemove --screen 0 2 900");
    }

    // Clicks the middle of a control the options dialog lists ("name=x,y,w,h,enabled,...").
    bool ClickControl(const std::string& name)
    {
        if (!WaitState("state.options", [&](const TState& s) { return s.count(name) > 0; }))
            return false;
        const std::vector<int> r = Numbers(State("state.options")[name]);
        Click(r[0] + r[2] / 2, r[1] + r[3] / 2);
        return true;
    }

    // Opens Edit > Options... and shows its "Editting" tab.
    void OpenOptionsOnEdittingTab()
    {
        Keys(FWindow, "alt+e o");
        FOptions = FindWindow("Options...");
        ASSERT_FALSE(FOptions.empty()) << "no options dialog";
        ASSERT_TRUE(WaitState("state.options", [](const TState& s) { return s.count("tab1") > 0; }));
        const std::vector<int> tab = Numbers(State("state.options")["tab1"]);
        Click(tab[0], tab[1]);
        ASSERT_TRUE(WaitState("state.options", [](const TState& s) { return s.count("page") && s.at("page") == "1"; }));
    }

    wxImage Screen()
    {
        const fs::path shot = FDir / "screen.png";
        fs::remove(shot);
        ShellOutput("import -window root " + shot.string() + " 2>/dev/null");
        wxImage image;
        image.LoadFile(shot.string(), wxBITMAP_TYPE_PNG);
        return image;
    }

    int WaitExit()
    {
        int status = 0;
        for (int waited = 0; waited < 15000; waited += 20) {
            if (::waitpid(FPid, &status, WNOHANG) == FPid) {
                FPid = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return -1;
    }

    fs::path FDir;
    pid_t FPid = -1;
    std::string FWindow;
    std::string FOptions;
};

TEST_F(OptionsWindowTest, ANewCommentColourRepaintsTheOpenEditorAndIsKeptAtExit)
{
    Settings("[General]\nCheckSum=10\nTop=0\nLeft=0\nWidth=700\nHeight=500\n");
    std::string text;
    for (int i = 0; i < 8; ++i)
        text += "/* mmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmm */\n";
    std::ofstream(FDir / "a.cpp") << text;
    Start({ (FDir / "a.cpp").string() });

    const TRgb navy { 0, 0, 128 };
    const std::vector<int> window = Numbers(
        ShellOutput("xdotool getwindowgeometry --shell " + FWindow + " | sed -n 's/^[XYWIDTHEG]*=//p' | paste -sd, -"));
    ASSERT_EQ(window.size(), 4u);
    const int navyBefore = CountColour(Screen(), window[0], window[1], window[2], window[3], navy);
    EXPECT_GT(navyBefore, 200) << "the comments are not drawn in navy";

    OpenOptionsOnEdittingTab();
    ASSERT_TRUE(ClickControl("CPPComCol"));
    // GTK's colour selection: the colour typed into its "Color name" box, then "Select".
    const std::string chooser = FindWindow("Choose colour");
    ASSERT_FALSE(chooser.empty()) << "no colour dialog";
    Keys(chooser, "alt+n ctrl+a");
    ShellOutput("xdotool type --delay 40 '#00C864'");
    Keys(chooser, "Return");
    Keys(chooser, "alt+s");
    const TRgb colour { 0, 200, 100 };
    const unsigned long chosen = 0x64C800;
    ASSERT_TRUE(WaitState("state.options", [&](const TState& s) {
        return s.count("CPPComCol") && Numbers(s.at("CPPComCol")).size() >= 6
            && static_cast<unsigned long>(Numbers(s.at("CPPComCol"))[5]) == chosen;
    })) << State("state.options")["CPPComCol"];

    // Nothing reaches the editor before OK.
    EXPECT_GT(CountColour(Screen(), window[0], window[1], window[2], window[3], navy), navyBefore / 2);
    ASSERT_TRUE(ClickControl("BitBtn1"));
    int inNewColour = 0;
    for (int i = 0; i < 100 && inNewColour < 200; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        inNewColour = CountColour(Screen(), window[0], window[1], window[2], window[3], colour, 30);
    }
    EXPECT_GT(inNewColour, 200) << "the editor does not show the comments in " << colour.R << "," << colour.G << ","
                                << colour.B;
    EXPECT_LT(CountColour(Screen(), window[0], window[1], window[2], window[3], navy, 10), navyBefore / 4);

    Keys(FWindow, "alt+x");
    ASSERT_EQ(WaitExit(), 0);
    const std::string ini = testutil::ReadFileBytes((FDir / "config/Quillan/Quillan.ini").string());
    EXPECT_NE(ini.find("Comment=" + std::to_string(chosen)), std::string::npos) << ini;
}

TEST_F(OptionsWindowTest, TheCppPreviewShowsTheInvalidSymbolColourOnTheAtSign)
{
    // A colour of the settings file, so that the preview shows what the box holds.
    const TRgb invalid { 255, 140, 0 };
    const unsigned long value = invalid.R | (invalid.G << 8) | (invalid.B << 16);
    Settings("[General]\nCheckSum=10\n[CPP]\nInvalid=" + std::to_string(value) + "\n");
    Start({});
    OpenOptionsOnEdittingTab();
    ASSERT_TRUE(ClickControl("CPPPreviewButton"));
    ASSERT_FALSE(FindWindow("Previewing").empty()) << "no preview window";
    ASSERT_TRUE(WaitState("state.previewing", [](const TState& s) {
        return s.count("frames") && std::atoi(s.at("frames").c_str()) > 0 && s.at("lines") == "10";
    }));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    TState p = State("state.previewing");
    const std::vector<int> editor = Numbers(p["editor"]);
    const int offset = std::atoi(p["textoffset"].c_str()), cw = std::atoi(p["charwidth"].c_str()),
              lh = std::atoi(p["lineheight"].c_str());
    ASSERT_EQ(p["topline"], "1");
    ASSERT_EQ(p["leftchar"], "1");
    const wxImage screen = Screen();
    screen.SaveFile((fs::temp_directory_path() / "quillan-preview.png").string(), wxBITMAP_TYPE_PNG);
    // Line 8 is "    @ \ // invalid symbols": the at sign in the fifth cell, the backslash in the
    // seventh, the comment from the ninth.
    const int y = editor[1] + 7 * lh;
    auto cell
        = [&](int column) { return CountInk(screen, editor[0] + offset + (column - 1) * cw, y, cw, lh, invalid); };
    EXPECT_GT(cell(5), 3) << "the at sign is not in the invalid-symbol colour; the preview: " << p["editor"]
                          << " offset " << offset << " cell " << cw << "x" << lh;
    EXPECT_GT(cell(7), 2) << "the backslash is not in the invalid-symbol colour";
    EXPECT_EQ(cell(10), 0);
    // Nowhere else in the sample.
    EXPECT_EQ(CountInk(screen, editor[0], editor[1], editor[2], 7 * lh, invalid), 0);

    Keys(FindWindow("Previewing"), "Escape");
    ASSERT_TRUE(WaitState("state.options", [](const TState& s) { return s.count("page") > 0; }));
    Keys(FOptions, "Escape");
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    Keys(FWindow, "alt+x");
    EXPECT_EQ(WaitExit(), 0);
}

} // namespace
} // namespace quillan::guitest
