#include "editor/EditTracking.h"

#include <algorithm>

namespace quillan {

// --- touched lines ---------------------------------------------------------------------------

void TTouchedLines::Begin()
{
    FRuns.clear();
    FTracking = true;
}

TTouchedLines::TRuns TTouchedLines::Take()
{
    TRuns runs = std::move(FRuns);
    FRuns.clear();
    return runs;
}

void TTouchedLines::Note(int index, int count, int shift)
{
    if (!FTracking)
        return;
    if (shift != 0) {
        TRuns moved;
        moved.reserve(FRuns.size());
        for (auto [a, b] : FRuns) {
            if (shift > 0) {
                if (a >= index) {
                    a += shift;
                    b += shift;
                } else if (b > index) {
                    b += shift;
                }
            } else {
                int gone = -shift;
                auto map = [&](int v) { return v <= index ? v : v >= index + gone ? v - gone : index; };
                a = map(a);
                b = map(b);
            }
            if (b > a)
                moved.emplace_back(a, b);
        }
        FRuns = std::move(moved);
    }
    if (count <= 0)
        return;
    if (!FRuns.empty()) {
        auto& [a, b] = FRuns.back();
        if (index <= b && index + count >= a) {
            a = std::min(a, index);
            b = std::max(b, index + count);
            return;
        }
    }
    FRuns.emplace_back(index, index + count);
}

// --- undo group track ------------------------------------------------------------------------

void TUndoGroupTrack::Added(const TQuillEditUndoList& list)
{
    int n = list.ItemCount();
    if (n <= FCount) {
        // The limit discarded items. One discard from a group that keeps its number in the list
        // cuts that group; its rest cannot be undone as a whole any more.
        int discarded = FCount + 1 - n;
        std::uint32_t oldest = n > 0 ? list.Item(0).ChangeNumber() : 0;
        if (n == 0)
            FCut = false;
        else if (discarded == 1)
            FCut = oldest == FOldest;
        else
            FCut = true;
    }
    FCount = n;
    FOldest = n > 0 ? list.Item(0).ChangeNumber() : 0;
}

void TUndoGroupTrack::Sync(const TQuillEditUndoList& list)
{
    int n = list.ItemCount();
    if (n < FCount && n > 0 && list.Item(0).ChangeNumber() != FOldest)
        FCut = true;
    if (n == 0)
        FCut = false;
    FCount = n;
    FOldest = n > 0 ? list.Item(0).ChangeNumber() : 0;
}

bool TUndoGroupTrack::NewestIsCut(const TQuillEditUndoList& list) const
{
    const TQuillEditUndoItem* newest = list.PeekItem();
    return FCut && newest && list.Item(0).ChangeNumber() == newest->ChangeNumber();
}

// --- range rescan ----------------------------------------------------------------------------

int TRangeRescan::From(int index)
{
    int count = FLines.Count();
    if (index >= count - 1)
        return index;
    FHighlighter.StartLine(FLines.GetView(index), index);
    FHighlighter.ScanToLineEnd();
    for (int j = index + 1; j < count; ++j) {
        TRangeState range = FHighlighter.CurrentRange();
        if (range == FLines.GetRange(j))
            return j - 1;
        FLines.PutRange(j, range);
        // The last line's own end state is stored nowhere, so it need not be scanned.
        if (j == count - 1)
            return j;
        FHighlighter.StartLine(FLines.GetView(j), j);
        FHighlighter.ScanToLineEnd();
    }
    return count - 1;
}

int TRangeRescan::AfterLinePut(int index)
{
    FHighlighter.RestoreRange(FLines.GetRange(index));
    return From(index);
}

void TRangeRescan::AfterLineCountChange(int index)
{
    if (index <= 0) {
        FHighlighter.ClearRange();
        FLines.PutRange(0, FHighlighter.CurrentRange());
        if (FLines.Count() >= 2)
            From(0);
    } else {
        FHighlighter.RestoreRange(FLines.GetRange(index - 1));
        From(index - 1);
    }
}

void TRangeRescan::All()
{
    FHighlighter.ClearRange();
    int count = FLines.Count();
    for (int i = 0; i < count; ++i) {
        FLines.PutRange(i, FHighlighter.CurrentRange());
        FHighlighter.StartLine(FLines.GetView(i), i);
        FHighlighter.ScanToLineEnd();
    }
}

} // namespace quillan
