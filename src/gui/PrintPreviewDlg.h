#pragma once

#include "print/QuillEditPrintPreview.h"

#include <functional>
#include <string>
#include <wx/dialog.h>

class wxToolBar;
class wxStatusBar;
class wxMenu;

namespace quillan {

class TWxEditorWindow;

// "Print Preview": a toolbar, one preview control filling the window, and a status bar whose
// second panel shows the page. Modal, maximised; Esc closes it.
class TTestPrintPreviewDlg : public wxDialog {
public:
    explicit TTestPrintPreviewDlg(wxWindow* parent);
    ~TTestPrintPreviewDlg() override;

    TQuillEditPrintPreview& Preview() { return FPreview; }
    // Shows the page setup dialog for the engine; the preview is rebuilt afterwards either way.
    std::function<void()> OnPageSetup;
    // The printer the next print goes to; empty when none is chosen.
    std::function<std::string()> PrinterName;

    int ShowModal() override;

private:
    void CreateToolBar();
    void RefreshPrintHint();
    void EnablePageTools();
    void Rebuild();
    void Zoom(bool in);
    void OnTool(wxCommandEvent& event);
    void OnCharHook(wxKeyEvent& event);
    void OnKeyUp(wxKeyEvent& event);
    void OnIdle(wxIdleEvent& event);
    void WriteStateFile();

    TQuillEditPrintPreview FPreview;
    TWxEditorWindow* FWindow = nullptr;
    wxToolBar* FToolBar = nullptr;
    wxStatusBar* FStatus = nullptr;
    std::string FStateFile;
    std::string FLastState;
};

} // namespace quillan
