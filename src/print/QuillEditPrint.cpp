#include "print/QuillEditPrint.h"

#include "editor/QuillEdit.h"
#include "highlight/HighlighterBase.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace quillan {

namespace {

constexpr int MaxTabWidth = 256;
// Widest text area, in columns, that pagination looks for; it bounds the measuring strings.
constexpr int MaxColumns = 1 << 16;

int Saturate(long long value)
{
    return value < INT_MIN ? INT_MIN : value > INT_MAX ? INT_MAX : static_cast<int>(value);
}

// Tab stops in cells, as the editor's line store expands them.
std::string ExpandTabs(std::string_view text, int tabWidth)
{
    std::string out;
    out.reserve(text.size() + 16);
    AppendExpanded(out, text, 0, tabWidth);
    return out;
}

// Characters from `start` that fill at most maxCol cells; at least one when any remain.
int CharsInCells(const TPrintLineCells& cells, int start, int maxCol)
{
    const int n = cells.CharCount();
    if (start >= n)
        return 0;
    if (cells.Simple())
        return std::min(maxCol, n - start);
    int k = start + 1;
    while (k < n && cells.CellAt(k + 1) - cells.CellAt(start) <= maxCol)
        ++k;
    return k - start;
}

// Puts the canvas back as it was found, also when a print-line handler throws.
class TCanvasStateScope {
public:
    explicit TCanvasStateScope(ICanvas& canvas)
        : FCanvas(canvas)
    {
        FCanvas.SaveState();
    }
    ~TCanvasStateScope() { FCanvas.RestoreState(); }
    TCanvasStateScope(const TCanvasStateScope&) = delete;
    TCanvasStateScope& operator=(const TCanvasStateScope&) = delete;

private:
    ICanvas& FCanvas;
};

} // namespace

TQuillEditPrint::TQuillEditPrint()
{
    // The font a new font object starts with.
    FFont.Name = "MS Sans Serif";
    FFont.Size = 8;
    FFont.Style = 0;
    FFont.Color = clWindowText;
}

TQuillEditPrint::~TQuillEditPrint() = default;

void TQuillEditPrint::LoadFromEditor(const TCustomQuillEdit& editor)
{
    SetTabWidth(editor.TabWidth());
    SetLines(editor.Lines());
    SetHighlighter(editor.Highlighter());
    SetFont(editor.Font());
}

void TQuillEditPrint::SetTabWidth(int value)
{
    FTabWidth = std::min(value, MaxTabWidth);
}

void TQuillEditPrint::SetLines(const TQuillEditStringList& source)
{
    FLines.BeginUpdate();
    FLines.Clear();
    // The copy shares the source's bytes; only lines with tabs get bytes of their own.
    FLines.AddStrings(source);
    const int count = FLines.Count();
    for (int i = 0; i < count; ++i) {
        std::string_view line = FLines.GetView(i);
        if (std::memchr(line.data(), '\t', line.size()))
            FLines.Put(i, ExpandTabs(line, FTabWidth));
    }
    FLines.EndUpdate();
    FRangesValid = false;
    StalePages();
}

void TQuillEditPrint::SetLines(const std::vector<std::string>& source)
{
    FLines.BeginUpdate();
    FLines.Clear();
    FLines.SetCapacity(static_cast<int>(source.size()));
    for (const std::string& line : source)
        FLines.Add(line.find('\t') != std::string::npos ? ExpandTabs(line, FTabWidth) : line);
    FLines.EndUpdate();
    FRangesValid = false;
    StalePages();
}

void TQuillEditPrint::SetFont(const TFontSpec& value)
{
    FFont = value;
    StalePages();
}

void TQuillEditPrint::SetHighlighter(TCustomHighlighter* value)
{
    FHighlighter = value;
    FRangesValid = false;
    StalePages();
}

void TQuillEditPrint::SetPrinter(IPrintTarget* printer)
{
    FPrinter = printer;
    FPrinterInfo.SetPrinter(printer);
}

int TQuillEditPrint::MaxLineNumber() const
{
    return Saturate(static_cast<long long>(FLines.Count()) + FLineOffset);
}

int TQuillEditPrint::OffsetPageNumber(int pageNumber) const
{
    return Saturate(static_cast<long long>(pageNumber) + FPageOffset);
}

int TQuillEditPrint::PageFirstLine(int pageNumber) const
{
    if (pageNumber < 1 || pageNumber > static_cast<int>(FPages.size()))
        return -1;
    return FPages[static_cast<std::size_t>(pageNumber - 1)];
}

// --- pagination --------------------------------------------------------------------------------

bool TQuillEditPrint::Paginate(ICanvas& canvas)
{
    FPrinterInfo.Refresh();
    PrepareJob(canvas);
    return FHighlightInUse;
}

void TQuillEditPrint::PrepareJob(ICanvas& canvas)
{
    FFontColor = FFont.Color;
    // Everything is measured in printer pixels, on paper and in the preview alike; this is what
    // makes both paginate the same.
    const int dpi = FPrinterInfo.DpiY();
    FFont.PixelsPerInch = dpi;
    FHeader.SetItemFontsDpi(dpi);
    FFooter.SetItemFontsDpi(dpi);
    FCanvasFont = FFont;
    canvas.SetFont(FCanvasFont);

    FTextMetrics = canvas.GetTextMetrics();
    FCharWidth = std::max(FTextMetrics.AveCharWidth, 1);
    FETODist.fill(FCharWidth);

    FMargins.ComputePage(canvas, 1, FPrinterInfo, FLineNumbers, FLineNumbersInMargin, MaxLineNumber());
    // Known before counting: whether lines go on the column grid decides how they wrap.
    FHighlightInUse = FHighlight && FHighlighter && FLines.Count() > 0;
    CountPages(canvas);
    FHeader.PrepareForPrint(canvas, FPageCount, FTitle, FMargins);
    FFooter.PrepareForPrint(canvas, FPageCount, FTitle, FMargins);
    FPrepared = true;
}

void TQuillEditPrint::ScanRanges()
{
    TCustomHighlighter& hl = *FHighlighter;
    FLines.BeginUpdate();
    hl.ClearRange();
    FLines.PutRange(0, hl.CurrentRange());
    const int count = FLines.Count();
    for (int i = 1; i < count; ++i) {
        hl.StartLine(FLines.GetView(i - 1), i - 1);
        hl.ScanToLineEnd();
        FLines.PutRange(i, hl.CurrentRange());
    }
    FLines.EndUpdate();
    FRangesValid = true;
}

bool TQuillEditPrint::NeedsWrap(ICanvas& canvas, std::string_view text)
{
    if (canvas.TextExtent(text).Width > FMaxWidth)
        return true;
    // On the column grid a line is as wide as its cells, not as its measured text: wide
    // characters, or narrow letters of a proportional font, can fit by measure and still run past
    // the right margin there. A line never has more cells than bytes.
    if (!FHighlightInUse || text.size() <= static_cast<std::size_t>(FMaxCol))
        return false;
    FCells.Assign(text);
    return FCells.CellCount() > FMaxCol;
}

int TQuillEditPrint::LineWrapRows(std::string_view text)
{
    FCells.Assign(text);
    FWrapPos.clear();
    WrapPositions(FCells, text, FMaxCol, FWrapPos);
    return static_cast<int>(FWrapPos.size());
}

void TQuillEditPrint::CountPages(ICanvas& canvas)
{
    if (FHighlighter && !FRangesValid && FLines.Count() > 0)
        ScanRanges();
    FPages.clear();

    // MaxCol: the most letters "W" narrower than the text area. A text area narrower than one
    // letter (or crossing margins) still gets one column, so that wrapping always advances.
    const long long width = static_cast<long long>(FMargins.PixRight) - FMargins.PixLeft;
    auto fits = [&](int n) { return canvas.TextExtent(std::string(static_cast<std::size_t>(n), 'W')).Width < width; };
    int maxCol = 0;
    if (fits(1)) {
        long long lo = 1;
        long long hi = 2;
        for (;;) {
            if (hi > MaxColumns) {
                hi = MaxColumns + 1;
                break;
            }
            if (!fits(static_cast<int>(hi)))
                break;
            lo = hi;
            hi *= 2;
        }
        while (hi - lo > 1) {
            long long mid = lo + (hi - lo) / 2;
            (fits(static_cast<int>(mid)) ? lo : hi) = mid;
        }
        maxCol = static_cast<int>(lo);
    }
    FMaxCol = std::max(maxCol, 1);
    FMaxWidth = canvas.TextExtent(std::string(static_cast<std::size_t>(FMaxCol), 'W')).Width;
    FLineHeight = std::max(FTextMetrics.Height + FTextMetrics.ExternalLeading, 1);

    // A line is never split across pages: the break test comes only before a line, so the rows
    // of a wrapped line stay on its page even past the bottom margin.
    FPages.push_back(0);
    std::int64_t y = FMargins.PixTop;
    const int count = FLines.Count();
    for (int i = 0; i < count; ++i) {
        if (FMargins.PixBottom < y + FLineHeight) {
            y = FMargins.PixTop;
            FPages.push_back(i);
        }
        if (FWrap) {
            std::string_view text = FLines.GetView(i);
            if (NeedsWrap(canvas, text))
                y += static_cast<std::int64_t>(FLineHeight) * LineWrapRows(text);
        }
        y += FLineHeight;
    }
    FPageCount = static_cast<int>(FPages.size());
    FPagesCounted = true;
}

int TQuillEditPrint::PageCount()
{
    if (!FPagesCounted) {
        std::unique_ptr<ICanvas> screen = CreateScreenCanvas ? CreateScreenCanvas() : nullptr;
        if (!screen)
            return 0;
        Paginate(*screen);
    }
    return FPageCount;
}

// --- jobs ---------------------------------------------------------------------------------------

void TQuillEditPrint::Status(TQuillPrintStatus status, int pageNumber)
{
    FAbort = false;
    if (OnPrintStatus)
        OnPrintStatus(this, status, pageNumber, FAbort);
    if (FAbort && FPrinting && FPrinter && !FJobAborted) {
        FPrinter->Abort();
        FJobAborted = true;
    }
}

void TQuillEditPrint::PrintRange(int firstPage, int lastPage)
{
    if (!FPrinter)
        throw EPrinter(SNoDefaultPrinter);
    FPrinting = true;
    FAbort = false;
    FJobAborted = false;
    try {
        FPrinter->BeginDoc(FDocTitle.empty() ? FTitle : FDocTitle);
        Status(TQuillPrintStatus::psJob, firstPage);
        Paginate(FPrinter->Canvas());
        if (lastPage < 0)
            lastPage = FPageCount;
        const int first = std::max(firstPage, 1);
        const int last = std::min(lastPage, FPageCount);
        for (int p = first; p <= last && !FAbort && !FJobAborted; ++p) {
            PrintPage(FPrinter->Canvas(), p);
            if (p != last && !FAbort && !FJobAborted)
                FPrinter->NewPage();
        }
        Status(TQuillPrintStatus::psJob, lastPage);
        if (!FJobAborted)
            FPrinter->EndDoc();
    } catch (...) {
        FPrinter->Abort();
        FPrinting = false;
        throw;
    }
    FPrinting = false;
}

void TQuillEditPrint::RenderPage(ICanvas& canvas, int pageNumber)
{
    FAbort = false;
    FPrinting = false;
    if (!FPrepared || !FPagesCounted)
        Paginate(canvas);
    PrintPage(canvas, pageNumber);
}

// --- drawing ------------------------------------------------------------------------------------

bool TQuillEditPrint::RowVisible(std::int64_t y) const
{
    return y < FClip.Bottom && y + FLineHeight > FClip.Top;
}

void TQuillEditPrint::PrintPage(ICanvas& canvas, int pageNumber)
{
    Status(TQuillPrintStatus::psPage, pageNumber);
    if (FAbort || pageNumber < 1 || pageNumber > static_cast<int>(FPages.size()))
        return;
    TCanvasStateScope scope(canvas);
    canvas.SetFont(FCanvasFont);
    FMargins.ComputePage(canvas, pageNumber, FPrinterInfo, FLineNumbers, FLineNumbersInMargin, MaxLineNumber());
    canvas.FillRect({ FMargins.PixLeft, FMargins.PixTop, FMargins.PixRight, FMargins.PixBottom }, FColor);
    FHeader.Render(canvas, OffsetPageNumber(pageNumber));

    // Rows outside the clip are skipped, not drawn: a wrapped line of megabytes stays cheap.
    FClip = canvas.ClipBox();
    FYPos = FMargins.PixTop;
    const int count = FLines.Count();
    const auto page = static_cast<std::size_t>(pageNumber - 1);
    const int first = std::clamp(FPages[page], 0, count);
    const int end = std::clamp(page + 1 < FPages.size() ? FPages[page + 1] : count, first, count);
    for (int i = first; i < end; ++i) {
        FLineNumber = i + 1;
        WriteLine(canvas, i);
        if (OnPrintLine)
            OnPrintLine(this, i + 1, pageNumber);
    }
    FFooter.Render(canvas, OffsetPageNumber(pageNumber));
}

void TQuillEditPrint::WriteLine(ICanvas& canvas, int index)
{
    std::string_view text = FLines.GetView(index);
    if (FLineNumbers && RowVisible(FYPos)) {
        TFontSpec plain = FCanvasFont;
        plain.Style = 0;
        plain.Color = PrintBlack;
        canvas.SetFont(plain);
        canvas.SetTextColor(PrintBlack);
        std::string number = std::to_string(static_cast<long long>(FLineNumber) + FLineOffset) + ": ";
        canvas.TextOut(FMargins.PixLeft - canvas.TextExtent(number).Width, static_cast<int>(FYPos), number);
        canvas.SetFont(FCanvasFont);
    }
    const bool fits = !FWrap || !NeedsWrap(canvas, text);
    if (FHighlightInUse && FHighlighter) {
        FCells.Assign(text);
        FWrapPos.clear();
        if (!fits)
            WrapPositions(FCells, text, FMaxCol, FWrapPos);
        WriteHighlighted(canvas, index, text);
    } else {
        WritePlain(canvas, text, fits);
    }
    FYPos += FLineHeight;
}

void TQuillEditPrint::WritePlain(ICanvas& canvas, std::string_view text, bool fits)
{
    canvas.SetTextColor(FFontColor);
    FCells.Assign(text);
    const int n = FCells.CharCount();
    if (n == 0)
        return;
    auto draw = [&](int from, int to) {
        if (RowVisible(FYPos) && to > from)
            canvas.TextOut(FMargins.PixLeft, static_cast<int>(FYPos),
                text.substr(FCells.ByteAt(from), FCells.ByteAt(to) - FCells.ByteAt(from)));
    };
    if (!FWrap) {
        draw(0, CharsInCells(FCells, 0, FMaxCol));
        return;
    }
    // A line narrower than the text area stays on one row even when it has more than MaxCol
    // (narrow) characters: pagination reserved one row for it, and a second would overprint the
    // next line.
    if (fits) {
        draw(0, n);
        return;
    }
    FWrapPos.clear();
    HardWrapPositions(FCells, FMaxCol, FWrapPos);
    int start = 0;
    for (int position : FWrapPos) {
        draw(start, position);
        start = position;
        FYPos += FLineHeight;
    }
    draw(start, n);
}

void TQuillEditPrint::WriteHighlighted(ICanvas& canvas, int index, std::string_view text)
{
    TCustomHighlighter& hl = *FHighlighter;
    hl.RestoreRange(FLines.GetRange(index));
    hl.StartLine(text, index + 1);

    TFontSpec font = FCanvasFont;
    TFontSpec current = FCanvasFont;
    const std::size_t wraps = FWrapPos.size();
    std::size_t next = 0; // next wrap position to reach
    int rowStart = 0;
    // Tokens are never empty before the line end, so a line cannot take more rounds than bytes;
    // the bound only keeps a faulty scanner from hanging a print job.
    std::size_t rounds = 0;
    while (!hl.AtLineEnd() && rounds++ <= text.size()) {
        const std::string_view token = hl.TokenText();
        const std::size_t tokenStart = hl.TokenStart();
        const THighlighterAttributes* attr = hl.AttributeOfToken();
        TColor fg = FFontColor;
        TColor bg = FColor;
        if (attr) {
            font.Style = attr->Style();
            if (FColors) {
                if (attr->Foreground() != clNone)
                    fg = attr->Foreground();
                if (attr->Background() != clNone)
                    bg = attr->Background();
            }
        }
        if (!(font == current)) {
            canvas.SetFont(font);
            current = font;
        }
        canvas.SetTextColor(fg);
        canvas.SetBackColor(bg);
        // The text area is already filled with Color; only other backgrounds need painting.
        FTokenOpaque = bg != FColor;

        // Token bytes to whole characters: a character belongs to the token it starts in.
        int pos = FCells.CharAtByte(tokenStart);
        const int end = std::max(pos, FCells.CharAtByte(tokenStart + token.size()));
        while (next < wraps && pos >= FWrapPos[next]) {
            rowStart = pos;
            ++next;
            FYPos += FLineHeight;
        }
        while (next < wraps && FWrapPos[next] < end) {
            const int piece = FWrapPos[next];
            DrawCells(canvas, text, pos, piece,
                FMargins.PixLeft + static_cast<std::int64_t>(FCells.CellAt(pos) - FCells.CellAt(rowStart)) * FCharWidth,
                FYPos);
            rowStart = pos = piece;
            ++next;
            FYPos += FLineHeight;
        }
        DrawCells(canvas, text, pos, end,
            FMargins.PixLeft + static_cast<std::int64_t>(FCells.CellAt(pos) - FCells.CellAt(rowStart)) * FCharWidth,
            FYPos);
        hl.Advance();
    }
    if (!(current == FCanvasFont))
        canvas.SetFont(FCanvasFont);
}

void TQuillEditPrint::DrawCells(
    ICanvas& canvas, std::string_view text, int first, int last, std::int64_t x, std::int64_t y)
{
    if (first >= last || !RowVisible(y))
        return;
    // Runs longer than the advance table are drawn in pieces of at most its size; runs past the
    // clip (a long line with wrapping off) are not drawn at all.
    constexpr int chunk = static_cast<int>(std::tuple_size_v<decltype(FETODist)>);
    for (int k = first; k < last;) {
        if (x >= FClip.Right)
            return;
        const int stop = std::min(last, k + std::min(chunk, last - k));
        const std::int64_t width = static_cast<std::int64_t>(FCells.CellAt(stop) - FCells.CellAt(k)) * FCharWidth;
        if (x + width > FClip.Left) {
            const int* advances = FETODist.data();
            if (!FCells.Simple()) {
                FAdvances.clear();
                for (int j = k; j < stop; ++j)
                    FAdvances.push_back((FCells.CellAt(j + 1) - FCells.CellAt(j)) * FCharWidth);
                advances = FAdvances.data();
            }
            const std::string_view bytes = text.substr(FCells.ByteAt(k), FCells.ByteAt(stop) - FCells.ByteAt(k));
            const int left = static_cast<int>(x);
            const int top = static_cast<int>(y);
            if (FTokenOpaque) {
                const TRect cell { left, top, static_cast<int>(std::min<std::int64_t>(x + width, INT_MAX)),
                    top + FTextMetrics.Height };
                canvas.ExtTextOut(left, top, etoOpaque, &cell, bytes, advances, static_cast<std::size_t>(stop - k));
            } else {
                canvas.ExtTextOut(left, top, 0, nullptr, bytes, advances, static_cast<std::size_t>(stop - k));
            }
        }
        x += width;
        k = stop;
    }
}

} // namespace quillan
