#pragma once

#include "app/TabRows.h"

#include <functional>
#include <string>
#include <vector>
#include <wx/containr.h>
#include <wx/notebook.h> // the page-changed event, which the strip sends as a notebook would
#include <wx/timer.h>
#include <wx/window.h>

class wxImageList;
class wxDC;

namespace quillan {

// The documents' tabs and the page of the selected one. GTK's notebook keeps its tabs on one
// scrolling row, so most of them are out of sight once a few files are open; this control wraps
// them onto as many rows as they need (TabRows.h) and shows the selected tab's page below them.
//
// It answers like a notebook: the same page calls, and wxEVT_NOTEBOOK_PAGE_CHANGED when the user
// picks a tab with a click or with a drag that rests on it; changes made through ChangeSelection
// send nothing. Tabs light up under the pointer.
//
// The keyboard belongs to the documents: focus given to the strip goes on to the selected page,
// a click on a tab leaves it there, as GTK's notebook does, and the editors keep every key
// (Ctrl+Page Up and Down move their caret, not the tabs).
class TTabStrip : public wxNavigationEnabled<wxWindow> {
public:
    TTabStrip(
        wxWindow* parent, wxWindowID id, const wxPoint& pos = wxDefaultPosition, const wxSize& size = wxDefaultSize);
    ~TTabStrip() override;

    // Not owned; it must outlive the strip's painting.
    void SetImageList(wxImageList* images);

    // `page` must be a child of the strip. The first page added is selected.
    void AddPage(wxWindow* page, const wxString& text, int image);
    // Destroys the page; the selection moves to its neighbour.
    void DeletePage(std::size_t n);
    std::size_t GetPageCount() const { return FTabs.size(); }
    wxWindow* GetPage(std::size_t n) const { return FTabs.at(n).Page; }
    void SetPageText(std::size_t n, const wxString& text);
    wxString GetPageText(std::size_t n) const { return FTabs.at(n).Text; }
    void SetPageImage(std::size_t n, int image);
    int GetPageImage(std::size_t n) const { return FTabs.at(n).Image; }
    int GetSelection() const { return FSelection; }
    // Selects without telling anyone: the program moves the tabs itself.
    void ChangeSelection(std::size_t n);
    // The tab at `pt` (in the strip's coordinates), or wxNOT_FOUND.
    int HitTest(const wxPoint& pt) const;
    // Where tab `n` is, in the strip's coordinates.
    wxRect GetTabRect(std::size_t n) const;
    int GetRowCount() const { return FRows.RowCount; }
    // Rows on view, and the first of them: with many documents the rest scroll (wheel or the
    // arrows at the right end of the rows), and the selected tab's row is always brought back.
    int GetRowsShown() const { return FRowsShown; }
    int GetFirstRowShown() const { return FFirstRow; }
    void ScrollRows(int rows);
    // For the window's state file: the number of rows and each tab's rectangle on the screen.
    std::string StateLines() const;
    // The tab whose page the pointer is over while it drags something rests there this long
    // before the strip selects it, so that the drop can land in that document.
    static constexpr int DragSwitchDelayMs = 500;

    // Files dropped on the tabs go here; `accepts` says whether files may be dropped now.
    void SetFileDrop(std::function<bool()> accepts, std::function<void(std::vector<std::string>)> open);
    // A drag rests on (x, y) in the strip's coordinates: the tab under it is selected once the
    // drag has stayed there for DragSwitchDelayMs. Called by the strip's drop target.
    void DragHover(int x, int y);
    void DragLeave();

private:
    struct TTab {
        wxWindow* Page;
        wxString Text;
        int Image;
    };

    void Relayout();
    int TabWidth(const TTab& tab, wxDC& dc) const;
    int RowHeight() const;
    int BandHeight() const { return FRowsShown * FRowHeight; }
    bool RowsScroll() const { return FRowsShown < FRows.RowCount; }
    // The arrows beside the rows when they scroll: the upper half scrolls up, the lower down.
    wxRect ScrollerRect() const;
    void ShowSelectedRow();
    void PlacePage();
    void DrawScroller(wxDC& dc) const;
    // The user's choice: select and send the change.
    void UserSelect(int n);
    void RefreshTab(int n);
    void DrawTab(wxDC& dc, int n) const;

    void OnPaint(wxPaintEvent& event);
    void OnSize(wxSizeEvent& event);
    void OnMouse(wxMouseEvent& event);
    void OnDragTimer(wxTimerEvent& event);

    std::vector<TTab> FTabs;
    TTabRows FRows;
    int FRowHeight = 0;
    int FRowsShown = 0;
    int FFirstRow = 0;
    int FSelection = wxNOT_FOUND;
    int FHot = wxNOT_FOUND; // the tab under the pointer
    int FDragTab = wxNOT_FOUND; // the tab a drag rests on
    wxTimer FDragTimer;
    wxImageList* FImages = nullptr;
    std::function<bool()> FDropAccepts;
    std::function<void(std::vector<std::string>)> FDropOpen;
};

} // namespace quillan
