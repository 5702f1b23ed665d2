#pragma once

#include "app/EditorJumps.h"
#include "app/FindReplace.h"

#include <functional>
#include <string>
#include <wx/fdrepdlg.h>
#include <wx/gdicmn.h>

class wxWindow;
class wxToolBar;

namespace quillan {

class TMainFormModel;

// The main window's find/replace dialog: created once and kept, so its texts and boxes persist
// between uses, and F3 repeats its search while it is closed. Each of its buttons runs on the
// active editor through TFindReplace.
class TFindFrontEnd {
public:
    TFindFrontEnd(wxWindow* owner, TMainFormModel& model);
    ~TFindFrontEnd();

    void ShowDialog();
    void FindAgain();
    bool CanFindAgain() const { return FFind.CanFindAgain(); }
    const std::string& FindText() const { return FFind.State.FindText; }
    // Lines for the window's state file: the dialog and the active editor's selection.
    std::string StateLines() const;
    // Shows the dialog's page of the help (its Help button and F1).
    std::function<void()> OnHelp;

private:
    void AddHelpButton();
    void OnFindEvent(wxFindDialogEvent& event);
    void TakeDialogState(const wxFindDialogEvent& event);

    wxWindow* FOwner;
    TMainFormModel& FModel;
    TFindReplace FFind;
    wxFindReplaceData FData;
    wxFindReplaceDialog* FDialog = nullptr; // a child of the owner, created on first use
};

// The user's date and time separators from the LC_TIME locale ("/" and ":" without one).
TDateTimeSeparators LocaleDateTimeSeparators();
// The local time now.
TDateTimeParts LocalTimeNow();

// Where a tool of the toolbar is on the screen; empty when it is not shown.
wxRect ToolScreenRect(wxToolBar& toolbar, int id);

} // namespace quillan
