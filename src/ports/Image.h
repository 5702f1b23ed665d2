#pragma once

#include "ports/Canvas.h"

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace quillan {

// One pixel as 0xAARRGGBB with straight (not premultiplied) alpha: 0 is fully transparent.
using TImagePixel = std::uint32_t;

constexpr TImagePixel ImagePixel(unsigned r, unsigned g, unsigned b, unsigned a = 255)
{
    return (a & 0xFFu) << 24 | (r & 0xFFu) << 16 | (g & 0xFFu) << 8 | (b & 0xFFu);
}
constexpr unsigned PixelAlpha(TImagePixel p)
{
    return p >> 24;
}
constexpr unsigned PixelRed(TImagePixel p)
{
    return (p >> 16) & 0xFFu;
}
constexpr unsigned PixelGreen(TImagePixel p)
{
    return (p >> 8) & 0xFFu;
}
constexpr unsigned PixelBlue(TImagePixel p)
{
    return p & 0xFFu;
}

// One character of a pixel pattern and the pixel it stands for.
struct TPatternColor {
    char Key;
    TImagePixel Pixel;
};

// A picture in memory, independent of any display: glyphs, icons, image-list strips.
//
// Every image carries an id that stands for its pixels: a copy keeps the id of its original,
// and every change gives the image a new one that no other image has had. Backends key their
// converted bitmaps by it, so an image is converted once however often it is drawn, and a
// changed image is never drawn from a stale conversion.
class TImage {
public:
    TImage();
    TImage(int width, int height, TImagePixel fill = 0);

    // Builds an image from rows of characters, one character per pixel: each character found
    // in `palette` takes its pixel, every other one (conventionally '.') is transparent. The
    // width is that of the longest row; shorter rows end in transparent pixels.
    static TImage FromPattern(
        std::initializer_list<std::string_view> rows, std::initializer_list<TPatternColor> palette);
    static TImage FromPattern(const std::vector<std::string_view>& rows, std::initializer_list<TPatternColor> palette);

    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    bool IsEmpty() const { return FWidth <= 0 || FHeight <= 0; }
    TRect Bounds() const { return { 0, 0, FWidth, FHeight }; }
    std::uint64_t Id() const { return FId; }

    // A name for the records of the headless canvas and for messages; not part of the pixels.
    const std::string& Name() const { return FName; }
    void SetName(std::string name) { FName = std::move(name); }

    // Pixels outside the image read as transparent; writes outside it are ignored.
    TImagePixel Pixel(int x, int y) const;
    void SetPixel(int x, int y, TImagePixel pixel);
    // Rows from top to bottom, Width() pixels each.
    const std::vector<TImagePixel>& Pixels() const { return FPixels; }

    // Sets every pixel of `rect` (clipped to the image) to `pixel`, alpha included.
    void FillRect(const TRect& rect, TImagePixel pixel);
    // Composes the part `source` of `image` over this one with its top-left at (x, y), as a
    // canvas draws it: alpha-blended, clipped to both images.
    void Draw(int x, int y, const TImage& image, const TRect& source);
    void Draw(int x, int y, const TImage& image) { Draw(x, y, image, image.Bounds()); }
    // A copy of the part `rect` (clipped to the image).
    TImage Crop(const TRect& rect) const;

private:
    void Changed();

    int FWidth = 0;
    int FHeight = 0;
    std::vector<TImagePixel> FPixels;
    std::uint64_t FId;
    std::string FName;
};

// `top` over `bottom`, both with straight alpha.
TImagePixel BlendPixel(TImagePixel bottom, TImagePixel top);

} // namespace quillan
