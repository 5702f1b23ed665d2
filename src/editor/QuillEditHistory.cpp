#include "editor/QuillEdit.h"
#include "editor/QuillEditPrivate.h"

#include <algorithm>

namespace quillan {

// Undo and redo replay items as exact inverses of each other. Every item describes a region of
// the text as it is when the item is applied and the text to put there instead; applying it
// records into the other list the region the new text now takes and the text it displaced. Edits
// record their side effects (padding, trimming, a first line created) as items of their own, so
// replaying never pads or trims by itself.

namespace {

using ck = TQuillChangeReason;

bool IsInsertKind(ck reason)
{
    return reason == ck::ukInsert || reason == ck::ukPaste || reason == ck::ukDropInsert;
}

bool IsDeleteKind(ck reason)
{
    return reason == ck::ukDeleteToStart || reason == ck::ukDeleteSelection || reason == ck::ukDeleteBackward
        || reason == ck::ukDeleteForward;
}

} // namespace

bool TCustomQuillEdit::CanUndo() const
{
    return FUndoList->CanUndo() && !GroupIsCut(0);
}

bool TCustomQuillEdit::CanRedo() const
{
    return FRedoList->CanUndo() && !GroupIsCut(1);
}

void TCustomQuillEdit::ClearUndo()
{
    FUndoList->ClearList();
    FRedoList->ClearList();
    SyncUndoTrack(0);
    SyncUndoTrack(1);
}

void TCustomQuillEdit::Undo()
{
    if (FReadOnly || !CanUndo())
        return;
    ReplayGroup(*FUndoList, *FRedoList, true);
}

void TCustomQuillEdit::Redo()
{
    if (FReadOnly || !CanRedo())
        return;
    ReplayGroup(*FRedoList, *FUndoList, false);
}

void TCustomQuillEdit::ReplayGroup(TQuillEditUndoList& from, TQuillEditUndoList& into, bool undo)
{
    std::uint32_t group = from.PeekItem()->ChangeNumber();
    TPaintLockScope lock(*this);
    std::uint32_t saved = into.BlockChangeNumber();
    into.SetBlockChangeNumber(group);
    // Padding is recorded before an edit's own items and trimming after them, so whichever way a
    // group is replayed a side effect may come last; the caret must show the edit, not the
    // blanks it took along.
    std::optional<TReplayCaret> own;
    try {
        do {
            const bool implicit = from.PeekItem()->Implicit();
            if (undo)
                UndoItem();
            else
                RedoItem();
            if (!implicit)
                own = ReplayCaret();
            else if (own)
                RestoreReplayCaret(*own);
        } while (from.PeekItem() && from.PeekItem()->ChangeNumber() == group);
    } catch (...) {
        into.SetBlockChangeNumber(saved);
        throw;
    }
    into.SetBlockChangeNumber(saved);
    EnsureCursorPosVisible();
}

TCustomQuillEdit::TReplayCaret TCustomQuillEdit::ReplayCaret() const
{
    return { { FCaretX, FCaretY }, FBlockBegin, FBlockEnd };
}

void TCustomQuillEdit::RestoreReplayCaret(const TReplayCaret& state)
{
    // A side effect replayed after the edit may have taken blanks from under the caret; it stays
    // where the edit put it, past the line end if need be.
    TPastEolScope pastEol(*this);
    InternalSetCaretXY(state.Caret, true);
    SetSelectionRaw(state.Anchor, state.End);
}

void TCustomQuillEdit::RecordReplayed(
    TQuillEditUndoList& list, const TQuillEditUndoItem& item, TBufferCoord start, TBufferCoord end, std::string text)
{
    TQuillEditUndoItem replayed(item.ChangeReason(), start, end, std::move(text), item.ChangeSelMode(), 0);
    replayed.SetImplicit(item.Implicit());
    // A column block is taken away and put back at the same bytes of each row.
    replayed.SetRowRanges(item.RowRanges());
    list.AddItem(std::move(replayed));
}

std::string TCustomQuillEdit::RegionText(TBufferCoord start, TBufferCoord end, TQuillSelectionMode mode)
{
    FSelectionMode = mode;
    SetSelectionRaw(start, end);
    return SelectedTextIn(false);
}

void TCustomQuillEdit::SelectAfterReplay(
    TBufferCoord anchor, TBufferCoord end, bool select, std::optional<TBufferCoord> caret)
{
    TSnapScope snap(*this);
    InternalSetCaretXY(caret.value_or(end), true);
    if (select && !FOptions.Contains(TQuillEditorOption::eoNoSelection))
        SetSelectionRaw(anchor, end);
    else
        SetSelAnchor(caret.value_or(end));
}

namespace {

// Where text inserted at `at` in `mode` ends, given where the caret stopped after inserting it.
TBufferCoord InsertedEnd(TQuillSelectionMode mode, TBufferCoord caret)
{
    // A line-mode block ending in a line break ends on the line before the caret.
    if (mode == TQuillSelectionMode::smLine && caret.X == 1)
        return { 1, caret.Y - 1 };
    return caret;
}

} // namespace

std::vector<std::string_view> TCustomQuillEdit::ApplyRowPrefixes(int firstLine, std::string_view text, bool add)
{
    // An indent item holds, row by row from its first line, what the indent put before each
    // line; undoing and redoing take those prefixes away or put them back.
    std::vector<std::string_view> rows = SplitRows(text);
    TLinesUpdateScope update(*FLines);
    for (std::size_t k = 0; k < rows.size(); ++k) {
        const int y = firstLine + static_cast<int>(k);
        if (y > FLines->Count() || rows[k].empty())
            continue;
        std::string_view s = LineView(y);
        if (add) {
            std::string line(rows[k]);
            line += s;
            PutLine(y, line);
        } else {
            PutLine(y, s.substr(std::min(rows[k].size(), s.size())));
        }
    }
    return rows;
}

void TCustomQuillEdit::PlaceColumnRows(int firstLine, std::string_view text, const std::vector<TQuillRowRange>& ranges)
{
    std::vector<std::string_view> rows = SplitRows(text);
    TLinesUpdateScope update(*FLines);
    for (std::size_t k = 0; k < rows.size() && k < ranges.size(); ++k) {
        const int y = firstLine + static_cast<int>(k);
        if (y > FLines->Count() || rows[k].empty())
            continue;
        std::string_view s = LineView(y);
        const std::size_t at = std::min(static_cast<std::size_t>(ranges[k].Start - 1), s.size());
        std::string line(s.substr(0, at));
        line += rows[k];
        line += s.substr(at);
        PutLine(y, line);
    }
}

std::string TCustomQuillEdit::TakeColumnRows(int firstLine, const std::vector<TQuillRowRange>& ranges)
{
    std::string removed;
    TLinesUpdateScope update(*FLines);
    for (std::size_t k = 0; k < ranges.size(); ++k) {
        const int y = firstLine + static_cast<int>(k);
        if (k > 0)
            removed += "\r\n";
        if (y > FLines->Count())
            continue;
        std::string_view s = LineView(y);
        const std::size_t a = std::min(static_cast<std::size_t>(ranges[k].Start - 1), s.size());
        const std::size_t b = std::clamp(static_cast<std::size_t>(ranges[k].End - 1), a, s.size());
        if (b == a)
            continue;
        removed += s.substr(a, b - a);
        std::string line(s.substr(0, a));
        line += s.substr(b);
        PutLine(y, line);
    }
    return removed;
}

void TCustomQuillEdit::UndoItem()
{
    std::unique_ptr<TQuillEditUndoItem> item = FUndoList->PopItem();
    SyncUndoTrack(0);
    if (!item)
        return;
    TReplayScope replay(*this);
    TPaintLockScope lock(*this);
    TQuillSelectionMode savedMode = FSelectionMode;
    const ck reason = item->ChangeReason();
    const TQuillSelectionMode mode = item->ChangeSelMode();
    const TBufferCoord start = item->ChangeStartPos();
    const TBufferCoord end = item->ChangeEndPos();
    const std::string& text = item->ChangeStr();
    try {
        if (IsFirstLineMark(*item)) {
            if (FLines->Count() == 1 && LineLength(1) == 0)
                FLines->Delete(0);
            RecordReplayed(*FRedoList, *item, start, end, {});
        } else if (IsInsertKind(reason) && mode == TQuillSelectionMode::smLine) {
            // A block of whole lines, also a single one (whose ends may coincide).
            std::string inserted = LineBlockText(start.Y, end.Y);
            FSelectionMode = mode;
            SetSelectionRaw(start, start);
            DeleteLineBlock(start.Y, end.Y);
            TBufferCoord oldEnd = SetSelTextPrimitive(mode, text).End;
            oldEnd = text.empty() ? start : InsertedEnd(mode, oldEnd);
            RecordReplayed(*FRedoList, *item, start, oldEnd, std::move(inserted));
            FSelectionMode = savedMode;
            SelectAfterReplay(start, start, false);
        } else if (IsInsertKind(reason)) {
            std::string inserted = RegionText(start, end, mode);
            InternalSetCaretXY(start, true);
            TBufferCoord oldEnd = SetSelTextPrimitive(mode, text).End;
            oldEnd = text.empty() ? start : InsertedEnd(mode, oldEnd);
            RecordReplayed(*FRedoList, *item, start, oldEnd, std::move(inserted));
            FSelectionMode = savedMode;
            SelectAfterReplay(start, start, false);
        } else if (IsDeleteKind(reason)) {
            TBufferCoord at = mode == TQuillSelectionMode::smColumn
                ? TBufferCoord { std::min(start.X, end.X), std::min(start.Y, end.Y) }
                : std::min(start, end);
            FSelectionMode = mode;
            InternalSetCaretXY(at, true);
            SetSelectionRaw(at, at);
            if (!item->RowRanges().empty()) {
                PlaceColumnRows(start.Y, text, item->RowRanges());
            } else if (mode == TQuillSelectionMode::smColumn) {
                TLinesUpdateScope update(*FLines);
                InsertColumn(text, std::nullopt, at.X);
            } else {
                SetSelTextPrimitive(mode, text);
            }
            RecordReplayed(*FRedoList, *item, start, end, {});
            bool select = reason == ck::ukDeleteToStart || reason == ck::ukDeleteSelection;
            if (reason == ck::ukDeleteToStart || reason == ck::ukDeleteForward)
                SelectAfterReplay(end, start, select);
            else
                SelectAfterReplay(start, end, select);
        } else if (reason == ck::ukLineBreak) {
            int y = start.Y;
            if (y >= 1 && y < FLines->Count()) {
                std::string line(LineView(y));
                std::string_view next = LineView(y + 1);
                // The new line holds the indentation the break added, then the moved text.
                std::size_t indent = next.size() >= text.size() ? next.size() - text.size() : 0;
                std::string added(next.substr(0, indent));
                int split = static_cast<int>(line.size());
                line += next.substr(indent);
                {
                    TLinesUpdateScope update(*FLines);
                    DeleteLine(y + 1);
                    PutLine(y, line);
                }
                RecordReplayed(*FRedoList, *item, start, { split + 1, y }, std::move(added));
            }
            SelectAfterReplay(start, start, false);
        } else if (reason == ck::ukIndent || reason == ck::ukUnindent) {
            ApplyRowPrefixes(start.Y, text, reason == ck::ukUnindent);
            RecordReplayed(*FRedoList, *item, start, end, text);
            FSelectionMode = savedMode;
            if (reason == ck::ukIndent)
                SelectAfterReplay(start, end, true);
            else
                SelectAfterReplay(end, start, true);
        }
    } catch (...) {
        FSelectionMode = savedMode;
        throw;
    }
    FSelectionMode = savedMode;
    // Ends placed in the item's mode must fit the mode the selection is shown in.
    TSnapScope snap(*this);
    NormalizeSelection();
}

void TCustomQuillEdit::RedoItem()
{
    std::unique_ptr<TQuillEditUndoItem> item = FRedoList->PopItem();
    SyncUndoTrack(1);
    if (!item)
        return;
    TReplayScope replay(*this);
    TPaintLockScope lock(*this);
    FRedoRunning = true;
    TQuillSelectionMode savedMode = FSelectionMode;
    const ck reason = item->ChangeReason();
    const TQuillSelectionMode mode = item->ChangeSelMode();
    const TBufferCoord start = item->ChangeStartPos();
    const TBufferCoord end = item->ChangeEndPos();
    const std::string& text = item->ChangeStr();
    try {
        if (IsFirstLineMark(*item)) {
            if (FLines->Count() == 0)
                FLines->Add(std::string_view());
            RecordReplayed(*FUndoList, *item, start, end, {});
        } else if (IsInsertKind(reason)) {
            // The region holds what the insertion displaced (overwritten characters, usually
            // nothing); the item's text is what was inserted.
            std::string displaced
                = start == end ? std::string() : RegionText(start, end, TQuillSelectionMode::smNormal);
            FSelectionMode = TQuillSelectionMode::smNormal;
            InternalSetCaretXY(start, true);
            if (start == end)
                SetSelectionRaw(start, start);
            TBufferCoord newEnd = InsertedEnd(mode, SetSelTextPrimitive(mode, text).End);
            RecordReplayed(*FUndoList, *item, start, newEnd, std::move(displaced));
            FSelectionMode = savedMode;
            SelectAfterReplay(start, { FCaretX, FCaretY }, reason == ck::ukDropInsert);
        } else if (IsDeleteKind(reason)) {
            std::string removed;
            if (!item->RowRanges().empty()) {
                removed = TakeColumnRows(start.Y, item->RowRanges());
            } else {
                removed = RegionText(start, end, mode);
                SetSelTextPrimitive(mode, {});
            }
            RecordReplayed(*FUndoList, *item, start, end, std::move(removed));
            FSelectionMode = savedMode;
            SelectAfterReplay(start, start, false);
        } else if (reason == ck::ukLineBreak) {
            int y = start.Y;
            if (y >= 1 && y <= FLines->Count()) {
                std::string line(LineView(y));
                std::size_t split = std::min(static_cast<std::size_t>(std::max(1, end.X) - 1), line.size());
                std::string moved = line.substr(split);
                if (split == 0 && text.empty()) {
                    InsertLine(y, {});
                } else {
                    TLinesUpdateScope update(*FLines);
                    PutLine(y, std::string_view(line).substr(0, split));
                    InsertLine(y + 1, text + moved);
                }
                RecordReplayed(*FUndoList, *item, start, start, std::move(moved));
                SelectAfterReplay(
                    { static_cast<int>(text.size()) + 1, y + 1 }, { static_cast<int>(text.size()) + 1, y + 1 }, false);
            }
        } else if (reason == ck::ukIndent || reason == ck::ukUnindent) {
            const std::vector<std::string_view> rows = ApplyRowPrefixes(start.Y, text, reason == ck::ukIndent);
            RecordReplayed(*FUndoList, *item, start, end, text);
            FSelectionMode = savedMode;
            int first = static_cast<int>(rows.front().size());
            // An end in column 1 lies on a line the block did not touch.
            bool endTouched = start.Y + static_cast<int>(rows.size()) - 1 >= end.Y;
            int last = endTouched ? static_cast<int>(rows.back().size()) : 0;
            int sign = reason == ck::ukIndent ? 1 : -1;
            TBufferCoord a { std::max(1, start.X + sign * first), start.Y };
            TBufferCoord b { std::max(1, end.X + sign * last), end.Y };
            // Redone, an indent leaves the caret below the block, an unindent at its start.
            TBufferCoord caret
                = reason == ck::ukIndent ? TBufferCoord { 1, start.Y + static_cast<int>(rows.size()) } : a;
            SelectAfterReplay(a, b, true, caret);
        }
    } catch (...) {
        FSelectionMode = savedMode;
        FRedoRunning = false;
        throw;
    }
    FSelectionMode = savedMode;
    FRedoRunning = false;
    TSnapScope snap(*this);
    NormalizeSelection();
}

} // namespace quillan
