#pragma once

#include <wx/dialog.h>

class wxTextCtrl;

namespace quillan {

// "Jump to line number...": a line number box and the default button. Enter in the box is OK,
// Escape anywhere is Cancel.
class TJumpForm : public wxDialog {
public:
    explicit TJumpForm(wxWindow* parent);
    wxString LineText() const;

private:
    wxTextCtrl* FEdit;
};

} // namespace quillan
