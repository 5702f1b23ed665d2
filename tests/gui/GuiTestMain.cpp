// The GUI test program: wx is started once for all tests (the display is the one run-xvfb.sh
// made), and the tests pump its event loop themselves. Started with "--child ...", the program
// is a helper process of a test instead (see ClipboardChild in WxClipboardTest.cpp).

#include "GuiTestUtil.h"
#include "backends/wx/WxClipboard.h"
#include "backends/wx/WxEventWait.h"
#include "support/RunShell.h"
#include "support/TempFolder.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gdk/gdkx.h>
#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <wx/app.h>
#include <wx/init.h>
#include <wx/log.h>

namespace quillan::guitest {

namespace {

std::string selfPath;
std::vector<std::string> childArguments;

// A failed wx assertion is a failed test, never a modal box that would hang the run.
void AssertHandler(const wxString& file, int line, const wxString& func, const wxString& cond, const wxString& msg)
{
    std::fprintf(stderr, "wx assertion %s failed in %s (%s:%d): %s\n", static_cast<const char*>(cond.utf8_str()),
        static_cast<const char*>(func.utf8_str()), static_cast<const char*>(file.utf8_str()), line,
        static_cast<const char*>(msg.utf8_str()));
    ADD_FAILURE() << "wx assertion failed: " << cond.utf8_str() << ": " << msg.utf8_str();
}

class TTestApp : public wxApp {
public:
    bool OnInit() override
    {
        delete wxLog::SetActiveTarget(new wxLogStderr);
        wxSetAssertHandler(AssertHandler);
        wxInitAllImageHandlers();
        return true;
    }
};

} // namespace

bool WaitFor(const std::function<bool()>& done, int timeoutMs)
{
    return WaitForEvents(done, timeoutMs);
}

void Pump(int ms)
{
    PumpEvents(ms);
}

bool FocusToplevel(wxWindow* window)
{
    return FocusToplevelWindow(window);
}

wxImage Screenshot(const wxRect& rect)
{
    GdkPixbuf* pixbuf
        = gdk_pixbuf_get_from_window(gdk_get_default_root_window(), rect.x, rect.y, rect.width, rect.height);
    if (!pixbuf)
        return wxImage();
    wxImage image(rect.width, rect.height);
    const int channels = gdk_pixbuf_get_n_channels(pixbuf);
    const int stride = gdk_pixbuf_get_rowstride(pixbuf);
    const guchar* pixels = gdk_pixbuf_get_pixels(pixbuf);
    for (int y = 0; y < rect.height; ++y)
        for (int x = 0; x < rect.width; ++x) {
            const guchar* p = pixels + y * stride + x * channels;
            image.SetRGB(x, y, p[0], p[1], p[2]);
        }
    g_object_unref(pixbuf);
    return image;
}

wxRect ClientScreenRect(wxWindow* window)
{
    return wxRect(window->ClientToScreen(wxPoint(0, 0)), window->GetClientSize());
}

const std::string& SelfPath()
{
    return selfPath;
}

std::string QuillanProgram()
{
    if (const char* p = std::getenv("QUILLAN_PROGRAM"))
        return p;
    const std::filesystem::path self(SelfPath());
    return std::filesystem::absolute(self.parent_path() / "../../src/gui/quillan").lexically_normal().string();
}

std::string ShellOutput(const std::string& command)
{
    std::string out;
    testutil::RunShell(command, out);
    while (!out.empty() && (out.back() == '\n' || out.back() == ' '))
        out.pop_back();
    return out;
}

void MarkSettingsUsed(const std::string& configHome)
{
    const std::filesystem::path ini = std::filesystem::path(configHome) / "Quillan/Quillan.ini";
    std::string text = testutil::ReadFileBytes(ini.string());
    if (text.find("CheckSum=") != std::string::npos)
        return;
    const std::size_t general = text.find("[General]\n");
    if (general == std::string::npos)
        text.insert(0, "[General]\nCheckSum=10\n");
    else
        text.insert(general + 10, "CheckSum=10\n");
    std::filesystem::create_directories(ini.parent_path());
    std::ofstream(ini, std::ios::binary | std::ios::trunc) << text;
}

const std::vector<std::string>& ChildArguments()
{
    return childArguments;
}

} // namespace quillan::guitest

int main(int argc, char** argv)
{
    using namespace quillan::guitest;
    selfPath = argv[0];
    const bool child = argc > 1 && std::string(argv[1]) == "--child";
    if (child)
        childArguments.assign(argv + 2, argv + argc);
    else
        testing::InitGoogleTest(&argc, argv);

    wxApp::SetInstance(new TTestApp);
    if (!wxEntryStart(argc, argv) || !wxTheApp->CallOnInit()) {
        std::fprintf(stderr, "cannot start wxWidgets (is DISPLAY set?)\n");
        return 2;
    }
    const int result = child ? RunChild() : RUN_ALL_TESTS();
    quillan::TWxClipboard::ReleaseAtExit();
    wxTheApp->OnExit();
    wxEntryCleanup();
    return result;
}
