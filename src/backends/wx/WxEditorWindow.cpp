#include "backends/wx/WxEditorWindow.h"

#include "backends/wx/WxEditorDropTarget.h"
#include "backends/wx/WxKeys.h"
#include "backends/wx/WxText.h"
#include "backends/wx/WxTextDrag.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <gtk/gtk.h>
#include <vector>
#include <wx/dcclient.h>
#include <wx/settings.h>

namespace quillan {

namespace {

constexpr int TimerId = 1;
// Past this many rectangles a paint covers their bounding box in one pass.
constexpr int MaxPaintRects = 8;

TRect FromWx(const wxRect& r)
{
    return { r.x, r.y, r.x + r.width, r.y + r.height };
}
wxRect ToWx(const TRect& r)
{
    return wxRect(r.Left, r.Top, r.Width(), r.Height());
}

TShiftState MouseShift(const wxMouseEvent& event)
{
    TShiftState shift = ShiftStateFromWx(event.GetModifiers());
    if (event.LeftIsDown())
        shift |= ssLeft;
    if (event.RightIsDown())
        shift |= ssRight;
    if (event.MiddleIsDown())
        shift |= ssMiddle;
    return shift;
}

wxStockCursor StockCursor(TCursor cursor)
{
    switch (cursor) {
    case crArrow:
    case crDrag:
    case crMultiDrag:
        return wxCURSOR_ARROW;
    case crCross:
        return wxCURSOR_CROSS;
    case crSizeWE:
        return wxCURSOR_SIZEWE;
    case crHourGlass:
        return wxCURSOR_WAIT;
    case crNoDrop:
    case crNo:
        return wxCURSOR_NO_ENTRY;
    case crHandPoint:
        return wxCURSOR_HAND;
    default:
        return wxCURSOR_IBEAM;
    }
}

} // namespace

TWxEditorWindow::TWxEditorWindow(
    wxWindow* parent, wxWindowID id, const wxPoint& pos, const wxSize& size, long extraStyle)
    : FCaret(*this)
    , FTimer(this, TimerId)
{
    // Must precede Create: GTK then never clears the window before a paint.
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    Create(parent, id, pos, size, wxVSCROLL | wxHSCROLL | wxALWAYS_SHOW_SB | wxWANTS_CHARS | extraStyle);

    // Overlay scroll bars would cover the last column and row of text and make the client size
    // a lie.
    if (auto* widget = static_cast<GtkWidget*>(GetHandle()); widget && GTK_IS_SCROLLED_WINDOW(widget))
        gtk_scrolled_window_set_overlay_scrolling(GTK_SCROLLED_WINDOW(widget), FALSE);

    SetCursor(wxCursor(wxCURSOR_IBEAM));
    SetDropTarget(new TWxEditorDropTarget(*this));
}

void TWxEditorWindow::GTKHandleRealized()
{
    wxWindow::GTKHandleRealized();
    // The toolkit turns an input-method commit into one character event per character; a commit
    // of several characters must reach the editor as one string instead (one undo step, one
    // repaint). Our handler takes the commit over and passes single characters back to the
    // toolkit's own path. The toolkit's handler is the one registered with this window as data.
    if (!m_imContext || m_imContext == FImContext)
        return;
    const guint commit = g_signal_lookup("commit", G_TYPE_FROM_INSTANCE(m_imContext));
    const guint blocked = g_signal_handlers_block_matched(m_imContext,
        static_cast<GSignalMatchType>(G_SIGNAL_MATCH_ID | G_SIGNAL_MATCH_DATA), commit, 0, nullptr, nullptr,
        static_cast<wxWindow*>(this));
    if (blocked == 0)
        return;
    FImContext = m_imContext;
    FImCommitHandler = g_signal_connect(m_imContext, "commit", G_CALLBACK(OnImCommit), static_cast<IEditorHost*>(this));
}

TWxEditorWindow::~TWxEditorWindow()
{
    TWxTextDrag::Forget(*this);
    FTimer.Stop();
    if (FImCommitHandler && FImContext && FImContext == m_imContext)
        g_signal_handler_disconnect(FImContext, FImCommitHandler);
    if (FBackingBitmap)
        FBackingDC.SelectObject(wxNullBitmap);
    // The control outlives its window in the main window's teardown order; it must not keep
    // this host.
    if (FClient)
        FClient->SetHost(nullptr);
    FClient = nullptr;
    if (wxWindow::HasCapture())
        ReleaseMouse();
}

bool TWxEditorWindow::TakesFileDrops() const
{
    return FClient && FClient->TakesFileDrops();
}

bool TWxEditorWindow::DropFiles(int x, int y, const wxArrayString& files)
{
    if (!TakesFileDrops())
        return false;
    std::vector<std::string> names;
    names.reserve(files.size());
    for (const wxString& f : files)
        names.push_back(WxToUtf8(f));
    FClient->FilesDropped(x, y, names);
    return true;
}

TSize TWxEditorWindow::DragThreshold()
{
    const int x = wxSystemSettings::GetMetric(wxSYS_DRAG_X, this);
    const int y = wxSystemSettings::GetMetric(wxSYS_DRAG_Y, this);
    return { x > 0 ? x : 4, y > 0 ? y : 4 };
}

bool TWxEditorWindow::BeginTextDrag(std::string_view text)
{
    if (!FClient)
        return false;
    // The drag grabs the mouse itself; letting go of our capture afterwards would end its grab.
    const bool captured = wxWindow::HasCapture();
    if (captured)
        ReleaseMouse();
    if (TWxTextDrag::Begin(*this, text))
        return true;
    if (captured)
        CaptureMouse();
    return false;
}

void TWxEditorWindow::SetClient(IEditorWindowClient* client)
{
    if (FClient != client) {
        if (FClient)
            FClient->SetHost(nullptr);
        FClient = client;
        if (FClient)
            FClient->SetHost(this);
    }
    InvalidateRect(nullptr);
}

// --- window services -------------------------------------------------------------------------

TSize TWxEditorWindow::ClientSize()
{
    wxSize size = GetClientSize();
    return { std::max(size.x, 0), std::max(size.y, 0) };
}

void TWxEditorWindow::RefreshClientRect(const TRect& rect)
{
    if (!rect.IsEmpty())
        RefreshRect(ToWx(rect), false);
}

void TWxEditorWindow::InvalidateRect(const TRect* rect)
{
    const TSize size = ClientSize();
    const TRect client { 0, 0, size.Width, size.Height };
    const TRect area = rect ? rect->Intersect(client) : client;
    if (area.IsEmpty())
        return;
    FInvalid.Union(ToWx(area));
    RefreshClientRect(area);
}

void TWxEditorWindow::ScrollWindow(int dx, int dy, const TRect* rect)
{
    if (dx == 0 && dy == 0)
        return;
    const TSize size = ClientSize();
    const TRect client { 0, 0, size.Width, size.Height };
    // Only the whole client area moves; a part of it (the text beside a fixed gutter) is
    // repainted instead.
    if ((rect && rect->Intersect(client) != client) || std::abs(dx) >= size.Width || std::abs(dy) >= size.Height) {
        InvalidateRect(rect);
        return;
    }
    wxMemoryDC& backing = Backing();
    // Copying within one bitmap is not safe where source and target overlap: the pixels go to a
    // second bitmap, which then becomes the copy.
    if (!FScratchBitmap || FScratchBitmap->GetSize() != FBackingBitmap->GetSize())
        FScratchBitmap = std::make_unique<wxBitmap>(FBackingBitmap->GetSize(), FBackingBitmap->GetDepth());
    {
        wxMemoryDC target(*FScratchBitmap);
        target.Blit(std::max(dx, 0), std::max(dy, 0), size.Width - std::abs(dx), size.Height - std::abs(dy), &backing,
            std::max(-dx, 0), std::max(-dy, 0));
    }
    backing.SelectObject(wxNullBitmap);
    std::swap(FBackingBitmap, FScratchBitmap);
    backing.SelectObject(*FBackingBitmap);
    // What was waiting to be painted moved with the pixels; what scrolled in is new.
    if (!FInvalid.IsEmpty()) {
        FInvalid.Offset(dx, dy);
        FInvalid.Intersect(ToWx(client));
    }
    TRect uncoveredRows = client, uncoveredColumns = client;
    if (dy > 0)
        uncoveredRows.Bottom = dy;
    else if (dy < 0)
        uncoveredRows.Top = size.Height + dy;
    else
        uncoveredRows = {};
    if (dx > 0)
        uncoveredColumns.Right = dx;
    else if (dx < 0)
        uncoveredColumns.Left = size.Width + dx;
    else
        uncoveredColumns = {};
    if (!uncoveredRows.IsEmpty())
        FInvalid.Union(ToWx(uncoveredRows));
    if (!uncoveredColumns.IsEmpty())
        FInvalid.Union(ToWx(uncoveredColumns));
    Refresh(false);
}

void TWxEditorWindow::SetScrollInfo(TScrollBarKind bar, const TScrollInfo& info)
{
    const std::size_t i = Index(bar);
    FScroll[i] = info;
    const int orient = bar == TScrollBarKind::sbVertical ? wxVERTICAL : wxHORIZONTAL;
    // Win32 ranges include Max, and the box runs from Min to Max - Page + 1.
    const long long span = static_cast<long long>(info.Max) - info.Min + 1;
    const int range = static_cast<int>(std::clamp<long long>(span, 0, INT_MAX));
    const int thumb = std::clamp(info.Page, 1, std::max(range, 1));
    const int pos = std::clamp(info.Pos - info.Min, 0, std::max(range - thumb, 0));
    const bool needed = info.Page < span && range > 1;
    const bool hidden = !needed && !info.DisableNoScroll;
    if (hidden != FBarHidden[i]) {
        FBarHidden[i] = hidden;
        // wx keeps both bars when it was told to always show them; GTK can drop one.
        if (auto* widget = static_cast<GtkWidget*>(GetHandle()); widget && GTK_IS_SCROLLED_WINDOW(widget))
            gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(widget),
                FBarHidden[0] ? GTK_POLICY_NEVER : GTK_POLICY_ALWAYS,
                FBarHidden[1] ? GTK_POLICY_NEVER : GTK_POLICY_ALWAYS);
    }
    if (hidden)
        SetScrollbar(orient, 0, 0, 0);
    else
        SetScrollbar(orient, pos, thumb, range);
}

void TWxEditorWindow::ShowScrollHint(std::string_view text, int right, int top)
{
    if (!FHint) {
        FHint = new wxPopupWindow(this, wxBORDER_SIMPLE);
        FHint->SetBackgroundColour(wxSystemSettings::GetColour(wxSYS_COLOUR_INFOBK));
        FHintText = new wxStaticText(FHint, wxID_ANY, wxString());
        FHintText->SetForegroundColour(wxSystemSettings::GetColour(wxSYS_COLOUR_INFOTEXT));
    }
    const wxString label = wxString::FromUTF8(text.data(), text.size());
    if (FHintText->GetLabel() != label) {
        FHintText->SetLabel(label);
        const wxSize size = FHintText->GetBestSize() + wxSize(6, 4);
        FHintText->SetPosition(wxPoint(3, 2));
        FHint->SetClientSize(size);
    }
    const wxSize size = FHint->GetSize();
    FHint->Position(ClientToScreen(wxPoint(right - size.x, top)), wxSize(0, 0));
    if (!FHint->IsShown())
        FHint->Show();
}

void TWxEditorWindow::HideScrollHint()
{
    if (FHint && FHint->IsShown())
        FHint->Hide();
}

std::string TWxEditorWindow::ScrollHintText() const
{
    if (!FHint || !FHint->IsShown())
        return {};
    return FHintText->GetLabel().utf8_string();
}

void TWxEditorWindow::SetTimer(int intervalMs)
{
    FTimer.Start(std::max(intervalMs, 1));
}

void TWxEditorWindow::KillTimer()
{
    FTimer.Stop();
}

void TWxEditorWindow::SetCapture()
{
    if (!wxWindow::HasCapture())
        CaptureMouse();
}

void TWxEditorWindow::ReleaseCapture()
{
    if (wxWindow::HasCapture())
        ReleaseMouse();
}

// --- caret -----------------------------------------------------------------------------------

void TWxEditorWindow::CreateCaret(int width, int height)
{
    FCaret.Create(width, height);
}

void TWxEditorWindow::SetCaretPos(int x, int y)
{
    FCaret.SetPos(x, y);
    // The input method's candidate window opens at the caret.
    if (m_imContext) {
        const TSize size = FCaret.Size();
        GdkRectangle area { x, y, size.Width, size.Height };
        gtk_im_context_set_cursor_location(m_imContext, &area);
    }
}

void TWxEditorWindow::ShowCaret()
{
    FCaret.Show();
}

void TWxEditorWindow::HideCaret()
{
    FCaret.Hide();
}

void TWxEditorWindow::DestroyCaret()
{
    FCaret.Destroy();
}

void TWxEditorWindow::ShowDropMarker(bool show)
{
    TRect marker;
    if (show && FClient && !HasFocus()) {
        const TRect cell = FClient->CaretCell();
        const TSize size = ClientSize();
        // A two-pixel bar over the caret's row, inside the text area.
        marker = TRect { cell.Left, cell.Top, cell.Left + 2, cell.Bottom }
                     .Intersect(FClient->TextArea())
                     .Intersect(TRect { 0, 0, size.Width, size.Height });
        if (marker.IsEmpty())
            marker = {};
    }
    if (marker == FDropMarker)
        return;
    RefreshClientRect(FDropMarker);
    FDropMarker = marker;
    RefreshClientRect(FDropMarker);
}

// --- painting --------------------------------------------------------------------------------

wxMemoryDC& TWxEditorWindow::Backing()
{
    const TSize size = ClientSize();
    const int width = std::max(size.Width, 1), height = std::max(size.Height, 1);
    if (!FBackingBitmap || FBackingBitmap->GetWidth() != width || FBackingBitmap->GetHeight() != height) {
        if (FBackingBitmap)
            FBackingDC.SelectObject(wxNullBitmap);
        FBackingBitmap = std::make_unique<wxBitmap>(width, height);
        FBackingDC.SelectObject(*FBackingBitmap);
        FInvalid = wxRegion(0, 0, width, height);
    }
    return FBackingDC;
}

void TWxEditorWindow::PaintInvalid()
{
    wxMemoryDC& backing = Backing();
    if (FInvalid.IsEmpty())
        return;
    std::vector<TRect> parts;
    for (wxRegionIterator it(FInvalid); it; ++it)
        parts.push_back(FromWx(it.GetRect()));
    if (static_cast<int>(parts.size()) > MaxPaintRects)
        parts.assign(1, FromWx(FInvalid.GetBox()));
    FInvalid.Clear();
    for (const TRect& part : parts) {
        FPaintCanvas.Bind(&backing, part);
        if (FClient)
            FClient->Paint(FPaintCanvas, part);
        else
            FPaintCanvas.FillRect(part, clWindow);
    }
    FPaintCanvas.Bind(nullptr, {});
    backing.DestroyClippingRegion();
}

void TWxEditorWindow::OnPaint(wxPaintEvent&)
{
    PaintInvalid();
    wxPaintDC dc(this);
    const TSize size = ClientSize();
    dc.Blit(0, 0, size.Width, size.Height, &FBackingDC, 0, 0);
    FCaret.Draw(dc, GetUpdateRegion());
    InvertInUpdate(dc, GetUpdateRegion(), FDropMarker);
    ++FFramesShown;
}

// --- events ----------------------------------------------------------------------------------

void TWxEditorWindow::OnSize(wxSizeEvent&)
{
    // The copy is remade at the new size (all invalid) on the next paint.
    if (FClient)
        FClient->Resized();
}

void TWxEditorWindow::OnSetFocus(wxFocusEvent& event)
{
    if (FClient)
        FClient->FocusIn();
    event.Skip();
}

void TWxEditorWindow::OnKillFocus(wxFocusEvent& event)
{
    if (FClient)
        FClient->FocusOut();
    event.Skip();
}

void TWxEditorWindow::OnKeyDown(wxKeyEvent& event)
{
    const TWxKeyStroke stroke = KeyStrokeFromWx(event);
    // A key the client turns into a command ends here; any other goes on to the input method
    // and comes back as characters.
    if (FClient && stroke.Key != 0 && FClient->KeyDown(stroke.Key, stroke.Shift))
        return;
    event.Skip();
}

void TWxEditorWindow::OnChar(wxKeyEvent& event)
{
    const std::optional<char32_t> ch = TypedCharFromWx(event);
    if (!FClient || !ch) {
        event.Skip();
        return;
    }
    FClient->CharTyped(*ch);
}

void TWxEditorWindow::OnImCommit(GtkIMContext*, const char* text, void* data)
{
    auto* self = static_cast<TWxEditorWindow*>(static_cast<IEditorHost*>(data));
    if (!text)
        return;
    if (self->FClient && IsInputMethodString(text))
        self->FClient->InputMethodText(text);
    else
        self->GTKDoInsertTextFromIM(text);
}

void TWxEditorWindow::UpdateCursor(int x, int y)
{
    const TCursor cursor = FClient ? FClient->CursorAt(x, y) : crDefault;
    if (cursor == FCursor)
        return;
    FCursor = cursor;
    SetCursor(wxCursor(StockCursor(cursor)));
}

void TWxEditorWindow::OnMouse(wxMouseEvent& event)
{
    if (event.GetEventType() == wxEVT_MOUSEWHEEL) {
        OnWheel(event);
        return;
    }
    const int x = event.GetX();
    const int y = event.GetY();
    if (!FClient) {
        if (event.ButtonDown() && !HasFocus())
            wxWindow::SetFocus();
        event.Skip();
        return;
    }
    const TShiftState shift = MouseShift(event);
    const wxEventType type = event.GetEventType();
    auto button = [&] {
        if (event.GetButton() == wxMOUSE_BTN_RIGHT)
            return TMouseButton::mbRight;
        if (event.GetButton() == wxMOUSE_BTN_MIDDLE)
            return TMouseButton::mbMiddle;
        return TMouseButton::mbLeft;
    };
    if (type == wxEVT_MOTION) {
        UpdateCursor(x, y);
        FClient->MouseMove(shift, x, y);
    } else if (event.ButtonDClick()) {
        FClient->MouseDown(button(), shift | ssDouble, x, y);
    } else if (event.ButtonDown()) {
        FClient->MouseDown(button(), shift, x, y);
    } else if (event.ButtonUp()) {
        FClient->MouseUp(button(), shift, x, y);
    } else {
        event.Skip();
    }
}

void TWxEditorWindow::OnWheel(wxMouseEvent& event)
{
    if (!FClient || event.GetWheelAxis() != wxMOUSE_WHEEL_VERTICAL) {
        event.Skip();
        return;
    }
    const int unit = event.GetWheelDelta() > 0 ? event.GetWheelDelta() : 120;
    const int delta = static_cast<int>(static_cast<long long>(event.GetWheelRotation()) * 120 / unit);
    FClient->MouseWheel(delta, event.GetLinesPerAction(), MouseShift(event), event.GetX(), event.GetY());
}

void TWxEditorWindow::OnCaptureLost(wxMouseCaptureLostEvent&)
{
    if (FClient)
        FClient->MouseCaptureLost();
}

void TWxEditorWindow::OnScroll(wxScrollWinEvent& event)
{
    if (!FClient) {
        event.Skip();
        return;
    }
    const TScrollBarKind bar
        = event.GetOrientation() == wxVERTICAL ? TScrollBarKind::sbVertical : TScrollBarKind::sbHorizontal;
    const int pos = event.GetPosition() + FScroll[Index(bar)].Min;
    const wxEventType type = event.GetEventType();
    TScrollCode code = TScrollCode::scEndScroll;
    if (type == wxEVT_SCROLLWIN_TOP)
        code = TScrollCode::scTop;
    else if (type == wxEVT_SCROLLWIN_BOTTOM)
        code = TScrollCode::scBottom;
    else if (type == wxEVT_SCROLLWIN_LINEUP)
        code = TScrollCode::scLineUp;
    else if (type == wxEVT_SCROLLWIN_LINEDOWN)
        code = TScrollCode::scLineDown;
    else if (type == wxEVT_SCROLLWIN_PAGEUP)
        code = TScrollCode::scPageUp;
    else if (type == wxEVT_SCROLLWIN_PAGEDOWN)
        code = TScrollCode::scPageDown;
    else if (type == wxEVT_SCROLLWIN_THUMBTRACK)
        code = TScrollCode::scTrack;
    else if (type == wxEVT_SCROLLWIN_THUMBRELEASE)
        code = TScrollCode::scPosition;
    FClient->Scroll(bar, code, pos);
    if (code != TScrollCode::scTrack)
        FClient->Scroll(bar, TScrollCode::scEndScroll, pos);
}

void TWxEditorWindow::OnTimer(wxTimerEvent&)
{
    if (FClient)
        FClient->TimerTick();
}

// A static table rather than Bind: GTK may still deliver events (a scroll bar's animation, focus)
// while the base class is being destroyed, and a table is looked up through the object's dynamic
// type, so our handlers are no longer reached then.
// clang-format off
wxBEGIN_EVENT_TABLE(TWxEditorWindow, wxWindow)
    EVT_PAINT(TWxEditorWindow::OnPaint)
    EVT_SIZE(TWxEditorWindow::OnSize)
    EVT_SET_FOCUS(TWxEditorWindow::OnSetFocus)
    EVT_KILL_FOCUS(TWxEditorWindow::OnKillFocus)
    EVT_KEY_DOWN(TWxEditorWindow::OnKeyDown)
    EVT_CHAR(TWxEditorWindow::OnChar)
    EVT_MOUSE_EVENTS(TWxEditorWindow::OnMouse)
    EVT_MOUSE_CAPTURE_LOST(TWxEditorWindow::OnCaptureLost)
    EVT_SCROLLWIN(TWxEditorWindow::OnScroll)
    EVT_TIMER(TimerId, TWxEditorWindow::OnTimer)
wxEND_EVENT_TABLE()
// clang-format on

} // namespace quillan
