#include "PrintTestUtil.h"
#include "print/QuillEditPrintMargins.h"
#include "print/QuillEditPrinterInfo.h"

#include <gtest/gtest.h>

namespace quillan {
namespace {

using printtest::TRecordingPrinter;

TEST(PrinterInfo, WithoutPrinterUsesBuiltInA4Page)
{
    TQuillEditPrinterInfo info;
    EXPECT_FALSE(info.IsValid());
    EXPECT_EQ(info.PaperWidth(), 2481); // the first read fills the metrics
    EXPECT_TRUE(info.IsValid());
    EXPECT_EQ(info.PaperHeight(), 3507);
    EXPECT_EQ(info.PrintableWidth(), 2358);
    EXPECT_EQ(info.PrintableHeight(), 3407);
    EXPECT_EQ(info.OffsetLeft(), 65);
    EXPECT_EQ(info.OffsetRight(), 58);
    EXPECT_EQ(info.OffsetTop(), 50);
    EXPECT_EQ(info.OffsetBottom(), 50);
    EXPECT_EQ(info.DpiX(), 300);
    EXPECT_EQ(info.DotsPerMmX(), static_cast<float>(300 / 25.4));
}

TEST(PrinterInfo, RefreshReadsThePrinterEveryTime)
{
    TPrinterDeviceCaps letter { 2550, 3300, 2400, 3200, 75, 50, 300, 300 };
    TRecordingPrinter printer(letter);
    TQuillEditPrinterInfo info;
    info.SetPrinter(&printer);
    EXPECT_EQ(info.PaperWidth(), 2550);
    EXPECT_EQ(info.OffsetRight(), 75);
    EXPECT_EQ(info.OffsetBottom(), 50);

    // A printer that cannot answer, or answers nonsense, leaves the built-in page.
    printer.Available = false;
    info.Refresh();
    EXPECT_EQ(info.PaperWidth(), 2481);
    printer.Available = true;
    info.Refresh();
    EXPECT_EQ(info.PaperWidth(), 2550);
    TRecordingPrinter broken({ 100, 100, 100, 100, 0, 0, 0, 0 });
    info.SetPrinter(&broken);
    info.Refresh();
    EXPECT_EQ(info.DpiY(), 300);
}

TEST(PrinterInfo, ConversionsRoundToNearestWithTiesToEven)
{
    EXPECT_EQ(RoundPix(2.5L), 2);
    EXPECT_EQ(RoundPix(3.5L), 4);
    EXPECT_EQ(RoundPix(-2.5L), -2);
    EXPECT_EQ(RoundPix(-3.5L), -4);
    EXPECT_EQ(RoundPix(2.4999L), 2);
    EXPECT_EQ(RoundPix(1e300L), PixLimit);
    EXPECT_EQ(RoundPix(-1e300L), -PixLimit);

    TQuillEditPrinterInfo info;
    EXPECT_EQ(info.LeftToPix(25), 230); // 25 x 300/25.4 - 65 = 230.28
    EXPECT_EQ(info.RightToPix(15), 119);
    EXPECT_EQ(info.TopToPix(25), 245);
    EXPECT_EQ(info.BottomToPix(25), 245);
    // Exact ties: at 254 dpi one millimetre is exactly ten dots.
    TRecordingPrinter exact({ 2540, 2540, 2540, 2540, 0, 0, 254, 254 });
    info.SetPrinter(&exact);
    EXPECT_EQ(info.LeftToPix(0.25), 2); // 2.5
    EXPECT_EQ(info.LeftToPix(0.75), 8); // 7.5
    EXPECT_EQ(info.LeftToPix(-0.25), -2);
}

TEST(PrintMargins, UnitsChangeOnlyHowLengthsAreReadAndWritten)
{
    TQuillEditPrintMargins m;
    EXPECT_EQ(m.UnitSystem(), TUnitSystem::usMM);
    EXPECT_DOUBLE_EQ(m.Left(), 25);
    EXPECT_DOUBLE_EQ(m.Header(), 15);
    EXPECT_DOUBLE_EQ(m.HFInternalMargin(), 0.5);

    m.SetUnitSystem(TUnitSystem::usInch);
    m.SetLeft(1);
    m.SetUnitSystem(TUnitSystem::usMM);
    EXPECT_DOUBLE_EQ(m.Left(), 25.4);
    m.SetUnitSystem(TUnitSystem::usCM);
    EXPECT_DOUBLE_EQ(m.Left(), 2.54);

    m.SetUnitSystem(TUnitSystem::muThousandthsOfInches);
    m.SetRight(1000);
    m.SetUnitSystem(TUnitSystem::usMM);
    EXPECT_DOUBLE_EQ(m.Right(), 25.4);
    m.SetUnitSystem(TUnitSystem::muThousandthsOfInches);
    EXPECT_NEAR(m.Top(), 25 * 1000 / 25.4, 1e-9);
}

TEST(PrintMargins, AssignCopiesEverythingAndRefusesOtherKinds)
{
    TQuillEditPrintMargins a;
    a.SetUnitSystem(TUnitSystem::usCM);
    a.SetLeft(3);
    a.SetGutter(1);
    a.SetMirrorMargins(true);
    TQuillEditPrintMargins b;
    b.Assign(a);
    EXPECT_EQ(b.UnitSystem(), TUnitSystem::usCM);
    EXPECT_DOUBLE_EQ(b.Left(), 3);
    EXPECT_DOUBLE_EQ(b.Gutter(), 1);
    EXPECT_TRUE(b.MirrorMargins());

    THeader header;
    EXPECT_THROW(b.Assign(header), EConvertError);
}

TEST(PrintMargins, ComputePageOnTheBuiltInPage)
{
    TQuillEditPrinterInfo info;
    THeadlessCanvas canvas;
    TQuillEditPrintMargins m;
    m.ComputePage(canvas, 1, info, false, false, 0);
    EXPECT_EQ(m.PixLeft, 230);
    EXPECT_EQ(m.PixRight, 2358 - 119);
    EXPECT_EQ(m.PixTop, 245);
    EXPECT_EQ(m.PixBottom, 3407 - 245);
    EXPECT_EQ(m.PixHeader, 127); // 15 mm: 177.17 - 50
    EXPECT_EQ(m.PixFooter, 3407 - 127);
    EXPECT_EQ(m.PixHFInternalMargin, 6); // 5.9
    EXPECT_EQ(m.PixLeftHFTextIndent, 230 + 24); // 2 mm = 23.6
    EXPECT_EQ(m.PixRightHFTextIndent, 2239 - 24);
    EXPECT_EQ(m.PixGutter, 0);
}

TEST(PrintMargins, MirroredMarginsSwapSidesOnEvenPages)
{
    TQuillEditPrinterInfo info;
    THeadlessCanvas canvas;
    TQuillEditPrintMargins m;
    m.SetLeft(25);
    m.SetRight(15);
    m.SetGutter(5);
    m.SetMirrorMargins(true);

    m.ComputePage(canvas, 1, info, false, false, 0);
    EXPECT_EQ(m.PixLeft, info.LeftToPix(30));
    EXPECT_EQ(m.PixRight, 2358 - info.RightToPix(15));
    EXPECT_EQ(m.PixGutter, 59); // 5 mm

    m.ComputePage(canvas, 2, info, false, false, 0);
    EXPECT_EQ(m.PixLeft, info.LeftToPix(15));
    EXPECT_EQ(m.PixRight, 2358 - info.RightToPix(30));

    m.SetMirrorMargins(false);
    m.ComputePage(canvas, 2, info, false, false, 0);
    EXPECT_EQ(m.PixLeft, info.LeftToPix(30));
}

TEST(PrintMargins, LineNumbersOutsideTheMarginWidenIt)
{
    TQuillEditPrinterInfo info;
    THeadlessCanvas canvas; // every character is 8 pixels wide
    TQuillEditPrintMargins m;
    m.ComputePage(canvas, 1, info, true, false, 250);
    EXPECT_EQ(m.PixLeft, 230 + 5 * 8); // "250: "
    EXPECT_EQ(m.PixLeftHFTextIndent, 230 + 40 + 24);
    EXPECT_EQ(m.PixRight, 2239);

    m.ComputePage(canvas, 1, info, true, true, 250);
    EXPECT_EQ(m.PixLeft, 230);
    m.ComputePage(canvas, 1, info, false, false, 250);
    EXPECT_EQ(m.PixLeft, 230);
}

TEST(PrintMargins, AbsurdMarginsGiveCrossingButDefinedCoordinates)
{
    TQuillEditPrinterInfo info;
    THeadlessCanvas canvas;
    TQuillEditPrintMargins m;
    m.SetLeft(1e300);
    m.SetRight(-1e300);
    m.SetTop(-5);
    m.ComputePage(canvas, 1, info, true, false, 2000000000);
    EXPECT_GT(m.PixLeft, m.PixRight - 2358); // held, not overflowed
    EXPECT_LT(m.PixTop, 0);
}

} // namespace
} // namespace quillan
