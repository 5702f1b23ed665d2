#include "gui/JumpForm.h"

#include <wx/button.h>
#include <wx/sizer.h>
#include <wx/textctrl.h>

namespace quillan {

TJumpForm::TJumpForm(wxWindow* parent)
    : wxDialog(parent, wxID_ANY, "Jump to line number...", wxDefaultPosition, wxDefaultSize,
        wxCAPTION | wxSYSTEM_MENU | wxCLOSE_BOX)
{
    FEdit = new wxTextCtrl(this, wxID_ANY, "1", wxDefaultPosition, wxSize(120, -1), wxTE_PROCESS_ENTER);
    // The key is the box's: it closes the window and goes no further.
    FEdit->Bind(wxEVT_TEXT_ENTER, [this](wxCommandEvent&) { EndModal(wxID_OK); });
    auto* jump = new wxButton(this, wxID_OK, "&Jump!");
    jump->SetToolTip("Go!");
    jump->SetDefault();
    SetEscapeId(wxID_CANCEL);
    auto* row = new wxBoxSizer(wxHORIZONTAL);
    row->Add(FEdit, 1, wxALIGN_CENTER_VERTICAL | wxALL, 8);
    row->Add(jump, 0, wxALIGN_CENTER_VERTICAL | wxTOP | wxBOTTOM | wxRIGHT, 8);
    SetSizerAndFit(row);
    CentreOnScreen();
    FEdit->SetFocus();
    FEdit->SelectAll();
}

wxString TJumpForm::LineText() const
{
    return FEdit->GetValue();
}

} // namespace quillan
