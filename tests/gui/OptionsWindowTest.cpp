// The options dialog and its colour preview in the real program. The dialog and the preview write
// where their controls are to "<state file>.options" and "<state file>.previewing" while they are
// shown; the test clicks there with xdotool and checks what the screen shows.

#include "GuiTestUtil.h"
#include "ProgramTest.h"
#include "support/TempFolder.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <sstream>
#include <thread>
#include <vector>
#include <wx/image.h>

namespace quillan::guitest {
namespace {

namespace fs = std::filesystem;

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

class OptionsWindowTest : public ProgramTest {
protected:
    OptionsWindowTest()
        : ProgramTest("options")
    {
    }
    void SetUp() override
    {
        ProgramTest::SetUp();
        if (IsSkipped())
            return;
        if (!Installed("import"))
            GTEST_SKIP() << "imagemagick is not installed";
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

    std::string FOptions;
};

TEST_F(OptionsWindowTest, ANewCommentColourRepaintsTheOpenEditorAndIsKeptAtExit)
{
    Settings("[General]\nCheckSum=10\nTop=0\nLeft=0\nWidth=700\nHeight=500\n");
    std::string text;
    for (int i = 0; i < 8; ++i)
        text += "/* mmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmm */\n";
    Start({ File("a.cpp", text).string() });

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
    ASSERT_EQ(WaitExit(FPid), 0);
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
    EXPECT_EQ(WaitExit(FPid), 0);
}

} // namespace
} // namespace quillan::guitest
