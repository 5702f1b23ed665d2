#include "print/QuillEditPrintDesign.h"

#include "print/QuillEditPrint.h"

namespace quillan {

void ApplyMainWindowPrintDesign(TQuillEditPrint& engine)
{
    TQuillEditPrintMargins& m = engine.Margins();
    m.SetUnitSystem(TUnitSystem::usMM);
    m.SetLeft(25);
    m.SetRight(15);
    m.SetTop(25);
    m.SetBottom(25);
    m.SetHeader(20);
    m.SetFooter(23);
    m.SetLeftHFTextIndent(2);
    m.SetRightHFTextIndent(2);
    m.SetHFInternalMargin(0.5);
    m.SetMirrorMargins(false);

    TFontSpec bandFont;
    bandFont.Name = "Arial";
    bandFont.Size = 10;
    bandFont.Style = 0;
    bandFont.Color = PrintBlack;
    engine.Header().SetDefaultFont(bandFont);
    engine.Footer().SetDefaultFont(bandFont);
    engine.Header().SetFrameTypes(ftBox | ftShaded);
    engine.Footer().SetFrameTypes(ftLine);

    // "MS Sans Serif", 11 pixels high on a 96 dpi screen.
    TFontSpec body;
    body.Name = "MS Sans Serif";
    body.Size = 8;
    body.Style = 0;
    body.Color = clWindowText;
    engine.SetFont(body);
    engine.SetLineNumbers(true);
    engine.SetLineNumbersInMargin(true);
    engine.SetTabWidth(8);
    engine.SetColor(PrintWhite);

    TFontSpec small = bandFont;
    small.Size = 6;
    THeader& header = engine.Header();
    header.Add("Page: $PAGENUM$ of $PAGECOUNT$", nullptr, THeaderFooterAlign::hfaRight, 1);
    header.Add("$TITLE$", nullptr, THeaderFooterAlign::hfaLeft, 1);
    header.Add("Print Date: $DATE$. Time: $TIME$", &small, THeaderFooterAlign::hfaRight, 2);
    TFooter& footer = engine.Footer();
    footer.Add("$PAGENUM$/$PAGECOUNT$", nullptr, THeaderFooterAlign::hfaRight, 1);
    footer.Add("Printed by ", &small, THeaderFooterAlign::hfaLeft, 1);
}

} // namespace quillan
