#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace quillan {

// What the notification-area icon and the main window do around minimising, decided without a
// display. The wx side (TNotificationIcon, TWindowBehaviour) carries the decisions out.

// "Tray"/"Enabled", "Tray"/"MinToTray" and "Tray"/"Always" of the settings file.
struct TTrayOptions {
    bool Enabled = true;
    bool MinToTray = false;
    bool Always = false;
};

// What to do with the icon and the window after the window was minimised or restored.
struct TTrayAction {
    bool ChangeActive = false; // set the icon's Active to `Active`
    bool Active = false;
    bool HideWindow = false; // leave only the icon: the window goes off the taskbar
    friend bool operator==(const TTrayAction&, const TTrayAction&) = default;
};

// Whether the icon shows from the start: only with "Always" (which the settings keep off while
// the icon is disabled).
bool TrayActiveAtStart(const TTrayOptions& options);
// After the window was minimised. `trayAvailable` is whether the desktop has a notification area
// holding the icon: without one the window is never hidden, as it could not be brought back.
TTrayAction TrayOnMinimize(const TTrayOptions& options, bool trayAvailable);
// After the window was restored: the icon goes unless it is always shown.
TTrayAction TrayOnRestore(const TTrayOptions& options);

// "Quillan v1.2.0 -- Editting 3 files" (the misspelling is what users have always seen).
std::string TrayHint(int documentCount);
// The tooltip part of a hint: the text before the first "|", at most 127 characters (a UTF-8
// character is never cut in two).
std::string ShortHint(std::string_view hint);

// Whether the status bar shows `hint` as its one panel (a command is hovered) rather than its
// four panels.
bool StatusBarShowsHint(std::string_view hint, bool windowEnabled);

// The tray menu. Tags name what TrayIconDblClick does after restoring the window.
inline constexpr int TrayTagNone = 0; // the icon itself
inline constexpr int TrayTagBringToFront = 1;
inline constexpr int TrayTagMaximize = 2;
inline constexpr int TrayTagExit = 3;

enum class TTrayItemKind { tiTagged, tiNew, tiOpen, tiReopen, tiSeparator };

struct TTrayMenuItem {
    TTrayItemKind Kind;
    int Tag;
    const char* Caption;
    const char* Hint;
    bool Default;
};

inline constexpr TTrayMenuItem TrayMenuItems[] = {
    { TTrayItemKind::tiTagged, TrayTagBringToFront, "&Bring to Front", "Restore Quillan", true },
    { TTrayItemKind::tiTagged, TrayTagMaximize, "&Maximize", "Maximize Quillan", false },
    { TTrayItemKind::tiSeparator, 0, "", "", false },
    { TTrayItemKind::tiNew, 0, "&New", "Create a new text file", false },
    { TTrayItemKind::tiOpen, 0, "&Open...", "Open an existing text file", false },
    { TTrayItemKind::tiReopen, 0, "&Reopen", "", false },
    { TTrayItemKind::tiSeparator, 0, "", "", false },
    { TTrayItemKind::tiTagged, TrayTagExit, "E&xit", "Close Quillan", false },
};

// Mouse buttons and shift state of the icon's mouse events, as bits.
enum class TTrayButton { tbLeft, tbRight, tbMiddle };
enum TTrayShift : unsigned {
    tsShift = 1 << 0,
    tsAlt = 1 << 1,
    tsCtrl = 1 << 2,
    tsLeft = 1 << 3,
    tsRight = 1 << 4,
    tsMiddle = 1 << 5,
    tsDouble = 1 << 6,
};

enum class TTrayMouseMessage {
    tmMove,
    tmLeftDown,
    tmLeftUp,
    tmLeftDouble,
    tmRightDown,
    tmRightUp,
    tmRightDouble,
    tmMiddleDown,
    tmMiddleUp,
    tmMiddleDouble,
};

// Turns the notification area's mouse messages into the icon's events: a click is a press and a
// release on the icon; a right click pops up the menu when there is one and is then no click; a
// double click runs the menu's default item when there is one and is then no double click.
// While disabled nothing reaches the owner.
class TTrayMouseRouter {
public:
    using TMouseEvent = std::function<void(TTrayButton, unsigned shift, int x, int y)>;

    bool Enabled = true;
    // Pop up the menu at the screen point; whether one was shown.
    std::function<bool(int x, int y)> ShowMenu;
    // Run the menu's default item; whether one was run.
    std::function<bool()> ClickDefaultItem;

    TMouseEvent OnClick;
    TMouseEvent OnMouseDown;
    TMouseEvent OnMouseUp;
    std::function<void()> OnDblClick;
    std::function<void(unsigned shift, int x, int y)> OnMouseMove;

    // `keys` holds only tsShift, tsAlt and tsCtrl; the button flags are added here.
    void Handle(TTrayMouseMessage message, unsigned keys, int x, int y);
    // Forgets remembered presses, as adding or removing the icon does.
    void ClearPresses() { FLeftPressed = FRightPressed = false; }

private:
    void Click(TTrayButton button, unsigned shift, int x, int y);
    void DoubleClick();

    bool FLeftPressed = false;
    bool FRightPressed = false;
};

} // namespace quillan
