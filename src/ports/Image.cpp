#include "ports/Image.h"

#include <algorithm>
#include <atomic>

namespace quillan {

namespace {

std::uint64_t NewImageId()
{
    static std::atomic<std::uint64_t> next { 1 };
    return next.fetch_add(1, std::memory_order_relaxed);
}

} // namespace

TImagePixel BlendPixel(TImagePixel bottom, TImagePixel top)
{
    const unsigned ta = PixelAlpha(top);
    if (ta == 255)
        return top;
    if (ta == 0)
        return bottom;
    const unsigned ba = PixelAlpha(bottom);
    // out alpha = ta + ba * (1 - ta), in 1/255 units scaled by 255 once more to keep precision.
    const unsigned oa255 = ta * 255 + ba * (255 - ta);
    if (oa255 == 0)
        return 0;
    auto channel = [&](unsigned t, unsigned b) {
        const unsigned premul = t * ta * 255 + b * ba * (255 - ta);
        return (premul + oa255 / 2) / oa255;
    };
    return ImagePixel(channel(PixelRed(top), PixelRed(bottom)), channel(PixelGreen(top), PixelGreen(bottom)),
        channel(PixelBlue(top), PixelBlue(bottom)), (oa255 + 127) / 255);
}

TImage::TImage()
    : FId(NewImageId())
{
}

TImage::TImage(int width, int height, TImagePixel fill)
    : FWidth(std::max(width, 0))
    , FHeight(std::max(height, 0))
    , FPixels(static_cast<std::size_t>(FWidth) * static_cast<std::size_t>(FHeight), fill)
    , FId(NewImageId())
{
    if (FPixels.empty())
        FWidth = FHeight = 0;
}

TImage TImage::FromPattern(std::initializer_list<std::string_view> rows, std::initializer_list<TPatternColor> palette)
{
    return FromPattern(std::vector<std::string_view>(rows), palette);
}

TImage TImage::FromPattern(const std::vector<std::string_view>& rows, std::initializer_list<TPatternColor> palette)
{
    std::size_t width = 0;
    for (std::string_view row : rows)
        width = std::max(width, row.size());
    TImage image(static_cast<int>(width), static_cast<int>(rows.size()));
    for (std::size_t y = 0; y < rows.size() && !image.IsEmpty(); ++y)
        for (std::size_t x = 0; x < rows[y].size(); ++x)
            for (const TPatternColor& c : palette)
                if (c.Key == rows[y][x]) {
                    image.FPixels[y * width + x] = c.Pixel;
                    break;
                }
    return image;
}

void TImage::Changed()
{
    FId = NewImageId();
}

TImagePixel TImage::Pixel(int x, int y) const
{
    if (x < 0 || y < 0 || x >= FWidth || y >= FHeight)
        return 0;
    return FPixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(FWidth) + static_cast<std::size_t>(x)];
}

void TImage::SetPixel(int x, int y, TImagePixel pixel)
{
    if (x < 0 || y < 0 || x >= FWidth || y >= FHeight)
        return;
    FPixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(FWidth) + static_cast<std::size_t>(x)] = pixel;
    Changed();
}

void TImage::FillRect(const TRect& rect, TImagePixel pixel)
{
    const TRect r = rect.Intersect(Bounds());
    for (int y = r.Top; y < r.Bottom; ++y)
        std::fill_n(FPixels.begin() + static_cast<std::ptrdiff_t>(y) * FWidth + r.Left, r.Width(), pixel);
    Changed();
}

void TImage::Draw(int x, int y, const TImage& image, const TRect& source)
{
    const TRect src = source.Intersect(image.Bounds());
    if (src.IsEmpty())
        return;
    // Where the clipped source lands, then clipped to this image.
    const int dx = x - source.Left, dy = y - source.Top;
    const TRect dest = TRect { src.Left + dx, src.Top + dy, src.Right + dx, src.Bottom + dy }.Intersect(Bounds());
    for (int ty = dest.Top; ty < dest.Bottom; ++ty)
        for (int tx = dest.Left; tx < dest.Right; ++tx) {
            TImagePixel& p = FPixels[static_cast<std::size_t>(ty) * static_cast<std::size_t>(FWidth)
                + static_cast<std::size_t>(tx)];
            p = BlendPixel(p, image.Pixel(tx - dx, ty - dy));
        }
    Changed();
}

TImage TImage::Crop(const TRect& rect) const
{
    const TRect r = rect.Intersect(Bounds());
    TImage out(r.Width(), r.Height());
    for (int y = 0; y < out.FHeight; ++y)
        std::copy_n(FPixels.begin() + static_cast<std::ptrdiff_t>(r.Top + y) * FWidth + r.Left, out.FWidth,
            out.FPixels.begin() + static_cast<std::ptrdiff_t>(y) * out.FWidth);
    out.FName = FName;
    return out;
}

} // namespace quillan
