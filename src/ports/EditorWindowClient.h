#pragma once

// Free of any toolkit: the editor control implements this interface itself.

#include "base/VirtualKeys.h"
#include "ports/Canvas.h"
#include "ports/EditorHost.h"

#include <cstdint>

namespace quillan {

enum class TMouseButton : std::uint8_t { mbLeft, mbRight, mbMiddle };

// What happened on a scroll bar, in the order and meaning of the Win32 notifications. A drag of
// the box sends scTrack while it moves, then scPosition and scEndScroll on release; every other
// action is followed by scEndScroll. GTK reports a click in the trough as scTrack alone.
enum class TScrollCode : std::uint8_t {
    scLineUp,
    scLineDown,
    scPageUp,
    scPageDown,
    scPosition,
    scTrack,
    scTop,
    scBottom,
    scEndScroll,
};

// Mouse cursors by the numbers the control stores (its gutter's Cursor property among them).
using TCursor = int;
inline constexpr TCursor crDefault = 0;
inline constexpr TCursor crArrow = -2;
inline constexpr TCursor crCross = -3;
inline constexpr TCursor crIBeam = -4;
inline constexpr TCursor crSizeWE = -9;
inline constexpr TCursor crHourGlass = -11;
inline constexpr TCursor crDrag = -12;
inline constexpr TCursor crNoDrop = -13;
inline constexpr TCursor crMultiDrag = -16;
inline constexpr TCursor crNo = -18;
inline constexpr TCursor crHandPoint = -21;

// What dropping dragged text at a place would do; the window shows it with the drag cursor.
enum class TDropEffect : std::uint8_t { deNone, deCopy, deMove };

// The window's paint, mouse, scroll-bar and timer input. The window forwards keys, focus and size
// straight to the control; everything here goes to the client, usually the control itself.
// Coordinates are client pixels.
class IEditorWindowClient {
public:
    virtual ~IEditorWindowClient() = default;

    // Paint every pixel of `rect`; the canvas is clipped to it and set to client pixels.
    virtual void Paint(ICanvas& canvas, const TRect& rect) = 0;

    // `shift` carries the keyboard modifiers and ssLeft/ssRight/ssMiddle for the buttons held;
    // the second press of a double click comes with ssDouble.
    virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y) = 0;
    virtual void MouseMove(TShiftState shift, int x, int y) = 0;
    virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y) = 0;
    // The capture went elsewhere without a button release (another window grabbed the mouse).
    virtual void MouseCaptureLost() = 0;
    // `delta` in 120ths of a notch, positive away from the user; `linesPerNotch` is the desktop's
    // setting.
    virtual void MouseWheel(int delta, int linesPerNotch, TShiftState shift, int x, int y) = 0;
    // The cursor to show over (x, y); crDefault means the window's own (the I-beam).
    virtual TCursor CursorAt(int x, int y) = 0;

    // `pos` is the scroll box's position in the range last set with SetScrollInfo (its Min
    // included); meaningful for scTrack and scPosition.
    virtual void Scroll(TScrollBarKind bar, TScrollCode code, int pos) = 0;

    // The host's one timer (IEditorHost::SetTimer) fired.
    virtual void TimerTick() = 0;
};

} // namespace quillan
