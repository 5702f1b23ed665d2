#include "PrintTestUtil.h"
#include "print/PrintRecorder.h"
#include "print/QuillEditPageSetup.h"
#include "print/QuillEditPrintDesign.h"

#include <gtest/gtest.h>

namespace quillan {
namespace {

TEST(PageSetupTest, LengthsConvertBetweenUnitsAndBack)
{
    TQuillEditPrintMargins working;
    working.SetLeft(25);
    working.SetRight(15);
    TMarginTexts fields = ShowMargins(working);
    EXPECT_EQ(fields[mfLeft], "25");
    EXPECT_EQ(fields[mfHFInternalMargin], "0.5");
    EXPECT_EQ(ChangeUnit(fields, working, TUnitSystem::usInch), -1);
    EXPECT_EQ(fields[mfLeft], "0.984251968503937");
    EXPECT_EQ(fields[mfRight], "0.590551181102362");
    EXPECT_EQ(ChangeUnit(fields, working, TUnitSystem::usCM), -1);
    EXPECT_EQ(fields[mfLeft], "2.5");
    EXPECT_EQ(ChangeUnit(fields, working, TUnitSystem::muThousandthsOfInches), -1);
    EXPECT_EQ(fields[mfLeft], "984.251968503937");
    EXPECT_EQ(ChangeUnit(fields, working, TUnitSystem::usMM), -1);
    EXPECT_EQ(fields[mfLeft], "25");
    EXPECT_EQ(fields[mfRight], "15");
}

TEST(PageSetupTest, ABadFieldStopsTheReadingThere)
{
    double v = 0;
    EXPECT_TRUE(ParseLength(" 12.5 ", v));
    EXPECT_EQ(v, 12.5);
    for (const char* bad : { "", "abc", "1,5", "12mm", "nan", "inf", "1e999" })
        EXPECT_FALSE(ParseLength(bad, v)) << bad;

    TQuillEditPrintMargins margins;
    TMarginTexts fields = ShowMargins(margins);
    fields[mfLeft] = "30";
    fields[mfRight] = "31";
    fields[mfTop] = "x";
    fields[mfBottom] = "33";
    EXPECT_EQ(ReadMargins(fields, margins), mfTop);
    EXPECT_EQ(margins.Left(), 30);
    EXPECT_EQ(margins.Right(), 31);
    EXPECT_EQ(margins.Top(), 25);
    EXPECT_EQ(margins.Bottom(), 25) << "fields after the bad one keep their old values";

    // Gutter is read before Header: a bad Header still stores the gutter.
    fields = ShowMargins(margins);
    fields[mfGutter] = "4";
    fields[mfHeader] = "?";
    EXPECT_EQ(ReadMargins(fields, margins), mfHeader);
    EXPECT_EQ(margins.Gutter(), 4);

    // A unit change with a bad field shows that field's previous length, converted.
    TMarginTexts shown = ShowMargins(margins);
    shown[mfRight] = "oops";
    EXPECT_EQ(ChangeUnit(shown, margins, TUnitSystem::usCM), mfRight);
    EXPECT_EQ(shown[mfRight], "3.1");
    EXPECT_EQ(shown[mfLeft], "3");
}

TEST(PageSetupTest, TheProgramsBandsLoadIntoTheirFields)
{
    TQuillEditPrint engine;
    ApplyMainWindowPrintDesign(engine);
    const TPageSetupData data = LoadPageSetup(engine);
    const auto& left = data.Header.Fields[pfLeft];
    const auto& right = data.Header.Fields[pfRight];
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0].Text, "$TITLE$");
    ASSERT_EQ(right.size(), 2u);
    EXPECT_EQ(right[0].Text, "Page: $PAGENUM$ of $PAGECOUNT$");
    EXPECT_EQ(right[0].Font.Size, 10);
    EXPECT_EQ(right[1].Text, "Print Date: $DATE$. Time: $TIME$");
    EXPECT_EQ(right[1].Font.Size, 6);
    EXPECT_TRUE(data.Header.Fields[pfCenter].empty());
    EXPECT_TRUE(data.Header.Box);
    EXPECT_TRUE(data.Header.Shadow);
    EXPECT_FALSE(data.Header.Line);
    EXPECT_TRUE(data.Footer.Line);
    EXPECT_EQ(data.Footer.Fields[pfLeft].at(0).Text, "Printed by ");
    EXPECT_TRUE(data.Options.LineNumbers);
    EXPECT_TRUE(data.Options.LineNumbersInMargin);
    EXPECT_EQ(data.Margins.Footer(), 23);
}

TEST(PageSetupTest, SaveAndLoadRoundTripAndEmptyLinesKeepTheirPlace)
{
    TQuillEditPrint engine;
    ApplyMainWindowPrintDesign(engine);
    TPageSetupData data = LoadPageSetup(engine);
    data.Margins.SetUnitSystem(TUnitSystem::usCM);
    data.Margins.SetTop(4);
    data.Options = { false, true, false, true, false };
    data.Header.Line = true;
    data.Header.Shadow = false;
    data.Header.ShadedColor = 0x123456;
    data.Footer.MirrorPosition = true;
    TFontSpec bold = data.Header.DefaultFont;
    bold.Style = fsBold;
    data.Header.Fields[pfCenter] = { { "", bold }, { "$PAGENUM$", bold } };
    SavePageSetup(data, engine);

    EXPECT_EQ(engine.Margins().UnitSystem(), TUnitSystem::usCM);
    EXPECT_DOUBLE_EQ(engine.Margins().Top(), 4);
    EXPECT_FALSE(engine.LineNumbers());
    EXPECT_TRUE(engine.Colors());
    EXPECT_EQ(engine.Header().FrameTypes(), ftLine | ftBox);
    EXPECT_EQ(engine.Header().ShadedColor(), 0x123456);
    EXPECT_TRUE(engine.Footer().MirrorPosition());
    // left 1, centre 2, right 2: the centre's empty first line is an item on line 1.
    ASSERT_EQ(engine.Header().Count(), 5);
    const THeaderFooterItem* page = engine.Header().Get(2);
    EXPECT_EQ(page->Text, "$PAGENUM$");
    EXPECT_EQ(page->LineNumber, 2);
    EXPECT_EQ(page->Alignment, THeaderFooterAlign::hfaCenter);
    EXPECT_EQ(page->Font.Style, fsBold);
    EXPECT_EQ(engine.Header().Get(1)->Text, "");
    EXPECT_EQ(engine.Header().RenumberLines(), 2);

    const TPageSetupData again = LoadPageSetup(engine);
    for (std::size_t f = 0; f < 3; ++f)
        EXPECT_EQ(again.Header.Fields[f], data.Header.Fields[f]) << f;
    EXPECT_EQ(again.Footer.Fields[pfRight], data.Footer.Fields[pfRight]);
    EXPECT_EQ(again.Options, data.Options);
    EXPECT_EQ(again.Margins.UnitSystem(), TUnitSystem::usCM);
}

TEST(PrintRecorderTest, ReplayedPagesDrawWhatTheEngineDrawsDirectly)
{
    std::vector<std::string> lines;
    for (int i = 0; i < 400; ++i)
        lines.push_back("line " + std::to_string(i) + std::string(static_cast<std::size_t>(i % 90), 'x'));
    TQuillEditPrint engine;
    ApplyMainWindowPrintDesign(engine);
    engine.SetLines(lines);
    for (THeaderFooter* band : std::initializer_list<THeaderFooter*> { &engine.Header(), &engine.Footer() })
        band->Clock = [] { return std::time_t(0); };

    THeadlessCanvas measure;
    TPrintRecorder recorder(measure, DefaultPageCaps());
    engine.SetPrinter(&recorder);
    engine.Print();
    ASSERT_TRUE(recorder.Completed());
    ASSERT_GT(recorder.PageCount(), 2);

    printtest::TRecordingPrinter direct(DefaultPageCaps());
    engine.SetPrinter(&direct);
    engine.Print();
    ASSERT_EQ(static_cast<int>(direct.Pages.size()), recorder.PageCount());
    for (int p = 0; p < recorder.PageCount(); ++p) {
        THeadlessCanvas replay;
        replay.SetBounds({ 0, 0, DefaultPageCaps().PageWidth, DefaultPageCaps().PageHeight });
        recorder.ReplayPage(p, replay);
        EXPECT_EQ(replay.Calls(), direct.Pages[static_cast<std::size_t>(p)]->Calls()) << "page " << p + 1;
    }
    recorder.Abort();
    EXPECT_EQ(recorder.PageCount(), 0);
    engine.SetPrinter(nullptr);
}

} // namespace
} // namespace quillan
