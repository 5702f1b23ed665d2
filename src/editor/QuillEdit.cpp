#include "editor/QuillEdit.h"

#include "editor/QuillEditPrivate.h"
#include "highlight/HighlighterBase.h"

#include <algorithm>

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
