#include "editor/QuillEdit.h"
#include "editor/QuillEditPrivate.h"

#include <algorithm>

namespace quillan {

// --- line primitives -------------------------------------------------------------------------

void TCustomQuillEdit::PutLine(int line, std::string_view text)
{
    FLines->Put(line - 1, text);
}

void TCustomQuillEdit::SpliceLine(int line, std::size_t pos, std::size_t count, std::string_view text)
{
    FLines->Splice(line - 1, pos, count, text);
}

void TCustomQuillEdit::InsertLine(int line, std::string_view text)
{
    FLines->Insert(line - 1, text);
}

void TCustomQuillEdit::DeleteLine(int line)
{
    FLines->Delete(line - 1);
}

void TCustomQuillEdit::DeleteLineRange(int line, int count)
{
    if (count > 0)
        FLines->DeleteLines(line - 1, count);
}

void TCustomQuillEdit::PadLine(int line, int length)
{
    int len = LineLength(line);
    if (len >= length)
        return;
    SpliceLine(line, static_cast<std::size_t>(len), 0, std::string(static_cast<std::size_t>(length - len), ' '));
    RecordImplicit(
        TQuillChangeReason::ukInsert, { len + 1, line }, { length + 1, line }, {}, TQuillSelectionMode::smNormal);
}

void TCustomQuillEdit::EnsureFirstLine()
{
    if (FLines->Count() > 0)
        return;
    FLines->Add(std::string_view());
    // Undo must be able to take the text back to no lines at all, which differs from one empty
    // line when saved; this item (a line-mode insert ending before it starts) says so.
    RecordImplicit(TQuillChangeReason::ukInsert, FirstLineMarkStart, FirstLineMarkEnd, {}, TQuillSelectionMode::smLine);
}

// --- replacing the selection -----------------------------------------------------------------

TCustomQuillEdit::TInsertion TCustomQuillEdit::SetSelTextPrimitive(TQuillSelectionMode mode, std::string_view text)
{
    TPaintLockScope lock(*this);
    TLinesUpdateScope update(*FLines);
    if (HasSelection())
        DeleteSelectionPrimitive();
    TInsertion inserted { { FCaretX, FCaretY }, { FCaretX, FCaretY } };
    if (!text.empty()) {
        switch (mode) {
        case TQuillSelectionMode::smNormal:
            inserted.End = InsertNormal(text);
            break;
        case TQuillSelectionMode::smLine:
            inserted.End = InsertLineMode(text);
            inserted.Start = { 1, inserted.End.Y - static_cast<int>(SplitRows(text).size()) + 1 };
            break;
        case TQuillSelectionMode::smColumn: {
            std::vector<std::string_view> rows = SplitRows(text);
            InsertColumn(text);
            inserted.End = { inserted.Start.X + static_cast<int>(rows.back().size()),
                inserted.Start.Y + static_cast<int>(rows.size()) - 1 };
            break;
        }
        }
    }
    FLastCaretX = FCaretX;
    return inserted;
}

void TCustomQuillEdit::DeleteSelectionPrimitive()
{
    int count = FLines->Count();
    if (count == 0) {
        SetSelAnchor({ FCaretX, FCaretY });
        return;
    }
    TBufferCoord start = SelectionStart();
    TBufferCoord stop = SelectionStop();
    start.Y = std::clamp(start.Y, 1, count);
    stop.Y = std::clamp(stop.Y, 1, count);
    TBufferCoord blockEnd = FBlockEnd;
    switch (FSelectionMode) {
    case TQuillSelectionMode::smNormal: {
        std::string_view first = LineView(start.Y);
        std::size_t a = std::min<std::size_t>(static_cast<std::size_t>(start.X - 1), first.size());
        std::string_view last = LineView(stop.Y);
        std::size_t b = std::min<std::size_t>(static_cast<std::size_t>(stop.X - 1), last.size());
        bool changed = stop.Y > start.Y || b > a;
        start.X = static_cast<int>(a) + 1;
        if (stop.Y == start.Y) {
            SetSelAnchor(start);
            // Within one line the bytes after the range only move up.
            if (changed)
                SpliceLine(start.Y, a, b - a, {});
        } else {
            std::string joined(first.substr(0, a));
            joined += last.substr(b);
            SetSelAnchor(start);
            DeleteLineRange(start.Y + 1, stop.Y - start.Y);
            PutLine(start.Y, joined);
        }
        // Removing a range can bring a lone lead byte and a lone continuation byte together; what
        // is inserted next goes where the range was, not in front of the character they form.
        ++FExactPositions;
        try {
            InternalSetCaretXY(start, true);
        } catch (...) {
            --FExactPositions;
            throw;
        }
        --FExactPositions;
        break;
    }
    case TQuillSelectionMode::smLine:
        SetSelAnchor({ 1, start.Y });
        DeleteLineBlock(start.Y, stop.Y);
        break;
    case TQuillSelectionMode::smColumn: {
        const auto [left, right] = ColumnBlockEdges();
        const int endLine = std::clamp(blockEnd.Y, 1, count);
        SetSelAnchor({ ColumnForDisplay(endLine, left), endLine });
        for (int y = start.Y; y <= stop.Y; ++y) {
            std::string_view s = LineView(y);
            auto [a, b] = ColumnBlockBytes(y, left, right);
            if (b > a) {
                std::string rest(s.substr(0, a));
                rest += s.substr(b);
                PutLine(y, rest);
            }
        }
        InternalSetCaretXY({ ColumnForDisplay(endLine, left), endLine }, true);
        break;
    }
    }
    // The anchor was set before the text changed; put both ends where the caret is now.
    FBlockBegin = FBlockEnd = { FCaretX, FCaretY };
}

std::string TCustomQuillEdit::LineBlockText(int first, int last) const
{
    std::string out;
    int count = FLines->Count();
    for (int y = std::max(1, first); y <= std::min(last, count); ++y) {
        out += LineView(y);
        if (y < count)
            out += "\r\n";
    }
    return out;
}

void TCustomQuillEdit::DeleteLineBlock(int first, int last)
{
    int count = FLines->Count();
    first = std::clamp(first, 1, std::max(1, count));
    last = std::clamp(last, first, std::max(1, count));
    if (count > 0) {
        // The text's last line stays, emptied: a text always keeps a line once it has one, and
        // undo puts the block back in front of it.
        if (last >= count) {
            DeleteLineRange(first, last - first);
            if (LineLength(first) > 0)
                PutLine(first, {});
        } else {
            DeleteLineRange(first, last - first + 1);
        }
    }
    InternalSetCaretXY({ 1, first }, true);
}

TBufferCoord TCustomQuillEdit::InsertNormal(std::string_view text)
{
    EnsureFirstLine();
    int y = FCaretY;
    PadLine(y, FCaretX - 1);
    std::string_view s = LineView(y);
    // The caret is on a character boundary already, except while undo replays exact positions.
    std::size_t p = std::min<std::size_t>(static_cast<std::size_t>(FCaretX - 1), s.size());
    std::vector<std::string_view> rows = SplitRows(text);
    TBufferCoord caret;
    if (rows.size() == 1) {
        // Within the line: the bytes around the insertion stay where they are.
        caret = { static_cast<int>(p + rows[0].size()) + 1, y };
        SpliceLine(y, p, 0, rows[0]);
    } else {
        std::string back(s.substr(p));
        std::string first(s.substr(0, p));
        first += rows[0];
        PutLine(y, first);
        int n = static_cast<int>(rows.size());
        for (int k = 1; k < n - 1; ++k)
            InsertLine(y + k, rows[static_cast<std::size_t>(k)]);
        std::string last(rows.back());
        caret = { static_cast<int>(last.size()) + 1, y + n - 1 };
        last += back;
        InsertLine(y + n - 1, last);
    }
    InternalSetCaretXY(caret, true);
    StatusChanged(stCaretColumn);
    return caret;
}

TBufferCoord TCustomQuillEdit::InsertLineMode(std::string_view text)
{
    EnsureFirstLine();
    InternalSetCaretXY({ 1, FCaretY }, true);
    std::vector<std::string_view> rows = SplitRows(text);
    int y = FCaretY;
    int n = static_cast<int>(rows.size());
    for (int k = 0; k < n - 1; ++k)
        InsertLine(y + k, rows[static_cast<std::size_t>(k)]);
    int lastLine = y + n - 1;
    std::string_view last = rows.back();
    if (lastLine > FLines->Count()) {
        InsertLine(lastLine, last);
    } else if (!last.empty()) {
        std::string joined(last);
        joined += LineView(lastLine);
        PutLine(lastLine, joined);
    }
    TBufferCoord end { static_cast<int>(last.size()) + 1, lastLine };
    InternalSetCaretXY(end, true);
    return end;
}

std::vector<TCustomQuillEdit::TColumnRow> TCustomQuillEdit::InsertColumn(
    std::string_view text, std::optional<TQuillChangeReason> recordRows, int column)
{
    EnsureFirstLine();
    std::vector<std::string_view> rows = SplitRows(text);
    std::vector<TColumnRow> placed;
    if (column < 1)
        column = FCaretX;
    int y = FCaretY;
    for (std::size_t k = 0; k < rows.size(); ++k) {
        int line = y + static_cast<int>(k);
        if (line > FLines->Count()) {
            int last = FLines->Count();
            RecordImplicit(TQuillChangeReason::ukInsert, { LineLength(last) + 1, last }, { column, line }, {},
                TQuillSelectionMode::smNormal);
            InsertLine(line, std::string(static_cast<std::size_t>(column - 1), ' '));
        }
        std::string_view row = rows[k];
        if (row.empty())
            continue;
        PadLine(line, column - 1);
        std::string_view s = LineView(line);
        std::size_t p = utf8::Ceil(s, static_cast<std::size_t>(column - 1));
        std::string joined(s.substr(0, p));
        joined += row;
        joined += s.substr(p);
        PutLine(line, joined);
        placed.push_back({ line, static_cast<int>(p) + 1, static_cast<int>(row.size()) });
        // Recorded as it happens, between the padding and the lines added for the rows below,
        // so that undo takes them back in the opposite order.
        if (recordRows)
            RecordPastLock(*recordRows, { static_cast<int>(p) + 1, line },
                { static_cast<int>(p + row.size()) + 1, line }, {}, TQuillSelectionMode::smNormal, false);
    }
    InternalSetCaretXY({ column + static_cast<int>(rows.back().size()), y + static_cast<int>(rows.size()) - 1 }, true);
    return placed;
}

} // namespace quillan
