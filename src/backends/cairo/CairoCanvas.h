#pragma once

#include "ports/Canvas.h"

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

typedef struct _cairo cairo_t;
typedef struct _PangoContext PangoContext;
typedef struct _PangoLayout PangoLayout;

namespace quillan {

// A canvas over a cairo context, with pango for text: PDF pages, PNG pages and anything else
// cairo can draw on.
//
// Text is measured apart from the surface: one pango context with hinting off, unrounded glyph
// positions and no kerning or ligatures, so that a string is exactly as wide as the sum of its
// characters' advances and measures the same on a PDF page, a 300 dpi image and a scaled preview.
// Fonts are sized in pixels (TFontSpec::PixelHeight is the em size), and logical units are the
// context's user units when the canvas was bound.
class TCairoCanvas : public ICanvas {
public:
    explicit TCairoCanvas(cairo_t* cr = nullptr);
    ~TCairoCanvas() override;
    TCairoCanvas(const TCairoCanvas&) = delete;
    TCairoCanvas& operator=(const TCairoCanvas&) = delete;

    // Draws on `cr` from now on (not owned; null only measures). Font, colours and saved states
    // start afresh; measured fonts are kept.
    void Bind(cairo_t* cr);
    cairo_t* Context() const { return FCr; }

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
    void DrawImage(int x, int y, const TImage& image, const TRect& source) override;

    void IntersectClipRect(const TRect& rect) override;
    TRect ClipBox() override;
    void SaveState() override;
    void RestoreState() override;
    void SetMapping(TPoint viewportOrg, TSize windowExt, TSize viewportExt) override;

    const TFontSpec& Font() const { return FState.Font; }

    // The face that fontconfig picked for the current font (e.g. "Liberation Mono").
    std::string ResolvedFamily();

private:
    struct TFontEntry;
    struct TState {
        TFontSpec Font;
        TFontEntry* Entry = nullptr;
        TColor TextColor = clWindowText;
        TColor BackColor = clWindow;
    };

    TFontEntry& CurrentFont();
    TFontEntry* MakeFont(const TFontSpec& font);
    // Puts `text` into the layout as valid UTF-8 (each byte that starts no character becomes one
    // U+FFFD, control characters too) and records which character each byte belongs to.
    PangoLayout* Layout(std::string_view text, TFontEntry& font, bool decorations);
    long long MeasureUnits(std::string_view text, TFontEntry& font);
    void SetSource(TColor color);
    void Decorate(TFontEntry& font, double x, double baseline, double width);

    cairo_t* FCr = nullptr;
    PangoContext* FContext = nullptr;
    PangoLayout* FLayout = nullptr;
    std::unordered_map<std::string, std::unique_ptr<TFontEntry>> FFonts;
    TState FState;
    std::vector<TState> FSaved;
    double FBase[6] = { 1, 0, 0, 1, 0, 0 }; // the context's matrix when bound
    std::string FText;
    std::vector<int> FCharOfByte;
    std::vector<long long> FCellX;
};

// 0x00BBGGRR to red, green and blue in 0..255; system colours take the usual desktop values.
void ColorToRGB(TColor color, int& r, int& g, int& b);

} // namespace quillan
