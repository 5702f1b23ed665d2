#pragma once

#include "ports/Canvas.h"

#include <wx/region.h>
#include <wx/timer.h>

class wxDC;
class wxWindow;

namespace quillan {

// Inverts the pixels of `rect` that lie within `update` (difference with white), as the
// platform caret does: a block caret leaves its character readable.
void InvertInUpdate(wxDC& dc, const wxRegion& update, const TRect& rect);

// The caret of an editor window, drawn by the window over its own copy of the pixels and
// blinking on a timer of its own. Platform rules: a new caret is hidden until shown; hides nest,
// shows undo them one at a time and never go below zero; moving a hidden caret only remembers
// the place. Every change repaints the window where the caret was and where it is.
class TWxEditorCaret : private wxTimer {
public:
    explicit TWxEditorCaret(wxWindow& window);
    ~TWxEditorCaret() override;

    void Create(int width, int height);
    void SetPos(int x, int y);
    void Show();
    void Hide();
    void Destroy();

    bool Showing() const { return FCreated && FHideLevel == 0; }
    // Client pixels the caret covers (empty without a caret).
    TRect Rect() const;
    TSize Size() const { return FSize; }
    // Half a blink cycle in milliseconds; 0 keeps a shown caret on.
    void SetBlinkTime(int ms);
    // Draws the caret where it is on and within the window's update region.
    void Draw(wxDC& dc, const wxRegion& update) const;

private:
    void Notify() override;
    // Repaints where the caret is before a change; call Changed after it.
    void Refresh();
    void Changed();

    wxWindow& FWindow;
    bool FCreated = false;
    int FHideLevel = 1;
    TSize FSize;
    TPoint FPos;
    bool FBlinkOn = true;
    int FBlinkTime = 500;
};

} // namespace quillan
