// The program. The single-instance decision comes first, before wx opens the display, so that a
// second start hands its files over and ends even where no display is reachable.

#include "app/AppStrings.h"
#include "app/CommandLine.h"
#include "app/ProgramFiles.h"
#include "backends/posix/HandOff.h"
#include "backends/posix/ProgramPath.h"
#include "gui/MainForm.h"

#include <cstdio>
#include <cstdlib>
#include <spawn.h>
#include <wx/app.h>
#include <wx/image.h>
#include <wx/log.h>
#include <wx/msgdlg.h>

namespace quillan {
namespace {

TStartResult* gStart = nullptr;
std::vector<std::string> gFiles;
bool gUninstall = false;
std::vector<std::string> gLeftByClosing; // handed over while the window closed

class TQuillanApp : public wxApp {
public:
    bool OnInit() override
    {
        // No base OnInit: it would parse the file names as wx options.
        SetAppName(SAppTitle);
        SetAppDisplayName(SAppTitle);
        wxInitAllImageHandlers();
        auto* form = new TMainForm(gFiles, gStart ? gStart->Receiver.get() : nullptr, gUninstall);
        form->OnClosedWithFiles = [](std::vector<std::string> files) { gLeftByClosing = std::move(files); };
        SetTopWindow(form);
        form->Show();
        // The window exists and the receiver listens: later starts may now find us.
        if (gStart && gStart->Lock)
            gStart->Lock->Release();
        return true;
    }
};

// Files other starts handed over while this window was closing go to a new window: they were
// taken, and their starts have ended believing they would open. The new start finds the socket
// gone and becomes the running instance itself.
void StartAgainWith(const std::vector<std::string>& files)
{
    const std::string program = RunningProgramPath();
    if (files.empty() || program.empty())
        return;
    std::vector<char*> argv { const_cast<char*>(program.c_str()) };
    for (const std::string& f : files)
        argv.push_back(const_cast<char*>(f.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (::posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ) != 0)
        std::fprintf(stderr, "quillan: could not start a new window for %zu handed-over files\n", files.size());
}

bool HasDisplay()
{
    for (const char* name : { "DISPLAY", "WAYLAND_DISPLAY" })
        if (const char* value = std::getenv(name); value && *value)
            return true;
    return false;
}

// A start that gives up tells why on stderr and, as it was probably started from a file manager
// or a menu where nobody reads stderr, in a message box when there is a display.
void TellGivingUp(int argc, char** argv, const std::string& text)
{
    std::fprintf(stderr, "quillan: %s\n", text.c_str());
    if (!HasDisplay())
        return;
    // Only the toolkit is started: no main window, no settings, no instance of our own.
    if (!wxEntryStart(argc, argv))
        return;
    wxMessageDialog box(nullptr, wxString::FromUTF8(text), SAppTitle, wxOK | wxICON_ERROR);
    box.ShowModal();
    wxEntryCleanup();
}

} // namespace
} // namespace quillan

wxIMPLEMENT_APP_NO_MAIN(quillan::TQuillanApp);

int main(int argc, char** argv)
{
    using namespace quillan;
    const std::vector<std::string> args(argv + 1, argv + argc);
    // Not a file to open: the install check asks what this copy of the program finds of its help
    // page and icon, through the same lookup the Help menu uses. A file of that name opens as
    // "./--program-files".
    if (args.size() == 1 && args[0] == "--program-files") {
        bool complete = false;
        std::fputs(DescribeProgramFiles(RunningProgramFolder(), complete).c_str(), stdout);
        return complete ? 0 : 1;
    }
    TStartResult start = StartInstance(args);
    switch (start.Role) {
    case TStartRole::srHandedOver:
        return 0;
    case TStartRole::srLockTimedOut:
    case TStartRole::srHandOffFailed: {
        // Nothing of ours may hold the lock while the box waits for the user.
        start.Lock.reset();
        const std::string text = StartFailureText(start);
        if (text.empty())
            return 0; // nothing was to be handed over: nothing is lost
        TellGivingUp(argc, argv, text);
        return 1;
    }
    case TStartRole::srFirstInstance:
        break;
    }
    if (!start.Error.empty())
        std::fprintf(stderr, "quillan: %s\n", start.Error.c_str());
    const TCommandLineRequest request = ProcessCommandLine(args);
    // An uninstall start opens no files.
    gFiles = request.Files;
    gUninstall = request.Uninstall;
    gStart = &start;
    const int rc = wxEntry(argc, argv);
    gStart = nullptr;
    start.Receiver.reset();
    StartAgainWith(gLeftByClosing);
    return rc;
}
