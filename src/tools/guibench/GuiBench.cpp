// quillan-guibench: figures that only a real window on a display can give. Run it on a private
// Xvfb with scripts/bench-gui.sh.
//
//   pagedown [FILE] [--pages N]   Page Down through FILE in an editor window by synthetic key
//                                 presses; each press waits until its frame is on the screen.
//   startup [FILE...] [--runs N]  time from starting the program until its window (and, with
//                                 files, every document and the active editor) is there and
//                                 painted; $QUILLAN_PROGRAM names another build's program.
#include "backends/wx/WxEditorWindow.h"
#include "backends/wx/WxEventWait.h"
#include "editor/QuillEdit.h"
#include "highlight/HighlighterFactory.h"
#include "tools/cli/Bench.h"

#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <gdk/gdkx.h>
#include <memory>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>
#include <wx/app.h>
#include <wx/frame.h>
#include <wx/init.h>
#include <wx/sizer.h>

namespace quillan {
namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

// Keyboard auto-repeat on Linux desktops runs at 25 to 33 keys a second.
constexpr double RepeatIntervalMs = 1000.0 / 33;

double Ms(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

double Percentile(std::vector<double> v, double p)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, static_cast<std::size_t>(p * static_cast<double>(v.size())))];
}

// One press and release of Page Down through XTest, as a keyboard would send it. The toolkit's
// simulator waits for its own events after each key and would be measured instead of the editor.
void PressPageDown()
{
    Display* display = GDK_DISPLAY_XDISPLAY(gdk_display_get_default());
    const KeyCode code = XKeysymToKeycode(display, XK_Next);
    XTestFakeKeyEvent(display, code, True, CurrentTime);
    XTestFakeKeyEvent(display, code, False, CurrentTime);
    XFlush(display);
}

int PageDown(const std::string& path, int pages)
{
    std::unique_ptr<TCustomHighlighter> highlighter = CreateHighlighter(std::string(LanguageForFileName(path)));
    auto* frame = new wxFrame(nullptr, wxID_ANY, "Page Down", wxPoint(20, 20), wxSize(760, 560));
    auto* window = new TWxEditorWindow(frame);
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(window, 1, wxEXPAND);
    frame->SetSizer(sizer);
    TQuillEdit edit;
    const auto loadStart = Clock::now();
    edit.Lines().LoadFromFile(path);
    edit.SetHighlighter(highlighter.get());
    const double loadMs = Ms(Clock::now() - loadStart);
    edit.Gutter().SetShowLineNumbers(true);
    window->SetClient(&edit);
    window->SetCaretBlinkTime(0);
    frame->Show();
    int status = 0;
    if (!FocusToplevelWindow(frame) || !(window->SetFocus(), WaitForEvents([&] { return window->HasFocus(); }))) {
        std::fprintf(stderr, "pagedown: the window did not get the keyboard focus\n");
        status = 1;
    }
    PumpEvents(200);

    std::vector<double> frameMs;
    int lost = 0;
    const std::clock_t cpuStart = std::clock();
    const auto start = Clock::now();
    for (int i = 0; status == 0 && i < pages && edit.TopLine() < edit.LineCount(); ++i) {
        const int top = edit.TopLine();
        const std::uint64_t frames = window->FramesShown();
        const auto t0 = Clock::now();
        PressPageDown();
        // Short naps: the 2 ms default would cap the frame rate measured here.
        if (!WaitForEvents([&] { return edit.TopLine() != top && window->FramesShown() > frames; }, 2000, 50))
            ++lost;
        frameMs.push_back(Ms(Clock::now() - t0));
    }
    const double totalMs = Ms(Clock::now() - start);
    // The waiting loop's own polling is included, so this is an upper bound of the editor's share.
    const double cpuMs = 1000.0 * static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;

    const int n = static_cast<int>(frameMs.size());
    std::printf("%s: %d lines, loaded with highlighting in %.0f ms, %d lines per page\n", path.c_str(),
        edit.LineCount(), loadMs, edit.LinesInWindow());
    std::printf(
        "pages scrolled                 %8d (top line now %d, %d without a new frame)\n", n, edit.TopLine(), lost);
    if (n > 0) {
        std::printf("frames per second              %8.1f\n", n * 1000.0 / totalMs);
        std::printf("press to frame, mean           %8.2f ms\n", totalMs / n);
        std::printf("press to frame, 99th pct       %8.2f ms\n", Percentile(frameMs, 0.99));
        std::printf("press to frame, worst          %8.2f ms\n", Percentile(frameMs, 1.0));
        std::printf("process CPU per frame          %8.2f ms (includes the bench's polling)\n", cpuMs / n);
        std::printf("key repeat interval            %8.2f ms (33 keys/s): %s\n", RepeatIntervalMs,
            Percentile(frameMs, 0.99) <= RepeatIntervalMs ? "kept up" : "fell behind");
    }
    if (lost > 0)
        status = 1;
    window->SetClient(nullptr);
    edit.SetHighlighter(nullptr);
    frame->Destroy();
    PumpEvents(50);
    return status;
}

std::string ProgramBeside(const char* name)
{
    if (const char* other = std::getenv("QUILLAN_PROGRAM"); other && *other)
        return other;
    std::error_code ec;
    fs::path self = fs::read_symlink("/proc/self/exe", ec);
    return (self.parent_path().parent_path().parent_path() / "gui" / name).string();
}

// The value of `key` in the program's state file, or -1 while there is none.
long StateValue(const fs::path& file, const std::string& key)
{
    std::ifstream in(file);
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(key + "=", 0) == 0)
            return std::strtol(line.c_str() + key.size() + 1, nullptr, 10);
    return -1;
}

// Starts the program in a fresh configuration and measures until it reports a painted window.
double StartOnce(const std::string& program, const std::vector<std::string>& files)
{
    char dirTemplate[] = "/tmp/quillan-startup-XXXXXX";
    const char* dir = ::mkdtemp(dirTemplate);
    if (!dir)
        return -1;
    const fs::path root(dir), state = root / "state";
    fs::create_directories(root / "config");
    fs::create_directories(root / "run");
    fs::permissions(root / "run", fs::perms::owner_all);

    const auto start = Clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::setenv("XDG_CONFIG_HOME", (root / "config").c_str(), 1);
        // Recovery copies of a killed run must not reach the next test as a question.
        ::setenv("XDG_STATE_HOME", (root / "state-home").c_str(), 1);
        ::setenv("XDG_RUNTIME_DIR", (root / "run").c_str(), 1);
        ::setenv("QUILLAN_STATE_FILE", state.c_str(), 1);
        std::vector<char*> argv { const_cast<char*>(program.c_str()) };
        for (const std::string& f : files)
            argv.push_back(const_cast<char*>(f.c_str()));
        argv.push_back(nullptr);
        ::execv(program.c_str(), argv.data());
        std::_Exit(127);
    }
    double ms = -1;
    while (pid > 0) {
        // With files every document must be open and the active editor painted; without one
        // the window's first idle pass comes after it was shown.
        const bool ready = files.empty()
            ? StateValue(state, "documents") >= 0
            : StateValue(state, "documents") == static_cast<long>(files.size()) + 1 && StateValue(state, "frames") >= 1;
        if (ready) {
            ms = Ms(Clock::now() - start);
            break;
        }
        int wstatus = 0;
        if (::waitpid(pid, &wstatus, WNOHANG) == pid || Clock::now() - start > std::chrono::seconds(30))
            break;
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    if (pid > 0) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
    }
    fs::remove_all(root);
    return ms;
}

int StartUp(const std::vector<std::string>& files, int runs)
{
    const std::string program = ProgramBeside("quillan");
    if (::access(program.c_str(), X_OK) != 0) {
        std::fprintf(stderr, "startup: %s is not built\n", program.c_str());
        return 1;
    }
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const double ms = StartOnce(program, files);
        if (ms < 0) {
            std::fprintf(stderr, "startup: the program did not report a painted window\n");
            return 1;
        }
        times.push_back(ms);
    }
    const std::string what = files.empty() ? "no file"
        : files.size() == 1                ? files[0]
                                           : std::to_string(files.size()) + " files";
    std::printf("start-up to the first painted window, %s (%d runs)\n", what.c_str(), runs);
    std::printf("best                           %8.1f ms\n", Percentile(times, 0));
    std::printf("median                         %8.1f ms\n", Percentile(times, 0.5));
    std::printf("worst                          %8.1f ms\n", Percentile(times, 1.0));
    return 0;
}

class TBenchApp : public wxApp {
public:
    bool OnInit() override { return true; }
};

int Usage()
{
    std::fprintf(stderr,
        "usage: quillan-guibench pagedown [FILE] [--pages N]\n"
        "       quillan-guibench startup [FILE...] [--runs N]\n");
    return 2;
}

} // namespace
} // namespace quillan

int main(int argc, char** argv)
{
    using namespace quillan;
    if (argc < 2)
        return Usage();
    const std::string command = argv[1];
    std::vector<std::string> files;
    int count = -1;
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        if ((arg == "--pages" || arg == "--runs") && i + 1 < argc)
            count = std::atoi(argv[++i]);
        else if (!arg.empty() && arg[0] != '-')
            files.push_back(arg);
        else
            return Usage();
    }
    if (command == "startup")
        return StartUp(files, count > 0 ? count : 5);
    if (command != "pagedown" || files.size() > 1)
        return Usage();
    std::string file = files.empty() ? std::string() : files[0];
    if (file.empty())
        file = cli::bench::CorpusPath("cpp_1m.cpp");
    if (cli::bench::FileSize(file) == 0) {
        std::fprintf(stderr, "pagedown: cannot read %s\n", file.c_str());
        return 1;
    }
    wxApp::SetInstance(new TBenchApp);
    if (!wxEntryStart(argc, argv) || !wxTheApp->CallOnInit()) {
        std::fprintf(stderr, "cannot start wxWidgets (is DISPLAY set?)\n");
        return 2;
    }
    const int result = PageDown(file, count > 0 ? count : 1000);
    wxTheApp->OnExit();
    wxEntryCleanup();
    return result;
}
