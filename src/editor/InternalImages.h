#pragma once

#include "ports/Image.h"

namespace quillan {

inline constexpr char InternalImagesName[] = "QuillEditInternalImages";
inline constexpr int InternalImageCount = 10;

// The strip of built-in bookmark glyphs 0..9 (11 x 14 each, side by side), drawn from a pixel
// pattern in code.
TImage MakeInternalImages();

// One control's share of the built-in glyph strip. All controls draw from one strip: the first
// share that asks for it makes it, and the last share to go frees it.
class TInternalImages {
public:
    TInternalImages() = default;
    ~TInternalImages();
    TInternalImages(const TInternalImages&) = delete;
    TInternalImages& operator=(const TInternalImages&) = delete;

    // The shared strip; the first call takes this share's use.
    const TImage& Strip();
    bool Holds() const { return FHolds; }

    // Shares that hold the strip now, and the strip while any does (else null).
    static int UseCount();
    static const TImage* Shared();
    // Width of one of the ten glyphs in `strip`.
    static int GlyphWidth(const TImage& strip) { return (strip.Width() + 5) / InternalImageCount; }

private:
    bool FHolds = false;
};

} // namespace quillan
