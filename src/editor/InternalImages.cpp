#include "editor/InternalImages.h"

#include <array>
#include <memory>
#include <string_view>

namespace quillan {

namespace {

constexpr int RibbonWidth = 11;
constexpr int RibbonHeight = 14;

// A ribbon bookmark with a notched tail; the digit goes into its body at (3, 2).
constexpr std::array<std::string_view, RibbonHeight> Ribbon = {
    ".KKKKKKKKK.",
    "KLBBBBBBBBK",
    "KLBBBBBBBBK",
    "KLBBBBBBBBK",
    "KLBBBBBBBBK",
    "KLBBBBBBBBK",
    "KLBBBBBBBBK",
    "KLBBBBBBBBK",
    "KLBBBBBBBBK",
    "KLBBBBBBBBK",
    "KLBBBBBBBBK",
    "KLBBBKBBBBK",
    "KLBBK.KBBBK",
    "KKKK...KKKK",
};
constexpr int DigitLeft = 3;
constexpr int DigitTop = 2;

// Digits 0..9 in 5 x 7 cells.
constexpr std::array<std::array<std::string_view, 7>, 10> Digits = { {
    { ".WWW.", "W...W", "W..WW", "W.W.W", "WW..W", "W...W", ".WWW." },
    { "..W..", ".WW..", "..W..", "..W..", "..W..", "..W..", ".WWW." },
    { ".WWW.", "W...W", "....W", "...W.", "..W..", ".W...", "WWWWW" },
    { ".WWW.", "W...W", "....W", "..WW.", "....W", "W...W", ".WWW." },
    { "...W.", "..WW.", ".W.W.", "W..W.", "WWWWW", "...W.", "...W." },
    { "WWWWW", "W....", "WWWW.", "....W", "....W", "W...W", ".WWW." },
    { "..WW.", ".W...", "W....", "WWWW.", "W...W", "W...W", ".WWW." },
    { "WWWWW", "....W", "...W.", "..W..", ".W...", ".W...", ".W..." },
    { ".WWW.", "W...W", "W...W", ".WWW.", "W...W", "W...W", ".WWW." },
    { ".WWW.", "W...W", "W...W", ".WWWW", "....W", "...W.", ".WW.." },
} };

constexpr TPatternColor Outline { 'K', ImagePixel(0x1A, 0x3A, 0x78) };
constexpr TPatternColor Body { 'B', ImagePixel(0x3C, 0x78, 0xD8) };
constexpr TPatternColor Shine { 'L', ImagePixel(0x82, 0xAE, 0xEE) };
constexpr TPatternColor Digit { 'W', ImagePixel(0xFF, 0xFF, 0xFF) };

struct TShared {
    int Uses = 0;
    std::unique_ptr<TImage> Strip;
};

TShared& SharedStrip()
{
    // Never destroyed: a control that lives in a static may let go of its share after every
    // function-local static is gone.
    static TShared& shared = *new TShared;
    return shared;
}

} // namespace

TImage MakeInternalImages()
{
    const TImage ribbon
        = TImage::FromPattern(std::vector<std::string_view>(Ribbon.begin(), Ribbon.end()), { Outline, Body, Shine });
    TImage strip(RibbonWidth * InternalImageCount, RibbonHeight);
    strip.SetName(InternalImagesName);
    for (int n = 0; n < InternalImageCount; ++n) {
        const auto& rows = Digits[static_cast<std::size_t>(n)];
        strip.Draw(n * RibbonWidth, 0, ribbon);
        strip.Draw(n * RibbonWidth + DigitLeft, DigitTop,
            TImage::FromPattern(std::vector<std::string_view>(rows.begin(), rows.end()), { Digit }));
    }
    return strip;
}

TInternalImages::~TInternalImages()
{
    if (!FHolds)
        return;
    TShared& shared = SharedStrip();
    if (--shared.Uses == 0)
        shared.Strip.reset();
}

const TImage& TInternalImages::Strip()
{
    TShared& shared = SharedStrip();
    if (!FHolds) {
        if (shared.Uses++ == 0)
            shared.Strip = std::make_unique<TImage>(MakeInternalImages());
        FHolds = true;
    }
    return *shared.Strip;
}

int TInternalImages::UseCount()
{
    return SharedStrip().Uses;
}

const TImage* TInternalImages::Shared()
{
    return SharedStrip().Strip.get();
}

} // namespace quillan
