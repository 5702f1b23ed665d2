#pragma once

#include "app/TrayLogic.h"

#include <memory>
#include <string>
#include <wx/iconbndl.h>
#include <wx/longlong.h>
#include <wx/weakref.h>

class wxMenu;
class wxTaskBarIcon;
class wxTaskBarIconEvent;

namespace quillan {

// An icon in the desktop's notification area with a tooltip, whose mouse messages become mouse
// events; a right click pops up PopupMenu, a double click runs its default item. Where the
// desktop has no notification area the icon is never shown (Shown() stays false) and the events
// never come, so callers must not rely on it to bring anything back.
class TNotificationIcon {
public:
    TNotificationIcon();
    ~TNotificationIcon();
    TNotificationIcon(const TNotificationIcon&) = delete;
    TNotificationIcon& operator=(const TNotificationIcon&) = delete;

    // Whether this desktop has a notification area at all.
    static bool IsAvailable();

    bool Active() const { return FActive; }
    void SetActive(bool value);
    bool Enabled() const { return FMouse.Enabled; }
    void SetEnabled(bool value) { FMouse.Enabled = value; }
    // The tooltip is the part before a "|", at most 127 characters.
    const std::string& Hint() const { return FHint; }
    void SetHint(const std::string& value);
    const wxIconBundle& Icon() const { return FIcon; }
    // An empty bundle removes the icon from the notification area.
    void SetIcon(const wxIconBundle& value);
    // Not owned: the reference is dropped by itself when the menu is destroyed.
    wxMenu* PopupMenu() const { return FPopupMenu.get(); }
    void SetPopupMenu(wxMenu* menu) { FPopupMenu = menu; }
    // The menu item that a double click runs (wx menus have no default item of their own).
    int DefaultItem = -1;
    // Called just before PopupMenu pops up, to fill items that change.
    std::function<void()> OnPopup;

    // True while the notification area holds the icon.
    bool Shown() const { return FIconAdded; }

    TTrayMouseRouter::TMouseEvent& OnClick = FMouse.OnClick;
    TTrayMouseRouter::TMouseEvent& OnMouseDown = FMouse.OnMouseDown;
    TTrayMouseRouter::TMouseEvent& OnMouseUp = FMouse.OnMouseUp;
    std::function<void()>& OnDblClick = FMouse.OnDblClick;
    std::function<void(unsigned, int, int)>& OnMouseMove = FMouse.OnMouseMove;

private:
    void AddIcon();
    void RemoveIcon();
    void UpdateIcon();
    bool ShowMenu(int x, int y);
    bool ClickDefaultItem();
    void OnTaskBarEvent(wxTaskBarIconEvent& event);

    wxTaskBarIcon* FTaskBar = nullptr; // destroyed through Destroy(), as wx wants
    TTrayMouseRouter FMouse;
    wxIconBundle FIcon;
    wxWeakRef<wxMenu> FPopupMenu;
    std::string FHint;
    bool FActive = true;
    bool FIconAdded = false;
    wxLongLong FLastLeftClick = 0; // 0 after a double click, so a third click starts afresh
};

} // namespace quillan
