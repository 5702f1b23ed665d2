#pragma once

#include "ports/Canvas.h"

#include <string>
#include <vector>

namespace quillan {

// A canvas without pixels for tests and command-line use: every character cell is CellWidth x
// CellHeight whatever the font, and every drawing call is recorded as one line of text so that a
// test can check what was drawn and in which order.
class THeadlessCanvas : public ICanvas {
public:
    static constexpr int CellWidth = 8;
    static constexpr int CellHeight = 16;

    void SetFont(const TFontSpec& font) override;
    TTextMetrics GetTextMetrics() override;
    int CharAdvance(char32_t c) override;
    TSize TextExtent(std::string_view text) override;

    void SetTextColor(TColor color) override;
    void SetBackColor(TColor color) override;

    void TextOut(int x, int y, std::string_view text) override;
    void ExtTextOut(int x, int y, unsigned options, const TRect* rect, std::string_view text, const int* advances,
        std::size_t count) override;
    void FillRect(const TRect& rect, TColor color) override;
    void Line(int x1, int y1, int x2, int y2, TColor color) override;
    // Recorded as "DrawImage x y [left top right bottom] name" with the source rectangle as
    // given and the image's name, or "#" and its id when it has none.
    void DrawImage(int x, int y, const TImage& image, const TRect& source) override;

    void IntersectClipRect(const TRect& rect) override;
    TRect ClipBox() override;
    void SaveState() override;
    void RestoreState() override;
    // Recorded only: the headless canvas has no pixels to scale.
    void SetMapping(TPoint viewportOrg, TSize windowExt, TSize viewportExt) override;

    // The area drawing starts clipped to.
    void SetBounds(const TRect& bounds);

    const TFontSpec& Font() const { return FState.Font; }
    TColor TextColor() const { return FState.TextColor; }
    TColor BackColor() const { return FState.BackColor; }

    // "TextOut 10 2 abc", "FillRect 0 0 30 16 #80000005", ... in call order. ExtTextOut records
    // "ExtTextOut x y options [rect] fg bg wN text" with N the sum of the characters' advances,
    // written "wN:a,b,c" with every advance when they differ.
    const std::vector<std::string>& Calls() const { return FCalls; }
    void ClearCalls() { FCalls.clear(); }

private:
    struct TState {
        TFontSpec Font;
        TColor TextColor = clWindowText;
        TColor BackColor = clWindow;
        TRect Clip { 0, 0, 1 << 20, 1 << 20 };
    };
    void Record(std::string call);

    TState FState;
    std::vector<TState> FSaved;
    std::vector<std::string> FCalls;
};

// Number of characters in UTF-8 text as the headless canvas counts cells: one per well-formed
// sequence and one per byte that is not part of one.
std::size_t Utf8CellCount(std::string_view text);

} // namespace quillan
