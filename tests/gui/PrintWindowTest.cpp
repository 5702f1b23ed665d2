// Printing in the real program: the preview window, the page setup dialog and printing through a
// GTK print operation to a PDF file. GTK's print backends are limited to "file" through the
// test's own settings.ini, so that nothing waits for a print server.

#include "GuiTestUtil.h"
#include "ProgramTest.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <thread>

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

// The first page's text without the line that holds the time of printing.
std::string FirstPageText(const fs::path& pdf)
{
    return ShellOutput("pdftotext -f 1 -l 1 '" + pdf.string() + "' - | grep -v 'Print Date'");
}

int PageCount(const fs::path& pdf)
{
    const std::string pages = ShellOutput("pdfinfo '" + pdf.string() + "' | sed -n 's/^Pages: *//p'");
    return pages.empty() ? -1 : std::atoi(pages.c_str());
}

class PrintWindowTest : public ProgramTest {
protected:
    PrintWindowTest()
        : ProgramTest("print")
    {
        // The waits here run pdfinfo and xdotool.
        FPollMs = 40;
    }
    void SetUp() override
    {
        ProgramTest::SetUp();
        if (IsSkipped())
            return;
        FCli = fs::absolute(BuildDir() / "src/tools/cli/quillan-cli").lexically_normal();
        if (!fs::exists(FCli))
            GTEST_SKIP() << "quillan-cli is not built";
        if (!Installed("pdftotext"))
            GTEST_SKIP() << "poppler-utils is not installed";
        File("config/gtk-3.0/settings.ini", "[Settings]\ngtk-print-backends=file\n");
        FEnvironment["QUILLAN_PRINT_FILE"] = (FDir / "printed.pdf").string();
    }

    using ProgramTest::File;
    // `lines` numbered lines of C++, each made at least `width` characters long with words.
    fs::path File(const std::string& name, int lines, int width)
    {
        std::string text;
        for (int i = 1; i <= lines; ++i) {
            std::string line = "int line" + std::to_string(i) + " = " + std::to_string(i) + "; // text";
            while (static_cast<int>(line.size()) < width)
                line += " word";
            text += line + "\n";
        }
        return File(name, text);
    }

    TState Preview() { return State("state.preview"); }
    bool WaitPreview(const std::string& key, const std::string& value)
    {
        return WaitValue(key, value, 15000, "state.preview");
    }

    // Prints through Ctrl+P (to the PDF file, without a dialog) and waits for the file.
    void PrintNow()
    {
        fs::remove(FDir / "printed.pdf");
        Keys(FWindow, "ctrl+p");
        ASSERT_TRUE(WaitUntil([&] { return PageCount(FDir / "printed.pdf") > 0; })) << "nothing was printed";
    }

    fs::path CliPrint(const fs::path& file)
    {
        const fs::path out = FDir / "cli.pdf";
        Shell("'" + FCli.string() + "' print '" + file.string() + "' --pdf '" + out.string() + "'");
        return out;
    }

    fs::path FCli;
};

TEST_F(PrintWindowTest, PrintingThroughGtkMatchesTheCommandLinePrint)
{
    const fs::path file = File("doc.cpp", 150, 40);
    Start({ file.string() });
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
    Start({ file.string() });
    PrintNow();
    const int before = PageCount(FDir / "printed.pdf");
    ASSERT_GT(before, 0);

    Keys(FWindow, "alt+f");
    Keys(FWindow, "g");
    const std::string dialog = FindWindow("Page Setup", 15000);
    ASSERT_FALSE(dialog.empty()) << "no page setup dialog";
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    Shell("xdotool windowfocus --sync " + dialog
        + "; xdotool key ctrl+a; xdotool type --delay 60 100; xdotool key Return");
    ASSERT_TRUE(WaitUntil([&] { return Windows("Page Setup").empty(); }));

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
    Start({ file.string() });
    Shell("xdotool mousemove --window " + FWindow + " " + std::to_string(PreviewToolX) + " " + std::to_string(ToolY)
        + " click 1");
    ASSERT_TRUE(WaitPreview("shown", "1")) << "no preview window";
    ASSERT_TRUE(WaitUntil([&] { return std::atoi(Preview()["frames"].c_str()) > 0; }));
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

    const std::string preview = FindWindow("Print Preview", 0);
    ASSERT_FALSE(preview.empty());
    // First and Previous cannot be used on the first page, Next and Last not on the last.
    EXPECT_EQ(s["pagetools"], "0011");
    Keys(preview, "alt+n");
    EXPECT_TRUE(WaitPreview("page", "2"));
    EXPECT_EQ(Preview()["status"], " Page: 2");
    EXPECT_TRUE(WaitPreview("pagetools", "1111"));
    Keys(preview, "alt+l");
    EXPECT_TRUE(WaitPreview("page", std::to_string(pages)));
    EXPECT_TRUE(WaitPreview("pagetools", "1100"));
    Keys(preview, "alt+f");
    EXPECT_TRUE(WaitPreview("page", "1"));
    EXPECT_TRUE(WaitPreview("pagetools", "0011"));

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
    FEnvironment["QUILLAN_PRINT_FILE"] = std::nullopt;
    ASSERT_NO_FATAL_FAILURE(Start({ file.string() }, { .InFolder = false }));
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    Keys(FWindow, "ctrl+p");
    const std::string dialog = FindWindow("Print", 15000);
    ASSERT_FALSE(dialog.empty()) << "no print dialog";
    Shell("xdotool windowfocus --sync " + dialog + "; sleep 0.5; xdotool key Escape");
    EXPECT_TRUE(WaitUntil([&] { return Windows("Print").empty(); })) << "the dialog did not close";
    // The program still answers: its window still takes commands.
    Keys(FWindow, "ctrl+n");
    EXPECT_TRUE(WaitValue("documents", "3", 15000));
}

} // namespace
} // namespace quillan::guitest
