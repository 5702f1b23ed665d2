// The program. The single-instance decision comes first, before wx opens the display, so that a
// second start hands its files over and ends even where no display is reachable.

#include "app/AppStrings.h"
#include "app/CommandLine.h"
#include "app/ProgramFiles.h"
#include "backends/posix/HandOff.h"
#include "backends/posix/ProgramPath.h"
#include "gui/MainForm.h"

#include <cstdio>
#include <wx/app.h>
#include <wx/image.h>
#include <wx/log.h>

namespace quillan {
namespace {

TStartResult* gStart = nullptr;
std::vector<std::string> gFiles;
bool gUninstall = false;

class TQuillanApp : public wxApp {
public:
    bool OnInit() override
    {
        // No base OnInit: it would parse the file names as wx options.
        SetAppName(SAppTitle);
        SetAppDisplayName(SAppTitle);
        wxInitAllImageHandlers();
        auto* form = new TMainForm(gFiles, gStart ? gStart->Receiver.get() : nullptr, gUninstall);
        SetTopWindow(form);
        form->Show();
        // The window exists and the receiver listens: later starts may now find us.
        if (gStart && gStart->Lock)
            gStart->Lock->Release();
        return true;
    }
};

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
    case TStartRole::srLockTimedOut:
        return 0;
    case TStartRole::srHandOffFailed:
        std::fprintf(stderr, "quillan: %s\n", start.Error.c_str());
        return 1;
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
    return rc;
}
