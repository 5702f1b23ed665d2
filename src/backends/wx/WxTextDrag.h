#pragma once

#include <string>
#include <string_view>

typedef struct _GdkDragContext GdkDragContext;

namespace quillan {

class IEditorWindowClient;
class TWxEditorWindow;

// The format by which editor windows know text dragged out of an editor window. Its data is
// "<process id> <drag number>\n" and then the text's bytes as they are, so that an editor of
// another process still receives the exact text (invalid UTF-8 and NUL bytes included).
inline constexpr const char* EditorTextDragFormat = "application/x-quillan-editor-text";

// Dragging a client's selected text out of its editor window through the desktop's drag and
// drop, so that any window of any program can take it: other programs get plain UTF-8 text,
// editor windows get the private format as well and, within this process, the client (the
// control) the text comes from, which lets them move it.
//
// The drag runs beside the event loop instead of in a loop of its own: Begin returns as soon as
// the toolkit has taken the mouse, and the drag ends later, with a drop or a cancel. There is at
// most one drag in a process, as there is one mouse.
//
// The source never deletes its text at the request of the window it was dropped on: a program
// that asks for a move would take the text out of the document without the document's undo.
// Moves between editor windows are done by the receiving window (DragDrop), with both undo lists.
class TWxTextDrag {
public:
    // Starts a drag of `text` out of `window` (its client is the source). Call while the mouse
    // event that moved far enough is being handled, with the mouse not captured. False when the
    // toolkit could not start one or a drag is already running.
    static bool Begin(TWxEditorWindow& window, std::string_view text);
    static bool Running();

    // For drop targets. The client a drag comes from, given the drop side's context: the
    // client of the editor window that began the drag running in this process, else null.
    static IEditorWindowClient* SourceOf(GdkDragContext* context);
    // Reads data of EditorTextDragFormat into `text`. Returns the client it was dragged from
    // when that drag is this process's running one and the client still has exactly that text
    // selected; null when the text is to be taken as a copy from elsewhere. False from `valid`
    // when the data is not of the format.
    static IEditorWindowClient* ReadPayload(std::string_view payload, std::string& text, bool* valid = nullptr);

    // The window is going away: a drag it began is cancelled.
    static void Forget(TWxEditorWindow& window);
};

} // namespace quillan
