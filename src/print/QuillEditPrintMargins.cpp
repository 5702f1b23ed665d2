#include "print/QuillEditPrintMargins.h"

#include "ports/Canvas.h"
#include "print/QuillEditPrinterInfo.h"

#include <string>

namespace quillan {

void TQuillEditPrintMargins::Assign(const TPersistent& source)
{
    auto* src = dynamic_cast<const TQuillEditPrintMargins*>(&source);
    if (!src) {
        TPersistent::Assign(source);
        return;
    }
    FLeft = src->FLeft;
    FRight = src->FRight;
    FTop = src->FTop;
    FBottom = src->FBottom;
    FHeader = src->FHeader;
    FFooter = src->FFooter;
    FLeftHFTextIndent = src->FLeftHFTextIndent;
    FRightHFTextIndent = src->FRightHFTextIndent;
    FHFInternalMargin = src->FHFInternalMargin;
    FGutter = src->FGutter;
    FMirrorMargins = src->FMirrorMargins;
    FUnitSystem = src->FUnitSystem;
}

double TQuillEditPrintMargins::ToMM(double value) const
{
    switch (FUnitSystem) {
    case TUnitSystem::usCM:
        return value * 10;
    case TUnitSystem::usInch:
        return value * 25.4;
    case TUnitSystem::muThousandthsOfInches:
        return value * 25.4 / 1000;
    case TUnitSystem::usMM:
        break;
    }
    return value;
}

double TQuillEditPrintMargins::FromMM(double value) const
{
    switch (FUnitSystem) {
    case TUnitSystem::usCM:
        return value / 10;
    case TUnitSystem::usInch:
        return value / 25.4;
    case TUnitSystem::muThousandthsOfInches:
        return value * 1000 / 25.4;
    case TUnitSystem::usMM:
        break;
    }
    return value;
}

void TQuillEditPrintMargins::ComputePage(ICanvas& canvas, int pageNumber, TQuillEditPrinterInfo& printerInfo,
    bool lineNumbers, bool lineNumbersInMargin, int maxLineNumber)
{
    const int printableWidth = printerInfo.PrintableWidth();
    const int printableHeight = printerInfo.PrintableHeight();
    if (!FMirrorMargins || pageNumber % 2 != 0) {
        PixLeft = printerInfo.LeftToPix(FLeft + FGutter);
        PixRight = printableWidth - printerInfo.RightToPix(FRight);
    } else {
        PixLeft = printerInfo.LeftToPix(FRight);
        PixRight = printableWidth - printerInfo.RightToPix(FLeft + FGutter);
    }
    if (lineNumbers && !lineNumbersInMargin)
        PixLeft += canvas.TextExtent(std::to_string(maxLineNumber) + ": ").Width;
    PixTop = printerInfo.TopToPix(FTop);
    PixBottom = printableHeight - printerInfo.BottomToPix(FBottom);
    PixHeader = printerInfo.TopToPix(FHeader);
    PixFooter = printableHeight - printerInfo.BottomToPix(FFooter);
    PixHFInternalMargin = RoundPix(static_cast<long double>(printerInfo.DotsPerMmY()) * FHFInternalMargin);
    PixGutter = RoundPix(static_cast<long double>(printerInfo.DotsPerMmX()) * FGutter);
    PixRightHFTextIndent = PixRight - RoundPix(static_cast<long double>(printerInfo.DotsPerMmX()) * FRightHFTextIndent);
    PixLeftHFTextIndent = RoundPix(static_cast<long double>(printerInfo.DotsPerMmX()) * FLeftHFTextIndent) + PixLeft;
}

} // namespace quillan
