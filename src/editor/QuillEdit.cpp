#include "editor/QuillEdit.h"

#include "editor/QuillEditPrivate.h"
#include "highlight/HighlighterBase.h"

#include <algorithm>
#include <climits>

namespace quillan {

namespace {

constexpr const char* optionNames[EditorOptionCount] = {
    "eoAltSetsColumnMode",
    "eoAutoIndent",
    "eoDragDropEditing",
    "eoDropFiles",
    "eoHalfPageScroll",
    "eoKeepCaretX",
    "eoNoCaret",
    "eoNoSelection",
    "eoScrollByOneLess",
    "eoScrollPastEof",
    "eoScrollPastEol",
    "eoShowScrollHint",
    "eoSmartTabs",
    "eoTabsToSpaces",
    "eoTrimTrailingSpaces",
};

constexpr const char* searchOptionNames[8] = {
    "srMatchCase",
    "srWholeWord",
    "srBackwards",
    "srEntireScope",
    "srSelectionOnly",
    "srReplace",
    "srReplaceAll",
    "srPrompt",
};

} // namespace

const char* EditorOptionName(TQuillEditorOption option)
{
    return optionNames[static_cast<int>(option)];
}

std::optional<TQuillEditorOption> EditorOptionFromName(std::string_view name)
{
    for (int i = 0; i < EditorOptionCount; ++i)
        if (name == optionNames[i])
            return static_cast<TQuillEditorOption>(i);
    return std::nullopt;
}

const char* SearchOptionName(TQuillSearchOption option)
{
    for (int bit = 0; bit < 8; ++bit)
        if (static_cast<unsigned>(option) == (1u << bit))
            return searchOptionNames[bit];
    return "";
}

std::optional<TQuillSearchOption> SearchOptionFromName(std::string_view name)
{
    for (int bit = 0; bit < 8; ++bit)
        if (name == searchOptionNames[bit])
            return static_cast<TQuillSearchOption>(1u << bit);
    return std::nullopt;
}

std::vector<std::string_view> SplitRows(std::string_view text)
{
    std::vector<std::string_view> rows;
    std::size_t pos = 0;
    for (;;) {
        std::size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string_view::npos) {
            rows.push_back(text.substr(pos));
            return rows;
        }
        rows.push_back(text.substr(pos, end - pos));
        pos = end + 1;
        if (text[end] == '\r' && pos < text.size() && text[pos] == '\n')
            ++pos;
    }
}

// --- construction ----------------------------------------------------------------------------

TCustomQuillEdit::TCustomQuillEdit(IEditorHost* host)
    : FLines(std::make_unique<TQuillEditStringList>())
    , FUndoList(std::make_unique<TQuillEditUndoList>())
    , FRedoList(std::make_unique<TQuillEditUndoList>())
{
    FLines->SetTabWidth(FTabWidth);
    FLines->OnChanging = [this](TQuillEditStringList*) { LinesChanging(); };
    FLines->OnChange = [this](TQuillEditStringList*) { LinesChanged(); };
    FLines->OnLineAdded = [this](TQuillEditStringList*, int index) { LineAdded(index); };
    FLines->OnLineDeleted = [this](TQuillEditStringList*, int index) { LineDeleted(index); };
    FLines->OnLineInserted = [this](TQuillEditStringList*, int index) { LineInserted(index); };
    FLines->OnLinePut = [this](TQuillEditStringList*, int index) { LinePut(index); };
    FLines->OnLinesCleared = [this](TQuillEditStringList*) { LinesCleared(); };
    FUndoList->OnAdded = [this](TQuillEditUndoList* list) { UndoAdded(list); };
    FRedoList->OnAdded = [this](TQuillEditUndoList* list) { UndoAdded(list); };
    FKeystrokes.LoadDefaultKeys();
    FGutter.OnChange = [this](TQuillGutter*) { GutterChanged(); };
    FBookMarkOpt.OnChange = [this](TQuillBookMarkOpt*) { InvalidateGutterLines(-1, -1); };
    FSelectedColor.OnChange = [this](TQuillSelectedColor*) { InvalidateLines(-1, -1); };
    FMarkList.OnChange = [this](TQuillEditMarkList*) { MarkListChanged(); };
    FGutterWidth = FGutter.RealGutterWidth(FCharWidth);
    FTextOffset = FGutterWidth + 2;
    if (host)
        SetHost(host);
    else
        SizeOrFontChanged(false);
}

TCustomQuillEdit::~TCustomQuillEdit()
{
    if (FHighlighter)
        FHighlighter->UnhookAttributeChange(this);
    FHighlighter = nullptr;
    // Nothing may call back into a half-destroyed control.
    FLines->OnChanging = nullptr;
    FLines->OnChange = nullptr;
    FLines->OnLineAdded = nullptr;
    FLines->OnLineDeleted = nullptr;
    FLines->OnLineInserted = nullptr;
    FLines->OnLinePut = nullptr;
    FLines->OnLinesCleared = nullptr;
    FUndoList->OnAdded = nullptr;
    FRedoList->OnAdded = nullptr;
    FMarkList.OnChange = nullptr;
    FGutter.OnChange = nullptr;
    FBookMarkOpt.OnChange = nullptr;
    FSelectedColor.OnChange = nullptr;
    FHost = nullptr;
}

void TCustomQuillEdit::SetHost(IEditorHost* host)
{
    FHost = host;
    if (!FHost)
        return;
    FCaretCreated = false;
    RecalcCharExtent();
    SizeOrFontChanged(true);
    if (FHost->Focused())
        FocusEnter();
}

void TCustomQuillEdit::SetLines(const TQuillEditStringList& source)
{
    if (&source == FLines.get())
        return;
    FLines->BeginUpdate();
    try {
        FLines->Clear();
        FLines->AddStrings(source);
    } catch (...) {
        FLines->EndUpdate();
        throw;
    }
    FLines->EndUpdate();
}

std::string TCustomQuillEdit::CurrentLineText() const
{
    if (FCaretY < 1 || FCaretY > FLines->Count())
        return {};
    return std::string(LineView(FCaretY));
}

void TCustomQuillEdit::SetCurrentLineText(std::string_view text)
{
    if (FReadOnly || FCaretY < 1 || FCaretY > FLines->Count())
        return;
    TEditScope scope(*this);
    SetSelectionRaw({ 1, FCaretY }, { LineLength(FCaretY) + 1, FCaretY });
    TQuillSelectionMode mode = FSelectionMode;
    FSelectionMode = TQuillSelectionMode::smNormal;
    try {
        ReplaceSelection(text);
    } catch (...) {
        FSelectionMode = mode;
        throw;
    }
    FSelectionMode = mode;
}

// --- caret -----------------------------------------------------------------------------------

int TCustomQuillEdit::SnapColumn(int line, int column) const
{
    // Replayed items hold exact byte positions. Text that is not UTF-8 may join into a character
    // across an edit's boundary (a lone lead byte meeting a lone continuation byte); taking the
    // edit back must split it again, not snap around it.
    if (FExactPositions > 0 || line < 1 || line > FLines->Count() || column < 2)
        return column;
    std::string_view s = LineView(line);
    auto index = static_cast<std::size_t>(column - 1);
    if (index >= s.size())
        return column;
    return static_cast<int>(utf8::Floor(s, index)) + 1;
}

bool TCustomQuillEdit::PastEolAllowed() const
{
    return FOptions.Contains(TQuillEditorOption::eoScrollPastEol) || FAllowPastEol > 0;
}

void TCustomQuillEdit::InternalSetCaretXY(TBufferCoord value, bool rememberColumn)
{
    int count = FLines->Count();
    int y = std::clamp(value.Y, 1, std::max(1, count));
    int maxX;
    if (PastEolAllowed())
        // A line longer than MaxLeftChar must still let the caret reach its end.
        maxX = std::max(FMaxLeftChar, count > 0 ? LineLength(y) + 1 : 1);
    else
        maxX = count > 0 ? LineLength(y) + 1 : 1;
    int x = SnapColumn(y, std::clamp(value.X, 1, maxX));
    if (x != FCaretX || y != FCaretY) {
        TPaintLockScope lock(*this);
        if (x != FCaretX) {
            FCaretX = x;
            StatusChanged(stCaretColumn);
        }
        if (y != FCaretY) {
            FCaretY = y;
            StatusChanged(stCaretLine);
        }
        EnsureCursorPosVisible();
        FCaretChangedPending = true;
        FScrollBarsPending = true;
    }
    if (rememberColumn)
        FLastCaretX = FCaretX;
}

void TCustomQuillEdit::SetCaretPos(TBufferCoord value)
{
    InternalSetCaretXY(value, true);
}

void TCustomQuillEdit::SetCaretColumn(int value)
{
    InternalSetCaretXY({ value, FCaretY }, true);
}

void TCustomQuillEdit::SetCaretLine(int value)
{
    int x = FOptions.Contains(TQuillEditorOption::eoKeepCaretX) ? FLastCaretX : FCaretX;
    InternalSetCaretXY({ x, value }, false);
}

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

// --- line primitives -------------------------------------------------------------------------

void TCustomQuillEdit::PutLine(int line, std::string_view text)
{
    FLines->Put(line - 1, text);
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
    std::string padded(LineView(line));
    padded.append(static_cast<std::size_t>(length - len), ' ');
    PutLine(line, padded);
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
        std::string joined(first.substr(0, a));
        std::string_view last = LineView(stop.Y);
        std::size_t b = std::min<std::size_t>(static_cast<std::size_t>(stop.X - 1), last.size());
        bool changed = stop.Y > start.Y || b > a;
        joined += last.substr(b);
        start.X = static_cast<int>(a) + 1;
        SetSelAnchor(start);
        if (changed) {
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
    std::string back(s.substr(p));
    std::string first(s.substr(0, p));
    first += rows[0];
    TBufferCoord caret;
    if (rows.size() == 1) {
        caret = { static_cast<int>(first.size()) + 1, y };
        first += back;
        PutLine(y, first);
    } else {
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
        FTouched.clear();
        FTrackTouched = true;
    }
}

void TCustomQuillEdit::EndEdit(bool unwinding)
{
    if (FReplayDepth > 0)
        return;
    if (--FEditDepth > 0)
        return;
    FTrackTouched = false;
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
    std::vector<std::pair<int, int>> runs = std::move(FTouched);
    FTouched.clear();
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
                FLines->Put(i, s.substr(0, n));
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

void TCustomQuillEdit::NoteTouched(int index, int count, int shift)
{
    // shift > 0: `shift` lines came in at index; shift < 0: -shift lines went at index.
    if (shift != 0) {
        std::vector<std::pair<int, int>> moved;
        moved.reserve(FTouched.size());
        for (auto [a, b] : FTouched) {
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
        FTouched = std::move(moved);
    }
    if (count <= 0)
        return;
    if (!FTouched.empty()) {
        auto& [a, b] = FTouched.back();
        if (index <= b && index + count >= a) {
            a = std::min(a, index);
            b = std::max(b, index + count);
            return;
        }
    }
    FTouched.emplace_back(index, index + count);
}

void TCustomQuillEdit::UndoAdded(TQuillEditUndoList* list)
{
    int which = list == FUndoList.get() ? 0 : 1;
    TUndoTrack& t = FUndoTrack[static_cast<std::size_t>(which)];
    int n = list->ItemCount();
    if (n <= t.Count) {
        // The limit discarded items. One discard from a group that keeps its number in the list
        // cuts that group; its rest cannot be undone as a whole any more.
        int discarded = t.Count + 1 - n;
        std::uint32_t oldest = n > 0 ? list->Item(0).ChangeNumber() : 0;
        if (n == 0)
            t.Cut = false;
        else if (discarded == 1)
            t.Cut = oldest == t.Oldest;
        else
            t.Cut = true;
    }
    t.Count = n;
    t.Oldest = n > 0 ? list->Item(0).ChangeNumber() : 0;

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
    const TQuillEditUndoList& list = which == 0 ? *FUndoList : *FRedoList;
    TUndoTrack& t = FUndoTrack[static_cast<std::size_t>(which)];
    int n = list.ItemCount();
    if (n < t.Count && n > 0 && list.Item(0).ChangeNumber() != t.Oldest)
        t.Cut = true;
    if (n == 0)
        t.Cut = false;
    t.Count = n;
    t.Oldest = n > 0 ? list.Item(0).ChangeNumber() : 0;
}

bool TCustomQuillEdit::GroupIsCut(int which) const
{
    const TQuillEditUndoList& list = which == 0 ? *FUndoList : *FRedoList;
    const TQuillEditUndoItem* newest = list.PeekItem();
    return FUndoTrack[static_cast<std::size_t>(which)].Cut && newest
        && list.Item(0).ChangeNumber() == newest->ChangeNumber();
}

// --- line events -----------------------------------------------------------------------------

void TCustomQuillEdit::LinesChanging()
{
    FLinesChanging = true;
}

void TCustomQuillEdit::LinesChanged()
{
    FLinesChanging = false;
    TPaintLockScope lock(*this);
    FScrollBarsPending = true;
    if (!FInTrimPass && FReplayDepth == 0)
        SetSelAnchor({ FCaretX, FCaretY });
    if (!FInvalidRect.IsEmpty()) {
        TRect r = FInvalidRect;
        FInvalidRect = {};
        if (FHost)
            FHost->InvalidateRect(&r);
    }
    FGutter.UpdateAutoSizeDigitCount(FLines->Count());
    if (!FOptions.Contains(TQuillEditorOption::eoScrollPastEof))
        SetTopLine(FTopLine);
}

void TCustomQuillEdit::RescanAfterLineCountChange(int index)
{
    if (index <= 0) {
        FHighlighter->ClearRange();
        FLines->PutRange(0, FHighlighter->CurrentRange());
        if (FLines->Count() >= 2)
            ScanFrom(0);
    } else {
        FHighlighter->RestoreRange(FLines->GetRange(index - 1));
        ScanFrom(index - 1);
    }
}

void TCustomQuillEdit::LineAdded(int index)
{
    int added = FLines->Count() - FKnownLineCount;
    FKnownLineCount = FLines->Count();
    if (FTrackTouched)
        NoteTouched(index, added, added);
    MarksLinesInserted(index + 1, added);
    if (FHighlighter && FLines->Count() > 0)
        RescanAfterLineCountChange(index);
    InvalidateLines(index + 1, INT_MAX);
    InvalidateGutterLines(index + 1, INT_MAX);
}

void TCustomQuillEdit::LineInserted(int index)
{
    int added = FLines->Count() - FKnownLineCount;
    FKnownLineCount = FLines->Count();
    if (FTrackTouched)
        NoteTouched(index, added, added);
    MarksLinesInserted(index + 1, added);
    if (FHighlighter && FLines->Count() > 0)
        RescanAfterLineCountChange(index);
    InvalidateLines(index + 1, FTopLine + FLinesInWindow);
    InvalidateGutterLines(index + 1, FTopLine + FLinesInWindow);
}

void TCustomQuillEdit::LineDeleted(int index)
{
    int removed = FKnownLineCount - FLines->Count();
    FKnownLineCount = FLines->Count();
    if (FTrackTouched)
        NoteTouched(index, 0, -removed);
    MarksLinesDeleted(index, removed);
    if (FHighlighter && FLines->Count() > 0)
        RescanAfterLineCountChange(index);
    InvalidateLines(index + 1, INT_MAX);
    InvalidateGutterLines(index + 1, INT_MAX);
}

void TCustomQuillEdit::LinePut(int index)
{
    if (FTrackTouched)
        NoteTouched(index, 1, 0);
    if (FHighlighter) {
        FHighlighter->RestoreRange(FLines->GetRange(index));
        int last = ScanFrom(index);
        InvalidateLines(index + 1, last + 1);
    } else {
        InvalidateLines(index + 1, index + 1);
    }
}

void TCustomQuillEdit::LinesCleared()
{
    FKnownLineCount = 0;
    FTouched.clear();
    FUndoList->ClearList();
    FRedoList->ClearList();
    SyncUndoTrack(0);
    SyncUndoTrack(1);
    TPaintLockScope lock(*this);
    InternalSetCaretXY({ 1, 1 }, true);
    FBlockBegin = FBlockEnd = { 1, 1 };
    SetTopLine(1);
    SetLeftChar(1);
    InvalidateLines(-1, -1);
    InvalidateGutterLines(-1, -1);
    StatusChanged(stAll);
}

// The range stored with each line is the highlighter's state after all lines above it. A rescan
// starts at the first changed line and stops at the first line whose stored range it confirms;
// from there on nothing can have changed.
int TCustomQuillEdit::ScanFrom(int index)
{
    int count = FLines->Count();
    if (index >= count - 1)
        return index;
    FHighlighter->StartLine(FLines->GetView(index), index);
    FHighlighter->ScanToLineEnd();
    for (int j = index + 1; j < count; ++j) {
        TRangeState range = FHighlighter->CurrentRange();
        if (range == FLines->GetRange(j))
            return j - 1;
        FLines->PutRange(j, range);
        // The last line's own end state is stored nowhere, so it need not be scanned.
        if (j == count - 1)
            return j;
        FHighlighter->StartLine(FLines->GetView(j), j);
        FHighlighter->ScanToLineEnd();
    }
    return count - 1;
}

void TCustomQuillEdit::ScanAllRanges()
{
    if (!FHighlighter)
        return;
    TLinesUpdateScope update(*FLines);
    FHighlighter->ClearRange();
    int count = FLines->Count();
    for (int i = 0; i < count; ++i) {
        FLines->PutRange(i, FHighlighter->CurrentRange());
        FHighlighter->StartLine(FLines->GetView(i), i);
        FHighlighter->ScanToLineEnd();
    }
}

void TCustomQuillEdit::MarksLinesInserted(int line, int count)
{
    if (count <= 0)
        return;
    for (int i = 0; i < FMarkList.Count(); ++i) {
        TQuillEditMark* m = FMarkList.Items(i);
        if (m->Line() >= line)
            m->SetLine(m->Line() + count);
    }
}

void TCustomQuillEdit::MarksLinesDeleted(int afterLine, int count)
{
    if (count <= 0)
        return;
    for (int i = 0; i < FMarkList.Count(); ++i) {
        TQuillEditMark* m = FMarkList.Items(i);
        int line = m->Line();
        if (line >= afterLine + count)
            m->SetLine(std::max(1, line - count));
        else if (line > afterLine)
            m->SetLine(std::max(1, afterLine));
    }
}

// --- status and paint lock -------------------------------------------------------------------

void TCustomQuillEdit::IncPaintLock()
{
    ++FPaintLock;
}

void TCustomQuillEdit::DecPaintLock()
{
    if (FPaintLock <= 0 || --FPaintLock > 0)
        return;
    if (FScrollBarsPending)
        UpdateScrollBars();
    if (FCaretChangedPending)
        UpdateCaret();
    if (FStatusChanges != 0) {
        TQuillStatusChanges changes = FStatusChanges;
        FStatusChanges = 0;
        if (OnStatusChange)
            OnStatusChange(this, changes);
    }
}

void TCustomQuillEdit::StatusChanged(TQuillStatusChanges changes)
{
    FStatusChanges |= changes;
    if (FPaintLock > 0)
        return;
    TQuillStatusChanges pending = FStatusChanges;
    FStatusChanges = 0;
    if (OnStatusChange)
        OnStatusChange(this, pending);
}

// --- properties ------------------------------------------------------------------------------

void TCustomQuillEdit::SetOptions(TQuillEditorOptions value)
{
    if (value == FOptions)
        return;
    FOptions = value;
    FScrollBarsPending = true;
    if (!FOptions.Contains(TQuillEditorOption::eoScrollPastEol))
        SetCaretColumn(FCaretX);
    if (FPaintLock == 0)
        UpdateScrollBars();
    InvalidateLines(-1, -1);
}

void TCustomQuillEdit::SetInsertMode(bool value)
{
    if (value == FInsertMode)
        return;
    FInsertMode = value;
    if (FHost && FCaretCreated)
        CreateCaretShape();
    StatusChanged(stInsertMode);
}

void TCustomQuillEdit::SetReadOnly(bool value)
{
    if (value == FReadOnly)
        return;
    FReadOnly = value;
    StatusChanged(stReadOnly);
}

void TCustomQuillEdit::SetModified(bool value)
{
    if (value == FModified)
        return;
    FModified = value;
    StatusChanged(stModified);
}

void TCustomQuillEdit::SetTabWidth(int value)
{
    value = std::clamp(value, 1, 256);
    if (value == FTabWidth)
        return;
    FTabWidth = value;
    FLines->SetTabWidth(value);
    FCaretChangedPending = true;
    if (FPaintLock == 0)
        UpdateCaret();
    InvalidateLines(-1, -1);
}

void TCustomQuillEdit::SetMaxLeftChar(int value)
{
    value = std::clamp(value, 1, 32767);
    if (value == FMaxLeftChar)
        return;
    FMaxLeftChar = value;
    SetLeftChar(FLeftChar);
    FScrollBarsPending = true;
    if (FPaintLock == 0)
        UpdateScrollBars();
}

void TCustomQuillEdit::SetMaxUndo(int value)
{
    if (value < 0)
        return;
    FUndoList->SetMaxUndo(value);
    FRedoList->SetMaxUndo(value);
    SyncUndoTrack(0);
    SyncUndoTrack(1);
}

void TCustomQuillEdit::SetRightEdge(int value)
{
    if (value == FRightEdge)
        return;
    FRightEdge = value;
    InvalidateLines(-1, -1);
}

void TCustomQuillEdit::SetRightEdgeColor(TColor value)
{
    if (value == FRightEdgeColor)
        return;
    FRightEdgeColor = value;
    InvalidateLines(-1, -1);
}

void TCustomQuillEdit::SetExtraLineSpacing(int value)
{
    FExtraLineSpacing = value;
    RecalcCharExtent();
    SizeOrFontChanged(true);
}

void TCustomQuillEdit::SetHideSelection(bool value)
{
    if (value == FHideSelection)
        return;
    FHideSelection = value;
    InvalidateLines(-1, -1);
}

void TCustomQuillEdit::SetInsertCaret(TQuillEditCaretType value)
{
    if (value == FInsertCaret)
        return;
    FInsertCaret = value;
    if (FHost && FCaretCreated)
        CreateCaretShape();
}

void TCustomQuillEdit::SetOverwriteCaret(TQuillEditCaretType value)
{
    if (value == FOverwriteCaret)
        return;
    FOverwriteCaret = value;
    if (FHost && FCaretCreated)
        CreateCaretShape();
}

void TCustomQuillEdit::SetScrollBars(TScrollStyle value)
{
    if (value == FScrollBars)
        return;
    FScrollBars = value;
    FScrollBarsPending = true;
    if (FPaintLock == 0)
        UpdateScrollBars();
}

void TCustomQuillEdit::SetColor(TColor value)
{
    if (value == FColor)
        return;
    FColor = value;
    InvalidateLines(-1, -1);
}

void TCustomQuillEdit::SetHighlighter(TCustomHighlighter* value)
{
    if (value == FHighlighter)
        return;
    if (FHighlighter)
        FHighlighter->UnhookAttributeChange(this);
    FHighlighter = value;
    if (FHighlighter) {
        FWordChars = FHighlighter->WordChars();
        FHighlighter->HookAttributeChange(this, [this](TCustomHighlighter&) {
            RecalcCharExtent();
            SizeOrFontChanged(true);
        });
        ScanAllRanges();
    }
    RecalcCharExtent();
    SizeOrFontChanged(true);
}

} // namespace quillan
