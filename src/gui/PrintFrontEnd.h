#pragma once

#include "app/PrintCommands.h"
#include "gui/GtkPrintTarget.h"

#include <memory>
#include <string_view>

class wxWindow;

namespace quillan {

class TCustomQuillEdit;
class TPageSetupDlg;
class TTestPrintPreviewDlg;

// The main window's print commands with their real dialogs: Print (the GTK print dialog, then one
// job per copy), Print Setup (printer and paper), Page Setup and Print Preview. The engine, the
// printer choice and the page setup values live as long as this object, i.e. until the program
// ends.
//
// QUILLAN_PRINT_FILE, when set, makes Print skip the dialog and write one copy to that PDF file
// through the same GTK print operation (tests read it back).
class TPrintFrontEnd {
public:
    explicit TPrintFrontEnd(wxWindow* owner);
    ~TPrintFrontEnd();

    TPrintCommands& Commands() { return FCommands; }

    // Each takes the active document and its file name ("" or "Untitled" for none). Failures are
    // reported in a message box.
    void Print(const TCustomQuillEdit& editor, std::string_view fileName);
    void PrintSetup();
    void PageSetup();
    void Preview(const TCustomQuillEdit& editor, std::string_view fileName);

private:
    void ShowError(const std::exception& e);

    wxWindow* FOwner;
    TPrintCommands FCommands;
    TPrinterChoice FChoice;
    TGtkPrintTarget FTarget;
    TPageSetupDlg* FPageSetup = nullptr; // a child of the owner, created on first use
};

} // namespace quillan
