#pragma once

#include "ports/Canvas.h"

#include <cstddef>

namespace quillan {

// Forwards to another canvas and counts the measuring calls: benchmarks and tests use it to show
// that pagination and painting measure whole runs, never character by character. Images drawn are
// counted too.
class TCountingCanvas : public ICanvas {
public:
    explicit TCountingCanvas(ICanvas& inner)
        : FInner(inner)
    {
    }
    long long Extents = 0;
    long long Advances = 0;
    long long Images = 0;
    std::size_t MeasuredBytes = 0;

    void SetFont(const TFontSpec& font) override { FInner.SetFont(font); }
    TTextMetrics GetTextMetrics() override { return FInner.GetTextMetrics(); }
    int CharAdvance(char32_t c) override
    {
        ++Advances;
        return FInner.CharAdvance(c);
    }
    TSize TextExtent(std::string_view text) override
    {
        ++Extents;
        MeasuredBytes += text.size();
        return FInner.TextExtent(text);
    }
    void SetTextColor(TColor color) override { FInner.SetTextColor(color); }
    void SetBackColor(TColor color) override { FInner.SetBackColor(color); }
    void TextOut(int x, int y, std::string_view text) override { FInner.TextOut(x, y, text); }
    void ExtTextOut(int x, int y, unsigned options, const TRect* rect, std::string_view text, const int* advances,
        std::size_t count) override
    {
        FInner.ExtTextOut(x, y, options, rect, text, advances, count);
    }
    void FillRect(const TRect& rect, TColor color) override { FInner.FillRect(rect, color); }
    void Line(int x1, int y1, int x2, int y2, TColor color) override { FInner.Line(x1, y1, x2, y2, color); }
    void DrawImage(int x, int y, const TImage& image, const TRect& source) override
    {
        ++Images;
        FInner.DrawImage(x, y, image, source);
    }
    void IntersectClipRect(const TRect& rect) override { FInner.IntersectClipRect(rect); }
    TRect ClipBox() override { return FInner.ClipBox(); }
    void SaveState() override { FInner.SaveState(); }
    void RestoreState() override { FInner.RestoreState(); }
    void SetMapping(TPoint viewportOrg, TSize windowExt, TSize viewportExt) override
    {
        FInner.SetMapping(viewportOrg, windowExt, viewportExt);
    }

private:
    ICanvas& FInner;
};

} // namespace quillan
