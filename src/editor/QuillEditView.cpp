#include "editor/QuillEdit.h"
#include "editor/QuillEditPrivate.h"
#include "highlight/HighlighterBase.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

namespace quillan {

// --- metrics and window size -----------------------------------------------------------------

void TCustomQuillEdit::RecalcCharExtent()
{
    if (!FHost)
        return;
    bool bold = (FFont.Style & fsBold) != 0;
    bool italic = (FFont.Style & fsItalic) != 0;
    if (FHighlighter) {
        bold = italic = false;
        for (int i = 0; i < FHighlighter->AttributeCount(); ++i) {
            if (THighlighterAttributes* a = FHighlighter->AttributeByIndex(i)) {
                bold = bold || (a->Style() & fsBold);
                italic = italic || (a->Style() & fsItalic);
            }
        }
    }
    // Bold and italic glyphs can be wider and taller: measuring the widest style the text can
    // take keeps every style on one grid.
    ICanvas& canvas = FHost->MeasureCanvas();
    canvas.SaveState();
    TFontSpec font = FFont;
    font.Style = bold ? fsBold : 0;
    canvas.SetFont(font);
    int width = canvas.CharAdvance(U'M');
    font.Style = italic ? fsItalic : 0;
    canvas.SetFont(font);
    int height = canvas.GetTextMetrics().Height;
    canvas.RestoreState();
    FCharWidth = std::max(1, width);
    FLineHeight = std::max(1, height + FExtraLineSpacing);
}

void TCustomQuillEdit::SizeOrFontChanged(bool fontChanged)
{
    if (FHost)
        FClientSize = FHost->ClientSize();
    if (fontChanged) {
        FGutter.UpdateAutoSizeDigitCount(FLines->Count());
        FGutterWidth = FGutter.RealGutterWidth(FCharWidth);
    }
    FTextOffset = FGutterWidth + 2 - (FLeftChar - 1) * FCharWidth;
    FCharsInWindow = std::max(0, (FClientSize.Width - FGutterWidth - 2) / FCharWidth);
    FLinesInWindow = std::max(0, FClientSize.Height / FLineHeight);
    FScrollBarsPending = true;
    FCaretChangedPending = true;
    if (fontChanged) {
        InvalidateLines(-1, -1);
        InvalidateGutterLines(-1, -1);
        if (FCaretCreated)
            CreateCaretShape();
    }
    if (FPaintLock == 0) {
        UpdateScrollBars();
        UpdateCaret();
    }
}

void TCustomQuillEdit::Resize()
{
    SizeOrFontChanged(false);
}

void TCustomQuillEdit::SetFont(const TFontSpec& value)
{
    TFontSpec font = value;
    if (FHost) {
        ICanvas& canvas = FHost->MeasureCanvas();
        canvas.SaveState();
        canvas.SetFont(value);
        TTextMetrics tm = canvas.GetTextMetrics();
        canvas.RestoreState();
        // A proportional font would break the character grid: keep our own fixed-pitch face and
        // take only the size, style and colour asked for.
        if (tm.AveCharWidth != tm.MaxCharWidth) {
            font = FFont;
            font.Size = value.Size;
            font.Style = value.Style;
            font.Color = value.Color;
            font.PixelsPerInch = value.PixelsPerInch;
            font.FixedPitch = true;
        }
    }
    FFont = font;
    RecalcCharExtent();
    SizeOrFontChanged(true);
}

// --- gutter ----------------------------------------------------------------------------------

void TCustomQuillEdit::GutterChanged()
{
    if (FInGutterChange)
        return;
    FInGutterChange = true;
    try {
        FGutter.UpdateAutoSizeDigitCount(FLines->Count());
    } catch (...) {
        FInGutterChange = false;
        throw;
    }
    FInGutterChange = false;
    UpdateGutterWidth();
}

void TCustomQuillEdit::UpdateGutterWidth()
{
    int width = FGutter.RealGutterWidth(FCharWidth);
    if (width == FGutterWidth) {
        InvalidateGutterLines(-1, -1);
        return;
    }
    FGutterWidth = width;
    FTextOffset = FGutterWidth + 2 - (FLeftChar - 1) * FCharWidth;
    FCharsInWindow = std::max(0, (FClientSize.Width - FGutterWidth - 2) / FCharWidth);
    FScrollBarsPending = true;
    FCaretChangedPending = true;
    if (FPaintLock == 0) {
        UpdateScrollBars();
        UpdateCaret();
    }
    if (FHost)
        InvalidateRectGathered({ 0, 0, FClientSize.Width, FClientSize.Height });
}

// --- scrolling -------------------------------------------------------------------------------

int TCustomQuillEdit::MaxTopLine() const
{
    int count = FLines->Count();
    if (FOptions.Contains(TQuillEditorOption::eoScrollPastEof))
        return std::max(1, count);
    return std::max(1, count - FLinesInWindow + 1);
}

int TCustomQuillEdit::MaxLeftCharLimit() const
{
    long long limit = FLines->LongestLineLength();
    if (FOptions.Contains(TQuillEditorOption::eoScrollPastEol)) {
        // The caret may stand beyond MaxLeftChar: at the end of a longer line, or in virtual
        // space after a line whose tabs take more cells than it has bytes. The user must see
        // where they type, so the range reaches the caret wherever it is.
        limit = std::max<long long>({ FMaxLeftChar, limit + 1, DisplayColumn({ FCaretX, FCaretY }) });
    }
    // Client pixels are ints: the x of every cell scrolled to must stay far from overflowing.
    const long long cells = (INT_MAX / 2) / std::max(1, FCharWidth);
    return static_cast<int>(std::min(limit, cells));
}

void TCustomQuillEdit::SetTopLine(int value)
{
    value = std::clamp(value, 1, MaxTopLine());
    if (value == FTopLine)
        return;
    int delta = FTopLine - value;
    FTopLine = value;
    FScrollBarsPending = true;
    FCaretChangedPending = true;
    if (FHost) {
        // Moving the pixels is only right while nothing is waiting to be repainted at the old place.
        if (std::abs(delta) < FLinesInWindow && !FLinesChanging && FInvalidRect.IsEmpty()) {
            TRect area { 0, 0, FClientSize.Width, FClientSize.Height };
            FHost->ScrollWindow(0, delta * FLineHeight, &area);
        } else {
            InvalidateRectGathered({ 0, 0, FClientSize.Width, FClientSize.Height });
        }
    }
    if (FPaintLock == 0) {
        UpdateScrollBars();
        UpdateCaret();
    }
    StatusChanged(stTopLine);
}

void TCustomQuillEdit::SetLeftChar(int value)
{
    int limit = MaxLeftCharLimit();
    value = std::clamp(value, 1, std::max(1, limit - FCharsInWindow + 1));
    if (value == FLeftChar)
        return;
    FLeftChar = value;
    FTextOffset = FGutterWidth + 2 - (FLeftChar - 1) * FCharWidth;
    FScrollBarsPending = true;
    FCaretChangedPending = true;
    if (FPaintLock == 0) {
        UpdateScrollBars();
        UpdateCaret();
    }
    InvalidateLines(-1, -1);
    StatusChanged(stLeftChar);
}

namespace {

int ClampColumn(long long value)
{
    return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

} // namespace

int TCustomQuillEdit::DisplayColumn(TBufferCoord pos) const
{
    if (pos.Y < 1 || pos.Y > FLines->Count())
        return pos.X;
    std::string_view s = LineView(pos.Y);
    auto target = static_cast<std::size_t>(std::max(0, pos.X - 1));
    long long column = FLines->CellOfByte(pos.Y - 1, target);
    // Past the end every column is one cell.
    if (target > s.size())
        column += static_cast<long long>(target - s.size());
    return ClampColumn(column + 1);
}

int TCustomQuillEdit::ColumnAtDisplay(int line, int displayColumn, bool nearest) const
{
    if (line < 1 || line > FLines->Count())
        return displayColumn;
    std::string_view s = LineView(line);
    const long long cell = std::max(0, displayColumn - 1);
    const TCellSpot spot = FLines->CharAtCell(line - 1, cell);
    if (spot.Length == 0)
        return ClampColumn(static_cast<long long>(s.size()) + 1 + (cell - spot.Cell));
    // Inside a tab or a wide character: the character after it, or the nearer edge (the left one
    // on a tie).
    const bool after = nearest ? spot.Cell + spot.Width - cell < cell - spot.Cell : spot.Cell != cell;
    return ClampColumn(static_cast<long long>(after ? spot.Byte + spot.Length : spot.Byte) + 1);
}

int TCustomQuillEdit::ColumnForDisplay(int line, int displayColumn) const
{
    return ColumnAtDisplay(line, displayColumn, false);
}

int TCustomQuillEdit::ColumnForPixel(int line, int x) const
{
    if (x <= 0)
        return 1;
    std::string_view s = line >= 1 && line <= FLines->Count() ? LineView(line) : std::string_view {};
    const long long cell = x / FCharWidth;
    const TCellSpot spot = FLines->CharAtCell(line - 1, cell);
    if (spot.Length == 0) {
        // Past the end: the nearest cell boundary, halves rounding up.
        const long long boundary = (2LL * x + FCharWidth) / (2LL * FCharWidth);
        return ClampColumn(static_cast<long long>(s.size()) + 1 + std::max(0LL, boundary - spot.Cell));
    }
    // A character is passed from the middle of its cells on. A tab is passed from the middle of
    // its first cell on, as if its cells were characters of their own that the caret cannot stop
    // between.
    const long long left = spot.Cell * FCharWidth;
    const bool passed = s[spot.Byte] == '\t' ? 2LL * (x - left) >= FCharWidth
                                             : 2LL * (x - left) >= static_cast<long long>(spot.Width) * FCharWidth;
    return ClampColumn(static_cast<long long>(passed ? spot.Byte + spot.Length : spot.Byte) + 1);
}

int TCustomQuillEdit::ColumnNearDisplay(int line, int displayColumn) const
{
    return ColumnAtDisplay(line, displayColumn, true);
}

std::pair<std::size_t, std::size_t> TCustomQuillEdit::ColumnBlockBytes(
    int line, int leftDisplay, int rightDisplay) const
{
    if (line < 1 || line > FLines->Count() || rightDisplay <= leftDisplay)
        return { 0, 0 };
    std::string_view s = LineView(line);
    auto byteOf = [&](int display) {
        return std::min<std::size_t>(static_cast<std::size_t>(ColumnForDisplay(line, display) - 1), s.size());
    };
    const std::size_t a = byteOf(leftDisplay);
    return { a, std::max(a, byteOf(rightDisplay)) };
}

std::pair<int, int> TCustomQuillEdit::ColumnBlockEdges() const
{
    const int a = DisplayColumn(FBlockBegin), b = DisplayColumn(FBlockEnd);
    return { std::min(a, b), std::max(a, b) };
}

bool TCustomQuillEdit::InColumnBlock(TBufferCoord pos) const
{
    const auto [left, right] = ColumnBlockEdges();
    const int column = DisplayColumn(pos);
    return column >= DisplayColumn({ ColumnForDisplay(pos.Y, left), pos.Y })
        && column < DisplayColumn({ ColumnForDisplay(pos.Y, right), pos.Y });
}

int TCustomQuillEdit::CharCellsAtCaret() const
{
    if (FCaretY < 1 || FCaretY > FLines->Count())
        return 1;
    std::string_view s = LineView(FCaretY);
    auto i = static_cast<std::size_t>(FCaretX - 1);
    if (i >= s.size() || s[i] == '\t')
        return 1;
    int cells;
    CharCellsAt(s, i, cells);
    return cells;
}

void TCustomQuillEdit::EnsureCursorPosVisible()
{
    TPaintLockScope lock(*this);
    int column = DisplayColumn({ FCaretX, FCaretY });
    if (column < FLeftChar)
        SetLeftChar(column);
    else if (column > FLeftChar + FCharsInWindow)
        SetLeftChar(column - FCharsInWindow + 1);
    else
        SetLeftChar(FLeftChar);
    if (FCaretY < FTopLine)
        SetTopLine(FCaretY);
    else if (FCaretY > FTopLine + std::max(1, FLinesInWindow) - 1)
        SetTopLine(FCaretY - FLinesInWindow + 1);
    else
        SetTopLine(FTopLine);
}

void TCustomQuillEdit::UpdateScrollBars()
{
    if (FPaintLock > 0) {
        FScrollBarsPending = true;
        return;
    }
    FScrollBarsPending = false;
    if (!FHost)
        return;
    if (FScrollBars == TScrollStyle::ssBoth || FScrollBars == TScrollStyle::ssHorizontal) {
        TScrollInfo h;
        h.Min = 1;
        h.Max = std::max(1, MaxLeftCharLimit());
        h.Page = FCharsInWindow;
        h.Pos = FLeftChar;
        FHost->SetScrollInfo(TScrollBarKind::sbHorizontal, h);
    }
    if (FScrollBars == TScrollStyle::ssBoth || FScrollBars == TScrollStyle::ssVertical) {
        long long n = FLines->Count();
        if (FOptions.Contains(TQuillEditorOption::eoScrollPastEof))
            n += FLinesInWindow - 1;
        TScrollInfo v;
        // Scroll bars hold 16-bit positions on some platforms; longer texts are scaled.
        if (n > 32767) {
            v.Min = 0;
            v.Max = 32767;
            v.Page = static_cast<int>(static_cast<long long>(FLinesInWindow) * 32767 / n);
            v.Pos = static_cast<int>(static_cast<long long>(FTopLine) * 32767 / n);
        } else {
            v.Min = 1;
            v.Max = std::max<int>(1, static_cast<int>(n));
            v.Page = FLinesInWindow;
            v.Pos = FTopLine;
        }
        FHost->SetScrollInfo(TScrollBarKind::sbVertical, v);
    }
}

// --- caret -----------------------------------------------------------------------------------

void TCustomQuillEdit::CreateCaretShape()
{
    if (!FHost)
        return;
    TQuillEditCaretType type = FInsertMode ? FInsertCaret : FOverwriteCaret;
    int w = 2, h = FLineHeight - 2;
    FCaretOffset = { -1, 0 };
    // The shapes that cover a character cover all of a wide one.
    FCaretCells = type == TQuillEditCaretType::ctVerticalLine ? 1 : CharCellsAtCaret();
    switch (type) {
    case TQuillEditCaretType::ctVerticalLine:
        break;
    case TQuillEditCaretType::ctHorizontalLine:
        w = FCharWidth * FCaretCells;
        h = 2;
        FCaretOffset = { 0, FLineHeight - 2 };
        break;
    case TQuillEditCaretType::ctHalfBlock:
        w = FCharWidth * FCaretCells;
        h = (FLineHeight - 2) / 2;
        FCaretOffset = { 0, h };
        break;
    case TQuillEditCaretType::ctBlock:
        w = FCharWidth * FCaretCells;
        FCaretOffset = { 0, 0 };
        break;
    }
    FHost->CreateCaret(w, h);
    FCaretCreated = true;
    FCaretShown = false;
    FCaretChangedPending = true;
    if (FPaintLock == 0)
        UpdateCaret();
}

TPoint TCustomQuillEdit::CaretClientPos() const
{
    return { (DisplayColumn({ FCaretX, FCaretY }) - 1) * FCharWidth + FTextOffset, (FCaretY - FTopLine) * FLineHeight };
}

void TCustomQuillEdit::UpdateCaret()
{
    if (FPaintLock > 0 || !FHost || !FCaretCreated) {
        FCaretChangedPending = true;
        return;
    }
    FCaretChangedPending = false;
    const TQuillEditCaretType type = FInsertMode ? FInsertCaret : FOverwriteCaret;
    if (type != TQuillEditCaretType::ctVerticalLine && CharCellsAtCaret() != FCaretCells) {
        CreateCaretShape(); // places the caret again with the new shape
        return;
    }
    const TPoint cell = CaretClientPos();
    const int x = cell.X, y = cell.Y + 1;
    FHost->SetCaretPos(x + FCaretOffset.X, y + FCaretOffset.Y);
    bool visible = !FOptions.Contains(TQuillEditorOption::eoNoCaret) && x >= FGutterWidth && x < FClientSize.Width
        && y >= 0 && y < FClientSize.Height;
    if (visible != FCaretShown) {
        if (visible)
            FHost->ShowCaret();
        else
            FHost->HideCaret();
        FCaretShown = visible;
    }
}

void TCustomQuillEdit::FocusEnter()
{
    if (!FHost)
        return;
    CreateCaretShape();
    if (FHideSelection && HasSelection())
        InvalidateSelection(FBlockBegin, FBlockEnd);
}

void TCustomQuillEdit::FocusExit()
{
    if (FHost && FCaretCreated)
        FHost->DestroyCaret();
    FCaretCreated = false;
    FCaretShown = false;
    if (FHideSelection && HasSelection())
        InvalidateSelection(FBlockBegin, FBlockEnd);
}

// --- invalidation ----------------------------------------------------------------------------

void TCustomQuillEdit::InvalidateRectGathered(const TRect& rect)
{
    if (!FHost || rect.IsEmpty())
        return;
    // While the lines change, the rectangles of all line events are gathered and repainted once.
    if (FLinesChanging)
        FInvalidRect = FInvalidRect.Union(rect);
    else
        FHost->InvalidateRect(&rect);
}

void TCustomQuillEdit::InvalidateLines(int firstLine, int lastLine)
{
    if (!FHost)
        return;
    if (firstLine == -1 && lastLine == -1) {
        InvalidateRectGathered({ FGutterWidth, 0, FClientSize.Width, FClientSize.Height });
        return;
    }
    int top, bottom;
    if (VisibleRowSpan(firstLine, lastLine, top, bottom))
        InvalidateRectGathered({ FGutterWidth, top, FClientSize.Width, bottom });
}

void TCustomQuillEdit::InvalidateGutterLines(int firstLine, int lastLine)
{
    if (!FHost || FGutterWidth <= 0)
        return;
    if (firstLine == -1 && lastLine == -1) {
        InvalidateRectGathered({ 0, 0, FGutterWidth, FClientSize.Height });
        return;
    }
    int top, bottom;
    if (VisibleRowSpan(firstLine, lastLine, top, bottom))
        InvalidateRectGathered({ 0, top, FGutterWidth, bottom });
}

bool TCustomQuillEdit::VisibleRowSpan(int firstLine, int lastLine, int& top, int& bottom) const
{
    if (lastLine < firstLine)
        std::swap(firstLine, lastLine);
    firstLine = std::max(firstLine, FTopLine);
    lastLine = std::min(lastLine, FTopLine + FLinesInWindow);
    if (lastLine < firstLine)
        return false;
    top = (firstLine - FTopLine) * FLineHeight;
    bottom = (lastLine - FTopLine + 1) * FLineHeight;
    return true;
}

// --- bookmarks -------------------------------------------------------------------------------

void TCustomQuillEdit::SetBookMark(int bookmark, int column, int line)
{
    if (bookmark < 0 || bookmark > 9 || line < 1 || line > std::max(1, FLines->Count()))
        return;
    auto mark = std::make_unique<TQuillEditMark>(this);
    mark->SetLine(line);
    mark->SetColumn(column);
    mark->SetImageIndex(bookmark);
    mark->SetBookmarkNumber(bookmark);
    mark->SetVisible(true);
    mark->SetInternalImage(FBookMarkOpt.BookmarkImages() == nullptr);
    if (OnPlaceBookmark)
        OnPlaceBookmark(this, mark);
    if (!mark)
        return;
    // One bookmark per line, and each number in one place.
    for (int i = 0; i < 10; ++i)
        if (FBookMarks[static_cast<std::size_t>(i)]
            && (i == bookmark || FBookMarks[static_cast<std::size_t>(i)]->Line() == mark->Line()))
            ClearBookMark(i);
    mark->SetBookmarkNumber(bookmark);
    FBookMarks[static_cast<std::size_t>(bookmark)] = FMarkList.Add(std::move(mark));
}

void TCustomQuillEdit::ClearBookMark(int bookmark)
{
    if (bookmark < 0 || bookmark > 9)
        return;
    TQuillEditMark* mark = FBookMarks[static_cast<std::size_t>(bookmark)];
    if (!mark)
        return;
    if (OnClearBookmark)
        OnClearBookmark(this, mark);
    FBookMarks[static_cast<std::size_t>(bookmark)] = nullptr;
    FMarkList.Delete(mark);
}

void TCustomQuillEdit::GotoBookMark(int bookmark)
{
    TQuillEditMark* mark = BookMark(bookmark);
    if (!mark || mark->Line() < 1 || mark->Line() > FLines->Count())
        return;
    TBufferCoord target { mark->Column(), mark->Line() };
    MoveCaretAndSelection({ FCaretX, FCaretY }, target, false, true);
    EnsureCursorPosVisible();
}

bool TCustomQuillEdit::GetBookMark(int bookmark, int& column, int& line) const
{
    TQuillEditMark* mark = BookMark(bookmark);
    if (!mark)
        return false;
    column = mark->Column();
    line = mark->Line();
    return true;
}

TQuillEditMark* TCustomQuillEdit::BookMark(int bookmark) const
{
    if (bookmark < 0 || bookmark > 9)
        return nullptr;
    return FBookMarks[static_cast<std::size_t>(bookmark)];
}

void TCustomQuillEdit::MarkListChanged()
{
    // A bookmark deleted through the mark list itself must not stay behind as a dangling slot.
    for (TQuillEditMark*& mark : FBookMarks)
        if (mark && !FMarkList.Contains(mark))
            mark = nullptr;
    InvalidateGutterLines(-1, -1);
}

} // namespace quillan
