#pragma once

#include "ports/PrintTarget.h"

namespace quillan {

// The sheet and printable area of the current printer in device pixels. Without a printer (or
// when the printer cannot say) the built-in A4 page at 300 dpi stands in, so that pagination and
// preview still work.
class TQuillEditPrinterInfo {
public:
    // The printer whose metrics Refresh reads; not owned, null for none.
    void SetPrinter(IPrintTarget* printer)
    {
        FPrinter = printer;
        FValid = false;
    }
    IPrintTarget* Printer() const { return FPrinter; }

    void Refresh();
    void UseDefaultPage();
    bool IsValid() const { return FValid; }

    // Each accessor fills the metrics first when they were never read.
    int PaperWidth() { return Ensure().FPaperWidth; }
    int PaperHeight() { return Ensure().FPaperHeight; }
    int PrintableWidth() { return Ensure().FPrintableWidth; }
    int PrintableHeight() { return Ensure().FPrintableHeight; }
    int OffsetLeft() { return Ensure().FOffsetLeft; }
    int OffsetTop() { return Ensure().FOffsetTop; }
    int OffsetRight() { return Ensure().FOffsetRight; }
    int OffsetBottom() { return Ensure().FOffsetBottom; }
    int DpiX() { return Ensure().FDpiX; }
    int DpiY() { return Ensure().FDpiY; }
    float DotsPerMmX() { return Ensure().FDotsPerMmX; }
    float DotsPerMmY() { return Ensure().FDotsPerMmY; }

    // Millimetres from a sheet edge to pixels from the printable area's matching edge.
    int LeftToPix(double mm);
    int RightToPix(double mm);
    int TopToPix(double mm);
    int BottomToPix(double mm);

private:
    TQuillEditPrinterInfo& Ensure()
    {
        if (!FValid)
            Refresh();
        return *this;
    }
    void Fill(const TPrinterDeviceCaps& caps);

    IPrintTarget* FPrinter = nullptr;
    bool FValid = false;
    int FPaperWidth = 0;
    int FPaperHeight = 0;
    int FPrintableWidth = 0;
    int FPrintableHeight = 0;
    int FOffsetLeft = 0;
    int FOffsetTop = 0;
    int FOffsetRight = 0;
    int FOffsetBottom = 0;
    int FDpiX = 0;
    int FDpiY = 0;
    float FDotsPerMmX = 0;
    float FDotsPerMmY = 0;
};

// The device caps of the built-in page: an A4 sheet at 300 dpi.
TPrinterDeviceCaps DefaultPageCaps();

// Rounds to the nearest integer, ties to even, as the floating-point unit does by default; page
// geometry uses it everywhere so that results match to the pixel whatever the platform.
// Results are held to +-PixLimit.
inline constexpr int PixLimit = 1 << 28;
int RoundPix(long double value);

} // namespace quillan
