#pragma once

#include "ports/Canvas.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>
#include <wx/colour.h>
#include <wx/font.h>
#include <wx/string.h>

class wxDC;
class wxMemoryDC;
class wxBitmap;
class wxImage;

namespace quillan {

// The colour a TColor stands for on this desktop: direct colours as they are, system colours
// (0x800000nn) from the theme; clNone gives an invalid colour.
wxColour ToWxColour(TColor color);

// The image as a 32-bit bitmap with alpha, for drawing on any wxDC and for image lists.
wxBitmap ToWxBitmap(const TImage& image);

// A canvas over a wxDC: the editor's window, a memory bitmap, a printer.
//
// Fonts are sized like the other backends: TFontSpec::PixelHeight is the em size, so that a font
// measures the same here, on a PDF page and in a preview. Text is UTF-8 bytes; each well-formed
// sequence is one character, and every byte that starts none (and every control character) is
// drawn as one U+FFFD. ExtTextOut puts each character at the position its advances give but
// draws whole runs: a run goes to the DC in one call as long as the font's own advances put its
// characters where the caller wants them, which for a fixed-pitch font on its own grid is the
// whole run.
//
// Without a DC the canvas still measures, on a memory DC of its own; drawing calls then do
// nothing.
class TWxCanvas : public ICanvas {
public:
    TWxCanvas();
    // Draws on `dc` (not owned), clipped to `bounds` in device pixels.
    TWxCanvas(wxDC& dc, const TRect& bounds);
    ~TWxCanvas() override;
    TWxCanvas(const TWxCanvas&) = delete;
    TWxCanvas& operator=(const TWxCanvas&) = delete;

    // Draws on `dc` from now on, clipped to `bounds` (device pixels); null only measures. Font,
    // colours, mapping and saved states start afresh; measured fonts are kept.
    void Bind(wxDC* dc, const TRect& bounds);
    wxDC* DC() const { return FDC; }

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
    // Each image is converted to a bitmap once and drawn from it while its pixels stay the same.
    void DrawImage(int x, int y, const TImage& image, const TRect& source) override;

    void IntersectClipRect(const TRect& rect) override;
    TRect ClipBox() override;
    void SaveState() override;
    void RestoreState() override;
    void SetMapping(TPoint viewportOrg, TSize windowExt, TSize viewportExt) override;

    // The resolution at which the DC turns points into pixels; 0, the default, is the screen's. wx
    // printer DCs size fonts as a 96 dpi screen would, in device pixels, whatever the printer's
    // resolution. Set it before the first font is measured: measured fonts are kept.
    void SetFontResolution(double dpi) { FFontResolution = dpi; }

    const TFontSpec& Font() const { return FState.Font; }
    // The font handed to the DC for the current TFontSpec.
    const wxFont& CurrentWxFont();
    // Text calls made on the DC since the last reset; runs that fit the font's own advances cost
    // one each, which is what painting relies on to stay fast.
    int TextCalls() const { return FTextCalls; }
    void ResetTextCalls() { FTextCalls = 0; }

private:
    struct TFontEntry;
    struct TMapping {
        TPoint Origin; // device pixels
        double ScaleX = 1;
        double ScaleY = 1;
    };
    struct TState {
        TFontSpec Font;
        TFontEntry* Entry = nullptr;
        TColor TextColor = clWindowText;
        TColor BackColor = clWindow;
        TRect Clip; // device pixels
        TMapping Mapping;
    };

    wxDC& MeasureDC();
    TFontEntry& CurrentFont();
    TFontEntry* MakeFont(const TFontSpec& font);
    void SelectFont(wxDC& dc, TFontEntry& font);
    // Decodes `text` into FText, one character per well-formed sequence and U+FFFD for the rest.
    const wxString& DisplayText(std::string_view text);
    const wxColour& Colour(TColor color);
    void ApplyClip();
    void ApplyMapping();
    TRect ToDevice(const TRect& r) const;
    TRect ToLogical(const TRect& r) const;
    bool CanDraw() const { return FDC != nullptr && !FState.Clip.IsEmpty(); }
    void DrawRun(int x, int y, std::size_t first, std::size_t last);
    const wxBitmap& ImageBitmap(const TImage& image);

    wxDC* FDC = nullptr;
    double FFontResolution = 0;
    TPoint FBaseOrigin; // the DC's device origin when it was bound
    std::unique_ptr<wxBitmap> FMeasureBitmap;
    std::unique_ptr<wxMemoryDC> FMeasureDC;
    std::unordered_map<std::string, std::unique_ptr<TFontEntry>> FFonts;
    TFontEntry* FSelected = nullptr; // the font the DC holds
    wxDC* FSelectedOn = nullptr;
    std::unordered_map<TColor, wxColour> FColours;
    TState FState;
    std::vector<TState> FSaved;
    std::wstring FWide;
    wxString FText;
    std::vector<long long> FCellX;
    int FTextCalls = 0;
    // Converted images by image id; the oldest conversions go when there are too many.
    std::unordered_map<std::uint64_t, std::unique_ptr<wxBitmap>> FImageBitmaps;
    std::vector<std::uint64_t> FImageOrder;
};

} // namespace quillan
