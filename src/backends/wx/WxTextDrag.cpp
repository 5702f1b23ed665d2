#include "backends/wx/WxTextDrag.h"

#include "backends/wx/WxEditorWindow.h"
#include "backends/wx/WxText.h"

#include <charconv>
#include <cstdint>
#include <gtk/gtk.h>
#include <optional>
#include <unistd.h>

namespace quillan {

namespace {

// wxDropSource would do, but it runs the drag in an event loop of its own and returns only once
// the drop is over: everything that happens meanwhile, the drop on this very window included,
// would run inside the mouse event that began the drag. The toolkit's own drag returns at once.

enum TTargetInfo : guint { InfoEditorText = 1, InfoPlainText = 2 };

struct TDrag {
    TWxEditorWindow* Window = nullptr;
    IEditorWindowClient* Client = nullptr;
    GtkWidget* Widget = nullptr; // referenced while the drag runs
    GdkDragContext* Context = nullptr;
    std::uint64_t Number = 0;
    std::string Text;
    std::string Payload;
    std::string PlainText; // valid UTF-8
    gulong DataGetHandler = 0;
    gulong EndHandler = 0;
};

std::optional<TDrag> current;
std::uint64_t dragCount = 0;

void Disconnect(TDrag& drag)
{
    if (drag.DataGetHandler)
        g_signal_handler_disconnect(drag.Widget, drag.DataGetHandler);
    if (drag.EndHandler)
        g_signal_handler_disconnect(drag.Widget, drag.EndHandler);
    drag.DataGetHandler = drag.EndHandler = 0;
}

void Finish()
{
    if (!current)
        return;
    Disconnect(*current);
    GtkWidget* widget = current->Widget;
    current.reset();
    g_object_unref(widget);
}

void OnDataGet(GtkWidget*, GdkDragContext* context, GtkSelectionData* data, guint info, guint, gpointer)
{
    if (!current || (current->Context && context != current->Context))
        return;
    if (info == InfoEditorText) {
        gtk_selection_data_set(data, gtk_selection_data_get_target(data), 8,
            reinterpret_cast<const guchar*>(current->Payload.data()), static_cast<gint>(current->Payload.size()));
    } else {
        gtk_selection_data_set_text(data, current->PlainText.data(), static_cast<gint>(current->PlainText.size()));
    }
}

void OnEnd(GtkWidget*, GdkDragContext* context, gpointer)
{
    if (current && (!current->Context || context == current->Context))
        Finish();
}

} // namespace

bool TWxTextDrag::Begin(TWxEditorWindow& window, std::string_view text)
{
    GtkWidget* widget = window.GetConnectWidget();
    if (current || text.empty() || !widget || !gtk_widget_get_realized(widget))
        return false;
    TDrag drag;
    drag.Window = &window;
    drag.Client = window.Client();
    drag.Widget = widget;
    drag.Number = ++dragCount;
    drag.Text = text;
    drag.Payload = std::to_string(getpid()) + ' ' + std::to_string(drag.Number) + '\n';
    drag.Payload += text;
    drag.PlainText = WxToUtf8(Utf8ToWx(text));
    g_object_ref(widget);
    current = std::move(drag);
    // Connected before the drag begins: the toolkit may end a drag that cannot start at once.
    current->DataGetHandler = g_signal_connect(widget, "drag-data-get", G_CALLBACK(OnDataGet), nullptr);
    current->EndHandler = g_signal_connect(widget, "drag-end", G_CALLBACK(OnEnd), nullptr);

    GtkTargetList* targets = gtk_target_list_new(nullptr, 0);
    // The private format first: a drop target takes the first format it knows.
    gtk_target_list_add(targets, gdk_atom_intern_static_string(EditorTextDragFormat), 0, InfoEditorText);
    gtk_target_list_add_text_targets(targets, InfoPlainText);
    GdkEvent* event = gtk_get_current_event();
    GdkDragContext* context = gtk_drag_begin_with_coordinates(
        widget, targets, static_cast<GdkDragAction>(GDK_ACTION_COPY | GDK_ACTION_MOVE), 1, event, -1, -1);
    if (event)
        gdk_event_free(event);
    gtk_target_list_unref(targets);
    if (!context) {
        Finish();
        return false;
    }
    if (current)
        current->Context = context;
    return true;
}

bool TWxTextDrag::Running()
{
    return current.has_value();
}

IEditorWindowClient* TWxTextDrag::SourceOf(GdkDragContext* context)
{
    if (!current || !context || gtk_drag_get_source_widget(context) != current->Widget)
        return nullptr;
    return current->Window->Client() == current->Client ? current->Client : nullptr;
}

IEditorWindowClient* TWxTextDrag::ReadPayload(std::string_view payload, std::string& text, bool* valid)
{
    text.clear();
    const std::size_t eol = payload.find('\n');
    const std::size_t space = payload.find(' ');
    long long pid = 0;
    std::uint64_t number = 0;
    const char* head = payload.data();
    const bool ok = eol != std::string_view::npos && space < eol
        && std::from_chars(head, head + space, pid).ec == std::errc {}
        && std::from_chars(head + space + 1, head + eol, number).ec == std::errc {};
    if (valid)
        *valid = ok;
    if (!ok)
        return nullptr;
    text = payload.substr(eol + 1);
    if (pid != getpid() || !current || number != current->Number)
        return nullptr;
    IEditorWindowClient* client = current->Client;
    // Moving takes the source's selection away: it must still be what was dragged.
    if (!client || current->Window->Client() != client || client->SelectedText() != text)
        return nullptr;
    return client;
}

void TWxTextDrag::Forget(TWxEditorWindow& window)
{
    if (!current || current->Window != &window)
        return;
    GdkDragContext* context = current->Context;
    Disconnect(*current);
    if (context)
        gtk_drag_cancel(context);
    Finish();
}

} // namespace quillan
