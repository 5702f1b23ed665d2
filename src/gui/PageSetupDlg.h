#pragma once

#include "print/QuillEditPageSetup.h"

#include <array>
#include <wx/dialog.h>

class wxChoice;
class wxCheckBox;
class wxTextCtrl;
class wxNotebook;
class wxToolBar;
class wxRichTextCtrl;
class wxPanel;

namespace quillan {

class TQuillEditPrint;
class TColorSwatch;

// "Page Setup": margins with their unit and the printing options on one tab, the header and
// footer on the other, as six rich-text fields (left, centre, right of each band) whose lines are
// the band's items, each line in its own font. Created once and reused: every use starts with
// LoadFromEngine, and only OK is followed by SaveToEngine.
class TPageSetupDlg : public wxDialog {
public:
    explicit TPageSetupDlg(wxWindow* parent);
    ~TPageSetupDlg() override;

    void LoadFromEngine(TQuillEditPrint& engine);
    void SaveToEngine(TQuillEditPrint& engine);

    int ShowModal() override;

private:
    struct TBandControls {
        std::array<wxRichTextCtrl*, 3> Fields {};
        wxCheckBox* Mirror = nullptr;
        wxCheckBox* Line = nullptr;
        wxCheckBox* Box = nullptr;
        wxCheckBox* Shadow = nullptr;
        TColorSwatch* LineColor = nullptr;
        TColorSwatch* ShadowColor = nullptr;
    };

    wxPanel* CreateMarginsPage(wxNotebook* book);
    wxPanel* CreateBandsPage(wxNotebook* book);
    void CreateBand(wxWindow* parent, wxSizer* sizer, const char* caption, bool header, TBandControls& band);
    TMarginTexts FieldTexts() const;
    void ShowTexts(const TMarginTexts& texts);
    void ShowMargins(const TQuillEditPrintMargins& margins);
    // False (and the field focused) when a field does not parse.
    bool ReportBadField(int field);
    void LoadBand(const TPageSetupBand& band, TBandControls& controls);
    void SaveBand(TPageSetupBand& band, const TBandControls& controls) const;
    void UpdateActions();
    void FormatLine(int command);

    void OnUnitChanged(wxCommandEvent& event);
    void OnOK(wxCommandEvent& event);
    void OnTool(wxCommandEvent& event);
    void OnChildFocus(wxChildFocusEvent& event);

    wxNotebook* FBook = nullptr;
    wxChoice* FUnits = nullptr;
    std::array<wxTextCtrl*, MarginFieldCount> FFields {};
    wxCheckBox* FMirrorMargins = nullptr;
    wxCheckBox* FLineNumbers = nullptr;
    wxCheckBox* FLineNumbersInMargin = nullptr;
    wxCheckBox* FHighlight = nullptr;
    wxCheckBox* FColors = nullptr;
    wxCheckBox* FWrap = nullptr;
    wxToolBar* FToolBar = nullptr;
    TBandControls FHeader;
    TBandControls FFooter;
    wxRichTextCtrl* FCurrent = nullptr;
    // Working margins: the unit the fields are shown in, and the lengths a unit change converts.
    TQuillEditPrintMargins FWorking;
};

} // namespace quillan
