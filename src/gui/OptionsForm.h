#pragma once

#include "app/ColourPreview.h"
#include "app/OptionsModel.h"

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>
#include <wx/dialog.h>
#include <wx/fontdata.h>

class wxCheckBox;
class wxNotebook;
class wxPanel;
class wxSpinButton;
class wxStaticText;
class wxTextCtrl;
class wxSizer;
class wxStaticBoxSizer;
class wxButton;

namespace quillan {

class TColourBox;
class TTestForm;

// "Options...": the settings of the main window in two tabs. The decisions are TOptionsModel's;
// this window shows its values, hands it the user's clicks and shows the colour, font and preview
// windows. Created once and reused: every Execute reloads everything from the main window.
class TOptionsForm : public wxDialog {
public:
    TOptionsForm(wxWindow* parent, TMainFormModel& main, IShellActions& shell, ISettingsStore& store);
    ~TOptionsForm() override;

    // Shows the dialog; true when it was closed with OK (Model().Values then holds the choice).
    bool Execute();
    TOptionsModel& Model() { return FModel; }

private:
    wxPanel* CreateGeneralPage(wxNotebook* book);
    wxPanel* CreateEdittingPage(wxNotebook* book);
    wxStaticBoxSizer* Group(wxWindow* parent, const char* caption);
    wxButton* Button(
        wxWindow* parent, const char* name, const char* caption, const char* hint, const std::function<void()>& click);
    wxCheckBox* CheckBox(wxWindow* parent, const char* name, const char* caption, const char* hint);
    // A label and its colour box, as one row of `grid`; `value` picks the colour in Values.
    void ColourRow(wxWindow* parent, wxSizer* grid, const char* name, const char* caption,
        std::function<TColor&(TOptionsValues&)> value);
    void ColourGroup(wxWindow* parent, wxSizer* column, const char* caption,
        const std::vector<std::tuple<const char*, const char*, std::function<TColor&(TOptionsValues&)>>>& rows,
        const char* previewName, TPreviewLanguage language, const char* defaultName, bool (TOptionsModel::*restore)());

    // Values into the controls, and the controls the user types or ticks into back into Values.
    void ShowValues();
    void ChooseColour(TColourBox& box);
    void ChooseFont();
    void Shortcut(TShortcutPlace place, wxCheckBox* box);
    // Runs an action that may fail; the failure is shown like any command's.
    void Guarded(const std::function<void()>& action);
    void OnOK(wxCommandEvent& event);
    void OnIdle(wxIdleEvent& event);
    void WriteStateFile();

    TMainFormModel& FMain;
    IShellActions& FShell;
    TOptionsModel FModel;
    std::unique_ptr<TTestForm> FTestForm;
    wxFontData FFontData;
    wxNotebook* FBook = nullptr;
    wxTextCtrl* FEdit1 = nullptr;
    wxSpinButton* FUpDown1 = nullptr;
    wxCheckBox* FTrayEnable = nullptr;
    wxCheckBox* FTrayMinOnly = nullptr;
    wxCheckBox* FAlwaysShow = nullptr;
    wxCheckBox* FStartMenuCheck = nullptr;
    wxCheckBox* FDesktopCheck = nullptr;
    wxCheckBox* FSendToCheck = nullptr;
    wxCheckBox* FQLCheck = nullptr;
    wxCheckBox* FCheckBox1 = nullptr;
    wxStaticText* FFontNameLabel = nullptr;
    wxStaticText* FFontSizeLabel = nullptr;
    std::vector<TColourBox*> FColourBoxes;
    // Every control by its name, for the test's view of the window.
    std::map<std::string, wxWindow*> FNamed;
    bool FShowing = false; // the controls are being set from Values: their events are not the user's
    std::string FStateFile;
    std::string FLastState;
};

} // namespace quillan
