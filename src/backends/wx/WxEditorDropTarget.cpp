#include "backends/wx/WxEditorDropTarget.h"

#include "backends/wx/WxEditorWindow.h"
#include "backends/wx/WxKeys.h"
#include "backends/wx/WxTextDrag.h"

#include <gtk/gtk.h>
#include <string>
#include <wx/dataobj.h>

namespace quillan {

namespace {

TShiftState Modifiers()
{
    return ShiftStateFromWx(wxGetMouseState().GetModifiers());
}

std::string_view Bytes(const wxCustomDataObject& data)
{
    return { static_cast<const char*>(data.GetData()), data.GetSize() };
}

GdkDragAction Actions(GdkDragContext* drag)
{
    return drag ? gdk_drag_context_get_actions(drag) : static_cast<GdkDragAction>(GDK_ACTION_COPY | GDK_ACTION_MOVE);
}

// wx answers the toolkit with a move for wxDragNone; a link that the drag does not offer is how
// the target says no, so that the no-drop cursor shows.
wxDragResult Refuse(GdkDragContext* drag)
{
    return (Actions(drag) & GDK_ACTION_LINK) ? wxDragNone : wxDragLink;
}

wxDragResult Allowed(GdkDragContext* drag, TDropEffect effect, bool fromEditor)
{
    const GdkDragAction actions = Actions(drag);
    if (effect == TDropEffect::deMove && (actions & GDK_ACTION_MOVE))
        return wxDragMove;
    if (effect == TDropEffect::deCopy && (actions & GDK_ACTION_COPY))
        return wxDragCopy;
    // Another program that only lets its text move: the text is here before it lets go.
    if (effect == TDropEffect::deCopy && !fromEditor && (actions & GDK_ACTION_MOVE))
        return wxDragMove;
    return Refuse(drag);
}

} // namespace

TWxEditorDropTarget::TWxEditorDropTarget(TWxEditorWindow& window)
    : FWindow(window)
{
    auto* data = new wxDataObjectComposite;
    FFiles = new wxFileDataObject;
    data->Add(FFiles, true);
    FEditorText = new wxCustomDataObject(wxDataFormat(EditorTextDragFormat));
    data->Add(FEditorText);
    // Text from other programs as bytes: wx's text object would turn invalid UTF-8 into nothing
    // at all.
    for (const char* format : { "UTF8_STRING", "text/plain;charset=utf-8", "text/plain" }) {
        auto* text = new wxCustomDataObject(wxDataFormat(format));
        data->Add(text);
        FTexts.push_back(text);
    }
    FData = data;
    SetDataObject(data);
}

wxDragResult TWxEditorDropTarget::OnDragOver(wxCoord x, wxCoord y, wxDragResult def)
{
    const TKind kind = Kind();
    if (kind == TKind::Files)
        return FWindow.TakesFileDrops() ? wxFileDropTarget::OnDragOver(x, y, def) : wxDragNone;
    IEditorWindowClient* client = FWindow.Client();
    if (!client)
        return Refuse(m_dragContext);
    IEditorWindowClient* source = kind == TKind::EditorText ? TWxTextDrag::SourceOf(m_dragContext) : nullptr;
    const wxDragResult result
        = Allowed(m_dragContext, client->TextDragOver(source, Modifiers(), x, y), source != nullptr);
    FWindow.ShowDropMarker(result == wxDragCopy || result == wxDragMove);
    return result;
}

void TWxEditorDropTarget::OnLeave()
{
    FWindow.ShowDropMarker(false);
    if (IEditorWindowClient* client = FWindow.Client())
        client->TextDragLeave();
}

bool TWxEditorDropTarget::OnDrop(wxCoord x, wxCoord y)
{
    if (Kind() == TKind::Files)
        return wxFileDropTarget::OnDrop(x, y);
    IEditorWindowClient* client = FWindow.Client();
    return client && client->TakesTextDrops();
}

wxDragResult TWxEditorDropTarget::OnData(wxCoord x, wxCoord y, wxDragResult def)
{
    FWindow.ShowDropMarker(false);
    if (!GetData())
        return wxDragNone;
    const wxDataFormat format = FData->GetReceivedFormat();
    if (format == FFiles->GetFormat())
        return OnDropFiles(x, y, FFiles->GetFilenames()) ? def : wxDragNone;
    IEditorWindowClient* client = FWindow.Client();
    if (!client)
        return wxDragNone;
    if (format == FEditorText->GetFormat()) {
        std::string text;
        if (IEditorWindowClient* source = TWxTextDrag::ReadPayload(Bytes(*FEditorText), text))
            return client->TextDragDrop(source, Modifiers(), x, y) ? def : wxDragNone;
        return client->TextDropped(text, x, y) ? wxDragCopy : wxDragNone;
    }
    for (wxCustomDataObject* text : FTexts) {
        if (format != text->GetFormat())
            continue;
        std::string bytes(Bytes(*text));
        // Some programs send the C string's terminator along.
        if (!bytes.empty() && bytes.back() == '\0')
            bytes.pop_back();
        return client->TextDropped(bytes, x, y) ? wxDragCopy : wxDragNone;
    }
    return wxDragNone;
}

bool TWxEditorDropTarget::OnDropFiles(wxCoord x, wxCoord y, const wxArrayString& files)
{
    return FWindow.DropFiles(x, y, files);
}

// Without a drag to look at (a call from the program itself) the target is the file target it
// always was.
TWxEditorDropTarget::TKind TWxEditorDropTarget::Kind()
{
    const GdkAtom format = GTKGetMatchingPair(true);
    if (!format || format == FFiles->GetFormat().GetFormatId())
        return TKind::Files;
    if (format == FEditorText->GetFormat().GetFormatId())
        return TKind::EditorText;
    return TKind::Text;
}

} // namespace quillan
