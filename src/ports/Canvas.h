#pragma once

#include "base/Color.h"

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>

namespace quillan {

class TImage;

struct TPoint {
    int X = 0;
    int Y = 0;
    friend bool operator==(const TPoint&, const TPoint&) = default;
};

struct TSize {
    int Width = 0;
    int Height = 0;
    friend bool operator==(const TSize&, const TSize&) = default;
};

// Device pixels; Right and Bottom are exclusive.
struct TRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;

    int Width() const { return Right - Left; }
    int Height() const { return Bottom - Top; }
    bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
    bool Contains(TPoint p) const { return p.X >= Left && p.X < Right && p.Y >= Top && p.Y < Bottom; }
    TRect Intersect(const TRect& o) const
    {
        TRect r { std::max(Left, o.Left), std::max(Top, o.Top), std::min(Right, o.Right), std::min(Bottom, o.Bottom) };
        return r.IsEmpty() ? TRect {} : r;
    }
    // The smallest rectangle holding both; an empty one adds nothing.
    TRect Union(const TRect& o) const
    {
        if (IsEmpty())
            return o;
        if (o.IsEmpty())
            return *this;
        return { std::min(Left, o.Left), std::min(Top, o.Top), std::max(Right, o.Right), std::max(Bottom, o.Bottom) };
    }
    friend bool operator==(const TRect&, const TRect&) = default;
};

// A font as asked for. The backend picks the nearest installed face; a fixed-pitch request is a
// hint, not a promise, which is why callers measure what they got.
struct TFontSpec {
    std::string Name = "Courier New";
    int Size = 10; // points
    TFontStyles Style = 0;
    TColor Color = clWindowText;
    int PixelsPerInch = 96;
    bool FixedPitch = false;

    // Character height in pixels at PixelsPerInch, rounded to nearest.
    int PixelHeight() const { return (Size * PixelsPerInch + 36) / 72; }
    friend bool operator==(const TFontSpec&, const TFontSpec&) = default;
};

struct TTextMetrics {
    int Height = 0; // ascent + descent
    int Ascent = 0;
    int Descent = 0;
    int AveCharWidth = 0;
    int MaxCharWidth = 0;
    int ExternalLeading = 0;
};

// Options of ExtTextOut.
enum TTextOutOption : unsigned {
    etoOpaque = 1, // fill the rectangle with the back colour first
    etoClipped = 2, // clip the text to the rectangle
};

// Where the editor, the print engine and the preview draw. Text is UTF-8; positions are the
// top-left of the text cell unless stated otherwise. The state calls (font, colours, clip) apply
// to the calls that follow; SaveState/RestoreState bracket a caller's changes.
class ICanvas {
public:
    virtual ~ICanvas() = default;

    virtual void SetFont(const TFontSpec& font) = 0;
    virtual TTextMetrics GetTextMetrics() = 0;
    // Advance of one character (its A + B + C widths) in the current font.
    virtual int CharAdvance(char32_t c) = 0;
    virtual TSize TextExtent(std::string_view text) = 0;

    virtual void SetTextColor(TColor color) = 0;
    virtual void SetBackColor(TColor color) = 0;

    virtual void TextOut(int x, int y, std::string_view text) = 0;
    // Draws the characters of `text` on a grid: character i starts advances[0] + ... +
    // advances[i-1] pixels right of x. `count` is the number of advances given, one per
    // character (not per byte); characters beyond it use the last advance.
    virtual void ExtTextOut(int x, int y, unsigned options, const TRect* rect, std::string_view text,
        const int* advances, std::size_t count)
        = 0;
    virtual void FillRect(const TRect& rect, TColor color) = 0;
    // A one-pixel line from (x1, y1) up to but excluding (x2, y2), horizontal or vertical.
    virtual void Line(int x1, int y1, int x2, int y2, TColor color) = 0;
    // Draws the part `source` of `image` (clipped to the image) alpha-blended over what is
    // there, with the top-left of `source` at (x, y) and one image pixel per logical unit.
    virtual void DrawImage(int x, int y, const TImage& image, const TRect& source) = 0;

    // Limits drawing to the intersection of the current clip and `rect`.
    virtual void IntersectClipRect(const TRect& rect) = 0;
    virtual TRect ClipBox() = 0;
    virtual void SaveState() = 0;
    virtual void RestoreState() = 0;
    // Scaled drawing for previews: logical (x, y) lands on device (viewportOrg.X + x *
    // viewportExt.Width / windowExt.Width, viewportOrg.Y + y * viewportExt.Height /
    // windowExt.Height). Coordinates, font heights and clip rectangles of later calls are logical;
    // measurements stay in logical units, so a page measures the same at every scale. An empty
    // extent restores one to one.
    virtual void SetMapping(TPoint viewportOrg, TSize windowExt, TSize viewportExt) = 0;
};

} // namespace quillan
