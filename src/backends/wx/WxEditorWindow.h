#pragma once

#include "backends/wx/WxCanvas.h"
#include "backends/wx/WxClipboard.h"
#include "backends/wx/WxEditorCaret.h"
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

// The editor control's window: a plain wxWindow with its own scroll bars that hosts one client,
// the control. All its input goes to the client (see IEditorWindowClient), and the client gets the
// window as its host.
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

    // The client this window hosts (not owned): the window becomes its host at once and
    // everything is painted afresh by it; the client before it loses its host. Detach (nullptr)
    // before destroying the client, or destroy the window first. Without a client the window
    // paints the window colour and takes no drops.
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
    bool CaretShowing() const { return FCaret.Showing(); }
    // Client pixels the caret covers (empty without a caret).
    TRect CaretRect() const { return FCaret.Rect(); }
    // Half a blink cycle in milliseconds; 0 keeps a shown caret on.
    void SetCaretBlinkTime(int ms) { FCaret.SetBlinkTime(ms); }
    const TScrollInfo& ScrollInfo(TScrollBarKind bar) const { return FScroll[Index(bar)]; }
    bool TimerRunning() const { return FTimer.IsRunning(); }
    // The text of the scroll hint while it is shown, else empty.
    std::string ScrollHintText() const;
    // Where dragged text would land while a drag is over the window without the keyboard focus
    // (a focused window shows its caret there); empty otherwise.
    TRect DropMarker() const { return FDropMarker; }
    // Shows the drop marker at the client's caret, or hides it.
    void ShowDropMarker(bool show);
    // Paint events answered so far: each one puts a frame on the screen.
    std::uint64_t FramesShown() const { return FFramesShown; }

    // The window takes dropped text (from editor windows and other programs) and dropped files,
    // both for its client (see TWxEditorDropTarget).
    // Files dropped at client pixel (x, y) go to the client when it takes file drops (the drop is
    // finished either way); false when it does not, and nobody else gets them: the window's owner
    // that wants them sets its handler on the client.
    bool DropFiles(int x, int y, const wxArrayString& files);
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

    // The copy of the client's pixels, sized to the client area; a new one is all invalid.
    wxMemoryDC& Backing();
    void PaintInvalid();
    void UpdateCursor(int x, int y);
    void RefreshClientRect(const TRect& rect);

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

    TWxEditorCaret FCaret;
    TRect FDropMarker;

    wxTimer FTimer;
    wxPopupWindow* FHint = nullptr; // a child: destroyed with the window
    wxStaticText* FHintText = nullptr;
    TCursor FCursor = crDefault;
    GtkIMContext* FImContext = nullptr; // the context our commit handler is connected to
    unsigned long FImCommitHandler = 0;

    wxDECLARE_EVENT_TABLE();
};

} // namespace quillan
