#include "gui/PrintFrontEnd.h"

#include "backends/wx/WxCanvas.h"
#include "gui/PageSetupDlg.h"
#include "gui/PrintPreviewDlg.h"

#include <cstdlib>
#include <wx/msgdlg.h>
#include <wx/printdlg.h>
#include <wx/window.h>

namespace quillan {

TPrintFrontEnd::TPrintFrontEnd(wxWindow* owner)
    : FOwner(owner)
    , FTarget(FChoice)
{
    TQuillEditPrint& engine = FCommands.Engine();
    engine.SetPrinter(&FTarget);
    engine.CreateScreenCanvas = [] { return std::make_unique<TWxCanvas>(); };
}

TPrintFrontEnd::~TPrintFrontEnd()
{
    FCommands.Engine().SetPrinter(nullptr);
    FCommands.Engine().SetHighlighter(nullptr);
}

void TPrintFrontEnd::ShowError(const std::exception& e)
{
    wxMessageBox(wxString::FromUTF8(e.what()), wxTheApp ? wxTheApp->GetAppDisplayName() : wxString(),
        wxOK | wxICON_ERROR, FOwner);
}

void TPrintFrontEnd::Print(const TCustomQuillEdit& editor, std::string_view fileName)
{
    int copies = 1;
    const char* exportFile = std::getenv("QUILLAN_PRINT_FILE");
    if (exportFile && *exportFile) {
        FTarget.ExportFile = exportFile;
    } else {
        FTarget.ExportFile.clear();
        wxPrintDialogData data(FChoice.Data());
        data.SetAllPages(true);
        data.EnablePageNumbers(false);
        data.EnableSelection(false);
        wxPrintDialog dialog(FOwner, &data);
        if (dialog.ShowModal() != wxID_OK)
            return;
        FChoice.Data() = dialog.GetPrintDialogData().GetPrintData();
        copies = std::max(dialog.GetPrintDialogData().GetNoCopies(), 1);
        FChoice.Data().SetNoCopies(1);
    }
    try {
        FCommands.LoadDocument(editor, fileName);
        FCommands.PrintCopies(copies);
    } catch (const std::exception& e) {
        ShowError(e);
    }
    FCommands.Engine().SetHighlighter(nullptr);
}

void TPrintFrontEnd::PrintSetup()
{
    wxPageSetupDialogData data(FChoice.Data());
    wxPageSetupDialog dialog(FOwner, &data);
    if (dialog.ShowModal() == wxID_OK)
        FChoice.Data() = dialog.GetPageSetupDialogData().GetPrintData();
    // The engine measures the sheet afresh at the next print or preview.
    FCommands.Engine().SetPrinter(&FTarget);
}

void TPrintFrontEnd::PageSetup()
{
    if (!FPageSetup)
        FPageSetup = new TPageSetupDlg(FOwner);
    FPageSetup->LoadFromEngine(FCommands.Engine());
    if (FPageSetup->ShowModal() == wxID_OK)
        FPageSetup->SaveToEngine(FCommands.Engine());
}

void TPrintFrontEnd::Preview(const TCustomQuillEdit& editor, std::string_view fileName)
{
    FTarget.ExportFile.clear();
    if (const char* exportFile = std::getenv("QUILLAN_PRINT_FILE"))
        FTarget.ExportFile = exportFile;
    try {
        FCommands.LoadDocument(editor, fileName);
        FCommands.Engine().SetPrinter(&FTarget);
        TTestPrintPreviewDlg dialog(FOwner);
        dialog.Preview().SetQuillEditPrint(&FCommands.Engine());
        dialog.OnPageSetup = [this] { PageSetup(); };
        dialog.PrinterName = [this] { return FChoice.PrinterName(); };
        dialog.ShowModal();
    } catch (const std::exception& e) {
        ShowError(e);
    }
    FCommands.Engine().SetHighlighter(nullptr);
}

} // namespace quillan
