#pragma once

// Bookkeeping the editor control does for an edit and for its undo lists, kept apart from the
// control so that it can be reasoned about (and tested) on its own.

#include "highlight/HighlighterBase.h"
#include "text/QuillEditTextBuffer.h"
#include "text/QuillEditUndo.h"

#include <cstdint>
#include <utility>
#include <vector>

namespace quillan {

// The lines an edit wrote, as 0-based [first, last) runs, kept in step with lines coming and going
// while the edit runs so that trailing blanks are trimmed once when it ends. Outside an edit
// nothing is noted.
class TTouchedLines {
public:
    using TRuns = std::vector<std::pair<int, int>>;

    // Starts noting afresh.
    void Begin();
    // Stops noting; the runs stay until taken.
    void End() { FTracking = false; }
    bool Tracking() const { return FTracking; }
    void Clear() { FRuns.clear(); }
    TRuns Take();
    const TRuns& Runs() const { return FRuns; }

    // `count` lines came in at `index`: runs below move down, and the new lines were written.
    void LinesInserted(int index, int count) { Note(index, count, count); }
    // `count` lines went at `index`: runs below move up, runs inside shrink or vanish.
    void LinesDeleted(int index, int count) { Note(index, 0, -count); }
    void LineWritten(int index) { Note(index, 1, 0); }

private:
    // shift > 0: `shift` lines came in at index; shift < 0: -shift lines went at index. Then the
    // lines [index, index + count) are marked written.
    void Note(int index, int count, int shift);

    bool FTracking = false;
    TRuns FRuns;
};

// Whether the oldest group of an undo list lost items to the list's limit. Such a group cannot be
// taken back as a whole any more, so it must not be offered once it is the newest.
class TUndoGroupTrack {
public:
    // After an item went into `list`.
    void Added(const TQuillEditUndoList& list);
    // After items left `list` other than by a push (replay, clearing, a new limit).
    void Sync(const TQuillEditUndoList& list);
    // The list's newest group is its oldest, and that one is cut.
    bool NewestIsCut(const TQuillEditUndoList& list) const;

private:
    int FCount = 0;
    std::uint32_t FOldest = 0;
    bool FCut = false;
};

// The range stored with each line is the highlighter's state after all lines above it. A rescan
// starts at the first changed line and stops at the first line whose stored range it confirms;
// from there on nothing can have changed.
class TRangeRescan {
public:
    TRangeRescan(TQuillEditStringList& lines, TCustomHighlighter& highlighter)
        : FLines(lines)
        , FHighlighter(highlighter)
    {
    }
    // Rescans from the 0-based line `index` on; returns the last line whose look may have changed.
    int From(int index);
    // After the 0-based line `index` was rewritten; returns the last line whose look may have
    // changed.
    int AfterLinePut(int index);
    // After lines came or went at 0-based `index`.
    void AfterLineCountChange(int index);
    // Stores every line's range from the top.
    void All();

private:
    TQuillEditStringList& FLines;
    TCustomHighlighter& FHighlighter;
};

} // namespace quillan
