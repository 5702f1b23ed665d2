#pragma once

#include <string>
#include <wx/dialog.h>

class wxTextCtrl;

namespace quillan {

// "Send...": asks for the subject of the message, with a proposal already in the box. Enter and
// "Go!" accept; Escape, in the box or on the window, clears the subject and closes without
// sending.
class TSubjectForm : public wxDialog {
public:
    TSubjectForm(wxWindow* parent, const std::string& proposal);

    std::string Subject() const;

private:
    void OnCharHook(wxKeyEvent& event);

    wxTextCtrl* FEdit = nullptr;
};

} // namespace quillan
