// Printing in the real program: the preview window, the page setup dialog and printing through a
// GTK print operation to a PDF file. GTK's print backends are limited to "file" through the
// test's own settings.ini, so that nothing waits for a print server.

#include "GuiTestUtil.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace quillan::guitest {
namespace {

namespace fs = std::filesystem;

// Where the preview tool sits on the main window's toolbar, in window pixels, with the default
// theme on the test display.
constexpr int PreviewToolX = 348;
constexpr int ToolY = 45;

fs::path BuildDir()
{
    return fs::path(SelfPath()).parent_path() / "../..";
}

std::string Shell(const std::string& command)
{
    return ShellOutput(command);
}

// The first page's text without the line that holds the time of printing.
std::string FirstPageText(const fs::path& pdf)
{
    return Shell("pdftotext -f 1 -l 1 '" + pdf.string() + "' - | grep -v 'Print Date'");
}

int PageCount(const fs::path& pdf)
{
    const std::string pages = Shell("pdfinfo '" + pdf.string() + "' | sed -n 's/^Pages: *//p'");
    return pages.empty() ? -1 : std::atoi(pages.c_str());
}

class PrintWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        FProgram = fs::absolute(BuildDir() / "src/gui/quillan").lexically_normal();
        FCli = fs::absolute(BuildDir() / "src/tools/cli/quillan-cli").lexically_normal();
        if (!fs::exists(FProgram) || !fs::exists(FCli))
            GTEST_SKIP() << "the program or quillan-cli is not built";
        if (std::system("command -v xdotool >/dev/null 2>&1 && command -v pdftotext >/dev/null 2>&1") != 0)
            GTEST_SKIP() << "xdotool or poppler-utils is not installed";
        FDir = fs::temp_directory_path()
            / ("quillan-print-" + std::to_string(::getpid()) + "-"
                + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(FDir);
        fs::create_directories(FDir / "config/gtk-3.0");
        fs::create_directories(FDir / "run");
        fs::permissions(FDir / "run", fs::perms::owner_all, fs::perm_options::replace);
        std::ofstream(FDir / "config/gtk-3.0/settings.ini") << "[Settings]\ngtk-print-backends=file\n";
    }
    void TearDown() override
    {
        if (FPid > 0) {
            ::kill(FPid, SIGTERM);
            ::waitpid(FPid, nullptr, 0);
        }
        fs::remove_all(FDir);
    }

    fs::path File(const std::string& name, int lines, int width)
    {
        std::ofstream out(FDir / name);
        for (int i = 1; i <= lines; ++i) {
            std::string line = "int line" + std::to_string(i) + " = " + std::to_string(i) + "; // text";
            while (static_cast<int>(line.size()) < width)
                line += " word";
            out << line << "\n";
        }
        return FDir / name;
    }

    void Start(const fs::path& file)
    {
        MarkSettingsUsed((FDir / "config").string());
        FPid = ::fork();
        if (FPid == 0) {
            ::setenv("XDG_CONFIG_HOME", (FDir / "config").c_str(), 1);
            // Recovery copies of a killed run must not reach the next test as a question.
            ::setenv("XDG_STATE_HOME", (FDir / "state-home").c_str(), 1);
            ::setenv("XDG_RUNTIME_DIR", (FDir / "run").c_str(), 1);
            ::setenv("QUILLAN_STATE_FILE", (FDir / "state").c_str(), 1);
            ::setenv("QUILLAN_PRINT_FILE", (FDir / "printed.pdf").c_str(), 1);
            ::chdir(FDir.c_str());
            ::execl(FProgram.c_str(), FProgram.c_str(), file.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        for (int i = 0; i < 500 && FWindow.empty(); ++i) {
            FWindow = Shell("xdotool search --all --onlyvisible --pid " + std::to_string(FPid)
                + " --name '^Quillan$' 2>/dev/null | head -n 1");
            if (FWindow.empty())
                std::this_thread::sleep_for(std::chrono::milliseconds(40));
        }
        ASSERT_FALSE(FWindow.empty()) << "the window never came up";
        ASSERT_TRUE(WaitFor([&] { return fs::exists(FDir / "state"); }));
    }

    static bool WaitFor(const std::function<bool()>& done, int timeoutMs = 15000)
    {
        for (int waited = 0; waited < timeoutMs; waited += 40) {
            if (done())
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(40));
        }
        return false;
    }

    std::map<std::string, std::string> Preview()
    {
        std::map<std::string, std::string> state;
        std::ifstream in(FDir / "state.preview");
        std::string line;
        while (std::getline(in, line))
            if (const auto eq = line.find('='); eq != std::string::npos)
                state[line.substr(0, eq)] = line.substr(eq + 1);
        return state;
    }
    bool WaitPreview(const std::string& key, const std::string& value)
    {
        return WaitFor([&] {
            auto s = Preview();
            return s.count(key) && s[key] == value;
        });
    }

    void Keys(const std::string& window, const std::string& keys)
    {
        Shell("xdotool windowfocus --sync " + window + " 2>/dev/null; xdotool key --delay 60 " + keys);
    }

    // Prints through Ctrl+P (to the PDF file, without a dialog) and waits for the file.
    void PrintNow()
    {
        fs::remove(FDir / "printed.pdf");
        Keys(FWindow, "ctrl+p");
        ASSERT_TRUE(WaitFor([&] { return PageCount(FDir / "printed.pdf") > 0; })) << "nothing was printed";
    }

    fs::path CliPrint(const fs::path& file)
    {
        const fs::path out = FDir / "cli.pdf";
        Shell("'" + FCli.string() + "' print '" + file.string() + "' --pdf '" + out.string() + "'");
        return out;
    }

    fs::path FProgram, FCli, FDir;
    pid_t FPid = -1;
    std::string FWindow;
};

TEST_F(PrintWindowTest, PrintingThroughGtkMatchesTheCommandLinePrint)
{
    const fs::path file = File("doc.cpp", 150, 40);
    Start(file);
    PrintNow();
    const fs::path cli = CliPrint(file);
    ASSERT_GT(PageCount(cli), 1);
    EXPECT_EQ(PageCount(FDir / "printed.pdf"), PageCount(cli));
    const std::string text = FirstPageText(FDir / "printed.pdf");
    EXPECT_NE(text.find("1: int line1 = 1; // text"), std::string::npos) << text;
    EXPECT_EQ(text, FirstPageText(cli));
}

TEST_F(PrintWindowTest, APageSetupChangeReachesTheNextPrint)
{
    // 70 columns fit beside a 25 mm margin but wrap beside a 100 mm one.
    const fs::path file = File("wide.txt", 120, 70);
    Start(file);
    PrintNow();
    const int before = PageCount(FDir / "printed.pdf");
    ASSERT_GT(before, 0);

    Keys(FWindow, "alt+f");
    Keys(FWindow, "g");
    std::string dialog;
    ASSERT_TRUE(WaitFor([&] {
        dialog = Shell(
            "xdotool search --all --onlyvisible --pid " + std::to_string(FPid) + " --name '^Page Setup$' | head -n 1");
        return !dialog.empty();
    })) << "no page setup dialog";
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    Shell("xdotool windowfocus --sync " + dialog
        + "; xdotool key ctrl+a; xdotool type --delay 60 100; xdotool key Return");
    ASSERT_TRUE(WaitFor([&] {
        return Shell("xdotool search --all --onlyvisible --pid " + std::to_string(FPid) + " --name '^Page Setup$'")
            .empty();
    }));

    PrintNow();
    const int after = PageCount(FDir / "printed.pdf");
    EXPECT_GT(after, before) << "wrapped lines take more pages";
    const std::string text = FirstPageText(FDir / "printed.pdf");
    EXPECT_EQ(text.find("1: int line1 = 1; // text word word word word word word word word word"), std::string::npos)
        << "the first line wraps now:\n"
        << text;
}

TEST_F(PrintWindowTest, PreviewShowsPageOneNavigatesAndZooms)
{
    const fs::path file = File("doc.cpp", 150, 40);
    Start(file);
    Shell("xdotool mousemove --window " + FWindow + " " + std::to_string(PreviewToolX) + " " + std::to_string(ToolY)
        + " click 1");
    ASSERT_TRUE(WaitPreview("shown", "1")) << "no preview window";
    ASSERT_TRUE(WaitFor([&] { return std::atoi(Preview()["frames"].c_str()) > 0; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    auto s = Preview();
    EXPECT_EQ(s["page"], "1");
    EXPECT_EQ(s["status"], " Page: 1");
    EXPECT_EQ(s["mode"], "0");
    EXPECT_EQ(s["printhint"], "Print") << "no printer chosen: the design hint";
    const int pages = std::atoi(s["pages"].c_str());
    EXPECT_EQ(pages, PageCount(CliPrint(file)));

    // The page on screen: a white sheet; the header box (grey, 20 mm from the top of the sheet)
    // and the first line (below the box, from 25 mm on the left) where the engine puts them.
    int l = 0, t = 0, w = 0, h = 0, cx = 0, cy = 0, cw = 0, ch = 0;
    ASSERT_EQ(std::sscanf(s["pagerect"].c_str(), "%d,%d,%d,%d", &l, &t, &w, &h), 4);
    ASSERT_EQ(std::sscanf(s["client"].c_str(), "%d,%d,%d,%d", &cx, &cy, &cw, &ch), 4);
    ASSERT_GT(h, 200);
    const wxImage shot = Screenshot(wxRect(cx, cy, cw, ch));
    auto at = [&](double xmm, double ymm, int dy = 0) {
        const int x = l + static_cast<int>(xmm / 210.0 * w);
        const int y = t + static_cast<int>(ymm / 297.0 * h) + dy;
        return wxColour(shot.GetRed(x, y), shot.GetGreen(x, y), shot.GetBlue(x, y));
    };
    auto dark = [](const wxColour& c) { return c.Red() + c.Green() + c.Blue() < 3 * 140; };
    auto grey = [](const wxColour& c) { return c.Red() > 150 && c.Red() < 230 && c.Red() == c.Blue(); };
    EXPECT_EQ(at(105, 8), *wxWHITE) << "paper above the header";
    EXPECT_TRUE(grey(at(105, 17))) << "the shaded header box, its bottom 20 mm from the top of the sheet";
    EXPECT_EQ(at(105, 150), *wxWHITE) << "paper beyond the end of the short lines";
    bool text = false; // the first line's characters, somewhere in its row below the box
    for (int dy = 0; dy < 40 && !text; ++dy)
        for (double xmm = 25; xmm < 60 && !text; xmm += 0.5)
            text = dark(at(xmm, 29, dy));
    EXPECT_TRUE(text) << "no text where the first line goes";

    const std::string preview = Shell(
        "xdotool search --all --onlyvisible --pid " + std::to_string(FPid) + " --name '^Print Preview$' | head -n 1");
    ASSERT_FALSE(preview.empty());
    Keys(preview, "alt+n");
    EXPECT_TRUE(WaitPreview("page", "2"));
    EXPECT_EQ(Preview()["status"], " Page: 2");
    Keys(preview, "alt+l");
    EXPECT_TRUE(WaitPreview("page", std::to_string(pages)));
    Keys(preview, "alt+f");
    EXPECT_TRUE(WaitPreview("page", "1"));

    // Clicks zoom: whole page to 100 %, then doubling; the right button halves.
    const std::string middle = std::to_string(cw / 2) + " " + std::to_string(ch / 2);
    Shell(
        "xdotool mousemove --screen 0 " + std::to_string(cx + cw / 2) + " " + std::to_string(cy + ch / 2) + " click 1");
    EXPECT_TRUE(WaitPreview("mode", "2"));
    EXPECT_EQ(Preview()["percent"], "100");
    Shell("xdotool click 1");
    EXPECT_TRUE(WaitPreview("percent", "200"));
    Shell("xdotool click 3; sleep 0.3; xdotool click 3; sleep 0.3; xdotool click 3");
    EXPECT_TRUE(WaitPreview("percent", "25"));
    Keys(preview, "alt+z");
    EXPECT_TRUE(WaitPreview("mode", "0"));

    Shell("xdotool windowfocus --sync " + preview + "; xdotool key Escape");
    EXPECT_TRUE(WaitPreview("shown", "0")) << "Esc closes the preview";
}

TEST_F(PrintWindowTest, ThePrintDialogOpensWithoutAPrinterAndCancels)
{
    const fs::path file = File("doc.txt", 5, 10);
    // Without QUILLAN_PRINT_FILE, Ctrl+P asks: the GTK dialog offers its print-to-file printer.
    MarkSettingsUsed((FDir / "config").string());
    FPid = ::fork();
    if (FPid == 0) {
        ::setenv("XDG_CONFIG_HOME", (FDir / "config").c_str(), 1);
        // Recovery copies of a killed run must not reach the next test as a question.
        ::setenv("XDG_STATE_HOME", (FDir / "state-home").c_str(), 1);
        ::setenv("XDG_RUNTIME_DIR", (FDir / "run").c_str(), 1);
        ::setenv("QUILLAN_STATE_FILE", (FDir / "state").c_str(), 1);
        ::unsetenv("QUILLAN_PRINT_FILE");
        ::execl(FProgram.c_str(), FProgram.c_str(), file.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ASSERT_TRUE(WaitFor([&] {
        FWindow = Shell(
            "xdotool search --all --onlyvisible --pid " + std::to_string(FPid) + " --name '^Quillan$' | head -n 1");
        return !FWindow.empty();
    }));
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    Keys(FWindow, "ctrl+p");
    std::string dialog;
    ASSERT_TRUE(WaitFor([&] {
        dialog = Shell(
            "xdotool search --all --onlyvisible --pid " + std::to_string(FPid) + " --name '^Print$' | head -n 1");
        return !dialog.empty();
    })) << "no print dialog";
    Shell("xdotool windowfocus --sync " + dialog + "; sleep 0.5; xdotool key Escape");
    EXPECT_TRUE(WaitFor([&] {
        return Shell("xdotool search --all --onlyvisible --pid " + std::to_string(FPid) + " --name '^Print$'").empty();
    })) << "the dialog did not close";
    // The program still answers: its window still takes commands.
    Keys(FWindow, "ctrl+n");
    EXPECT_TRUE(WaitFor([&] {
        std::ifstream in(FDir / "state");
        std::string all((std::istreambuf_iterator<char>(in)), {});
        return all.find("documents=3") != std::string::npos;
    }));
}

} // namespace
} // namespace quillan::guitest
