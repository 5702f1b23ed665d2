#include "gui/NotificationIcon.h"

#include <array>
#include <vector>
#include <wx/app.h>
#include <wx/bmpbndl.h>
#include <wx/log.h>
#include <wx/menu.h>
#include <wx/settings.h>
#include <wx/taskbar.h>
#include <wx/time.h>
#include <wx/utils.h>

namespace quillan {

namespace {

unsigned KeyState()
{
    const wxMouseState state = wxGetMouseState();
    return (state.ShiftDown() ? tsShift : 0u) | (state.AltDown() ? tsAlt : 0u) | (state.ControlDown() ? tsCtrl : 0u);
}

// The events GTK's status icon sends: no button releases ever come.
std::array<wxEventTypeTag<wxTaskBarIconEvent>, 5> TaskBarEvents()
{
    return { wxEVT_TASKBAR_MOVE, wxEVT_TASKBAR_LEFT_DOWN, wxEVT_TASKBAR_LEFT_DCLICK, wxEVT_TASKBAR_RIGHT_DOWN,
        wxEVT_TASKBAR_RIGHT_DCLICK };
}

wxString Wx(const std::string& s)
{
    return wxString::FromUTF8(s.data(), s.size());
}

} // namespace

TNotificationIcon::TNotificationIcon()
    : FTaskBar(new wxTaskBarIcon)
{
    FMouse.ShowMenu = [this](int x, int y) { return ShowMenu(x, y); };
    FMouse.ClickDefaultItem = [this] { return ClickDefaultItem(); };
    for (const auto& type : TaskBarEvents())
        FTaskBar->Bind(type, &TNotificationIcon::OnTaskBarEvent, this);
}

TNotificationIcon::~TNotificationIcon()
{
    FMouse.Enabled = false;
    RemoveIcon();
    for (const auto& type : TaskBarEvents())
        FTaskBar->Unbind(type, &TNotificationIcon::OnTaskBarEvent, this);
    FTaskBar->Destroy();
}

bool TNotificationIcon::IsAvailable()
{
    return wxTaskBarIcon::IsAvailable();
}

void TNotificationIcon::SetActive(bool value)
{
    if (value == FActive)
        return;
    FActive = value;
    if (FActive)
        AddIcon();
    else
        RemoveIcon();
}

void TNotificationIcon::SetHint(const std::string& value)
{
    if (value == FHint)
        return;
    FHint = value;
    UpdateIcon();
}

void TNotificationIcon::SetIcon(const wxIconBundle& value)
{
    FIcon = value;
    UpdateIcon();
}

void TNotificationIcon::AddIcon()
{
    RemoveIcon();
    if (FIcon.IsEmpty())
        return;
    FMouse.ClearPresses();
    // Without a notification area wx still reports success, and the icon would be thought shown
    // where nobody can click it.
    FIconAdded = IsAvailable() && FTaskBar->SetIcon(wxBitmapBundle::FromIconBundle(FIcon), Wx(ShortHint(FHint)));
}

void TNotificationIcon::RemoveIcon()
{
    if (FTaskBar->IsIconInstalled())
        FTaskBar->RemoveIcon();
    FIconAdded = false;
    FMouse.ClearPresses();
}

void TNotificationIcon::UpdateIcon()
{
    if (FIconAdded) {
        if (FIcon.IsEmpty())
            RemoveIcon();
        else
            FTaskBar->SetIcon(wxBitmapBundle::FromIconBundle(FIcon), Wx(ShortHint(FHint)));
    } else if (FActive) {
        AddIcon();
    }
}

bool TNotificationIcon::ShowMenu(int, int)
{
    if (!FActive || !FPopupMenu)
        return false;
    if (OnPopup)
        OnPopup();
    // The toolkit places the menu at the pointer, which is where the shell's point is anyway.
    FTaskBar->PopupMenu(FPopupMenu.get());
    return true;
}

bool TNotificationIcon::ClickDefaultItem()
{
    if (!FActive || !FPopupMenu || DefaultItem < 0)
        return false;
    wxMenuItem* item = FPopupMenu->FindItem(DefaultItem);
    if (!item || !item->IsEnabled())
        return false;
    wxCommandEvent command(wxEVT_MENU, DefaultItem);
    command.SetEventObject(FPopupMenu.get());
    FPopupMenu->ProcessEvent(command);
    return true;
}

void TNotificationIcon::OnTaskBarEvent(wxTaskBarIconEvent& event)
{
    const wxPoint at = wxGetMousePosition();
    const wxEventType type = event.GetEventType();
    std::vector<TTrayMouseMessage> messages;
    if (type == wxEVT_TASKBAR_MOVE) {
        messages = { TTrayMouseMessage::tmMove };
    } else if (type == wxEVT_TASKBAR_LEFT_DOWN) {
        // GTK's status icon reports a left click as one "activate", a down without an up, and no
        // double clicks at all. A click is therefore a press and a release here, and a second one
        // within the double-click time arrives as the classic pair of a double click and a
        // release, which is no click of its own.
        const wxLongLong now = wxGetUTCTimeMillis();
        const int limit = wxSystemSettings::GetMetric(wxSYS_DCLICK_MSEC);
        const bool second = FLastLeftClick != 0 && now - FLastLeftClick <= (limit > 0 ? limit : 400);
        FLastLeftClick = second ? 0 : now;
        if (second)
            messages = { TTrayMouseMessage::tmLeftDouble, TTrayMouseMessage::tmLeftUp };
        else
            messages = { TTrayMouseMessage::tmLeftDown, TTrayMouseMessage::tmLeftUp };
    } else if (type == wxEVT_TASKBAR_LEFT_DCLICK) {
        messages = { TTrayMouseMessage::tmLeftDouble, TTrayMouseMessage::tmLeftUp };
    } else if (type == wxEVT_TASKBAR_RIGHT_DOWN) {
        // The status icon's "popup-menu": the menu is wanted now, on the press.
        messages = { TTrayMouseMessage::tmRightDown, TTrayMouseMessage::tmRightUp };
    } else if (type == wxEVT_TASKBAR_RIGHT_DCLICK) {
        messages = { TTrayMouseMessage::tmRightDouble };
    }
    // A handler's exception must not unwind through the toolkit's callback.
    try {
        for (const TTrayMouseMessage message : messages)
            FMouse.Handle(message, KeyState(), at.x, at.y);
    } catch (const std::exception& e) {
        wxLogError("%s", e.what());
    }
}

} // namespace quillan
