#include "print/QuillEditPrinterInfo.h"

#include <cmath>

namespace quillan {

TPrinterDeviceCaps DefaultPageCaps()
{
    TPrinterDeviceCaps caps;
    caps.PhysicalWidth = 2481;
    caps.PhysicalHeight = 3507;
    caps.PageWidth = 2358;
    caps.PageHeight = 3407;
    caps.PhysicalOffsetX = 65;
    caps.PhysicalOffsetY = 50;
    caps.LogPixelsX = 300;
    caps.LogPixelsY = 300;
    return caps;
}

int RoundPix(long double value)
{
    // Margins are not range-checked. Absurd ones are held to a range in which adding or subtracting
    // a few page coordinates cannot overflow; no real sheet comes near it.
    constexpr long double limit = PixLimit;
    if (std::isnan(value))
        return 0;
    if (value <= -limit)
        return -PixLimit;
    if (value >= limit)
        return PixLimit;
    long double lo = std::floor(value);
    long double frac = value - lo;
    if (frac > 0.5L || (frac == 0.5L && std::fmod(lo, 2.0L) != 0))
        lo += 1;
    return static_cast<int>(lo);
}

void TQuillEditPrinterInfo::Fill(const TPrinterDeviceCaps& caps)
{
    // Held to the coordinate range so that the derived offsets cannot overflow.
    auto held = [](int v) { return v < -PixLimit ? -PixLimit : v > PixLimit ? PixLimit : v; };
    FPaperWidth = held(caps.PhysicalWidth);
    FPaperHeight = held(caps.PhysicalHeight);
    FPrintableWidth = held(caps.PageWidth);
    FPrintableHeight = held(caps.PageHeight);
    FOffsetLeft = held(caps.PhysicalOffsetX);
    FOffsetTop = held(caps.PhysicalOffsetY);
    FOffsetRight = FPaperWidth - FPrintableWidth - FOffsetLeft;
    FOffsetBottom = FPaperHeight - FPrintableHeight - FOffsetTop;
    FDpiX = caps.LogPixelsX;
    FDpiY = caps.LogPixelsY;
    FDotsPerMmX = static_cast<float>(FDpiX / 25.4);
    FDotsPerMmY = static_cast<float>(FDpiY / 25.4);
}

void TQuillEditPrinterInfo::Refresh()
{
    // Valid first, so that an accessor called while refreshing does not recurse.
    FValid = true;
    TPrinterDeviceCaps caps;
    // A printer that reports no resolution cannot be measured against; the built-in page is
    // better than dividing by zero later.
    if (!FPrinter || !FPrinter->GetDeviceCaps(caps) || caps.LogPixelsX <= 0 || caps.LogPixelsY <= 0) {
        UseDefaultPage();
        return;
    }
    Fill(caps);
}

void TQuillEditPrinterInfo::UseDefaultPage()
{
    Fill(DefaultPageCaps());
    FValid = true;
}

int TQuillEditPrinterInfo::LeftToPix(double mm)
{
    Ensure();
    return RoundPix(static_cast<long double>(mm) * FDotsPerMmX - FOffsetLeft);
}

int TQuillEditPrinterInfo::RightToPix(double mm)
{
    Ensure();
    return RoundPix(static_cast<long double>(mm) * FDotsPerMmX - FOffsetRight);
}

int TQuillEditPrinterInfo::TopToPix(double mm)
{
    Ensure();
    return RoundPix(static_cast<long double>(mm) * FDotsPerMmY - FOffsetTop);
}

int TQuillEditPrinterInfo::BottomToPix(double mm)
{
    Ensure();
    return RoundPix(static_cast<long double>(mm) * FDotsPerMmY - FOffsetBottom);
}

} // namespace quillan
