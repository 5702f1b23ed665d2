#include "PrintTestUtil.h"
#include "print/QuillEditPrintHeaderFooter.h"
#include "print/QuillEditPrintMargins.h"
#include "print/QuillEditPrinterInfo.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace quillan {
namespace {

using printtest::DrawnTexts;

std::string Expand(std::string_view text, int page = 3, int count = 20, bool roman = false)
{
    return ExpandMacros(text, count, page, roman, "main.cpp", "10:11:12", "1/2/2024");
}

TEST(HeaderFooterMacros, ExpandCaseInsensitivelyAndLeaveTheRestAlone)
{
    EXPECT_EQ(Expand("Page $pagenum$"), "Page 3");
    EXPECT_EQ(Expand("Page $PAGENUM$ of $PageCount$"), "Page 3 of 20");
    EXPECT_EQ(Expand("$TITLE$: $DATE$ $TIME$"), "main.cpp: 1/2/2024 10:11:12");
    EXPECT_EQ(Expand("$DATETIME$|$TIMEDATE$"), "1/2/2024 10:11:12|10:11:12 1/2/2024");
    EXPECT_EQ(Expand("Cost $5 and $6"), "Cost $5 and $6");
    EXPECT_EQ(Expand("$5 $PAGENUM$"), "$5 3");
    EXPECT_EQ(Expand("100$"), "100$");
    EXPECT_EQ(Expand("$"), "$");
    EXPECT_EQ(Expand("$$"), "$$");
    EXPECT_EQ(Expand("$$PAGENUM$"), "$3");
    EXPECT_EQ(Expand("a$PAGENUM"), "a$PAGENUM");
    EXPECT_EQ(Expand("   "), "");
    EXPECT_EQ(Expand(" x "), " x ");
    EXPECT_EQ(Expand("$PAGENUM$/$PAGECOUNT$", 14, 20, true), "XIV/20");
}

TEST(HeaderFooterMacros, RomanNumerals)
{
    EXPECT_EQ(IntToRoman(0), "");
    EXPECT_EQ(IntToRoman(-4), "");
    EXPECT_EQ(IntToRoman(4), "IV");
    EXPECT_EQ(IntToRoman(9), "IX");
    EXPECT_EQ(IntToRoman(14), "XIV");
    EXPECT_EQ(IntToRoman(1994), "MCMXCIV");
    EXPECT_EQ(IntToRoman(3999), "MMMCMXCIX");
}

// A header measured and drawn on the built-in page with the headless canvas (every line of
// text 16 pixels high, ascent 13).
struct TBand {
    TQuillEditPrinterInfo Info;
    TQuillEditPrintMargins Margins;
    THeadlessCanvas Canvas;
    TBand() { Margins.ComputePage(Canvas, 1, Info, false, false, 0); }
    void Prepare(THeaderFooter& band, int pageCount = 9) { band.PrepareForPrint(Canvas, pageCount, "T", Margins); }
};

TEST(HeaderFooter, LinesAreRenumberedWithoutGapsAndMeasured)
{
    TBand b;
    THeader header;
    header.Add("five", nullptr, THeaderFooterAlign::hfaLeft, 5);
    header.Add("two", nullptr, THeaderFooterAlign::hfaLeft, 2);
    header.Add("also five", nullptr, THeaderFooterAlign::hfaRight, 5);
    b.Prepare(header);
    EXPECT_EQ(header.FrameHeight(), 2 * 16 + 2 * b.Margins.PixHFInternalMargin);
    EXPECT_EQ(header.Get(0)->Text, "two");
    EXPECT_EQ(header.Get(0)->LineNumber, 1);
    EXPECT_EQ(header.Get(1)->LineNumber, 2);
    EXPECT_EQ(header.Get(2)->LineNumber, 2);
    EXPECT_EQ(header.Get(0)->Index, 1);

    b.Canvas.ClearCalls();
    header.Render(b.Canvas, 1);
    auto texts = DrawnTexts(b.Canvas);
    ASSERT_EQ(texts.size(), 3u);
    const int top = b.Margins.PixHeader - header.FrameHeight() + b.Margins.PixHFInternalMargin;
    EXPECT_EQ(texts[0].Text, "two");
    EXPECT_EQ(texts[0].Y, top);
    EXPECT_EQ(texts[1].Y, top + 16);
    EXPECT_EQ(texts[2].Y, top + 16);
    EXPECT_EQ(texts[0].X, b.Margins.PixLeftHFTextIndent);
    EXPECT_EQ(texts[2].X, b.Margins.PixRightHFTextIndent - 9 * 8);

    // Renumbering again keeps the same lines.
    b.Prepare(header);
    EXPECT_EQ(header.FrameHeight(), 2 * 16 + 2 * b.Margins.PixHFInternalMargin);
}

TEST(HeaderFooter, FramesAndPlacementOfHeaderAndFooter)
{
    TBand b;
    THeader header;
    header.SetFrameTypes(ftBox | ftShaded | ftLine);
    header.Add("$PAGENUM$", nullptr, THeaderFooterAlign::hfaCenter, 1);
    b.Prepare(header);
    b.Canvas.ClearCalls();
    header.Render(b.Canvas, 7);
    const auto& calls = b.Canvas.Calls();
    const auto& m = b.Margins;
    const int h = header.FrameHeight();
    auto has = [&](const std::string& call) { return std::find(calls.begin(), calls.end(), call) != calls.end(); };
    EXPECT_TRUE(has("FillRect " + std::to_string(m.PixLeft) + " " + std::to_string(m.PixHeader - h) + " "
        + std::to_string(m.PixRight) + " " + std::to_string(m.PixHeader) + " #00C0C0C0"));
    EXPECT_TRUE(has("Line " + std::to_string(m.PixLeft) + " " + std::to_string(m.PixHeader) + " "
        + std::to_string(m.PixRight) + " " + std::to_string(m.PixHeader) + " #00000000"));
    auto texts = DrawnTexts(b.Canvas);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].Text, "7");
    EXPECT_EQ(texts[0].X, (m.PixLeftHFTextIndent + m.PixRightHFTextIndent - 8) / 2);

    TFooter footer;
    footer.Add("f", nullptr, THeaderFooterAlign::hfaLeft, 1);
    b.Prepare(footer);
    b.Canvas.ClearCalls();
    footer.Render(b.Canvas, 1);
    texts = DrawnTexts(b.Canvas);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].Y, m.PixFooter + m.PixHFInternalMargin);
    EXPECT_TRUE(has("Line " + std::to_string(m.PixLeft) + " " + std::to_string(m.PixFooter) + " "
        + std::to_string(m.PixRight) + " " + std::to_string(m.PixFooter) + " #00000000"));
}

TEST(HeaderFooter, EmptyBandsAndBlankTextsDrawNothing)
{
    TBand b;
    THeader header;
    header.SetFrameTypes(ftBox | ftShaded | ftLine);
    b.Prepare(header);
    EXPECT_EQ(header.FrameHeight(), -1);
    b.Canvas.ClearCalls();
    header.Render(b.Canvas, 1);
    EXPECT_TRUE(b.Canvas.Calls().empty());

    header.Add("   ", nullptr, THeaderFooterAlign::hfaLeft, 1);
    b.Prepare(header);
    b.Canvas.ClearCalls();
    header.Render(b.Canvas, 1);
    EXPECT_TRUE(DrawnTexts(b.Canvas).empty());
    EXPECT_FALSE(b.Canvas.Calls().empty()); // the frame still shows

    // Never prepared: nothing to draw against.
    TFooter fresh;
    fresh.Add("x", nullptr, THeaderFooterAlign::hfaLeft, 1);
    fresh.Render(b.Canvas, 1);
}

TEST(HeaderFooter, MirrorPositionSwapsSidesOnEvenPagesOnly)
{
    TBand b;
    THeader header;
    header.SetMirrorPosition(true);
    header.Add("R", nullptr, THeaderFooterAlign::hfaRight, 1);
    header.Add("C", nullptr, THeaderFooterAlign::hfaCenter, 1);
    b.Prepare(header);
    const auto& m = b.Margins;
    for (int page : { 1, 2 }) {
        b.Canvas.ClearCalls();
        header.Render(b.Canvas, page);
        auto texts = DrawnTexts(b.Canvas);
        ASSERT_EQ(texts.size(), 2u);
        EXPECT_EQ(texts[0].X, page == 2 ? m.PixLeftHFTextIndent : m.PixRightHFTextIndent - 8) << page;
        EXPECT_EQ(texts[1].X, (m.PixLeftHFTextIndent + m.PixRightHFTextIndent - 8) / 2) << page;
    }
}

TEST(HeaderFooter, ItemsAddedAfterPreparationWaitForTheNextOne)
{
    TBand b;
    TFooter footer;
    footer.Add("one", nullptr, THeaderFooterAlign::hfaLeft, 1);
    b.Prepare(footer);
    footer.Add("later", nullptr, THeaderFooterAlign::hfaLeft, 9);
    b.Canvas.ClearCalls();
    footer.Render(b.Canvas, 1);
    auto texts = DrawnTexts(b.Canvas);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].Text, "one");
}

TEST(HeaderFooter, DateAndTimeAreCapturedOncePerJob)
{
    TBand b;
    THeader header;
    std::time_t now = 1700000000;
    header.Clock = [&] { return now; };
    header.Add("$DATE$ $TIME$", nullptr, THeaderFooterAlign::hfaLeft, 1);
    b.Prepare(header);
    const std::string first = header.DateText() + " " + header.TimeText();
    EXPECT_FALSE(header.DateText().empty());
    now += 3600;
    b.Canvas.ClearCalls();
    header.Render(b.Canvas, 2);
    EXPECT_EQ(DrawnTexts(b.Canvas).at(0).Text, first);
    b.Prepare(header);
    EXPECT_NE(header.DateText() + " " + header.TimeText(), first);
}

TEST(HeaderFooter, AssignCopiesItemsAndSettings)
{
    TFooter source;
    source.SetFrameTypes(ftShaded);
    source.SetShadedColor(0x123456);
    source.SetRomanNumbers(true);
    TFontSpec small;
    small.Name = "Arial";
    small.Size = 6;
    source.Add("a", &small, THeaderFooterAlign::hfaRight, 3);
    source.Add("b", nullptr, THeaderFooterAlign::hfaLeft, 1);

    THeader target;
    target.Add("old", nullptr, THeaderFooterAlign::hfaLeft, 1);
    target.Assign(source);
    EXPECT_EQ(target.Kind(), THeaderFooterType::hftFooter);
    ASSERT_EQ(target.Count(), 2);
    EXPECT_EQ(target.Get(0)->Text, "a");
    EXPECT_EQ(target.Get(0)->Font.Size, 6);
    EXPECT_EQ(target.Get(0)->LineNumber, 3);
    EXPECT_EQ(target.Get(1)->Font.Name, "Arial");
    EXPECT_EQ(target.FrameTypes(), ftShaded);
    EXPECT_EQ(target.ShadedColor(), 0x123456);
    EXPECT_TRUE(target.RomanNumbers());
    EXPECT_EQ(target.Get(2), nullptr);

    TQuillEditPrintMargins margins;
    EXPECT_THROW(target.Assign(margins), EConvertError);
}

} // namespace
} // namespace quillan
