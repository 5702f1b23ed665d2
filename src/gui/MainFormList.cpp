// The project manager's mouse rules. The list must never be left without a selected row while
// documents are open: a press on its empty part clears the selection, so the active document's
// row is selected again and the keyboard goes back to its editor.

#include "app/MainFormModel.h"
#include "gui/MainForm.h"

#include <wx/listctrl.h>

namespace quillan {

namespace {

int SelectedRow(const wxListCtrl& list)
{
    return static_cast<int>(list.GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED));
}

} // namespace

void TMainForm::BindListMouse()
{
    // The GTK list is drawn by a child window that gets the mouse; the list itself rarely does.
    std::vector<wxWindow*> targets { FList };
    for (wxWindow* child : FList->GetChildren())
        targets.push_back(child);
    for (wxWindow* target : targets) {
        // After the list has handled the button itself: the rules look at the selection it left.
        const auto clicked = [this](wxMouseEvent& event) {
            event.Skip();
            CallAfter([this] { ListClicked(); });
        };
        target->Bind(wxEVT_LEFT_UP, clicked);
        target->Bind(wxEVT_LEFT_DCLICK, clicked);
        const auto pressed = [this](wxMouseEvent& event) {
            event.Skip();
            CallAfter([this] { ListMouseDown(false, -1); });
        };
        target->Bind(wxEVT_LEFT_DOWN, pressed);
        target->Bind(wxEVT_MIDDLE_DOWN, pressed);
    }
}

void TMainForm::ListClicked()
{
    if (!FModel || FModel->DocumentCount() == 0)
        return;
    const int row = SelectedRow(*FList);
    if (row >= 0 && row <= FModel->LastIndex()) {
        ActivateTab(row);
        FModel->PageControl1Change(row);
        FocusEditor(row);
    } else {
        const int active = FModel->ActiveSlot();
        FocusEditor(active);
        SelectListRow(active);
    }
    FModel->UpdateCaretPanel();
}

void TMainForm::ListMouseDown(bool rightButton, int row)
{
    if (!FModel || FModel->DocumentCount() == 0)
        return;
    if (row < 0)
        row = SelectedRow(*FList);
    if (row >= 0 && row <= FModel->LastIndex()) {
        if (!rightButton)
            return;
        ActivateTab(row);
        FModel->PageControl1Change(row);
        FocusEditor(row);
    } else {
        const int active = FModel->ActiveSlot();
        SelectListRow(active);
        FocusEditor(active);
    }
    FModel->UpdateCaretPanel();
}

} // namespace quillan
