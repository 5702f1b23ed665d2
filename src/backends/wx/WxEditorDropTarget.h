#pragma once

#include "ports/EditorWindowClient.h"

#include <string_view>
#include <vector>
#include <wx/dnd.h>

namespace quillan {

class TWxEditorWindow;

// The drop target of an editor window: dropped files and dragged text, both handed to the
// window's client. A drop target on a child window hides the drop from its parents' targets, so
// the window always has one and asks its client per drag whether it takes it: the client's
// options may change after the window exists.
// What a drag carries is told by the first of its formats that the target knows, in the drag's
// own order: a file manager offers its files before their names as text, an editor window its
// private format before the plain text.
class TWxEditorDropTarget : public wxFileDropTarget {
public:
    explicit TWxEditorDropTarget(TWxEditorWindow& window);

    wxDragResult OnDragOver(wxCoord x, wxCoord y, wxDragResult def) override;
    void OnLeave() override;
    bool OnDrop(wxCoord x, wxCoord y) override;
    wxDragResult OnData(wxCoord x, wxCoord y, wxDragResult def) override;
    bool OnDropFiles(wxCoord x, wxCoord y, const wxArrayString& files) override;

private:
    enum class TKind { Files, EditorText, Text };

    TKind Kind();

    TWxEditorWindow& FWindow;
    wxDataObjectComposite* FData = nullptr; // owned by the target
    wxFileDataObject* FFiles = nullptr;
    wxCustomDataObject* FEditorText = nullptr;
    std::vector<wxCustomDataObject*> FTexts;
};

} // namespace quillan
