#include "gui/SubjectForm.h"

#include "backends/wx/WxText.h"

#include <wx/button.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

namespace quillan {

TSubjectForm::TSubjectForm(wxWindow* parent, const std::string& proposal)
    : wxDialog(parent, wxID_ANY, "Send...", wxDefaultPosition, wxDefaultSize, wxCAPTION | wxCLOSE_BOX)
{
    auto* top = new wxBoxSizer(wxVERTICAL);
    top->Add(new wxStaticText(this, wxID_ANY, "Enter the subject of the message to be sent:"), 0, wxALL, 8);
    auto* row = new wxBoxSizer(wxHORIZONTAL);
    row->Add(new wxStaticText(this, wxID_ANY, "Subject:"), 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, 6);
    FEdit = new wxTextCtrl(this, wxID_ANY, wxString::FromUTF8(proposal.data(), proposal.size()), wxDefaultPosition,
        wxSize(260, -1), wxTE_PROCESS_ENTER);
    FEdit->SetMaxLength(256);
    row->Add(FEdit, 1, wxALIGN_CENTER_VERTICAL);
    top->Add(row, 0, wxEXPAND | wxLEFT | wxRIGHT, 8);
    auto* go = new wxButton(this, wxID_OK, "Go!");
    go->SetToolTip("Send mail");
    go->SetDefault();
    top->Add(go, 0, wxALIGN_RIGHT | wxALL, 8);
    SetSizerAndFit(top);
    CentreOnScreen();
    FEdit->SetFocus();
    FEdit->SelectAll();
    FEdit->Bind(wxEVT_TEXT_ENTER, [this](wxCommandEvent&) { EndModal(wxID_OK); });
    Bind(wxEVT_CHAR_HOOK, &TSubjectForm::OnCharHook, this);
}

std::string TSubjectForm::Subject() const
{
    return WxToUtf8(FEdit->GetValue());
}

void TSubjectForm::OnCharHook(wxKeyEvent& event)
{
    if (event.GetKeyCode() == WXK_ESCAPE) {
        FEdit->Clear();
        EndModal(wxID_CANCEL);
        return;
    }
    event.Skip();
}

} // namespace quillan
