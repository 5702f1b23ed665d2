#include "editor/GutterMarks.h"
#include "editor/QuillEdit.h"
#include "editor/QuillEditPrivate.h"
#include "editor/TextDrawer.h"
#include "highlight/HighlighterBase.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <string_view>
#include <vector>

namespace quillan {

namespace {

bool AllSpaces(std::string_view s)
{
    return std::all_of(s.begin(), s.end(), [](char c) { return c == ' '; });
}

} // namespace

// What painting one clip rectangle needs across its lines. Cells are 0-based display columns.
struct TCustomQuillEdit::TPaintContext {
    TPaintContext(ICanvas& canvas, const TFontSpec& font, int charWidth, int lineHeight)
        : Canvas(canvas)
        , Drawer(font, charWidth, lineHeight)
    {
    }
    ICanvas& Canvas;
    TTextDrawer Drawer;
    TRect Clip; // the clip within the text area (right of the 2-pixel strip)
    int FirstCell = 0;
    int LastCell = 0; // exclusive
    TColor Background = clWindow;
    bool SelVisible = false;
    TBufferCoord SelStart; // X as display columns
    TBufferCoord SelStop;

    // The line being painted (its expanded text: tabs are spaces by now), or the part of it from
    // cell Base on that the clip shows.
    int RowTop = 0;
    std::string_view Text;
    int Base = 0;
    // With a highlighter Text is the whole expanded line, whose token positions are bytes of it,
    // and the tables below start at byte ByteBase, the character at cell Base.
    std::size_t ByteBase = 0;
    // ASCII: every character is one byte and one cell, and no table is needed.
    bool Simple = true;
    // Otherwise, for each character from the first on, its first byte and its first cell, and
    // one entry more for where the last one ends. Only the characters up to the right edge of the
    // clip are listed: a very long line costs no more than what shows of it.
    std::vector<std::uint32_t> CharBytes;
    std::vector<std::uint32_t> CharCells;
    int CharCount = 0; // characters listed
    int CellCount = 0; // cells they take (at least LastCell when the list stops early)
    int SelFrom = 0; // selected cells [SelFrom, SelTo)
    int SelTo = 0;
    bool Special = false;
    TColor LineFg = clWindowText;
    TColor LineBg = clWindow;

    // The pending run: cells [RunStart, RunEnd).
    int RunStart = 0;
    int RunEnd = 0;
    TColor RunFg = 0;
    TColor RunBg = 0;
    TFontStyles RunStyle = 0;

    void SetLine(std::string_view text, int base, std::size_t byteBase = 0)
    {
        Text = text;
        Base = base;
        ByteBase = byteBase;
        const std::string_view listed = text.substr(byteBase);
        Simple = IsAscii(listed);
        if (Simple) {
            CharCount
                = static_cast<int>(std::min<std::size_t>(listed.size(), INT_MAX - static_cast<std::size_t>(base)));
            CellCount = Base + CharCount;
            return;
        }
        CharBytes.clear();
        CharCells.clear();
        std::uint32_t cell = 0;
        std::size_t i = byteBase;
        while (i < text.size() && cell < static_cast<std::uint32_t>(std::max(0, LastCell - Base))) {
            int cells;
            std::size_t n = CharCellsAt(text, i, cells);
            CharBytes.push_back(static_cast<std::uint32_t>(i));
            CharCells.push_back(cell);
            cell += static_cast<std::uint32_t>(cells);
            i += n;
        }
        CharCount = static_cast<int>(CharBytes.size());
        CharBytes.push_back(static_cast<std::uint32_t>(i));
        CharCells.push_back(cell);
        CellCount = Base + static_cast<int>(cell);
    }
    // The character that covers `cell`, or CharCount past the listed ones.
    int CharAtCell(int cell) const
    {
        cell -= Base;
        if (Simple)
            return std::clamp(cell, 0, CharCount);
        auto it = std::upper_bound(CharCells.begin(), CharCells.end(), static_cast<std::uint32_t>(std::max(cell, 0)));
        return std::min(static_cast<int>(it - CharCells.begin()) - 1, CharCount);
    }
    // The first character that starts at or after `cell`.
    int CharFromCell(int cell) const
    {
        cell -= Base;
        if (Simple)
            return std::clamp(cell, 0, CharCount);
        auto it = std::lower_bound(CharCells.begin(), CharCells.end(), static_cast<std::uint32_t>(std::max(cell, 0)));
        return std::min(static_cast<int>(it - CharCells.begin()), CharCount);
    }
    std::size_t ByteOfChar(int k) const
    {
        return Simple ? ByteBase + static_cast<std::size_t>(k) : CharBytes[static_cast<std::size_t>(k)];
    }
    int CellOfChar(int k) const
    {
        return Base + (Simple ? k : static_cast<int>(CharCells[static_cast<std::size_t>(k)]));
    }
    // The cell of the first character that starts at or after `byte`; bytes past the listed
    // characters lie beyond the clip.
    int CellOfByte(std::size_t byte) const
    {
        // Before the listed characters is before the clip.
        if (byte < ByteBase)
            return Base;
        if (Simple)
            return Base
                + static_cast<int>(std::min<std::size_t>(byte - ByteBase, INT_MAX - static_cast<std::size_t>(Base)));
        if (byte >= CharBytes.back())
            return byte == CharBytes.back() ? CellCount : std::max(CellCount, LastCell);
        auto it = std::lower_bound(CharBytes.begin(), CharBytes.end(), static_cast<std::uint32_t>(byte));
        return Base + static_cast<int>(CharCells[static_cast<std::size_t>(it - CharBytes.begin())]);
    }
};

void TCustomQuillEdit::Paint(ICanvas& canvas, const TRect& rect)
{
    const TRect clip
        = rect.Intersect({ 0, 0, std::max(FClientSize.Width, rect.Right), std::max(FClientSize.Height, rect.Bottom) });
    if (clip.IsEmpty())
        return;
    const int count = FLines->Count();
    const int firstLine = FTopLine + clip.Top / FLineHeight;
    int lastLine = std::min(count, FTopLine + (clip.Bottom - 1) / FLineHeight);
    canvas.SaveState();
    canvas.IntersectClipRect(clip);
    if (clip.Left < FGutterWidth)
        PaintGutter(canvas, clip, firstLine, lastLine);
    if (clip.Right > FGutterWidth)
        PaintTextLines(canvas, clip, firstLine, lastLine);
    canvas.RestoreState();
    if (OnPaint) {
        canvas.SaveState();
        canvas.SetFont(FFont);
        canvas.SetTextColor(FFont.Color);
        canvas.SetBackColor(FColor);
        OnPaint(this, canvas);
        canvas.RestoreState();
    }
}

void TCustomQuillEdit::PaintGutter(ICanvas& canvas, const TRect& clip, int firstLine, int lastLine)
{
    const TRect area = clip.Intersect({ 0, clip.Top, FGutterWidth, clip.Bottom });
    if (area.IsEmpty())
        return;
    int y = area.Top;
    if (FGutter.ShowLineNumbers()) {
        // An empty text still shows the number of its first line.
        if (FLines->Count() == 0 && FTopLine == 1)
            lastLine = std::max(lastLine, 1);
        TTextDrawer drawer(FFont, FCharWidth, FLineHeight);
        drawer.BeginDrawing(canvas);
        drawer.SetStyle(FGutter.UseFontStyle() ? FFont.Style : 0);
        drawer.SetForeColor(FFont.Color);
        drawer.SetBackColor(FGutter.Color());
        for (int line = firstLine; line <= lastLine; ++line) {
            const int top = (line - FTopLine) * FLineHeight;
            const TRect row = area.Intersect({ 0, top, FGutterWidth, top + FLineHeight });
            std::string number = FGutter.FormatLineNumber(line);
            drawer.ExtTextOut(
                FGutter.LeftOffset(), top, etoOpaque | etoClipped, row, number, static_cast<int>(number.size()));
            y = row.Bottom;
        }
        drawer.EndDrawing();
    }
    if (y < area.Bottom)
        canvas.FillRect({ area.Left, y, area.Right, area.Bottom }, FGutter.Color());
    // The bevel between the gutter and the text.
    if (area.Right >= FGutterWidth - 1 && FGutterWidth >= 2) {
        canvas.Line(FGutterWidth - 2, area.Top, FGutterWidth - 2, area.Bottom, clBtnHighlight);
        canvas.Line(FGutterWidth - 1, area.Top, FGutterWidth - 1, area.Bottom, clBtnShadow);
    }
    PaintGutterMarks(canvas, area, FMarkList, FBookMarkOpt, { FTopLine, FLineHeight }, firstLine, lastLine);
}

void TCustomQuillEdit::PaintTextLines(ICanvas& canvas, const TRect& clip, int firstLine, int lastLine)
{
    TPaintContext pc(canvas, FFont, FCharWidth, FLineHeight);
    pc.Background = FColor;
    if (FHighlighter)
        if (THighlighterAttributes* ws = FHighlighter->StandardAttribute(sakWhitespace))
            if (ws->Background() != clNone)
                pc.Background = ws->Background();
    const int textLeft = FGutterWidth + 2;
    // The strip between the gutter and the first column.
    const TRect strip = clip.Intersect({ FGutterWidth, clip.Top, textLeft, clip.Bottom });
    if (!strip.IsEmpty())
        canvas.FillRect(strip, pc.Background);
    pc.Clip = clip.Intersect({ textLeft, clip.Top, clip.Right, clip.Bottom });
    if (pc.Clip.IsEmpty())
        return;
    pc.FirstCell = std::max(FLeftChar - 1, (pc.Clip.Left - FTextOffset) / FCharWidth);
    pc.LastCell = (pc.Clip.Right - FTextOffset + FCharWidth - 1) / FCharWidth;

    pc.SelVisible = HasSelection() && !(FHideSelection && FHost && !FHost->Focused());
    if (pc.SelVisible) {
        TBufferCoord a = SelectionStart(), b = SelectionStop();
        pc.SelStart = { DisplayColumn(a), a.Y };
        pc.SelStop = { DisplayColumn(b), b.Y };
        if (FSelectionMode == TQuillSelectionMode::smColumn && pc.SelStart.X > pc.SelStop.X)
            std::swap(pc.SelStart.X, pc.SelStop.X);
    }

    pc.Drawer.BeginDrawing(canvas);
    int y = pc.Clip.Top;
    for (int line = firstLine; line <= lastLine; ++line) {
        PaintLine(pc, line);
        y = (line - FTopLine + 1) * FLineHeight;
    }
    pc.Drawer.EndDrawing();
    if (y < pc.Clip.Bottom)
        canvas.FillRect({ pc.Clip.Left, y, pc.Clip.Right, pc.Clip.Bottom }, pc.Background);
    if (FRightEdge > 0) {
        const int x = FRightEdge * FCharWidth + FTextOffset;
        if (x >= pc.Clip.Left && x < pc.Clip.Right)
            canvas.Line(x, pc.Clip.Top, x, pc.Clip.Bottom, FRightEdgeColor);
    }
}

void TCustomQuillEdit::PaintLine(TPaintContext& pc, int line)
{
    pc.RowTop = (line - FTopLine) * FLineHeight;
    // A highlighter scans the line from its start; without one only the cells the clip shows
    // are expanded, so a line of megabytes scrolled far right costs what shows of it.
    QuillString expanded;
    std::string visible;
    if (FHighlighter) {
        expanded = FLines->ExpandedString(line - 1);
        // The expanded text has no tabs left, so this walk is quick even far along the line.
        const TCellSpot first = quillan::CharAtCell(expanded.view(), pc.FirstCell, FTabWidth);
        pc.SetLine(expanded.view(), static_cast<int>(first.Cell), first.Byte);
    } else {
        const std::string_view s = LineView(line);
        const TCellSpot first = FLines->CharAtCell(line - 1, pc.FirstCell);
        const TCellSpot last = FLines->CharAtCell(line - 1, std::max(pc.FirstCell, pc.LastCell));
        // A character reaching over the right edge of the clip is drawn whole and clipped.
        const std::size_t end = last.Cell < pc.LastCell ? last.Byte + last.Length : last.Byte;
        AppendExpanded(visible, s.substr(first.Byte, end - first.Byte), first.Cell, FTabWidth);
        pc.SetLine(visible, static_cast<int>(first.Cell));
    }

    pc.SelFrom = pc.SelTo = 0;
    if (pc.SelVisible && line >= pc.SelStart.Y && line <= pc.SelStop.Y) {
        switch (FSelectionMode) {
        case TQuillSelectionMode::smNormal:
            pc.SelFrom = line == pc.SelStart.Y ? pc.SelStart.X - 1 : 0;
            pc.SelTo = line == pc.SelStop.Y ? pc.SelStop.X - 1 : INT_MAX;
            break;
        case TQuillSelectionMode::smLine:
            pc.SelTo = INT_MAX;
            break;
        case TQuillSelectionMode::smColumn:
            // The block's edges are display columns; on each line they move to the start of the
            // character they fall in or the next one (ColumnBlockBytes), so that a tab or a wide
            // character is shown selected whole or not at all.
            pc.SelFrom = DisplayColumn({ ColumnForDisplay(line, pc.SelStart.X), line }) - 1;
            pc.SelTo = DisplayColumn({ ColumnForDisplay(line, pc.SelStop.X), line }) - 1;
            break;
        }
    }
    const bool wholeSelected = pc.SelFrom <= pc.FirstCell && pc.SelTo >= pc.LastCell && pc.SelTo > pc.SelFrom;

    pc.Special = false;
    pc.LineFg = FFont.Color;
    pc.LineBg = pc.Background;
    if (OnSpecialLineColors) {
        TColor fg = pc.LineFg, bg = pc.LineBg;
        OnSpecialLineColors(this, line, pc.Special, fg, bg);
        if (pc.Special) {
            pc.LineFg = fg == clNone ? pc.LineFg : fg;
            pc.LineBg = bg == clNone ? pc.LineBg : bg;
        }
    }

    // Cells [from, to) in one call. A wide character cut by the edge of the part is drawn whole
    // from its own first cell and clipped, so each side shows its half.
    auto drawPart = [&](int from, int to, TColor fg, TColor bg, TFontStyles style) {
        from = std::max(from, pc.FirstCell);
        to = std::min(to, pc.LastCell);
        if (from >= to)
            return;
        const TRect cell = TRect { FTextOffset + from * FCharWidth, pc.RowTop, FTextOffset + to * FCharWidth,
            pc.RowTop + FLineHeight }
                               .Intersect(pc.Clip);
        if (cell.IsEmpty())
            return;
        pc.Drawer.SetStyle(style);
        pc.Drawer.SetForeColor(fg);
        pc.Drawer.SetBackColor(bg);
        const int k0 = pc.CharAtCell(from), k1 = pc.CharFromCell(to);
        const std::size_t b0 = pc.ByteOfChar(k0), b1 = pc.ByteOfChar(k1);
        const int x = FTextOffset + pc.CellOfChar(k0) * FCharWidth;
        const std::string_view text = pc.Text.substr(b0, b1 - b0);
        if (pc.Simple)
            pc.Drawer.ExtTextOut(x, pc.RowTop, etoOpaque | etoClipped, cell, text, k1 - k0);
        else
            pc.Drawer.ExtTextOut(x, pc.RowTop, etoOpaque | etoClipped, cell, text, pc.CharCells.data() + k0, k1 - k0);
    };
    auto selectedColors = [&](TColor& fg, TColor& bg) {
        if (pc.Special) {
            fg = pc.LineBg;
            bg = pc.LineFg;
        } else {
            fg = FSelectedColor.Foreground();
            bg = FSelectedColor.Background();
        }
    };
    // A run is split where the selection starts and ends so that each part gets its colours.
    auto drawRun = [&](int from, int to, TColor fg, TColor bg, TFontStyles style) {
        TColor sfg, sbg;
        selectedColors(sfg, sbg);
        if (pc.SelTo <= pc.SelFrom) {
            drawPart(from, to, fg, bg, style);
            return;
        }
        drawPart(from, std::min(to, pc.SelFrom), fg, bg, style);
        drawPart(std::max(from, pc.SelFrom), std::min(to, pc.SelTo), sfg, sbg, style);
        drawPart(std::max(from, pc.SelTo), to, fg, bg, style);
    };

    if (FHighlighter) {
        pc.RunStart = pc.RunEnd = 0;
        FHighlighter->RestoreRange(FLines->GetRange(line - 1));
        FHighlighter->StartLine(pc.Text, line - 1);
        while (!FHighlighter->AtLineEnd()) {
            const std::size_t start = FHighlighter->TokenStart();
            const std::string_view token = FHighlighter->TokenText();
            const int tokStart = pc.CellOfByte(start);
            if (tokStart >= pc.LastCell)
                break;
            const int tokEnd = pc.CellOfByte(start + token.size());
            if (tokEnd > pc.FirstCell) {
                TColor fg = pc.LineFg, bg = pc.LineBg;
                TFontStyles style = FFont.Style;
                if (THighlighterAttributes* attr = FHighlighter->AttributeOfToken()) {
                    style = attr->Style();
                    if (!pc.Special) {
                        fg = attr->Foreground() == clNone ? FFont.Color : attr->Foreground();
                        bg = attr->Background() == clNone ? pc.Background : attr->Background();
                    }
                }
                if (pc.RunEnd == pc.RunStart) {
                    pc.RunStart = tokStart;
                    pc.RunEnd = tokEnd;
                    pc.RunFg = fg;
                    pc.RunBg = bg;
                    pc.RunStyle = style;
                } else {
                    const bool spaces = AllSpaces(token);
                    const bool styleFits = style == pc.RunStyle || (spaces && !((style | pc.RunStyle) & fsUnderline));
                    const bool joins
                        = pc.Special || wholeSelected || (bg == pc.RunBg && (fg == pc.RunFg || spaces) && styleFits);
                    if (joins) {
                        pc.RunEnd = tokEnd;
                    } else {
                        drawRun(pc.RunStart, pc.RunEnd, pc.RunFg, pc.RunBg, pc.RunStyle);
                        pc.RunStart = tokStart;
                        pc.RunEnd = tokEnd;
                        pc.RunFg = fg;
                        pc.RunBg = bg;
                        pc.RunStyle = style;
                    }
                }
            }
            FHighlighter->Advance();
        }
        if (pc.RunEnd > pc.RunStart)
            drawRun(pc.RunStart, pc.RunEnd, pc.RunFg, pc.RunBg, pc.RunStyle);
    } else {
        drawRun(0, pc.CellCount, pc.LineFg, pc.LineBg, FFont.Style);
    }

    // The row past the text, selected where the selection's span reaches beyond it.
    const int restFrom = std::max(pc.CellCount, pc.FirstCell);
    if (restFrom < pc.LastCell) {
        TColor sfg, sbg;
        selectedColors(sfg, sbg);
        auto fill = [&](int from, int to, TColor color) {
            from = std::max(from, restFrom);
            to = std::min(to, pc.LastCell);
            if (from >= to)
                return;
            const TRect r = TRect { FTextOffset + from * FCharWidth, pc.RowTop, FTextOffset + to * FCharWidth,
                pc.RowTop + FLineHeight }
                                .Intersect(pc.Clip);
            if (!r.IsEmpty())
                pc.Canvas.FillRect(r, color);
        };
        if (pc.SelTo > pc.SelFrom) {
            fill(restFrom, pc.SelFrom, pc.LineBg);
            fill(pc.SelFrom, pc.SelTo, sbg);
            fill(pc.SelTo, pc.LastCell, pc.LineBg);
        } else {
            fill(restFrom, pc.LastCell, pc.LineBg);
        }
    }
}

} // namespace quillan
