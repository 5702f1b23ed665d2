#include "gui/SetupForm.h"

#include "backends/posix/ProgramPath.h"
#include "backends/posix/XdgPaths.h"
#include "base/Paths.h"

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/sizer.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/stdpaths.h>

namespace quillan {

namespace {

std::string ProgramPath()
{
    std::string path = RunningProgramPath();
    if (path.empty())
        path = wxStandardPaths::Get().GetExecutablePath().utf8_string();
    return ExpandLongFileName(path);
}

TShellIntegration MakeIntegration(IDesktopShell& desktop, IRegistryStore& registry, IUserInterface& ui)
{
    return TShellIntegration(desktop, registry, ui, { ProgramPath(), ConfigFolder() });
}

} // namespace

TSetupForm::TSetupForm(wxWindow* parent, bool quickLaunchAvailable)
    : wxDialog(
        parent, wxID_ANY, "Quillan Setup", wxDefaultPosition, wxDefaultSize, wxCAPTION | wxSYSTEM_MENU | wxCLOSE_BOX)
{
    auto* files = new wxStaticBoxSizer(wxVERTICAL, this, "File Associations");
    FAssociate = new wxCheckBox(files->GetStaticBox(), wxID_ANY, "Open text files with Quillan");
    files->Add(FAssociate, 0, wxALL, 6);

    auto* shortcuts = new wxStaticBoxSizer(wxVERTICAL, this, "Shortcuts");
    wxWindow* box = shortcuts->GetStaticBox();
    shortcuts->Add(
        new wxStaticText(box, wxID_ANY,
            "Check/uncheck the checkboxes\nto enable/disable the shortcuts in \ntheir respective locations:"),
        0, wxALL, 6);
    FStartMenu = new wxCheckBox(box, wxID_ANY, "Start Menu");
    FDesktop = new wxCheckBox(box, wxID_ANY, "Desktop");
    FSendTo = new wxCheckBox(box, wxID_ANY, "SendTo Menu");
    FQuickLaunch = new wxCheckBox(box, wxID_ANY, "Quick Launch Panel");
    for (wxCheckBox* check : { FStartMenu, FDesktop, FSendTo, FQuickLaunch })
        shortcuts->Add(check, 0, wxLEFT | wxRIGHT | wxBOTTOM, 6);
    for (wxCheckBox* check : { FAssociate, FStartMenu, FDesktop, FSendTo, FQuickLaunch })
        check->SetValue(true);
    FQuickLaunch->Enable(quickLaunchAvailable);

    auto* ok = new wxButton(this, wxID_OK, "OK");
    ok->SetDefault();
    SetAffirmativeId(wxID_OK);
    // The close box ends the window like OK: the boxes are the choices either way.
    SetEscapeId(wxID_OK);

    auto* column = new wxBoxSizer(wxVERTICAL);
    column->Add(files, 0, wxEXPAND | wxALL, 8);
    column->Add(shortcuts, 0, wxEXPAND | wxLEFT | wxRIGHT, 8);
    column->Add(ok, 0, wxALIGN_CENTER | wxALL, 8);
    SetSizerAndFit(column);
    CentreOnScreen();
    ok->SetFocus();
}

TSetupChoices TSetupForm::Choices() const
{
    TSetupChoices choices;
    choices.Associate = FAssociate->GetValue();
    choices.StartMenu = FStartMenu->GetValue();
    choices.Desktop = FDesktop->GetValue();
    choices.SendTo = FSendTo->GetValue();
    choices.QuickLaunch = FQuickLaunch->GetValue();
    return choices;
}

TShellServices::TShellServices(IUserInterface& ui)
    : FRegistry(RegistryFileName())
    , FIntegration(MakeIntegration(FDesktop, FRegistry, ui))
{
    // A registry file that cannot be read stays untouched: the store then refuses changes, and
    // what needed one reports it.
    FRegistry.Load();
}

void RunFirstSetup(wxWindow* parent, TShellIntegration& shell)
{
    TSetupForm form(parent, shell.ShortcutPlaceAvailable(TShortcutPlace::spQuickLaunch));
    form.ShowModal();
    shell.RunFirstSetup(form.Choices());
}

} // namespace quillan
