#include "editor/QuillEdit.h"
#include "editor/QuillEditPrivate.h"

#include <algorithm>

namespace quillan {

// --- undo recording --------------------------------------------------------------------------

void TCustomQuillEdit::RecordChange(
    TQuillChangeReason reason, TBufferCoord start, TBufferCoord end, std::string text, TQuillSelectionMode mode)
{
    if (FReplayDepth > 0)
        return;
    FUndoList->AddChange(reason, start, end, std::move(text), mode);
}

void TCustomQuillEdit::RecordImplicit(
    TQuillChangeReason reason, TBufferCoord start, TBufferCoord end, std::string text, TQuillSelectionMode mode)
{
    RecordPastLock(reason, start, end, std::move(text), mode, true);
}

void TCustomQuillEdit::RecordPastLock(TQuillChangeReason reason, TBufferCoord start, TBufferCoord end, std::string text,
    TQuillSelectionMode mode, bool implicit)
{
    if (FReplayDepth > 0)
        return;
    TQuillEditUndoItem item(reason, start, end, std::move(text), mode, FUndoList->BlockChangeNumber());
    item.SetImplicit(implicit);
    if (item.ChangeNumber() == 0)
        FUndoList->AddItem(std::move(item));
    else
        FUndoList->PushItem(std::make_unique<TQuillEditUndoItem>(std::move(item)));
}

void TCustomQuillEdit::NormalizeSelection()
{
    // The ends were clamped when set; the text may have changed under them since. What is
    // recorded must be the range that is removed.
    FBlockBegin = ClampSelectionPos(FBlockBegin);
    FBlockEnd = ClampSelectionPos(FBlockEnd);
}

void TCustomQuillEdit::RecordSelectionRemoval(TQuillChangeReason reason)
{
    if (FSelectionMode != TQuillSelectionMode::smColumn) {
        RecordChange(reason, SelectionStart(), SelectionStop(), SelectedTextIn(false), FSelectionMode);
        return;
    }
    // One item for the whole block, so that undo can show it again as it was selected. The
    // block is a rectangle of cells, so its rows need not lie at the same bytes in their lines;
    // the item keeps each row's bytes to put back exactly those.
    const int count = FLines->Count();
    const int first = std::max(1, SelectionStart().Y);
    const auto [left, right] = ColumnBlockEdges();
    std::string text;
    std::vector<TQuillRowRange> rows;
    bool removes = false;
    for (int y = first; y <= std::min(count, SelectionStop().Y); ++y) {
        auto [a, b] = ColumnBlockBytes(y, left, right);
        if (y > first)
            text += "\r\n";
        text += LineView(y).substr(a, b - a);
        rows.push_back({ static_cast<int>(a) + 1, static_cast<int>(b) + 1 });
        removes = removes || b > a;
    }
    if (!removes || FReplayDepth > 0)
        return;
    TQuillEditUndoItem item(
        reason, SelectionStart(), SelectionStop(), std::move(text), TQuillSelectionMode::smColumn, 0);
    item.SetRowRanges(std::move(rows));
    FUndoList->AddItem(std::move(item));
}

void TCustomQuillEdit::DeleteSelectionWithUndo(bool backwardsAsToStart)
{
    NormalizeSelection();
    if (!HasSelection())
        return;
    TQuillChangeReason reason = backwardsAsToStart && FBlockEnd < FBlockBegin ? TQuillChangeReason::ukDeleteToStart
                                                                              : TQuillChangeReason::ukDeleteSelection;
    RecordSelectionRemoval(reason);
    TUndoLockScope lock(*this);
    SetSelTextPrimitive(FSelectionMode, {});
}

void TCustomQuillEdit::ReplaceSelection(std::string_view text)
{
    if (FReadOnly)
        return;
    TEditScope scope(*this);
    NormalizeSelection();
    if (HasSelection())
        RecordSelectionRemoval(TQuillChangeReason::ukDeleteSelection);
    TInsertion inserted;
    {
        TUndoLockScope lock(*this);
        inserted = SetSelTextPrimitive(TQuillSelectionMode::smNormal, text);
    }
    if (!text.empty())
        RecordChange(TQuillChangeReason::ukInsert, inserted.Start, inserted.End, {}, TQuillSelectionMode::smNormal);
}

void TCustomQuillEdit::BeginEdit()
{
    if (FReplayDepth > 0)
        return;
    if (FEditDepth++ == 0) {
        FUndoList->BeginBlock();
        FTouched.Begin();
    }
}

void TCustomQuillEdit::EndEdit(bool unwinding)
{
    if (FReplayDepth > 0)
        return;
    if (--FEditDepth > 0)
        return;
    FTouched.End();
    bool keepSelection = FEditSelects;
    FEditSelects = false;
    try {
        if (!unwinding) {
            TrimTouchedLines();
            // Lines changed before the caret reached its final place; the edit ends with the
            // selection on the caret unless it selected something on purpose.
            // Text moved under a caret that stayed (block indent) must not leave it inside a
            // character.
            int snapped = SnapColumn(FCaretY, FCaretX);
            if (snapped != FCaretX) {
                TPastEolScope pastEol(*this);
                InternalSetCaretXY({ snapped, FCaretY }, false);
            }
            if (!keepSelection)
                SetSelAnchor({ FCaretX, FCaretY });
            else
                NormalizeSelection();
        }
    } catch (...) {
        FUndoList->EndBlock();
        throw;
    }
    FUndoList->EndBlock();
}

// Lines are trimmed when the edit that wrote them ends, not as each is written: recording the
// trim as an item of its own after the edit's items lets undo give back the blanks (also ones the
// line had before the edit) and redo take them away again.
void TCustomQuillEdit::TrimTouchedLines()
{
    TTouchedLines::TRuns runs = FTouched.Take();
    if (!FOptions.Contains(TQuillEditorOption::eoTrimTrailingSpaces) || runs.empty())
        return;
    FInTrimPass = true;
    try {
        TLinesUpdateScope update(*FLines);
        for (auto [first, last] : runs) {
            for (int i = first; i < last && i < FLines->Count(); ++i) {
                std::string_view s = FLines->GetView(i);
                std::size_t n = s.size();
                while (n > 0 && static_cast<unsigned char>(s[n - 1]) <= 32)
                    --n;
                if (n == s.size())
                    continue;
                std::string tail(s.substr(n));
                int len = static_cast<int>(s.size());
                FLines->Splice(i, n, s.size() - n, {});
                RecordImplicit(TQuillChangeReason::ukDeleteForward, { static_cast<int>(n) + 1, i + 1 },
                    { len + 1, i + 1 }, std::move(tail), TQuillSelectionMode::smNormal);
            }
        }
    } catch (...) {
        FInTrimPass = false;
        throw;
    }
    FInTrimPass = false;
}

void TCustomQuillEdit::UndoAdded(TQuillEditUndoList* list)
{
    int which = list == FUndoList.get() ? 0 : 1;
    FUndoTrack[static_cast<std::size_t>(which)].Added(*list);

    bool modified = FUndoList->CanUndo() || FUndoList->IsFull();
    if (modified != FModified) {
        FModified = modified;
        StatusChanged(stModified);
    }
    if (which == 0 && !FRedoRunning && FRedoList->ItemCount() > 0) {
        FRedoList->ClearList();
        SyncUndoTrack(1);
    }
    if (OnChange)
        OnChange(this);
}

void TCustomQuillEdit::SyncUndoTrack(int which)
{
    FUndoTrack[static_cast<std::size_t>(which)].Sync(which == 0 ? *FUndoList : *FRedoList);
}

bool TCustomQuillEdit::GroupIsCut(int which) const
{
    return FUndoTrack[static_cast<std::size_t>(which)].NewestIsCut(which == 0 ? *FUndoList : *FRedoList);
}

} // namespace quillan
