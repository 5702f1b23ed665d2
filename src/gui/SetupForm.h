#pragma once

#include "app/ShellIntegration.h"
#include "backends/posix/FileRegistry.h"
#include "backends/posix/XdgDesktopShell.h"

#include <wx/dialog.h>

class wxCheckBox;

namespace quillan {

class IUserInterface;

// "Quillan Setup": the first-run window. Every box is ticked whenever it is shown; however it is
// closed, its boxes are the choices. The Quick Launch box stays ticked but cannot be used where
// the desktop has no quick-launch bar.
class TSetupForm : public wxDialog {
public:
    TSetupForm(wxWindow* parent, bool quickLaunchAvailable);
    TSetupChoices Choices() const;

private:
    wxCheckBox* FAssociate;
    wxCheckBox* FStartMenu;
    wxCheckBox* FDesktop;
    wxCheckBox* FSendTo;
    wxCheckBox* FQuickLaunch;
};

// What the main window needs for the desktop: the registry file, the freedesktop shell and the
// setup logic over both, for the running program.
class TShellServices {
public:
    explicit TShellServices(IUserInterface& ui);
    TShellIntegration& Integration() { return FIntegration; }

private:
    TFileRegistry FRegistry;
    TXdgDesktopShell FDesktop;
    TShellIntegration FIntegration;
};

// The first-run flow: shows the setup window once, modally, then carries out its choices.
void RunFirstSetup(wxWindow* parent, TShellIntegration& shell);

} // namespace quillan
