#include "backends/wx/WxEditorCaret.h"

#include <algorithm>
#include <cairo.h>
#include <gtk/gtk.h>
#include <wx/dc.h>
#include <wx/graphics.h>
#include <wx/window.h>

namespace quillan {

namespace {

// Half the desktop's blink cycle.
int DesktopBlinkTime()
{
    gint cycle = 0;
    gboolean blink = TRUE;
    if (GtkSettings* settings = gtk_settings_get_default())
        g_object_get(settings, "gtk-cursor-blink-time", &cycle, "gtk-cursor-blink", &blink, nullptr);
    if (!blink)
        return 0;
    return cycle > 0 ? cycle / 2 : 600;
}

} // namespace

void InvertInUpdate(wxDC& dc, const wxRegion& update, const TRect& rect)
{
    if (rect.IsEmpty())
        return;
    wxGraphicsContext* gc = dc.GetGraphicsContext();
    auto* cr = gc ? static_cast<cairo_t*>(gc->GetNativeContext()) : nullptr;
    if (!cr)
        return;
    // Only the invalid area is touched: elsewhere the inverted pixels are already on the screen.
    cairo_save(cr);
    cairo_new_path(cr);
    for (wxRegionIterator it(update); it; ++it) {
        const wxRect r = it.GetRect();
        const TRect part = TRect { r.x, r.y, r.x + r.width, r.y + r.height }.Intersect(rect);
        if (!part.IsEmpty())
            cairo_rectangle(cr, part.Left, part.Top, part.Width(), part.Height());
    }
    cairo_set_operator(cr, CAIRO_OPERATOR_DIFFERENCE);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_fill(cr);
    cairo_restore(cr);
}

TWxEditorCaret::TWxEditorCaret(wxWindow& window)
    : FWindow(window)
    , FBlinkTime(DesktopBlinkTime())
{
}

TWxEditorCaret::~TWxEditorCaret()
{
    Stop();
}

TRect TWxEditorCaret::Rect() const
{
    if (!FCreated)
        return {};
    return { FPos.X, FPos.Y, FPos.X + FSize.Width, FPos.Y + FSize.Height };
}

void TWxEditorCaret::Refresh()
{
    if (const TRect r = Rect(); Showing() && !r.IsEmpty())
        FWindow.RefreshRect(wxRect(r.Left, r.Top, r.Width(), r.Height()), false);
}

void TWxEditorCaret::Changed()
{
    FBlinkOn = true;
    if (Showing()) {
        Refresh();
        if (FBlinkTime > 0)
            Start(FBlinkTime);
    } else {
        Stop();
    }
}

void TWxEditorCaret::Create(int width, int height)
{
    Refresh();
    FCreated = true;
    FHideLevel = 1;
    FSize = { std::max(width, 1), std::max(height, 1) };
    Changed();
}

void TWxEditorCaret::SetPos(int x, int y)
{
    Refresh();
    FPos = { x, y };
    Changed();
}

void TWxEditorCaret::Show()
{
    if (!FCreated || FHideLevel == 0)
        return;
    --FHideLevel;
    Changed();
}

void TWxEditorCaret::Hide()
{
    if (!FCreated)
        return;
    Refresh();
    ++FHideLevel;
    Changed();
}

void TWxEditorCaret::Destroy()
{
    Refresh();
    FCreated = false;
    FHideLevel = 1;
    Changed();
}

void TWxEditorCaret::SetBlinkTime(int ms)
{
    FBlinkTime = std::max(ms, 0);
    Changed();
}

// Called straight from the timer rather than through the window's events, so that nothing
// reaches a window being destroyed.
void TWxEditorCaret::Notify()
{
    if (!Showing() || FBlinkTime == 0) {
        Stop();
        return;
    }
    FBlinkOn = !FBlinkOn;
    Refresh();
}

void TWxEditorCaret::Draw(wxDC& dc, const wxRegion& update) const
{
    if (Showing() && FBlinkOn)
        InvertInUpdate(dc, update, Rect());
}

} // namespace quillan
