#pragma once

#include "app/UserInterface.h"

#include <string>
#include <string_view>

namespace quillan {

class TCustomQuillEdit;

// What the find/replace dialog holds between uses: its texts and its boxes.
struct TFindDialogState {
    std::string FindText;
    std::string ReplaceText;
    bool MatchCase = false;
    bool WholeWord = false;
    bool Down = true;
};

// The editor's search options for the dialog's find-next and for its replace buttons. Replacing
// always runs forwards, whatever the direction the dialog shows.
unsigned FindNextOptions(const TFindDialogState& state);
unsigned ReplaceOptions(const TFindDialogState& state, bool all);

// The main window's find commands over the active editor: find next (also F3), replace and
// replace all, each reporting an empty or unmatched search text to the user.
class TFindReplace {
public:
    explicit TFindReplace(IUserInterface& ui)
        : FUI(ui)
    {
    }

    TFindDialogState State;

    // F3 repeats the dialog's search, so it has nothing to do before a text was entered.
    bool CanFindAgain() const { return !State.FindText.empty(); }

    // Each returns the number of matches handled; 0 when nothing was searched or found. A null
    // editor does nothing.
    int Find(TCustomQuillEdit* edit);
    int Replace(TCustomQuillEdit* edit, bool all);

private:
    // False (and the user told) when the search text cannot match anything.
    bool Searchable(const char* emptyMessage);
    void NotFound();

    IUserInterface& FUI;
};

} // namespace quillan
