// The real program's main window: documents from the command line and from later starts, its
// settings, menus, status panels, tabs, toolbar, find and jump dialogs, recovery copies and files
// changed by other programs.

#include "ProgramTest.h"
#include "support/TempFolder.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <sstream>
#include <thread>
#include <tuple>
#include <wx/image.h>

namespace quillan::guitest {
namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& path)
{
    return testutil::ReadFileBytes(path.string());
}

class MainWindowTest : public ProgramTest {
protected:
    MainWindowTest()
        : ProgramTest("mainwindow")
    {
    }

    // Answers the message box that the program shows now with the default button.
    // An open menu covers part of the window; everything else must stay as it was on the screen.
    void ExpectAnOpenMenuToLeaveTheRestAlone()
    {
        std::vector<std::string> args;
        for (int i = 1; i <= 3; ++i) {
            std::string text;
            for (int line = 0; line < 40; ++line)
                text += "int value" + std::to_string(line) + " = " + std::to_string(i * line) + "; // note\n";
            args.push_back(File("menu-" + std::to_string(i) + ".cpp", text).string());
        }
        Start(args);
        ASSERT_TRUE(WaitValue("documents", "4", 20000));
        const auto [left, top] = WindowOrigin();
        // The pointer away from the window: a lit button would differ between the two pictures.
        Shell("xdotool mousemove 5 1010");
        std::this_thread::sleep_for(std::chrono::milliseconds(600));
        const wxImage before = Screen();
        ASSERT_TRUE(before.IsOk());
        const std::string geometry = Shell("xdotool getwindowgeometry " + FWindow);
        int width = 0, height = 0;
        ASSERT_EQ(std::sscanf(geometry.c_str() + geometry.find("Geometry: "), "Geometry: %dx%d", &width, &height), 2);
        Keys("alt+e");
        for (int look = 0; look < 3; ++look) {
            std::this_thread::sleep_for(std::chrono::milliseconds(400));
            const wxImage during = Screen();
            ASSERT_TRUE(during.IsOk());
            // The popup is the columns where much changed; the blinking caret changes one line's
            // height at most. Between the menu bar and the status bar, which shows the highlighted
            // item's hint, nothing else may differ.
            const int firstRow = top + 30;
            int barTop = 0, unused = 0;
            ASSERT_EQ(std::sscanf(State()["panel0rect"].c_str(), "%d,%d,%d,%d", &unused, &barTop, &unused, &unused), 4);
            std::vector<int> changedInColumn(static_cast<std::size_t>(width), 0);
            auto differs = [&](int x, int y) {
                return during.GetRed(x, y) != before.GetRed(x, y) || during.GetGreen(x, y) != before.GetGreen(x, y)
                    || during.GetBlue(x, y) != before.GetBlue(x, y);
            };
            for (int x = 0; x < width; ++x)
                for (int y = firstRow; y < barTop - 4; ++y)
                    changedInColumn[static_cast<std::size_t>(x)] += differs(left + x, y);
            int popupLeft = width, popupRight = -1;
            for (int x = 0; x < width; ++x)
                if (changedInColumn[static_cast<std::size_t>(x)] > 60) {
                    popupLeft = std::min(popupLeft, x);
                    popupRight = x;
                }
            ASSERT_LE(popupLeft, popupRight) << "no menu opened";
            int elsewhere = 0;
            for (int x = 0; x < width; ++x)
                if (x < popupLeft - 2 || x > popupRight + 2)
                    elsewhere += changedInColumn[static_cast<std::size_t>(x)];
            EXPECT_LT(elsewhere, 80) << "look " << look << ": " << elsewhere << " pixels outside the menu changed";
            if (look == 0)
                during.GetSubImage(wxRect(left, top, width, height))
                    .SaveFile((fs::temp_directory_path() / "quillan-open-menu.png").string(), wxBITMAP_TYPE_PNG);
        }
        Keys("Escape");
    }
    void AnswerBox(const std::string& key)
    {
        std::this_thread::sleep_for(std::chrono::milliseconds(800));
        Shell("xdotool key " + key);
    }

    // Where the window is on the screen: without a window manager it is where it placed itself.
    std::pair<int, int> WindowOrigin()
    {
        const std::string geometry = Shell("xdotool getwindowgeometry " + FWindow);
        int x = 0, y = 0;
        const auto at = geometry.find("Position: ");
        if (at != std::string::npos)
            std::sscanf(geometry.c_str() + at, "Position: %d,%d", &x, &y);
        return { x, y };
    }

    // The first-run setup window answered with its default button; its shortcuts and the
    // association land in the run's own home (run-xvfb.sh).
    void AnswerSetup()
    {
        const std::string setup = FindWindow("Quillan Setup");
        ASSERT_FALSE(setup.empty()) << "no setup window";
        Keys(setup, "Return", 40);
        ASSERT_TRUE(WaitUntil([&] { return FindWindow("Quillan Setup", 0).empty(); }, 5000))
            << "the setup window stayed";
        // The main window, looked for again now that it is alone on the screen.
        FWindow = FindWindow("Quillan");
        ASSERT_FALSE(FWindow.empty());
    }
};

int Luminance(const wxImage& image, int x, int y)
{
    return (image.GetRed(x, y) * 3 + image.GetGreen(x, y) * 6 + image.GetBlue(x, y)) / 10;
}

TEST_F(MainWindowTest, OpensFilesFromTheCommandLineTypesSavesAndClosesWithTheQuestion)
{
    const fs::path a = File("a.cpp", "int x;\n"), b = File("b.txt", "hello\n");
    Start({ "a.cpp", b.string() });
    ASSERT_TRUE(WaitState([](auto& s) { return s.count("documents") && s.at("documents") == "3"; }));
    auto state = State();
    EXPECT_EQ(state["slot0"], "Untitled|0|Untitled|00 - Untitled|17");
    EXPECT_EQ(state["slot1"], a.string() + "|0|a.cpp|01 - a.cpp|17");
    EXPECT_EQ(state["slot2"], b.string() + "|0|b.txt|02 - b.txt|17");
    EXPECT_EQ(state["active"], "2");
    EXPECT_EQ(state["panel0"], "L:   1   C:   1");
    EXPECT_EQ(state["panel1"], "Unmodified");
    EXPECT_EQ(state["panel2"], "Insert");
    EXPECT_EQ(state["panel3"], "Quillan v1.2.0");

    // The window as a person sees it: three tabs, three rows on the left, the status bar below.
    const fs::path shot = FDir / "window.png";
    Shell("import -window " + FWindow + " " + shot.string());
    wxImage image;
    ASSERT_TRUE(image.LoadFile(shot.string(), wxBITMAP_TYPE_PNG));
    // 608 pixels unless the toolbar needs more on the first run.
    EXPECT_GE(image.GetWidth(), 608);
    // Each row of the project manager shows the "unmodified" page at its left; its folded corner
    // has a colour of its own.
    int rowsWithIcon = 0;
    bool inIcon = false;
    for (int y = 0; y < image.GetHeight(); ++y) {
        bool fold = false;
        for (int x = 0; x < 40 && !fold; ++x)
            fold = image.GetRed(x, y) == 0xC8 && image.GetGreen(x, y) == 0xD2 && image.GetBlue(x, y) == 0xDE;
        rowsWithIcon += fold && !inIcon;
        inIcon = fold;
    }
    EXPECT_EQ(rowsWithIcon, 3);
    image.SaveFile((fs::temp_directory_path() / "quillan-main-window.png").string(), wxBITMAP_TYPE_PNG);

    Type("xy");
    ASSERT_TRUE(WaitState([](auto& s) { return s.count("panel1") && s.at("panel1") == "Modified"; }));
    // "Modified" shows after the first character already; the second may still be on its way.
    EXPECT_TRUE(WaitValue("panel0", "L:   1   C:   3")) << State()["panel0"];
    EXPECT_EQ(State()["slot2"], b.string() + "|1|b.txt|02 - b.txt|18");
    Keys("ctrl+s");
    ASSERT_TRUE(WaitState([](auto& s) { return s.count("panel1") && s.at("panel1") == "Unmodified"; }));
    EXPECT_EQ(ReadFile(b), "xyhello\n");

    Type("z");
    ASSERT_TRUE(WaitState([](auto& s) { return s.count("panel1") && s.at("panel1") == "Modified"; }));
    Keys("alt+x");
    AnswerBox("Return"); // "Save changes to ...?": Yes
    ASSERT_EQ(WaitExit(FPid), 0);
    EXPECT_EQ(ReadFile(b), "xyzhello\n"); // the caret stayed after "xy"
    const std::string ini = ReadFile(FDir / "config/Quillan/Quillan.ini");
    EXPECT_NE(ini.find("CheckSum=10"), std::string::npos) << ini;
    EXPECT_NE(ini.find("File1=" + a.string()), std::string::npos) << ini;
    EXPECT_NE(ini.find("File0=" + b.string()), std::string::npos) << ini;
}

TEST_F(MainWindowTest, ASecondStartHandsItsFilesToTheRunningWindowInOrder)
{
    const fs::path c = File("c.html", "<p>\n"), d = File("d.txt", "d\n"), e = File("e.pas", "begin end.\n");
    Start({});
    // The second start needs no display: everything happens before wx would open one.
    const pid_t second = Spawn({ c.string(), "d.txt", e.string(), "missing.txt" }, { .Display = false });
    EXPECT_EQ(WaitExit(second), 0);
    ASSERT_TRUE(WaitState([](auto& s) { return s.count("documents") && s.at("documents") == "4"; }));
    auto state = State();
    EXPECT_EQ(state["slot1"].substr(0, c.string().size()), c.string());
    EXPECT_EQ(state["slot2"].substr(0, d.string().size()), d.string());
    EXPECT_EQ(state["slot3"].substr(0, e.string().size()), e.string());
    EXPECT_FALSE(fs::exists(FDir / "run/Quillan/$DATA$.txt"));
    EXPECT_FALSE(fs::exists(FDir / "run/$DATA$.txt"));

    Keys("alt+x");
    EXPECT_EQ(WaitExit(FPid), 0);
}

TEST_F(MainWindowTest, SettingsSurviveARestart)
{
    Settings("; kept as it is\n[General]\nCheckSum=10\nLeft=40\nTop=30\nWidth=640\nHeight=480\n[Custom]\nKey=1\n");
    const fs::path a = File("a.txt", "a\n");
    Start({ a.string() });
    const std::string geometry = Shell("xdotool getwindowgeometry " + FWindow);
    EXPECT_NE(geometry.find("Geometry: 640x480"), std::string::npos) << geometry;
    Keys("ctrl+F4"); // closing a named file puts it on the recent list
    ASSERT_TRUE(WaitState([](auto& s) { return s.count("documents") && s.at("documents") == "1"; }));
    EXPECT_EQ(State()["recent"], "1");
    Keys("alt+x");
    ASSERT_EQ(WaitExit(FPid), 0);
    const std::string ini = ReadFile(FDir / "config/Quillan/Quillan.ini");
    EXPECT_NE(ini.find("; kept as it is"), std::string::npos);
    EXPECT_NE(ini.find("[Custom]"), std::string::npos);
    EXPECT_NE(ini.find("Width=640"), std::string::npos) << ini;

    FWindow.clear();
    Start({});
    EXPECT_EQ(State()["recent"], "1");
    const std::string again = Shell("xdotool getwindowgeometry " + FWindow);
    EXPECT_NE(again.find("Geometry: 640x480"), std::string::npos) << again;
    Keys("alt+x");
    EXPECT_EQ(WaitExit(FPid), 0);
}

TEST_F(MainWindowTest, TheFileMenuOpensAtItsNaturalHeightWithEveryRecentFile)
{
    // Fifteen recent files: with the fixed items the menu is far taller than a popup that was
    // sized before they were added.
    std::string ini = "[General]\nCheckSum=10\nTop=40\nFiles=15\n[Files]\n";
    for (int i = 0; i < 15; ++i)
        ini += "File" + std::to_string(i) + "=" + (FDir / ("recent" + std::to_string(i) + ".txt")).string() + "\n";
    Settings(ini);
    Start({});
    ASSERT_EQ(State()["recent"], "15");
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const wxImage before = Screen();
    const auto [left, top] = WindowOrigin();
    Shell("xdotool mousemove " + std::to_string(left + 18) + " " + std::to_string(top + 12) + " click 1");
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    const wxImage open = Screen();
    ASSERT_TRUE(before.IsOk() && open.IsOk());
    // The popup is what changed below the menu bar.
    int first = -1, last = -1;
    for (int y = top + 24; y < open.GetHeight(); ++y)
        for (int x = 0; x < open.GetWidth(); x += 2)
            if (open.GetRed(x, y) != before.GetRed(x, y) || open.GetGreen(x, y) != before.GetGreen(x, y)) {
                first = first < 0 ? y : first;
                last = y;
                break;
            }
    Keys("Escape");
    ASSERT_GE(first, 0) << "no menu opened";
    // 25 items and 5 separators; even the tightest theme gives an item 20 pixels.
    EXPECT_GE(last - first, 25 * 20) << "the popup is " << last - first << " pixels high";
    open.SaveFile((fs::temp_directory_path() / "quillan-file-menu.png").string(), wxBITMAP_TYPE_PNG);
}

TEST_F(MainWindowTest, TheStatusPanelsHoldASevenDigitLineAndTheirLongestWordsInsideThemselves)
{
    std::string lines;
    lines.reserve(2000000);
    for (int i = 0; i < 999999; ++i)
        lines += "x\n";
    lines += "end";
    const fs::path big = File("big.txt", lines);
    Start({ big.string() });
    ASSERT_TRUE(WaitValue("documents", "2", 30000));
    // The longest texts each panel can hold: the caret far down, "Unmodified", "Overwrite".
    Keys("ctrl+End Insert");
    ASSERT_TRUE(WaitValue("panel0", "L: 1000000   C:   4")) << State()["panel0"];
    ASSERT_TRUE(WaitValue("panel2", "Overwrite"));
    ASSERT_EQ(State()["panel1"], "Unmodified");
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    const wxImage screen = Screen();
    ASSERT_TRUE(screen.IsOk());
    for (int panel = 0; panel < 3; ++panel) {
        int x = 0, y = 0, w = 0, h = 0;
        ASSERT_EQ(
            std::sscanf(State()["panel" + std::to_string(panel) + "rect"].c_str(), "%d,%d,%d,%d", &x, &y, &w, &h), 4);
        // Text pixels are dark; the panel's own edges and the next panel's icon must have none
        // of them within two pixels of the panel's sides, and the text must be there.
        int textLeft = -1, textRight = -1;
        for (int cx = x; cx < x + w; ++cx)
            for (int cy = y + 3; cy < y + h - 3; ++cy)
                if (Luminance(screen, cx, cy) < 90) {
                    textLeft = textLeft < 0 ? cx : textLeft;
                    textRight = cx;
                    break;
                }
        ASSERT_GE(textLeft, 0) << "no text in panel " << panel;
        EXPECT_GE(textLeft, x + 2) << "the text of panel " << panel << " starts at its edge";
        EXPECT_LE(textRight, x + w - 3) << "the text of panel " << panel << " runs to its edge";
    }
    const auto [left, top] = WindowOrigin();
    int x = 0, y = 0, w = 0, h = 0;
    ASSERT_EQ(std::sscanf(State()["panel0rect"].c_str(), "%d,%d,%d,%d", &x, &y, &w, &h), 4);
    screen.GetSubImage(wxRect(left, y, x - left + 3 * w, h))
        .SaveFile((fs::temp_directory_path() / "quillan-status-panels.png").string(), wxBITMAP_TYPE_PNG);
}

TEST_F(MainWindowTest, TheCloseQueryShowsEachDocumentItAsksAbout)
{
    const fs::path a = File("a.txt", "a\n");
    Start({ a.string() });
    Type("1");
    ASSERT_TRUE(WaitValue("panel0", "L:   1   C:   2"));
    Keys("ctrl+n");
    ASSERT_TRUE(WaitValue("documents", "3"));
    Keys("z z Return z z z");
    ASSERT_TRUE(WaitValue("panel0", "L:   2   C:   4"));
    Keys("alt+x");
    // First question: a.txt, slot 1, with its own caret and row.
    EXPECT_TRUE(WaitValue("active", "1"));
    EXPECT_TRUE(WaitValue("row", "1"));
    EXPECT_TRUE(WaitValue("tab", "1"));
    EXPECT_TRUE(WaitValue("panel0", "L:   1   C:   2")) << State()["panel0"];
    EXPECT_EQ(State()["panel1"], "Modified");
    AnswerBox("Escape");
    EXPECT_TRUE(WaitValue("active", "2"));
    EXPECT_TRUE(WaitValue("row", "2"));
    EXPECT_TRUE(WaitValue("tab", "2"));
    EXPECT_TRUE(WaitValue("panel0", "L:   2   C:   4")) << State()["panel0"];
    AnswerBox("Escape");
    // Both cancelled: the window stays, nothing was written.
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_EQ(WaitExit(FPid, 300), -1);
    EXPECT_EQ(ReadFile(a), "a\n");
}

TEST_F(MainWindowTest, AColumnBlockStartedFromTheKeyboardSpansEveryLineItCrossed)
{
    const fs::path a = File("block.txt", "abcdefgh\nabcdefgh\nabcdefgh\nabcdefgh\n");
    Start({ a.string() });
    ASSERT_TRUE(WaitValue("active", "1"));
    Keys("Right Right");
    ASSERT_TRUE(WaitValue("panel0", "L:   1   C:   3"));
    // The first Shift move sets the anchor although the block is still zero columns wide.
    Keys("shift+ctrl+c shift+Down shift+Down shift+Right shift+Right shift+Right");
    EXPECT_TRUE(WaitValue("selection", "1,3-3,6")) << State()["selection"];
    Keys("Delete ctrl+s");
    ASSERT_TRUE(WaitValue("panel1", "Unmodified"));
    EXPECT_EQ(ReadFile(a), "abfgh\nabfgh\nabfgh\nabcdefgh\n");
}

TEST_F(MainWindowTest, NothingOutsideAnOpenMenuChangesOnTheScreen)
{
    ExpectAnOpenMenuToLeaveTheRestAlone();
}

// The same under a window manager, whose frame and compositing could blank what the menu leaves.
class WindowManagerMenuTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        if (!IsSkipped())
            UseWindowManager();
    }
};

TEST_F(WindowManagerMenuTest, NothingOutsideAnOpenMenuChangesOnTheScreen)
{
    ExpectAnOpenMenuToLeaveTheRestAlone();
}

TEST_F(MainWindowTest, HandOffsDuringTheCloseQueryOpenAfterIt)
{
    const fs::path a = File("a.txt", "a\n"), b = File("b.txt", "b\n"), c = File("c.txt", "c\n");
    Start({ a.string() });
    Type("1");
    ASSERT_TRUE(WaitValue("panel1", "Modified"));
    // While "Save changes to a.txt?" waits, another start hands b.txt over and ends.
    Keys("alt+x");
    std::this_thread::sleep_for(std::chrono::milliseconds(800));
    EXPECT_EQ(WaitExit(Spawn({ b.string() }, { .Display = false })), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(State()["documents"], "2") << "opened into a window that was asking to close";
    // Cancelled: the window stays and b.txt opens in it.
    AnswerBox("Escape");
    ASSERT_TRUE(WaitValue("documents", "3"));
    EXPECT_EQ(State()["slot2"].substr(0, b.string().size() + 1), b.string() + "|");

    // Closed for real: c.txt, handed over during the question, comes up in a new window.
    Keys("alt+x");
    std::this_thread::sleep_for(std::chrono::milliseconds(800));
    EXPECT_EQ(WaitExit(Spawn({ c.string() }, { .Display = false, .Stderr = "c.err" })), 0) << ReadFile(FDir / "c.err");
    AnswerBox("alt+n"); // "Save changes to a.txt?": No
    ASSERT_EQ(WaitExit(FPid), 0);
    const bool reopened
        = WaitState([&](auto& s) { return s.count("slot1") && s.at("slot1").starts_with(c.string() + "|"); }, 20000);
    // The new window is no child of this test; it is ended with the others.
    if (const std::string pid = Shell("pgrep -n -f '" + c.string() + "'"); !pid.empty())
        FChildren.push_back(static_cast<pid_t>(std::stoi(pid)));
    EXPECT_TRUE(reopened) << "the handed-over file went with the closing window";
    EXPECT_EQ(ReadFile(a), "a\n");
}

TEST_F(MainWindowTest, FilesHandedOverTakeTheKeyboard)
{
    const fs::path c = File("c.txt", "c\n");
    Start({});
    ASSERT_TRUE(WaitValue("documents", "1"));
    const pid_t second = Spawn({ c.string() }, { .Display = false });
    EXPECT_EQ(WaitExit(second), 0);
    ASSERT_TRUE(WaitValue("documents", "2"));
    Type("k");
    ASSERT_TRUE(WaitValue("panel1", "Modified"));
    auto state = State();
    EXPECT_EQ(state["active"], "1");
    EXPECT_EQ(state["slot1"], c.string() + "|1|c.txt|01 - c.txt|18");
    EXPECT_EQ(state["slot0"], "Untitled|0|Untitled|00 - Untitled|17");
}

TEST_F(MainWindowTest, AHundredDocumentsLeaveTheirPageRoomAndTheTabRowsScroll)
{
    std::vector<std::string> args;
    for (int i = 1; i <= 99; ++i)
        args.push_back(File("many-" + std::to_string(i) + ".txt", std::to_string(i) + "\n").string());
    Start(args);
    ASSERT_TRUE(WaitValue("documents", "100", 60000));
    ASSERT_TRUE(WaitValue("active", "99"));
    // The rows would fill the whole page; some are shown, the active tab's among them, and the
    // active editor is on the screen.
    EXPECT_TRUE(WaitState([](auto& s) { return s.count("frames") && std::stoi(s.at("frames")) > 0; }))
        << "the active editor never painted";
    auto number = [&](const std::string& key) { return std::stoi(State()[key]); };
    const int rows = number("tabrows"), shown = number("tabrowsshown");
    EXPECT_LT(shown, rows);
    EXPECT_GE(shown, 1);
    EXPECT_EQ(number("tabfirstrow"), rows - shown);
    EXPECT_EQ(State().count("tabrect99"), 1u);
    EXPECT_EQ(State().count("tabrect0"), 0u);
    Keys("ctrl+b");
    ASSERT_TRUE(WaitState([](auto& s) { return s.count("slot99") && s.at("slot99").ends_with("|30"); }));

    // The wheel over the rows scrolls them to the top, and the first tab can be clicked.
    wxRect scroller;
    ASSERT_EQ(std::sscanf(State()["tabscroller"].c_str(), "%d,%d,%d,%d", &scroller.x, &scroller.y, &scroller.width,
                  &scroller.height),
        4);
    Shell("xdotool mousemove " + std::to_string(scroller.x - 40) + " " + std::to_string(scroller.y + 5)
        + " click --repeat " + std::to_string(rows) + " --delay 20 4");
    ASSERT_TRUE(WaitValue("tabfirstrow", "0"));
    wxRect first;
    ASSERT_EQ(
        std::sscanf(State()["tabrect0"].c_str(), "%d,%d,%d,%d", &first.x, &first.y, &first.width, &first.height), 4);
    Shell("xdotool mousemove " + std::to_string(first.x + first.width / 2) + " "
        + std::to_string(first.y + first.height / 2) + " click 1");
    ASSERT_TRUE(WaitValue("active", "0"));
    EXPECT_EQ(State()["tabfirstrow"], "0");
    // The lower arrow scrolls one row down.
    Shell("xdotool mousemove " + std::to_string(scroller.x + scroller.width / 2) + " "
        + std::to_string(scroller.y + scroller.height - 4) + " click 1");
    EXPECT_TRUE(WaitValue("tabfirstrow", "1"));

    // A document made active from elsewhere (the next bookmarked one) brings its row back.
    Keys("ctrl+alt+Right");
    ASSERT_TRUE(WaitValue("active", "99"));
    EXPECT_TRUE(WaitValue("tabfirstrow", std::to_string(rows - shown)));
    EXPECT_EQ(State().count("tabrect99"), 1u);
    const auto [left, top] = WindowOrigin();
    Screen()
        .GetSubImage(wxRect(left, top, 600, 430))
        .SaveFile((fs::temp_directory_path() / "quillan-hundred-tabs.png").string(), wxBITMAP_TYPE_PNG);
}

// Pixels of a toolbar button that carry a clear colour, and those that are drawn at all.
std::pair<int, int> ColourfulAndDrawn(const wxImage& screen, const wxRect& r)
{
    int colourful = 0, drawn = 0;
    for (int y = r.y + 2; y < r.GetBottom() - 1; ++y)
        for (int x = r.x + 2; x < r.GetRight() - 1; ++x) {
            const int red = screen.GetRed(x, y), green = screen.GetGreen(x, y), blue = screen.GetBlue(x, y);
            colourful += std::max({ red, green, blue }) - std::min({ red, green, blue }) > 60;
            drawn += Luminance(screen, x, y) < 215;
        }
    return { colourful, drawn };
}

TEST_F(MainWindowTest, TheFirstWindowShowsTheWholeToolbar)
{
    Start({}, { .FirstRun = true });
    AnswerSetup();
    int has = 0, needs = 0;
    ASSERT_EQ(std::sscanf(State()["toolbarwidth"].c_str(), "%d,%d", &has, &needs), 2) << State()["toolbarwidth"];
    EXPECT_GT(needs, 0);
    EXPECT_GE(has, needs) << "buttons are behind the overflow arrow";
    // The last button, Next, is mapped and lies inside the window as the screen shows it.
    ASSERT_TRUE(WaitState([](auto& s) { return s.count("nexttool") > 0; })) << "Next is behind the overflow arrow";
    wxRect next;
    ASSERT_EQ(std::sscanf(State()["nexttool"].c_str(), "%d,%d,%d,%d", &next.x, &next.y, &next.width, &next.height), 4);
    const std::string geometry = Shell("xdotool getwindowgeometry " + FWindow);
    int width = 0, height = 0;
    ASSERT_EQ(std::sscanf(geometry.c_str() + geometry.find("Geometry: "), "Geometry: %dx%d", &width, &height), 2);
    const auto [left, top] = WindowOrigin();
    EXPECT_LE(next.GetRight(), left + width - 1) << "Next is cut off at the window's right edge";
    const wxImage screen = Screen();
    ASSERT_TRUE(screen.IsOk());
    EXPECT_GT(ColourfulAndDrawn(screen, next).second, 20) << "Next shows nothing";
    screen.GetSubImage(wxRect(left, top, width, height))
        .SaveFile((fs::temp_directory_path() / "quillan-first-window.png").string(), wxBITMAP_TYPE_PNG);
    Keys("alt+x");
    ASSERT_EQ(WaitExit(FPid), 0);

    // Closed once, the window keeps the size it had, whatever the toolbar needs.
    const std::string ini = ReadFile(FDir / "config/Quillan/Quillan.ini");
    EXPECT_NE(ini.find("Width=" + std::to_string(width)), std::string::npos) << ini;
    Settings("[General]\nCheckSum=10\nWidth=500\n");
    FWindow.clear();
    Start({});
    const std::string again = Shell("xdotool getwindowgeometry " + FWindow);
    EXPECT_NE(again.find("Geometry: 500x"), std::string::npos) << again;
}

TEST_F(MainWindowTest, EveryOpenDocumentHasAVisibleTabAndAClickPicksIt)
{
    // Nine files plus "Untitled" at the first window's size: on one scrolling row most of them
    // were out of sight.
    std::vector<std::string> args;
    for (int i = 1; i <= 9; ++i)
        args.push_back(File("document-" + std::to_string(i) + ".txt", "text " + std::to_string(i) + "\n").string());
    Start(args);
    ASSERT_TRUE(WaitValue("documents", "10", 20000));
    ASSERT_TRUE(WaitValue("active", "9"));
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    auto state = State();
    EXPECT_GE(std::stoi(state["tabrows"]), 2) << "ten tabs fit on one row of the first window?";
    const wxImage screen = Screen();
    ASSERT_TRUE(screen.IsOk());
    const std::string geometry = Shell("xdotool getwindowgeometry " + FWindow);
    int width = 0, height = 0;
    ASSERT_EQ(std::sscanf(geometry.c_str() + geometry.find("Geometry: "), "Geometry: %dx%d", &width, &height), 2);
    const auto [left, top] = WindowOrigin();
    std::vector<wxRect> tabs;
    for (int i = 0; i < 10; ++i) {
        wxRect r;
        ASSERT_EQ(
            std::sscanf(state["tabrect" + std::to_string(i)].c_str(), "%d,%d,%d,%d", &r.x, &r.y, &r.width, &r.height),
            4)
            << "tab " << i;
        // Whole, inside the window, and on top of no other tab.
        EXPECT_GE(r.x, left) << "tab " << i;
        EXPECT_LE(r.GetRight(), left + width - 1) << "tab " << i;
        EXPECT_GE(r.y, top) << "tab " << i;
        EXPECT_LE(r.GetBottom(), top + height - 1) << "tab " << i;
        for (const wxRect& other : tabs)
            EXPECT_FALSE(r.Intersects(other)) << "tab " << i;
        tabs.push_back(r);
        // The tab is on the screen: its page picture (the folded corner has a colour of its
        // own) and dark caption pixels are inside its rectangle.
        bool fold = false;
        int dark = 0;
        for (int y = r.y; y <= r.GetBottom(); ++y)
            for (int x = r.x; x <= r.GetRight(); ++x) {
                fold = fold
                    || (screen.GetRed(x, y) == 0xC8 && screen.GetGreen(x, y) == 0xD2 && screen.GetBlue(x, y) == 0xDE);
                dark += Luminance(screen, x, y) < 90;
            }
        EXPECT_TRUE(fold) << "tab " << i << " shows no picture";
        EXPECT_GT(dark, 20) << "tab " << i << " shows no caption";
    }
    screen.GetSubImage(wxRect(left, top, width, height))
        .SaveFile((fs::temp_directory_path() / "quillan-wrapped-tabs.png").string(), wxBITMAP_TYPE_PNG);

    // A click on a tab of the first row picks its document, its row and its panels, and the
    // keyboard goes on into it.
    const wxRect third = tabs[3];
    Shell("xdotool mousemove " + std::to_string(third.x + third.width / 2) + " "
        + std::to_string(third.y + third.height / 2) + " click 1");
    EXPECT_TRUE(WaitValue("active", "3"));
    EXPECT_TRUE(WaitValue("row", "3"));
    EXPECT_TRUE(WaitValue("tab", "3"));
    Type("q");
    EXPECT_TRUE(WaitValue("slot3", args[2] + "|1|document-3.txt|03 - document-3.txt|18")) << State()["slot3"];
    // Closing a document on the first row moves the later tabs up; all stay in sight.
    Keys("ctrl+F4");
    AnswerBox("alt+n"); // "Save changes to ...?": No
    ASSERT_TRUE(WaitValue("documents", "9"));
    state = State();
    EXPECT_EQ(state.count("tabrect9"), 0u);
    EXPECT_EQ(state["slot3"].substr(0, args[3].size()), args[3]);
}

TEST_F(MainWindowTest, DisabledToolbarButtonsAreGreyAndEnabledOnesInColour)
{
    const fs::path a = File("a.txt", "a\n");
    // Wide enough for the whole toolbar, so Previous and Next are not behind the overflow arrow.
    Settings("[General]\nCheckSum=10\nWidth=1200\nHeight=700\n");
    Start({ a.string() });
    ASSERT_TRUE(WaitValue("active", "1"));
    ASSERT_TRUE(WaitState([](auto& s) { return s.count("prevtool") && s.count("nexttool"); }))
        << ReadFile(FDir / "state");
    auto rect = [&](const std::string& key) {
        wxRect r;
        EXPECT_EQ(std::sscanf(State()[key].c_str(), "%d,%d,%d,%d", &r.x, &r.y, &r.width, &r.height), 4) << key;
        return r;
    };
    const wxRect previous = rect("prevtool"), next = rect("nexttool");
    // Off the toolbar: a button under the pointer is drawn lit.
    Shell("xdotool mousemove 5 1000");
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    wxImage screen = Screen();
    ASSERT_TRUE(screen.IsOk());
    // The last document is active: Previous can be used, Next cannot.
    auto [prevColour, prevDrawn] = ColourfulAndDrawn(screen, previous);
    auto [nextColour, nextDrawn] = ColourfulAndDrawn(screen, next);
    EXPECT_GT(prevColour, 20) << "the enabled Previous button is not in colour";
    EXPECT_EQ(nextColour, 0) << "the disabled Next button keeps its colour";
    EXPECT_GT(nextDrawn, 20) << "the disabled Next button shows nothing";
    screen.GetSubImage(wxRect(previous.x, previous.y, next.GetRight() - previous.x + 1, previous.height))
        .SaveFile((fs::temp_directory_path() / "quillan-previous-next.png").string(), wxBITMAP_TYPE_PNG);

    // Previous makes the first document active, and the two buttons change places.
    Shell("xdotool mousemove " + std::to_string(previous.x + previous.width / 2) + " "
        + std::to_string(previous.y + previous.height / 2) + " click 1 sleep 0.2 mousemove 5 1000");
    ASSERT_TRUE(WaitValue("active", "0"));
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    screen = Screen();
    ASSERT_TRUE(screen.IsOk());
    std::tie(prevColour, prevDrawn) = ColourfulAndDrawn(screen, previous);
    std::tie(nextColour, nextDrawn) = ColourfulAndDrawn(screen, next);
    EXPECT_EQ(prevColour, 0) << "the disabled Previous button keeps its colour";
    EXPECT_GT(prevDrawn, 20);
    EXPECT_GT(nextColour, 20) << "the enabled Next button is not in colour";
}

// --- find, go to line, date and time, file bookmarks -----------------------------------------

class FindJumpTest : public MainWindowTest {
protected:
    // Off the button afterwards: while the pointer is on it the status bar shows its hint.
    void ClickTool(int x, int y)
    {
        Shell("xdotool mousemove --screen 0 " + std::to_string(x) + " " + std::to_string(y)
            + " click 1 sleep 0.2 mousemove --screen 0 5 900");
    }
    // Keys for the program's window with the given title (a dialog of it).
    bool DialogKeys(const std::string& title, const std::string& keys, const std::string& text = {})
    {
        const std::string window = FindWindow(title);
        if (window.empty())
            return false;
        std::string command = "xdotool windowfocus --sync " + window + " 2>/dev/null";
        if (!text.empty())
            command += "; xdotool type --delay 40 '" + text + "'";
        if (!keys.empty())
            command += "; xdotool key --delay 60 " + keys;
        Shell(command);
        return true;
    }
};

TEST_F(FindJumpTest, FindSelectsTheMatch)
{
    const fs::path a = File("a.txt", "alpha beta\ngamma beta\n");
    Start({ a.string() });
    ASSERT_TRUE(WaitValue("active", "1"));
    Keys("F3"); // nothing searched yet: nothing happens
    Keys("ctrl+f");
    ASSERT_TRUE(WaitValue("finddialog", "1"));
    ASSERT_TRUE(DialogKeys("Replace", "Return", "beta"));
    EXPECT_TRUE(WaitValue("selection", "1,7-1,11")) << State()["selection"];
    EXPECT_TRUE(WaitValue("panel0", "L:   1   C:  11")) << State()["panel0"];
    ASSERT_TRUE(DialogKeys("Replace", "Escape"));
    ASSERT_TRUE(WaitValue("finddialog", "0"));
    Keys("F3");
    EXPECT_TRUE(WaitValue("selection", "2,7-2,11")) << State()["selection"];
    // Shown again, the dialog still holds its text; nothing follows the last match.
    Keys("ctrl+f");
    ASSERT_TRUE(WaitValue("finddialog", "1"));
    ASSERT_TRUE(DialogKeys("Replace", "Return"));
    // The error box has the program's title, beside the main window.
    EXPECT_TRUE(WaitUntil([&] { return Windows("Quillan").size() == 2; }, 5000)) << "no not-found box";
    AnswerBox("Return"); // "Search string 'beta' not found."
    ASSERT_TRUE(DialogKeys("Replace", "Escape"));
    ASSERT_TRUE(WaitValue("finddialog", "0"));
    EXPECT_EQ(State()["selection"], "2,7-2,11");
    EXPECT_EQ(WaitExit(FPid, 200), -1);
}

TEST_F(FindJumpTest, ReplaceAllChangesTheFile)
{
    const fs::path a = File("a.txt", "alpha beta\ngamma beta\nBETA\n");
    Start({ a.string() });
    ASSERT_TRUE(WaitValue("active", "1"));
    Keys("ctrl+f");
    ASSERT_TRUE(WaitValue("finddialog", "1"));
    ASSERT_TRUE(DialogKeys("Replace", "Tab", "beta"));
    ASSERT_TRUE(DialogKeys("Replace", "alt+a", "B"));
    ASSERT_TRUE(WaitValue("panel1", "Modified"));
    ASSERT_TRUE(DialogKeys("Replace", "Escape"));
    ASSERT_TRUE(WaitValue("finddialog", "0"));
    Keys("ctrl+s");
    ASSERT_TRUE(WaitValue("panel1", "Unmodified"));
    EXPECT_EQ(ReadFile(a), "alpha B\ngamma B\nB\n");
}

TEST_F(FindJumpTest, F5TypesTheDate)
{
    const fs::path a = File("a.txt", "x\n");
    Start({ a.string() });
    ASSERT_TRUE(WaitValue("active", "1"));
    Keys("F5");
    // "hh:nn yy/mm/dd" with one-character separators: fourteen characters before the "x".
    ASSERT_TRUE(WaitValue("panel0", "L:   1   C:  15")) << State()["panel0"];
    Keys("ctrl+s");
    ASSERT_TRUE(WaitValue("panel1", "Unmodified"));
    const std::string typed = ReadFile(a);
    ASSERT_EQ(typed.size(), 16u) << typed;
    for (int i : { 0, 1, 3, 4, 6, 7, 9, 10, 12, 13 })
        EXPECT_TRUE(std::isdigit(static_cast<unsigned char>(typed[i]))) << typed;
    EXPECT_EQ(typed.substr(14), "x\n");
    // One undo takes the whole insertion back.
    Keys("ctrl+z");
    ASSERT_TRUE(WaitValue("panel0", "L:   1   C:   1")) << State()["panel0"];
    Type("q");
    ASSERT_TRUE(WaitValue("panel0", "L:   1   C:   2")) << State()["panel0"];
    Keys("ctrl+s");
    ASSERT_TRUE(WaitState([&](auto&) { return ReadFile(a) == "qx\n"; })) << ReadFile(a);
}

TEST_F(FindJumpTest, GoToLineMovesTheCaret)
{
    std::string lines;
    for (int i = 1; i <= 60; ++i)
        lines += "line " + std::to_string(i) + "\n";
    const fs::path a = File("a.txt", lines);
    // Wide enough for the whole toolbar, as the first window is, so the button is not behind
    // the overflow arrow.
    Settings("[General]\nCheckSum=10\nWidth=1000\n");
    Start({ a.string() });
    ASSERT_TRUE(WaitState([](auto& s) { return s.count("gotolinetool") > 0; }));
    const std::string tool = State()["gotolinetool"];
    int x = 0, y = 0;
    ASSERT_EQ(std::sscanf(tool.c_str(), "%d,%d", &x, &y), 2) << tool;
    ClickTool(x, y);
    ASSERT_TRUE(DialogKeys("Jump to line number...", "Return", "")) << "no jump window";
    // The box starts with "1" selected: typing replaces it.
    ASSERT_TRUE(WaitValue("panel0", "L:   1   C:   1"));
    ClickTool(x, y);
    ASSERT_TRUE(DialogKeys("Jump to line number...", "Return", "42"));
    EXPECT_TRUE(WaitValue("panel0", "L:  42   C:   1")) << State()["panel0"];
    ClickTool(x, y);
    ASSERT_TRUE(DialogKeys("Jump to line number...", "Escape", "7"));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(State()["panel0"], "L:  42   C:   1");
}

TEST_F(FindJumpTest, CtrlBChangesTheTabsIcon)
{
    const fs::path a = File("a.txt", "a\n");
    Start({ a.string() });
    ASSERT_TRUE(WaitValue("active", "1"));
    Keys("ctrl+b");
    EXPECT_TRUE(WaitValue("slot1", a.string() + "|0|a.txt|01 - a.txt|30")) << State()["slot1"];
    Type("z");
    EXPECT_TRUE(WaitValue("slot1", a.string() + "|1|a.txt|01 - a.txt|32")) << State()["slot1"];
    Keys("ctrl+b");
    EXPECT_TRUE(WaitValue("slot1", a.string() + "|1|a.txt|01 - a.txt|18")) << State()["slot1"];
}

// The find dialog's Help button and F1 open the help page at its part about finding.
TEST_F(FindJumpTest, TheFindDialogsHelpOpensItsPartOfTheHelpPage)
{
    const fs::path bin = FDir / "bin";
    fs::create_directories(bin);
    File("bin/xdg-open", "#!/bin/sh\nprintf '%s\\n' \"$1\" >> '" + (FDir / "opened").string() + "'\n");
    fs::permissions(bin / "xdg-open", fs::perms::owner_all);
    const std::string path = std::getenv("PATH") ? std::getenv("PATH") : "/usr/bin:/bin";
    ::setenv("PATH", (bin.string() + ":" + path).c_str(), 1);
    Start({ File("a.txt", "a\n").string() });
    ::setenv("PATH", path.c_str(), 1);
    Keys("ctrl+f");
    ASSERT_TRUE(WaitValue("finddialog", "1"));
    ASSERT_TRUE(DialogKeys("Replace", "F1"));
    ASSERT_TRUE(WaitState([&](auto&) { return !ReadFile(FDir / "opened").empty(); })) << "no help opened";
    ASSERT_TRUE(DialogKeys("Replace", "alt+h"));
    ASSERT_TRUE(WaitState([&](auto&) {
        const std::string opened = ReadFile(FDir / "opened");
        return std::count(opened.begin(), opened.end(), '\n') == 2;
    })) << ReadFile(FDir / "opened");
    std::istringstream lines(ReadFile(FDir / "opened"));
    for (std::string line; std::getline(lines, line);) {
        EXPECT_EQ(line.rfind("file:///", 0), 0u) << line;
        EXPECT_NE(line.find("/help/quillan.html#context-4000"), std::string::npos) << line;
    }
}

// The project manager: a click on a row makes its document active and gives its editor the
// keyboard; a click on the empty part keeps the active row selected; the right button brings the
// document menu for the row pressed on.
TEST_F(FindJumpTest, ProjectManagerRows)
{
    const fs::path a = File("a.txt", "a\n");
    const fs::path b = File("b.txt", "b\n");
    Start({ a.string(), b.string() });
    ASSERT_TRUE(WaitValue("active", "2"));
    ASSERT_TRUE(WaitState([](auto& s) { return s.count("rowat1") && s.count("listrect"); }));
    const auto point = [&](const std::string& key) {
        int x = 0, y = 0;
        std::sscanf(State()[key].c_str(), "%d,%d", &x, &y);
        return std::to_string(x) + " " + std::to_string(y);
    };
    const auto click = [&](const std::string& where, int button) {
        Shell("xdotool mousemove --screen 0 " + where + " click " + std::to_string(button));
    };

    click(point("rowat1"), 1);
    ASSERT_TRUE(WaitValue("active", "1")) << State()["active"];
    EXPECT_EQ(State()["tab"], "1");
    EXPECT_EQ(State()["row"], "1");
    // The keyboard went to the row's editor, not to the list.
    Shell("xdotool type --delay 40 q");
    EXPECT_TRUE(WaitValue("slot1", a.string() + "|1|a.txt|01 - a.txt|18")) << State()["slot1"];

    int x = 0, y = 0, w = 0, h = 0;
    ASSERT_EQ(std::sscanf(State()["listrect"].c_str(), "%d,%d,%d,%d", &x, &y, &w, &h), 4);
    click(std::to_string(x + w / 2) + " " + std::to_string(y + h - 8), 1);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_TRUE(WaitValue("row", "1")) << State()["row"];
    EXPECT_EQ(State()["active"], "1");
    Shell("xdotool type --delay 40 w");
    ASSERT_TRUE(WaitValue("panel0", "L:   1   C:   3")) << State()["panel0"];

    click(point("rowat2"), 3);
    ASSERT_TRUE(WaitValue("active", "2")) << State()["active"];
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    Shell("xdotool key b"); // "Set &Bookmark" in the document menu
    EXPECT_TRUE(WaitValue("slot2", b.string() + "|0|b.txt|02 - b.txt|30")) << State()["slot2"];
    EXPECT_EQ(State()["slot1"], a.string() + "|1|a.txt|01 - a.txt|18");
}

TEST_F(FindJumpTest, ATabsMenuActsOnThatTabsDocument)
{
    const fs::path a = File("a.txt", "a\n");
    const fs::path b = File("b.txt", "b\n");
    Start({ a.string(), b.string() });
    ASSERT_TRUE(WaitValue("active", "2"));
    ASSERT_TRUE(WaitState([](auto& s) { return s.count("tabrect1") > 0; }));
    const auto rightClickTab = [&](int tab) {
        wxRect r;
        ASSERT_EQ(std::sscanf(
                      State()["tabrect" + std::to_string(tab)].c_str(), "%d,%d,%d,%d", &r.x, &r.y, &r.width, &r.height),
            4);
        Shell("xdotool mousemove --screen 0 " + std::to_string(r.x + r.width / 2) + " "
            + std::to_string(r.y + r.height / 2) + " click 3");
    };
    // The pressed tab's document becomes active before its menu acts.
    rightClickTab(1);
    ASSERT_TRUE(WaitValue("active", "1")) << State()["active"];
    EXPECT_TRUE(WaitValue("row", "1"));
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    Shell("xdotool key b"); // "Set &Bookmark"
    EXPECT_TRUE(WaitValue("slot1", a.string() + "|0|a.txt|01 - a.txt|30")) << State()["slot1"];
    EXPECT_EQ(State()["slot2"], b.string() + "|0|b.txt|02 - b.txt|17");
    // The same menu on the same tab now offers to take the bookmark away.
    rightClickTab(1);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    Shell("xdotool key b"); // "Remove &Bookmark"
    EXPECT_TRUE(WaitValue("slot1", a.string() + "|0|a.txt|01 - a.txt|17")) << State()["slot1"];
}

// --- recovery copies and files changed by other programs -------------------------------------

class RecoveryWindowTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        if (!IsSkipped() && !Installed("xev"))
            GTEST_SKIP() << "xev is not installed";
    }
    // Another program's window takes the focus, as when the user goes to a terminal; without a
    // window manager that needs a window of some other program.
    void FocusElsewhere()
    {
        // xev reports every event it sees; none of it is the test's business.
        if (FOther <= 0)
            FOther = StartHelper({ "xev", "-name", "elsewhere", "-geometry", "100x100+1100+900" }, true);
        std::string window;
        WaitUntil(
            [&] {
                window = Shell("xdotool search --onlyvisible --name '^elsewhere$' 2>/dev/null | head -n 1");
                return !window.empty();
            },
            5000);
        ASSERT_FALSE(window.empty()) << "xev did not show a window";
        Shell("xdotool windowfocus --sync " + window + " 2>/dev/null");
    }
    void FocusBack() { Shell("xdotool windowfocus --sync " + FWindow + " 2>/dev/null"); }
    // A question of the program is open; `count` questions have been asked so far.
    bool WaitQuestion(int count)
    {
        return WaitState([&](auto& s) {
            return s.count("recoveryasking") && s.at("recoveryasking") == "1"
                && s.at("recoveryquestions") == std::to_string(count);
        });
    }
    pid_t FOther = -1;
};

TEST_F(RecoveryWindowTest, TextTypedBeforeAKillComesBackUnderItsNameAndSavesThere)
{
    const fs::path notes = File("notes.txt", "hello\n");
    Start({ notes.string() });
    Type("typed ");
    ASSERT_TRUE(WaitValue("panel1", "Modified"));
    // The copy follows a couple of seconds after the last key.
    ASSERT_TRUE(WaitValue("recoverywritten", "1", 15000)) << State()["recoverywritten"];
    ::kill(FPid, SIGKILL);
    ASSERT_EQ(WaitExit(FPid), 128 + SIGKILL);
    EXPECT_EQ(ReadFile(notes), "hello\n");

    FWindow.clear();
    Start({});
    ASSERT_TRUE(WaitQuestion(1)) << "no question about the copies";
    AnswerBox("Return"); // its default button: Recover
    ASSERT_TRUE(WaitValue("documents", "2")) << State()["documents"];
    EXPECT_EQ(State()["slot1"], notes.string() + "|1|notes.txt|01 - notes.txt|18");
    EXPECT_EQ(State()["active"], "1");
    Keys("ctrl+s");
    ASSERT_TRUE(WaitValue("panel1", "Unmodified"));
    EXPECT_EQ(ReadFile(notes), "typed hello\n");
    // Saved, then a normal end: nothing is left to recover.
    Keys("alt+x");
    ASSERT_EQ(WaitExit(FPid), 0);
    const fs::path folder = FDir / "state-home/Quillan/recovery";
    EXPECT_TRUE(!fs::exists(folder) || fs::is_empty(folder));
}

TEST_F(RecoveryWindowTest, AFileChangedByAnotherProgramReloadsWhenTheFocusReturnsOrAsksWhenModified)
{
    const fs::path a = File("a.txt", "old text\n");
    Start({ a.string() });
    ASSERT_TRUE(WaitValue("active", "1"));
    FocusElsewhere();
    Shell("printf 'new text\\n' > " + a.string());
    FocusBack();
    EXPECT_TRUE(WaitValue("panel3", a.string() + " was changed by another program and has been reloaded"))
        << State()["panel3"];
    EXPECT_EQ(State()["slot1"], a.string() + "|0|a.txt|01 - a.txt|17");
    // What is typed now lands in the new text.
    Type("Z");
    ASSERT_TRUE(WaitValue("panel1", "Modified"));

    // Modified now: a change made while the window has the focus asks, once.
    Shell("printf 'newest\\n' > " + a.string());
    ASSERT_TRUE(WaitQuestion(1)) << "no question about the change";
    AnswerBox("Escape"); // No: keep the changes
    ASSERT_TRUE(WaitValue("recoveryasking", "0"));
    FocusElsewhere();
    FocusBack();
    std::this_thread::sleep_for(std::chrono::milliseconds(800));
    EXPECT_EQ(State()["recoveryquestions"], "1") << "asked again about the same change";
    EXPECT_EQ(State()["panel1"], "Modified");
    // Saving over the other program's version asks first; Return says yes.
    Keys("ctrl+s");
    ASSERT_TRUE(WaitQuestion(2)) << "saved over the change without asking";
    AnswerBox("Return");
    ASSERT_TRUE(WaitValue("panel1", "Unmodified"));
    EXPECT_EQ(ReadFile(a), "Znew text\n");
}

} // namespace
} // namespace quillan::guitest
