#include "editor/QuillEdit.h"
#include "editor/QuillEditPrivate.h"

#include <algorithm>

namespace quillan {

// --- selection -------------------------------------------------------------------------------

TBufferCoord TCustomQuillEdit::ClampSelectionPos(TBufferCoord p) const
{
    int count = FLines->Count();
    p.Y = std::clamp(p.Y, 1, std::max(1, count));
    int len = count > 0 ? LineLength(p.Y) : 0;
    p.X = std::clamp(p.X, 1, std::max(FMaxLeftChar, len + 1));
    if (FSelectionMode == TQuillSelectionMode::smNormal)
        p.X = std::min(p.X, len + 1);
    // A column block's edges are columns of the whole block, not positions in one line; each
    // line keeps its characters whole when the block is read or removed.
    if (FSelectionMode != TQuillSelectionMode::smColumn)
        p.X = SnapColumn(p.Y, p.X);
    return p;
}

bool TCustomQuillEdit::HasSelection() const
{
    return FBlockBegin.X != FBlockEnd.X
        || (FBlockBegin.Y != FBlockEnd.Y && FSelectionMode != TQuillSelectionMode::smColumn);
}

void TCustomQuillEdit::InvalidateSelection(TBufferCoord a, TBufferCoord b)
{
    InvalidateLines(std::min(a.Y, b.Y), std::max(a.Y, b.Y));
}

void TCustomQuillEdit::SetSelAnchor(TBufferCoord value)
{
    TBufferCoord p = ClampSelectionPos(value);
    bool had = HasSelection();
    bool changed = p != FBlockBegin || p != FBlockEnd;
    if (had)
        InvalidateSelection(FBlockBegin, FBlockEnd);
    FBlockBegin = p;
    FBlockEnd = p;
    if (had)
        InvalidateLines(p.Y, p.Y);
    if (changed)
        StatusChanged(stSelection);
}

void TCustomQuillEdit::SetSelEnd(TBufferCoord value)
{
    if (FOptions.Contains(TQuillEditorOption::eoNoSelection))
        return;
    TBufferCoord p = ClampSelectionPos(value);
    if (p == FBlockEnd)
        return;
    if (FSelectionMode == TQuillSelectionMode::smColumn)
        InvalidateLines(std::min({ FBlockBegin.Y, FBlockEnd.Y, p.Y }), std::max({ FBlockBegin.Y, FBlockEnd.Y, p.Y }));
    else
        InvalidateSelection(FBlockEnd, p);
    FBlockEnd = p;
    StatusChanged(stSelection);
}

void TCustomQuillEdit::SetSelectionRaw(TBufferCoord anchor, TBufferCoord end)
{
    TBufferCoord a = ClampSelectionPos(anchor);
    TBufferCoord e = ClampSelectionPos(end);
    if (a == FBlockBegin && e == FBlockEnd)
        return;
    InvalidateSelection(FBlockBegin, FBlockEnd);
    FBlockBegin = a;
    FBlockEnd = e;
    InvalidateSelection(a, e);
    StatusChanged(stSelection);
}

void TCustomQuillEdit::MoveCaretAndSelection(
    TBufferCoord before, TBufferCoord after, bool selecting, bool rememberColumn)
{
    TPaintLockScope lock(*this);
    if (selecting) {
        // Ends that differ are a selection being drawn even when nothing lies between them: a
        // column block of no width spanning lines keeps its anchor while it grows.
        if (FBlockBegin == FBlockEnd)
            SetSelAnchor(before);
        SetSelEnd(after);
    } else {
        SetSelAnchor(after);
    }
    InternalSetCaretXY(after, rememberColumn);
}

void TCustomQuillEdit::SetSelectionMode(TQuillSelectionMode value)
{
    if (value == FSelectionMode)
        return;
    FSelectionMode = value;
    FBlockBegin = ClampSelectionPos(FBlockBegin);
    FBlockEnd = ClampSelectionPos(FBlockEnd);
    if (HasSelection())
        InvalidateLines(-1, -1);
    StatusChanged(stSelection);
}

void TCustomQuillEdit::SelectAll()
{
    TPaintLockScope lock(*this);
    int last = std::max(1, FLines->Count());
    TBufferCoord end { FLines->Count() > 0 ? LineLength(last) + 1 : 1, last };
    InternalSetCaretXY(end, true);
    SetSelAnchor({ 1, 1 });
    SetSelEnd(end);
    StatusChanged(stSelection);
}

std::string TCustomQuillEdit::SelectedTextIn(bool padColumns) const
{
    if (!HasSelection() || FLines->Count() == 0)
        return {};
    TBufferCoord start = SelectionStart();
    TBufferCoord stop = SelectionStop();
    int count = FLines->Count();
    start.Y = std::clamp(start.Y, 1, count);
    stop.Y = std::clamp(stop.Y, 1, count);
    std::string out;
    switch (FSelectionMode) {
    case TQuillSelectionMode::smNormal: {
        std::string_view first = LineView(start.Y);
        std::size_t a = std::min<std::size_t>(static_cast<std::size_t>(start.X - 1), first.size());
        if (start.Y == stop.Y) {
            std::size_t b = std::min<std::size_t>(static_cast<std::size_t>(stop.X - 1), first.size());
            if (b > a)
                out.assign(first.substr(a, b - a));
            return out;
        }
        out.assign(first.substr(a));
        for (int y = start.Y + 1; y < stop.Y; ++y) {
            out += "\r\n";
            out += LineView(y);
        }
        std::string_view last = LineView(stop.Y);
        out += "\r\n";
        out += last.substr(0, std::min<std::size_t>(static_cast<std::size_t>(stop.X - 1), last.size()));
        return out;
    }
    case TQuillSelectionMode::smLine:
        return LineBlockText(start.Y, stop.Y);
    case TQuillSelectionMode::smColumn: {
        // The block is a rectangle of display columns (ColumnBlockBytes tells which characters
        // of a line it takes); rows are padded to its width in cells.
        const auto [left, right] = ColumnBlockEdges();
        const int width = right - left;
        for (int y = start.Y; y <= stop.Y; ++y) {
            std::string_view s = LineView(y);
            auto [a, b] = ColumnBlockBytes(y, left, right);
            out += s.substr(a, b - a);
            const int cells
                = DisplayColumn({ static_cast<int>(b) + 1, y }) - DisplayColumn({ static_cast<int>(a) + 1, y });
            if (padColumns && cells < width)
                out.append(static_cast<std::size_t>(width - cells), ' ');
            if (y < stop.Y)
                out += "\r\n";
        }
        return out;
    }
    }
    return out;
}

std::string TCustomQuillEdit::SelectedText() const
{
    return SelectedTextIn(true);
}

} // namespace quillan
