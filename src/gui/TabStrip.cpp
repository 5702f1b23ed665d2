#include "gui/TabStrip.h"

#include "backends/wx/WxText.h"

#include <algorithm>
#include <sstream>
#include <wx/bookctrl.h>
#include <wx/control.h>
#include <wx/dcbuffer.h>
#include <wx/dnd.h>
#include <wx/imaglist.h>
#include <wx/settings.h>

namespace quillan {

namespace {

constexpr int Margin = 2; // around the rows, inside the strip
constexpr int PadX = 6; // inside a tab, left and right
constexpr int ImageGap = 4; // between a tab's picture and its caption
constexpr int ImageSize = 16;
constexpr int ScrollerWidth = 18; // the arrows at the right end of scrolling rows
// A tab keeps at least its picture and a few letters, however narrow the window.
constexpr int MinTabWidth = 2 * PadX + ImageSize + ImageGap + 24;

wxColour Mix(const wxColour& a, const wxColour& b, int percentOfB)
{
    auto mix
        = [&](int x, int y) { return static_cast<unsigned char>((x * (100 - percentOfB) + y * percentOfB) / 100); };
    return wxColour(mix(a.Red(), b.Red()), mix(a.Green(), b.Green()), mix(a.Blue(), b.Blue()));
}

// Files dropped on the tabs open like files dropped anywhere on the window; any drag that rests
// on a tab selects it, so that text dragged from one document can be dropped into another.
class TTabDropTarget : public wxFileDropTarget {
public:
    explicit TTabDropTarget(
        TTabStrip& strip, std::function<bool()>& accepts, std::function<void(std::vector<std::string>)>& open)
        : FStrip(strip)
        , FAccepts(accepts)
        , FOpen(open)
    {
    }
    wxDragResult OnEnter(wxCoord x, wxCoord y, wxDragResult def) override { return OnDragOver(x, y, def); }
    wxDragResult OnDragOver(wxCoord x, wxCoord y, wxDragResult def) override
    {
        FStrip.DragHover(x, y);
        if (!FAccepts || !FAccepts())
            return wxDragNone;
        return wxFileDropTarget::OnDragOver(x, y, def);
    }
    void OnLeave() override { FStrip.DragLeave(); }
    bool OnDropFiles(wxCoord, wxCoord, const wxArrayString& files) override
    {
        FStrip.DragLeave();
        if (!FAccepts || !FAccepts() || !FOpen)
            return false;
        std::vector<std::string> names;
        for (const wxString& f : files)
            names.push_back(WxToUtf8(f));
        // Opened once the toolkit has finished the drop, as on the rest of the window.
        FStrip.CallAfter([open = FOpen, names = std::move(names)] { open(names); });
        return true;
    }

private:
    TTabStrip& FStrip;
    std::function<bool()>& FAccepts;
    std::function<void(std::vector<std::string>)>& FOpen;
};

} // namespace

TTabStrip::TTabStrip(wxWindow* parent, wxWindowID id, const wxPoint& pos, const wxSize& size)
    : FDragTimer(this)
{
    Create(parent, id, pos, size, wxFULL_REPAINT_ON_RESIZE);
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    Bind(wxEVT_PAINT, &TTabStrip::OnPaint, this);
    Bind(wxEVT_SIZE, &TTabStrip::OnSize, this);
    Bind(wxEVT_LEFT_DOWN, &TTabStrip::OnMouse, this);
    Bind(wxEVT_LEFT_DCLICK, &TTabStrip::OnMouse, this);
    Bind(wxEVT_MOTION, &TTabStrip::OnMouse, this);
    Bind(wxEVT_LEAVE_WINDOW, &TTabStrip::OnMouse, this);
    Bind(wxEVT_MOUSEWHEEL, &TTabStrip::OnMouse, this);
    Bind(wxEVT_TIMER, &TTabStrip::OnDragTimer, this, FDragTimer.GetId());
    SetDropTarget(new TTabDropTarget(*this, FDropAccepts, FDropOpen));
}

TTabStrip::~TTabStrip()
{
    FDragTimer.Stop();
}

void TTabStrip::SetImageList(wxImageList* images)
{
    FImages = images;
    Relayout();
}

void TTabStrip::AddPage(wxWindow* page, const wxString& text, int image)
{
    wxASSERT(page && page->GetParent() == this);
    FTabs.push_back({ page, text, image });
    if (FSelection == wxNOT_FOUND) {
        FSelection = static_cast<int>(FTabs.size()) - 1;
    } else {
        page->Hide();
    }
    Relayout();
}

void TTabStrip::DeletePage(std::size_t n)
{
    if (n >= FTabs.size())
        return;
    wxWindow* page = FTabs[n].Page;
    const bool hadFocus = page->IsDescendant(wxWindow::FindFocus()) || wxWindow::FindFocus() == page;
    FTabs.erase(FTabs.begin() + static_cast<std::ptrdiff_t>(n));
    const int removed = static_cast<int>(n);
    if (FTabs.empty())
        FSelection = wxNOT_FOUND;
    else if (removed < FSelection || FSelection >= static_cast<int>(FTabs.size()))
        --FSelection;
    if (FHot >= static_cast<int>(FTabs.size()))
        FHot = wxNOT_FOUND;
    FDragTab = wxNOT_FOUND;
    page->Destroy();
    if (FSelection != wxNOT_FOUND) {
        wxWindow* shown = FTabs[static_cast<std::size_t>(FSelection)].Page;
        shown->Show();
        if (hadFocus)
            shown->SetFocus();
    }
    Relayout();
}

void TTabStrip::SetPageText(std::size_t n, const wxString& text)
{
    if (n >= FTabs.size() || FTabs[n].Text == text)
        return;
    FTabs[n].Text = text;
    Relayout();
}

void TTabStrip::SetPageImage(std::size_t n, int image)
{
    if (n >= FTabs.size() || FTabs[n].Image == image)
        return;
    FTabs[n].Image = image;
    RefreshTab(static_cast<int>(n));
}

void TTabStrip::ChangeSelection(std::size_t n)
{
    if (n >= FTabs.size() || static_cast<int>(n) == FSelection)
        return;
    wxWindow* focus = wxWindow::FindFocus();
    bool pageHadFocus = false;
    if (FSelection != wxNOT_FOUND) {
        wxWindow* old = FTabs[static_cast<std::size_t>(FSelection)].Page;
        pageHadFocus = focus && (focus == old || old->IsDescendant(focus));
        old->Hide();
    }
    RefreshTab(FSelection);
    FSelection = static_cast<int>(n);
    ShowSelectedRow();
    PlacePage();
    wxWindow* page = FTabs[n].Page;
    page->Show();
    // The keyboard stays in the documents: a page that loses the focus by being hidden hands it
    // to the page that replaces it.
    if (pageHadFocus)
        page->SetFocus();
    RefreshTab(FSelection);
}

int TTabStrip::HitTest(const wxPoint& pt) const
{
    if (pt.y < Margin || pt.y >= Margin + BandHeight())
        return wxNOT_FOUND;
    const int hit = FRows.HitTest(pt.x - Margin, pt.y - Margin + FFirstRow * FRowHeight);
    return hit < 0 ? wxNOT_FOUND : hit;
}

wxRect TTabStrip::GetTabRect(std::size_t n) const
{
    const int row = FRows.RowOf(static_cast<int>(n));
    if (row < FFirstRow || row >= FFirstRow + FRowsShown)
        return {};
    const TRect& r = FRows.Tabs[n];
    return wxRect(r.Left + Margin, r.Top - FFirstRow * FRowHeight + Margin, r.Width(), r.Height());
}

wxRect TTabStrip::ScrollerRect() const
{
    if (!RowsScroll())
        return {};
    return wxRect(GetClientSize().x - Margin - ScrollerWidth, Margin, ScrollerWidth, BandHeight());
}

void TTabStrip::ScrollRows(int rows)
{
    const int first = FirstTabRowShown(FFirstRow + rows, -1, FRowsShown, FRows.RowCount);
    if (first == FFirstRow)
        return;
    FFirstRow = first;
    FHot = wxNOT_FOUND;
    Refresh(false);
}

void TTabStrip::ShowSelectedRow()
{
    const int first = FirstTabRowShown(FFirstRow, FRows.RowOf(FSelection), FRowsShown, FRows.RowCount);
    if (first != FFirstRow) {
        FFirstRow = first;
        Refresh(false);
    }
}

std::string TTabStrip::StateLines() const
{
    std::ostringstream out;
    out << "tabrows=" << FRows.RowCount << "\n";
    out << "tabrowsshown=" << FRowsShown << "\n";
    out << "tabfirstrow=" << FFirstRow << "\n";
    auto rect = [&](const char* name, const wxRect& r) {
        const wxPoint at = ClientToScreen(r.GetPosition());
        out << name << "=" << at.x << "," << at.y << "," << r.width << "," << r.height << "\n";
    };
    // Only the tabs on view: a test that clicks one needs it on the screen.
    for (std::size_t i = 0; i < FTabs.size(); ++i)
        if (const wxRect r = GetTabRect(i); !r.IsEmpty())
            rect(("tabrect" + std::to_string(i)).c_str(), r);
    if (RowsScroll())
        rect("tabscroller", ScrollerRect());
    return out.str();
}

void TTabStrip::SetFileDrop(std::function<bool()> accepts, std::function<void(std::vector<std::string>)> open)
{
    FDropAccepts = std::move(accepts);
    FDropOpen = std::move(open);
}

void TTabStrip::DragHover(int x, int y)
{
    const int tab = HitTest(wxPoint(x, y));
    if (tab == FDragTab)
        return;
    FDragTab = tab;
    FDragTimer.Stop();
    if (tab != wxNOT_FOUND && tab != FSelection)
        FDragTimer.StartOnce(DragSwitchDelayMs);
}

void TTabStrip::DragLeave()
{
    FDragTimer.Stop();
    FDragTab = wxNOT_FOUND;
}

void TTabStrip::OnDragTimer(wxTimerEvent&)
{
    if (FDragTab != wxNOT_FOUND && FDragTab != FSelection)
        UserSelect(FDragTab);
}

// --- layout ------------------------------------------------------------------------------------

int TTabStrip::RowHeight() const
{
    return std::max(ImageSize, GetCharHeight()) + 10;
}

int TTabStrip::TabWidth(const TTab& tab, wxDC& dc) const
{
    // The edges take a pixel on each side.
    int width = 2 * PadX + 2 + dc.GetTextExtent(tab.Text).x;
    if (FImages && tab.Image >= 0)
        width += ImageSize + ImageGap;
    return width;
}

void TTabStrip::Relayout()
{
    wxClientDC dc(this);
    dc.SetFont(GetFont());
    std::vector<int> widths;
    widths.reserve(FTabs.size());
    for (const TTab& tab : FTabs)
        widths.push_back(TabWidth(tab, dc));
    const wxSize client = GetClientSize();
    FRowHeight = RowHeight();
    FRows = LayoutTabRows(widths, client.x - 2 * Margin, FRowHeight, MinTabWidth);
    FRowsShown = TabRowsShown(client.y - 2 * Margin, FRowHeight, FRows.RowCount);
    if (RowsScroll()) {
        // The arrows take their width from the rows, which may then need one more.
        FRows = LayoutTabRows(widths, client.x - 2 * Margin - ScrollerWidth, FRowHeight, MinTabWidth);
        FRowsShown = TabRowsShown(client.y - 2 * Margin, FRowHeight, FRows.RowCount);
    }
    FFirstRow = FirstTabRowShown(FFirstRow, FRows.RowOf(FSelection), FRowsShown, FRows.RowCount);
    PlacePage();
    Refresh(false);
}

void TTabStrip::PlacePage()
{
    if (FSelection == wxNOT_FOUND)
        return;
    const wxSize client = GetClientSize();
    const int top = BandHeight() + 2 * Margin + 1;
    FTabs[static_cast<std::size_t>(FSelection)].Page->SetSize(0, top, client.x, std::max(0, client.y - top));
}

void TTabStrip::OnSize(wxSizeEvent& event)
{
    Relayout();
    event.Skip();
}

// --- painting ----------------------------------------------------------------------------------

void TTabStrip::RefreshTab(int n)
{
    if (n < 0 || n >= static_cast<int>(FTabs.size()))
        return;
    wxRect r = GetTabRect(static_cast<std::size_t>(n));
    r.Inflate(1);
    // The selected tab opens onto the line below the rows.
    r.height += Margin + 2;
    RefreshRect(r, false);
}

void TTabStrip::OnPaint(wxPaintEvent&)
{
    wxAutoBufferedPaintDC dc(this);
    const wxSize client = GetClientSize();
    const wxColour face = wxSystemSettings::GetColour(wxSYS_COLOUR_BTNFACE);
    const wxColour shadow = wxSystemSettings::GetColour(wxSYS_COLOUR_BTNSHADOW);
    const int bottom = BandHeight() + 2 * Margin;
    dc.SetBrush(wxBrush(face));
    dc.SetPen(*wxTRANSPARENT_PEN);
    dc.DrawRectangle(0, 0, client.x, bottom + 1);
    dc.SetPen(wxPen(shadow));
    dc.DrawLine(0, bottom, client.x, bottom);
    dc.SetFont(GetFont());
    for (int i = 0; i < static_cast<int>(FTabs.size()); ++i)
        if (i != FSelection)
            DrawTab(dc, i);
    // Last, so that it covers the line below it and its neighbours' edges.
    if (FSelection != wxNOT_FOUND)
        DrawTab(dc, FSelection);
    DrawScroller(dc);
}

void TTabStrip::DrawScroller(wxDC& dc) const
{
    const wxRect r = ScrollerRect();
    if (r.IsEmpty())
        return;
    const wxColour shadow = wxSystemSettings::GetColour(wxSYS_COLOUR_BTNSHADOW);
    const wxColour text = wxSystemSettings::GetColour(wxSYS_COLOUR_BTNTEXT);
    const wxColour grey = wxSystemSettings::GetColour(wxSYS_COLOUR_GRAYTEXT);
    dc.SetPen(wxPen(shadow));
    dc.SetBrush(wxBrush(wxSystemSettings::GetColour(wxSYS_COLOUR_BTNFACE)));
    dc.DrawRectangle(r);
    const int half = r.height / 2;
    dc.DrawLine(r.x, r.y + half, r.GetRight(), r.y + half);
    // An arrow that can do nothing is drawn greyed, as a scroll bar would.
    auto arrow = [&](bool up, bool enabled) {
        const int cx = r.x + r.width / 2, cy = r.y + (up ? half / 2 : half + (r.height - half) / 2);
        const int size = std::max(2, std::min(r.width, half) / 4);
        const wxPoint points[] = { { cx - size, cy + (up ? size / 2 : -size / 2) },
            { cx + size, cy + (up ? size / 2 : -size / 2) }, { cx, cy + (up ? -size : size) } };
        dc.SetPen(wxPen(enabled ? text : grey));
        dc.SetBrush(wxBrush(enabled ? text : grey));
        dc.DrawPolygon(3, points);
    };
    arrow(true, FFirstRow > 0);
    arrow(false, FFirstRow + FRowsShown < FRows.RowCount);
}

void TTabStrip::DrawTab(wxDC& dc, int n) const
{
    const TTab& tab = FTabs[static_cast<std::size_t>(n)];
    const wxRect r = GetTabRect(static_cast<std::size_t>(n));
    if (r.IsEmpty())
        return; // on a row scrolled out of sight
    const bool selected = n == FSelection;
    const bool hot = n == FHot && !selected;
    const wxColour face = wxSystemSettings::GetColour(wxSYS_COLOUR_BTNFACE);
    const wxColour window = wxSystemSettings::GetColour(wxSYS_COLOUR_WINDOW);
    const wxColour shadow = wxSystemSettings::GetColour(wxSYS_COLOUR_BTNSHADOW);
    const wxColour accent = wxSystemSettings::GetColour(wxSYS_COLOUR_HIGHLIGHT);
    wxColour fill = Mix(face, shadow, 12);
    if (selected)
        fill = window;
    else if (hot)
        fill = Mix(window, accent, 22);

    wxRect body(r.x, r.y + (selected ? 0 : 2), r.width - 1, r.height - (selected ? 0 : 2));
    if (selected)
        body.height += Margin + 1; // over the line, into the page
    dc.SetPen(wxPen(shadow));
    dc.SetBrush(wxBrush(fill));
    dc.DrawRectangle(body);
    if (selected) {
        dc.SetPen(*wxTRANSPARENT_PEN);
        dc.SetBrush(wxBrush(accent));
        dc.DrawRectangle(body.x, body.y, body.width, 3);
    } else if (hot) {
        dc.SetPen(*wxTRANSPARENT_PEN);
        dc.SetBrush(wxBrush(Mix(accent, window, 40)));
        dc.DrawRectangle(body.x + 1, body.y + body.height - 2, body.width - 2, 2);
    }

    wxDCClipper clip(dc, wxRect(r.x + 1, r.y, r.width - 3, r.height));
    int x = r.x + PadX;
    const int middle = r.y + (r.height + (selected ? 0 : 2)) / 2;
    if (FImages && tab.Image >= 0 && tab.Image < FImages->GetImageCount()) {
        FImages->Draw(tab.Image, dc, x, middle - ImageSize / 2, wxIMAGELIST_DRAW_TRANSPARENT);
        x += ImageSize + ImageGap;
    }
    const int room = r.x + r.width - 2 - PadX - x;
    const wxString caption = wxControl::Ellipsize(tab.Text, dc, wxELLIPSIZE_MIDDLE, std::max(0, room));
    dc.SetTextForeground(wxSystemSettings::GetColour(wxSYS_COLOUR_BTNTEXT));
    const wxSize extent = dc.GetTextExtent(caption);
    dc.DrawText(caption, x, middle - extent.y / 2);
}

// --- input -------------------------------------------------------------------------------------

void TTabStrip::UserSelect(int n)
{
    if (n < 0 || n >= static_cast<int>(FTabs.size()) || n == FSelection)
        return;
    const int old = FSelection;
    ChangeSelection(static_cast<std::size_t>(n));
    wxBookCtrlEvent changed(wxEVT_NOTEBOOK_PAGE_CHANGED, GetId(), n, old);
    changed.SetEventObject(this);
    ProcessWindowEvent(changed);
}

void TTabStrip::OnMouse(wxMouseEvent& event)
{
    const wxEventType type = event.GetEventType();
    if (type == wxEVT_LEAVE_WINDOW) {
        const int was = FHot;
        FHot = wxNOT_FOUND;
        RefreshTab(was);
        event.Skip();
        return;
    }
    if (type == wxEVT_MOUSEWHEEL) {
        if (!RowsScroll() || event.GetWheelAxis() != wxMOUSE_WHEEL_VERTICAL) {
            event.Skip();
            return;
        }
        ScrollRows(event.GetWheelRotation() > 0 ? -1 : 1);
        return;
    }
    const wxRect scroller = ScrollerRect();
    if (scroller.Contains(event.GetPosition())) {
        if (type == wxEVT_LEFT_DOWN || type == wxEVT_LEFT_DCLICK)
            ScrollRows(event.GetPosition().y < scroller.y + scroller.height / 2 ? -1 : 1);
        return;
    }
    const int tab = HitTest(event.GetPosition());
    if (tab != FHot) {
        const int was = FHot;
        FHot = tab;
        RefreshTab(was);
        RefreshTab(tab);
    }
    if (type == wxEVT_LEFT_DOWN || type == wxEVT_LEFT_DCLICK) {
        // A click picks the document and leaves the keyboard in it, ready for typing.
        if (tab != wxNOT_FOUND) {
            UserSelect(tab);
            FTabs[static_cast<std::size_t>(tab)].Page->SetFocus();
        }
        return;
    }
    event.Skip();
}

} // namespace quillan
