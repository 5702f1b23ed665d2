#include "editor/TextDrawer.h"

#include "base/QuillEditStrConst.h"

#include <algorithm>
#include <stdexcept>

namespace quillan {

TTextDrawer::TTextDrawer(const TFontSpec& baseFont, int charWidth, int charHeight, int extraSpacing)
    : FCharWidth(charWidth)
    , FCharHeight(charHeight)
    , FExtraSpacing(extraSpacing)
{
    SetBaseFont(baseFont);
}

void TTextDrawer::SetBaseFont(const TFontSpec& font)
{
    if (font.Name.empty())
        throw EQuillEditError("SetBaseFont: 'Value' must be specified.");
    for (std::size_t style = 0; style < FFontStock.size(); ++style) {
        FFontStock[style] = font;
        FFontStock[style].Style = static_cast<TFontStyles>(style);
    }
    if (FCanvas)
        ApplyFont();
}

void TTextDrawer::SetCharExtent(int charWidth, int charHeight)
{
    FCharWidth = charWidth;
    FCharHeight = charHeight;
    FAdvances.clear();
}

void TTextDrawer::BeginDrawing(ICanvas& canvas)
{
    if (FCanvas == &canvas) {
        ++FDrawingCount;
        return;
    }
    if (FCanvas)
        throw std::logic_error("TTextDrawer: drawing on a second canvas while one is open");
    FCanvas = &canvas;
    FDrawingCount = 1;
    FCanvas->SaveState();
    ApplyFont();
    FCanvas->SetTextColor(FForeColor);
    FCanvas->SetBackColor(FBackColor);
}

void TTextDrawer::EndDrawing()
{
    if (!FCanvas || --FDrawingCount > 0)
        return;
    FCanvas->RestoreState();
    FCanvas = nullptr;
}

void TTextDrawer::ApplyFont()
{
    FCanvas->SetFont(FFontStock[FStyle & 15]);
}

void TTextDrawer::SetStyle(TFontStyles style)
{
    style &= 15;
    if (style == FStyle)
        return;
    FStyle = style;
    if (FCanvas)
        ApplyFont();
}

void TTextDrawer::SetForeColor(TColor color)
{
    FForeColor = color;
    if (FCanvas)
        FCanvas->SetTextColor(color);
}

void TTextDrawer::SetBackColor(TColor color)
{
    FBackColor = color;
    if (FCanvas)
        FCanvas->SetBackColor(color);
}

void TTextDrawer::ExtTextOut(int x, int y, unsigned options, const TRect& rect, std::string_view text, int charCount)
{
    if (!FCanvas)
        return;
    auto needed = static_cast<std::size_t>(std::max(charCount, 1));
    if (FAdvances.size() < needed)
        // Grown in steps so that lines of similar length reuse the array.
        FAdvances.assign((needed + 63) / 64 * 64, CharWidth());
    FCanvas->ExtTextOut(x, y, options, &rect, text, FAdvances.data(), needed);
}

void TTextDrawer::ExtTextOut(int x, int y, unsigned options, const TRect& rect, std::string_view text,
    const std::uint32_t* cellStarts, int charCount)
{
    if (!FCanvas)
        return;
    if (charCount <= 0) {
        ExtTextOut(x, y, options, rect, text, 0);
        return;
    }
    const int width = CharWidth();
    FCellAdvances.resize(static_cast<std::size_t>(charCount));
    for (std::size_t k = 0; k < FCellAdvances.size(); ++k)
        FCellAdvances[k] = static_cast<int>(cellStarts[k + 1] - cellStarts[k]) * width;
    FCanvas->ExtTextOut(x, y, options, &rect, text, FCellAdvances.data(), FCellAdvances.size());
}

} // namespace quillan
