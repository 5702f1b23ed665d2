#pragma once

#include "highlight/HighlighterBase.h"
#include "print/QuillEditPrintTypes.h"

namespace quillan {

class ICanvas;
class TQuillEditPrinterInfo;

// The user's page margins. Lengths are kept in millimetres whatever UnitSystem says; the unit only
// changes how the accessors read and write them. ComputePage turns them into device pixels for one
// page, relative to the printable area's top-left corner.
class TQuillEditPrintMargins : public TPersistent {
public:
    const char* ClassName() const override { return "TQuillEditPrintMargins"; }
    void Assign(const TPersistent& source) override;

    TUnitSystem UnitSystem() const { return FUnitSystem; }
    void SetUnitSystem(TUnitSystem value) { FUnitSystem = value; }

    double Left() const { return FromMM(FLeft); }
    double Right() const { return FromMM(FRight); }
    double Top() const { return FromMM(FTop); }
    double Bottom() const { return FromMM(FBottom); }
    double Header() const { return FromMM(FHeader); }
    double Footer() const { return FromMM(FFooter); }
    double LeftHFTextIndent() const { return FromMM(FLeftHFTextIndent); }
    double RightHFTextIndent() const { return FromMM(FRightHFTextIndent); }
    double HFInternalMargin() const { return FromMM(FHFInternalMargin); }
    double Gutter() const { return FromMM(FGutter); }
    void SetLeft(double value) { FLeft = ToMM(value); }
    void SetRight(double value) { FRight = ToMM(value); }
    void SetTop(double value) { FTop = ToMM(value); }
    void SetBottom(double value) { FBottom = ToMM(value); }
    void SetHeader(double value) { FHeader = ToMM(value); }
    void SetFooter(double value) { FFooter = ToMM(value); }
    void SetLeftHFTextIndent(double value) { FLeftHFTextIndent = ToMM(value); }
    void SetRightHFTextIndent(double value) { FRightHFTextIndent = ToMM(value); }
    void SetHFInternalMargin(double value) { FHFInternalMargin = ToMM(value); }
    void SetGutter(double value) { FGutter = ToMM(value); }
    bool MirrorMargins() const { return FMirrorMargins; }
    void SetMirrorMargins(bool value) { FMirrorMargins = value; }

    double ToMM(double value) const;
    double FromMM(double value) const;

    // Fills the Pix* results for page `pageNumber`. With line numbers printed outside the margin,
    // the left edge moves right by the width of the largest line number and ": " in the canvas's
    // current font.
    void ComputePage(ICanvas& canvas, int pageNumber, TQuillEditPrinterInfo& printerInfo, bool lineNumbers,
        bool lineNumbersInMargin, int maxLineNumber);

    int PixLeft = 0;
    int PixRight = 0;
    int PixTop = 0;
    int PixBottom = 0;
    int PixHeader = 0;
    int PixFooter = 0;
    int PixLeftHFTextIndent = 0;
    int PixRightHFTextIndent = 0;
    int PixHFInternalMargin = 0;
    int PixGutter = 0;

private:
    TUnitSystem FUnitSystem = TUnitSystem::usMM;
    double FLeft = 25;
    double FRight = 15;
    double FTop = 25;
    double FBottom = 25;
    double FHeader = 15;
    double FFooter = 15;
    double FLeftHFTextIndent = 2;
    double FRightHFTextIndent = 2;
    double FHFInternalMargin = 0.5;
    double FGutter = 0;
    bool FMirrorMargins = false;
};

} // namespace quillan
