#include "backends/wx/WxEventWait.h"

#include <chrono>
#include <gtk/gtk.h>
#include <thread>
#include <wx/app.h>
#include <wx/toplevel.h>

namespace quillan {

bool WaitForEvents(const std::function<bool()>& done, int timeoutMs, int napMicroseconds)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        wxTheApp->Yield(true);
        if (done())
            return true;
        if (std::chrono::steady_clock::now() >= end)
            return false;
        std::this_thread::sleep_for(std::chrono::microseconds(napMicroseconds));
    }
}

void PumpEvents(int ms)
{
    WaitForEvents([] { return false; }, ms);
}

bool FocusToplevelWindow(wxWindow* window)
{
    wxWindow* top = wxGetTopLevelParent(window);
    GdkWindow* gdkWindow = gtk_widget_get_window(static_cast<GtkWidget*>(top->GetHandle()));
    if (!gdkWindow)
        return false;
    WaitForEvents([&] { return gdk_window_is_viewable(gdkWindow); }, 2000);
    gdk_window_focus(gdkWindow, GDK_CURRENT_TIME);
    auto* gtkWindow = GTK_WINDOW(top->GetHandle());
    return WaitForEvents([&] { return gtk_window_has_toplevel_focus(gtkWindow); }, 3000);
}

} // namespace quillan
