#pragma once

#include "ports/Canvas.h"

#include <optional>
#include <string>
#include <string_view>

namespace quillan {

// The name under which editors exchange text together with its selection mode.
inline constexpr const char* QuillEditClipboardFormat = "QuillEdit Control Block Type";

// The system clipboard as the editor sees it: plain text plus named private formats whose data
// are bytes (NUL bytes included).
class IClipboard {
public:
    virtual ~IClipboard() = default;

    // Empties the clipboard and stores `text` as plain text and, when formatName is not empty,
    // `formatData` under that name, in one step. False when the clipboard could not be written;
    // its content is then unspecified.
    virtual bool SetContents(std::string_view text, std::string_view formatName, std::string_view formatData) = 0;
    virtual bool HasText() = 0;
    virtual bool HasFormat(std::string_view formatName) = 0;
    // Empty optional when there is no such content or it cannot be read.
    virtual std::optional<std::string> GetText() = 0;
    virtual std::optional<std::string> GetFormat(std::string_view formatName) = 0;
};

enum class TScrollBarKind { sbHorizontal, sbVertical };

struct TScrollInfo {
    int Min = 0;
    int Max = 0;
    int Page = 0;
    int Pos = 0;
    // Show the bar disabled instead of hiding it when everything fits.
    bool DisableNoScroll = true;
    friend bool operator==(const TScrollInfo&, const TScrollInfo&) = default;
};

// The window services the editor control asks for. The control owns no window of its own: a
// backend window (wx) or a test double (headless) implements this and forwards its input, size
// and paint events to the control.
class IEditorHost {
public:
    virtual ~IEditorHost() = default;

    virtual TSize ClientSize() = 0;
    // Marks pixels for repainting; null means the whole client area.
    virtual void InvalidateRect(const TRect* rect) = 0;
    // Moves the pixels of `rect` (null: the client area) by dx, dy and invalidates what is uncovered.
    virtual void ScrollWindow(int dx, int dy, const TRect* rect) = 0;
    virtual void SetScrollInfo(TScrollBarKind bar, const TScrollInfo& info) = 0;

    virtual void CreateCaret(int width, int height) = 0;
    virtual void SetCaretPos(int x, int y) = 0;
    virtual void ShowCaret() = 0;
    virtual void HideCaret() = 0;
    virtual void DestroyCaret() = 0;

    // One periodic timer per control; the host calls the control's TimerTick while it runs.
    virtual void SetTimer(int intervalMs) = 0;
    virtual void KillTimer() = 0;

    virtual void SetCapture() = 0;
    virtual void ReleaseCapture() = 0;
    virtual bool HasCapture() = 0;
    virtual void SetFocus() = 0;
    virtual bool Focused() = 0;

    // A small hint window beside the scroll bar while its box is dragged: its top-right corner at
    // client pixel (right, top). Hosts without hint windows ignore it.
    virtual void ShowScrollHint(std::string_view /*text*/, int /*right*/, int /*top*/) { }
    virtual void HideScrollHint() { }

    // How far the mouse must move from a press, horizontally or vertically, before it drags.
    virtual TSize DragThreshold() { return { 4, 4 }; }
    // The control's selected text is being dragged: a host that can drag between windows and
    // programs starts such a drag, takes the mouse (the capture included) and returns true at
    // once. The drag then belongs to the system: the button's release drops the text on whatever
    // lies under the mouse, editor windows hand it to their controls (DragOver, DragDrop) and this
    // control sees neither the release nor the end of the drag. False: the control drags the
    // text within itself.
    virtual bool BeginTextDrag(std::string_view /*text*/) { return false; }

    virtual IClipboard& Clipboard() = 0;
    // A canvas on the screen for measuring fonts; drawing on it is not expected.
    virtual ICanvas& MeasureCanvas() = 0;
};

} // namespace quillan
