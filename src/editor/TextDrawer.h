#pragma once

#include "ports/Canvas.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace quillan {

// Draws text runs on a fixed character grid: every character advances by CharWidth (an East Asian
// wide one by two), whatever the font says, so bold, italic and plain text line up. The fonts for the sixteen style
// combinations are derived once from the base font.
class TTextDrawer {
public:
    TTextDrawer(const TFontSpec& baseFont, int charWidth, int charHeight, int extraSpacing = 0);

    // Refused for a font without a name: there would be nothing to derive the styles from.
    void SetBaseFont(const TFontSpec& font);
    void SetCharExtent(int charWidth, int charHeight);
    int CharWidth() const { return FCharWidth + FExtraSpacing; }
    int CharHeight() const { return FCharHeight; }

    // Brackets drawing on one canvas; nested brackets on the same canvas only count, and a
    // bracket on a second canvas while one is open is a programming error (std::logic_error).
    void BeginDrawing(ICanvas& canvas);
    void EndDrawing();

    void SetStyle(TFontStyles style);
    void SetForeColor(TColor color);
    void SetBackColor(TColor color);

    // `charCount` characters of UTF-8 `text` at (x, y), one cell each.
    void ExtTextOut(int x, int y, unsigned options, const TRect& rect, std::string_view text, int charCount);
    // The same where character k spans cells cellStarts[k]..cellStarts[k + 1] (an East Asian
    // wide character two): still one call for the whole run.
    void ExtTextOut(int x, int y, unsigned options, const TRect& rect, std::string_view text,
        const std::uint32_t* cellStarts, int charCount);

private:
    void ApplyFont();

    std::array<TFontSpec, 16> FFontStock;
    int FCharWidth;
    int FCharHeight;
    int FExtraSpacing;
    TFontStyles FStyle = 0;
    TColor FForeColor = clWindowText;
    TColor FBackColor = clWindow;
    ICanvas* FCanvas = nullptr;
    int FDrawingCount = 0;
    std::vector<int> FAdvances; // CharWidth throughout, reused from run to run
    std::vector<int> FCellAdvances;
};

} // namespace quillan
