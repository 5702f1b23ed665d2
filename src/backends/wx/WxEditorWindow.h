#pragma once

#include "backends/wx/WxCanvas.h"
#include "backends/wx/WxClipboard.h"
#include "ports/EditorHost.h"
#include "ports/EditorWindowClient.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <wx/arrstr.h>
#include <wx/bitmap.h>
#include <wx/dcmemory.h>
#include <wx/dnd.h>
#include <wx/popupwin.h>
#include <wx/region.h>
#include <wx/stattext.h>
#include <wx/timer.h>
#include <wx/window.h>

typedef struct _GtkIMContext GtkIMContext;

namespace quillan {

class TCustomQuillEdit;

// The editor control's window: a plain wxWindow with its own scroll bars that hosts one control.
// Keys, focus and size go straight to the control; painting, the mouse, the wheel, the scroll bars
// and the timer go to the window's client (see IEditorWindowClient).
//
// The window never lets the toolkit erase its background: painting covers every pixel of the
// invalid area. GTK 3 would lay its scroll bars over the text; they are kept beside it, so the
// client size is the text area.
//
// GTK 3 repaints the whole window for every scroll, so the window keeps its own copy of what the
// client painted: ScrollWindow moves the pixels of that copy and the client paints only what was
// invalidated or scrolled into view; the screen is refreshed from the copy. The caret is drawn
// over the copy on the screen, inverting the pixels under it, and blinks while shown.
class TWxEditorWindow : public wxWindow, public IEditorHost {
public:
    TWxEditorWindow(wxWindow* parent, wxWindowID id = wxID_ANY, const wxPoint& pos = wxDefaultPosition,
        const wxSize& size = wxDefaultSize, long extraStyle = 0);
    ~TWxEditorWindow() override;

    // The control this window hosts (not owned): it becomes the control's host at once. Detach
    // (nullptr) before destroying the control, or destroy the window first.
    void SetEditor(TCustomQuillEdit* editor);
    TCustomQuillEdit* Editor() const { return FEditor; }
    // Receives paint, mouse, wheel, scroll-bar and timer input (not owned); everything is painted
    // afresh by a new client. Without a client the window paints the window colour.
    void SetClient(IEditorWindowClient* client);
    IEditorWindowClient* Client() const { return FClient; }

    // --- IEditorHost ---------------------------------------------------------------------------
    TSize ClientSize() override;
    void InvalidateRect(const TRect* rect) override;
    void ScrollWindow(int dx, int dy, const TRect* rect) override;
    void SetScrollInfo(TScrollBarKind bar, const TScrollInfo& info) override;

    void CreateCaret(int width, int height) override;
    void SetCaretPos(int x, int y) override;
    void ShowCaret() override;
    void HideCaret() override;
    void DestroyCaret() override;

    void SetTimer(int intervalMs) override;
    void KillTimer() override;

    void SetCapture() override;
    void ReleaseCapture() override;
    bool HasCapture() override { return wxWindow::HasCapture(); }
    void SetFocus() override { wxWindow::SetFocus(); }
    bool Focused() override { return HasFocus(); }

    void ShowScrollHint(std::string_view text, int right, int top) override;
    void HideScrollHint() override;

    // The desktop's drag threshold; a drag of text through the desktop's drag and drop (see
    // TWxTextDrag), which this and every other editor window, and other programs, can take.
    TSize DragThreshold() override;
    bool BeginTextDrag(std::string_view text) override;

    IClipboard& Clipboard() override { return FClipboard; }
    ICanvas& MeasureCanvas() override { return FMeasureCanvas; }

    // --- state shown to tests and to the shell -------------------------------------------------
    bool CaretShowing() const { return FCaretCreated && FCaretHideLevel == 0; }
    // Client pixels the caret covers (empty without a caret).
    TRect CaretRect() const;
    // Half a blink cycle in milliseconds; 0 keeps a shown caret on.
    void SetCaretBlinkTime(int ms);
    const TScrollInfo& ScrollInfo(TScrollBarKind bar) const { return FScroll[Index(bar)]; }
    bool TimerRunning() const { return FTimer.IsRunning(); }
    // The text of the scroll hint while it is shown, else empty.
    std::string ScrollHintText() const;
    // Where dragged text would land while a drag is over the window without the keyboard focus
    // (a focused window shows its caret there); empty otherwise.
    TRect DropMarker() const { return FDropMarker; }
    // Shows the drop marker at the control's caret, or hides it.
    void ShowDropMarker(bool show);
    // Paint events answered so far: each one puts a frame on the screen.
    std::uint64_t FramesShown() const { return FFramesShown; }

    // The window takes dropped text (from editor windows and other programs) and dropped files.
    // Text goes to the control; files as follows.
    // Files dropped at client pixel (x, y). A control that accepts file drops takes them (also
    // without a handler: the drop is finished either way); otherwise they go on to the nearest
    // enclosing window that takes file drops, as if dropped there. False when nobody took them.
    bool DropFiles(int x, int y, const wxArrayString& files);
    // Whether a file drag over the window would be taken, by the control or an enclosing window.
    bool TakesFileDrops() const;

protected:
    // The input-method context exists only once the window is realized.
    void GTKHandleRealized() override;

private:
    static std::size_t Index(TScrollBarKind bar) { return bar == TScrollBarKind::sbVertical ? 1 : 0; }
    static void OnImCommit(GtkIMContext* context, const char* text, void* data);

    void OnPaint(wxPaintEvent& event);
    void OnSize(wxSizeEvent& event);
    void OnSetFocus(wxFocusEvent& event);
    void OnKillFocus(wxFocusEvent& event);
    void OnKeyDown(wxKeyEvent& event);
    void OnChar(wxKeyEvent& event);
    void OnMouse(wxMouseEvent& event);
    void OnWheel(wxMouseEvent& event);
    void OnCaptureLost(wxMouseCaptureLostEvent& event);
    void OnScroll(wxScrollWinEvent& event);
    void OnTimer(wxTimerEvent& event);
    void OnBlink(wxTimerEvent& event);

    // The copy of the client's pixels, sized to the client area; a new one is all invalid.
    wxMemoryDC& Backing();
    void PaintInvalid();
    void DrawCaret(wxDC& dc);
    // Inverts the pixels of `rect` within the update region, as the platform caret does.
    void InvertInUpdate(wxDC& dc, const TRect& rect);
    // Repaints where the caret is before a change; call CaretChanged after it.
    void RefreshCaret();
    void CaretChanged();
    void UpdateCursor(int x, int y);
    void RefreshClientRect(const TRect& rect);
    bool EditorTakesFileDrops() const;
    // The file drop target of the nearest enclosing window, if any.
    wxFileDropTarget* EnclosingFileTarget() const;

    TCustomQuillEdit* FEditor = nullptr;
    std::uint64_t FFramesShown = 0;
    IEditorWindowClient* FClient = nullptr;
    TWxCanvas FPaintCanvas;
    std::unique_ptr<wxBitmap> FBackingBitmap;
    std::unique_ptr<wxBitmap> FScratchBitmap; // ScrollWindow's second buffer
    wxMemoryDC FBackingDC;
    wxRegion FInvalid; // parts of the copy the client has yet to paint
    TWxCanvas FMeasureCanvas;
    TWxClipboard FClipboard;
    std::array<TScrollInfo, 2> FScroll {};
    std::array<bool, 2> FBarHidden {};

    bool FCaretCreated = false;
    int FCaretHideLevel = 1;
    TSize FCaretSize;
    TPoint FCaretPos;
    TRect FDropMarker;
    bool FBlinkOn = true;
    int FBlinkTime = 500;
    wxTimer FBlinkTimer;

    wxTimer FTimer;
    wxPopupWindow* FHint = nullptr; // a child: destroyed with the window
    wxStaticText* FHintText = nullptr;
    TCursor FCursor = crDefault;
    GtkIMContext* FImContext = nullptr; // the context our commit handler is connected to
    unsigned long FImCommitHandler = 0;

    wxDECLARE_EVENT_TABLE();
};

} // namespace quillan
