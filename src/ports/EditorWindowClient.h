#pragma once

// Free of any toolkit: the editor control implements this interface itself.

#include "base/VirtualKeys.h"
#include "ports/Canvas.h"
#include "ports/EditorHost.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

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

// Everything an editor window hands its client, usually the control itself: paint, keys, input
// method, focus, size, mouse, scroll bars, timer and drops; and what the window asks of it to
// draw marks over the text. The window knows its client only through this interface. Coordinates
// are client pixels.
class IEditorWindowClient {
public:
    virtual ~IEditorWindowClient() = default;

    // The window attaches itself as the client's host once it takes the client and detaches
    // (null) before it lets go of it or is destroyed.
    virtual void SetHost(IEditorHost* host) = 0;

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

    // The client area changed size.
    virtual void Resized() = 0;
    virtual void FocusIn() = 0;
    virtual void FocusOut() = 0;

    // A key went down. True when the client made a command of it: the key then ends here;
    // otherwise it goes on to the input method and may come back as typed characters.
    virtual bool KeyDown(TVirtualKey key, TShiftState shift) = 0;
    // A character typed by one key (the desktop's rules already applied: no command keys).
    virtual void CharTyped(char32_t ch) = 0;
    // Text of several characters the input method finished at once, as UTF-8.
    virtual void InputMethodText(std::string_view text) = 0;

    // Files dropped at (x, y) are taken only when the client takes file drops; the window
    // refuses them otherwise (it hands them nowhere else).
    virtual bool TakesFileDrops() const = 0;
    virtual void FilesDropped(int x, int y, const std::vector<std::string>& files) = 0;

    // Text dragged over the window. `source` is the client of the editor window the text is
    // dragged from (in this process; this one included), null for text from elsewhere.
    virtual TDropEffect TextDragOver(const IEditorWindowClient* source, TShiftState shift, int x, int y) = 0;
    virtual void TextDragLeave() = 0;
    // The dragged text of `source` dropped at (x, y), as TextDragOver said; true when dropped.
    virtual bool TextDragDrop(IEditorWindowClient* source, TShiftState shift, int x, int y) = 0;
    // Text from elsewhere dropped at (x, y) as a copy; true when dropped.
    virtual bool TextDropped(std::string_view text, int x, int y) = 0;
    // False while dropped text would be refused whatever it is (a read-only client).
    virtual bool TakesTextDrops() const = 0;
    // What a drag out of this client carries; a drop moves it only while it is still selected.
    virtual std::string SelectedText() const = 0;

    // The caret's cell: its top left and one line high, whether or not a caret is shown.
    virtual TRect CaretCell() const = 0;
    // Where the text is drawn (the client area without the gutter): marks over the text keep
    // inside it.
    virtual TRect TextArea() const = 0;
};

} // namespace quillan
