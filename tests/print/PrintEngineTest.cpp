#include "PrintTestUtil.h"
#include "editor/QuillEdit.h"
#include "print/QuillEditPrint.h"
#include "print/QuillEditPrintDesign.h"

#include <gtest/gtest.h>
#include <stdexcept>

namespace quillan {
namespace {

using printtest::DrawnTexts;
using printtest::TCountingCanvas;
using printtest::TDrawnText;
using printtest::TRecordingPrinter;
using printtest::TWordHighlighter;

// The engine on the built-in page with the headless canvas: characters 8 x 16 pixels, the
// text area from x 230 and y 245 down to y 3162, which holds 182 rows.
struct TEngine {
    TQuillEditPrint Engine;
    THeadlessCanvas Canvas;

    // A right margin that leaves 645 pixels: 80 columns of 8.
    void Use80Columns() { Engine.Margins().SetRight(130.47); }
    std::vector<TDrawnText> Render(int page)
    {
        Canvas.ClearCalls();
        Engine.RenderPage(Canvas, page);
        return DrawnTexts(Canvas);
    }
};

std::vector<std::string> Lines(int count, const std::string& text = "line")
{
    return std::vector<std::string>(static_cast<std::size_t>(count), text);
}

TEST(PrintEngine, ALongLineWrapsIntoRowsThatPaginationReserves)
{
    for (bool highlighted : { false, true }) {
        SCOPED_TRACE(highlighted ? "highlighted" : "plain");
        TEngine e;
        TWordHighlighter hl;
        e.Use80Columns();
        auto lines = Lines(200);
        lines[0] = std::string(300, 'x');
        e.Engine.SetLines(lines);
        e.Engine.SetHighlighter(highlighted ? &hl : nullptr);
        EXPECT_EQ(e.Engine.Paginate(e.Canvas), highlighted);
        EXPECT_EQ(e.Engine.MaxCol(), 80);
        EXPECT_EQ(e.Engine.LineHeight(), 16);
        // 182 rows a page: the first line takes four, so 178 more fit.
        EXPECT_EQ(e.Engine.PageFirstLine(2), 179);
        EXPECT_EQ(e.Engine.PageCount(), 2);

        auto texts = e.Render(1);
        ASSERT_GE(texts.size(), 5u);
        const std::size_t sizes[] = { 80, 80, 80, 60 };
        for (int row = 0; row < 4; ++row) {
            EXPECT_EQ(texts[static_cast<std::size_t>(row)].Text, std::string(sizes[row], 'x'));
            EXPECT_EQ(texts[static_cast<std::size_t>(row)].X, 230);
            EXPECT_EQ(texts[static_cast<std::size_t>(row)].Y, 245 + 16 * row);
        }
        EXPECT_EQ(texts[4].Text, "line");
        EXPECT_EQ(texts[4].Y, 245 + 16 * 4);
        e.Engine.SetHighlighter(nullptr);
    }
}

TEST(PrintEngine, WithWrappingOffPlainTextIsCutAndHighlightedTextRunsOn)
{
    TEngine e;
    TWordHighlighter hl;
    e.Use80Columns();
    e.Engine.SetWrap(false);
    e.Engine.SetLines({ std::string(300, 'y'), "next" });
    auto texts = e.Render(1);
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0].Text, std::string(80, 'y'));
    EXPECT_EQ(texts[1].Y, 245 + 16);

    e.Engine.SetHighlighter(&hl);
    texts = e.Render(1);
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0].Text, std::string(300, 'y'));
    EXPECT_EQ(texts[1].Y, 245 + 16);
    e.Engine.SetHighlighter(nullptr);
}

TEST(PrintEngine, RunsLongerThanTheAdvanceTableAreDrawnInPieces)
{
    TEngine e;
    TWordHighlighter hl;
    e.Engine.SetWrap(false);
    e.Engine.SetHighlighter(&hl);
    e.Engine.SetLines({ std::string(3000, 'z') });
    e.Canvas.ClearCalls();
    e.Engine.RenderPage(e.Canvas, 1);
    std::vector<std::string> pieces;
    for (const std::string& call : e.Canvas.Calls())
        if (call.rfind("ExtTextOut", 0) == 0)
            pieces.push_back(call);
    ASSERT_EQ(pieces.size(), 3u);
    EXPECT_NE(pieces[0].find("ExtTextOut 230 245 0 #80000008 #00FFFFFF w8192 "), std::string::npos) << pieces[0];
    EXPECT_NE(pieces[1].find("ExtTextOut 8422 245 "), std::string::npos) << pieces[1];
    EXPECT_NE(pieces[2].find(" w7616 "), std::string::npos) << pieces[2];
    e.Engine.SetHighlighter(nullptr);
}

TEST(PrintEngine, MultiByteTextIsDrawnOnTheGridWithoutSplittingCharacters)
{
    TEngine e;
    TWordHighlighter hl;
    e.Use80Columns();
    std::string word;
    for (int i = 0; i < 100; ++i)
        word += "\xC3\xA9";
    e.Engine.SetHighlighter(&hl);
    e.Engine.SetLines({ word, "\xE4\xB8\xAD b" });
    auto texts = e.Render(1);
    ASSERT_EQ(texts.size(), 5u);
    // Cut after 80 characters, never inside one.
    EXPECT_EQ(texts[0].Text, word.substr(0, 160));
    EXPECT_EQ(texts[1].Text, word.substr(160));
    EXPECT_EQ(texts[1].X, 230);
    EXPECT_EQ(texts[1].Y, 245 + 16);
    // A wide character takes two cells.
    EXPECT_EQ(texts[2].Text, "\xE4\xB8\xAD");
    EXPECT_EQ(texts[3].X, 230 + 16);
    EXPECT_EQ(texts[4].X, 230 + 24);
    EXPECT_EQ(texts[4].Y, 245 + 32);
    e.Engine.SetHighlighter(nullptr);
}

TEST(PrintEngine, LineAndPageOffsets)
{
    TEngine e;
    e.Engine.SetLineNumbers(true);
    e.Engine.SetLineNumbersInMargin(true);
    e.Engine.SetLineOffset(100);
    e.Engine.SetPageOffset(10);
    e.Engine.Footer().Add("$PAGENUM$/$PAGECOUNT$", nullptr, THeaderFooterAlign::hfaLeft, 1);
    e.Engine.SetLines(Lines(400));
    auto texts = e.Render(1);
    ASSERT_GE(texts.size(), 3u);
    EXPECT_EQ(texts[0].Text, "101: ");
    EXPECT_EQ(texts[0].X, 230 - 5 * 8);
    EXPECT_EQ(texts[1].Text, "line");
    EXPECT_EQ(texts.back().Text, "11/3");

    // Outside the margin the text moves right by the widest number, "500: ".
    e.Engine.SetLineNumbersInMargin(false);
    e.Engine.Paginate(e.Canvas);
    texts = e.Render(3);
    EXPECT_EQ(texts[0].Text, "465: ");
    EXPECT_EQ(texts[0].X, 230);
    EXPECT_EQ(texts[1].X, 230 + 40);
    EXPECT_EQ(texts.back().Text, "13/3");
}

TEST(PrintEngine, APageTooShortForOneRowPutsEveryLineOnItsOwnPage)
{
    TEngine e;
    e.Engine.Margins().SetBottom(271.1); // bottom edge 10 pixels below the top
    e.Engine.SetLines({ "one", "two", "three" });
    e.Engine.Paginate(e.Canvas);
    ASSERT_EQ(e.Engine.PageCount(), 4);
    EXPECT_EQ(e.Engine.PageFirstLine(1), 0);
    EXPECT_EQ(e.Engine.PageFirstLine(2), 0);
    EXPECT_EQ(e.Engine.PageFirstLine(4), 2);
    EXPECT_TRUE(e.Render(1).empty());
    auto texts = e.Render(3);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].Text, "two");
}

TEST(PrintEngine, AnEmptyDocumentPrintsOnePageWithHeaderAndFooter)
{
    TEngine e;
    ApplyMainWindowPrintDesign(e.Engine);
    e.Engine.SetTitle("Untitled");
    e.Engine.SetLines(std::vector<std::string> {});
    e.Engine.Paginate(e.Canvas);
    EXPECT_EQ(e.Engine.PageCount(), 1);
    auto texts = e.Render(1);
    std::vector<std::string> shown;
    for (const auto& t : texts)
        shown.push_back(t.Text);
    EXPECT_NE(std::find(shown.begin(), shown.end(), "Page: 1 of 1"), shown.end());
    EXPECT_NE(std::find(shown.begin(), shown.end(), "Untitled"), shown.end());
    EXPECT_NE(std::find(shown.begin(), shown.end(), "1/1"), shown.end());
    EXPECT_NE(std::find(shown.begin(), shown.end(), "Printed by "), shown.end());
    EXPECT_EQ(shown.size(), 5u);
    EXPECT_TRUE(e.Render(2).empty());
    EXPECT_TRUE(e.Render(0).empty());
}

TEST(PrintEngine, TextAreaNarrowerThanOneLetterStillPrints)
{
    TEngine e;
    TWordHighlighter hl;
    e.Engine.Margins().SetLeft(150);
    e.Engine.Margins().SetRight(150); // crossing margins: a negative width
    e.Engine.SetLines({ "ab cd", "\xE4\xB8\xAD\xE4\xB8\xAD", "x" });
    for (TCustomHighlighter* h : { static_cast<TCustomHighlighter*>(nullptr), static_cast<TCustomHighlighter*>(&hl) }) {
        e.Engine.SetHighlighter(h);
        e.Engine.Paginate(e.Canvas);
        EXPECT_EQ(e.Engine.MaxCol(), 1);
        auto texts = e.Render(1);
        ASSERT_FALSE(texts.empty());
        EXPECT_EQ(texts.back().Text, "x");
        EXPECT_EQ(texts.back().Y, 245 + 16 * 7); // 5 + 2 rows before it
    }
    e.Engine.SetHighlighter(nullptr);
}

TEST(PrintEngine, TabsAreExpandedWhenLinesAreCopied)
{
    TEngine e;
    e.Engine.SetTabWidth(4);
    e.Engine.SetLines({ "\tx", "ab\tc", "\xC3\xA9\tz", "none" });
    EXPECT_EQ(e.Engine.Lines().Get(0).str(), "    x");
    EXPECT_EQ(e.Engine.Lines().Get(1).str(), "ab  c");
    EXPECT_EQ(e.Engine.Lines().Get(2).str(), "\xC3\xA9   z");
    EXPECT_EQ(e.Engine.Lines().Get(3).str(), "none");
    e.Engine.SetTabWidth(1);
    e.Engine.SetLines({ "a\t\tb" });
    EXPECT_EQ(e.Engine.Lines().Get(0).str(), "a  b");
    e.Engine.SetTabWidth(100000);
    EXPECT_EQ(e.Engine.TabWidth(), 256);
}

TEST(PrintEngine, LoadFromEditorCopiesLinesHighlighterAndFont)
{
    TWordHighlighter hl;
    TQuillEdit editor;
    editor.SetTabWidth(4);
    editor.SetText("a\tb\nc");
    TFontSpec font;
    font.Name = "Courier New";
    font.Size = 12;
    editor.SetFont(font);
    editor.SetHighlighter(&hl);
    TQuillEditPrint engine;
    engine.LoadFromEditor(editor);
    EXPECT_EQ(engine.TabWidth(), 4);
    ASSERT_EQ(engine.Lines().Count(), 2);
    EXPECT_EQ(engine.Lines().Get(0).str(), "a   b");
    EXPECT_EQ(engine.Highlighter(), &hl);
    EXPECT_EQ(engine.Font().Size, 12);
    editor.SetHighlighter(nullptr);
    engine.SetHighlighter(nullptr);
}

TEST(PrintEngine, PaginationMeasuresEachLineOnceAndScansRangesOnce)
{
    TEngine e;
    TWordHighlighter hl;
    std::vector<std::string> lines;
    for (int i = 0; i < 1000; ++i)
        lines.push_back(std::string(static_cast<std::size_t>(i % 300), 'a') + " int b;");
    e.Engine.SetLines(lines);
    e.Engine.SetHighlighter(&hl);
    TCountingCanvas counting(e.Canvas);
    e.Engine.Paginate(counting);
    EXPECT_EQ(hl.StartedLines, 999);
    EXPECT_GE(counting.Extents, 1000);
    EXPECT_LE(counting.Extents, 1000 + 40);
    EXPECT_EQ(counting.Advances, 0);

    e.Engine.Paginate(counting);
    EXPECT_EQ(hl.StartedLines, 999); // ranges are kept
    e.Engine.SetHighlighter(&hl);
    e.Engine.Paginate(counting);
    EXPECT_EQ(hl.StartedLines, 2 * 999);
    e.Engine.SetHighlighter(nullptr);
}

TEST(PrintEngine, RenderingAPageCostsTheSameInASmallAndAHugeDocument)
{
    TWordHighlighter hlSmall;
    TWordHighlighter hlBig;
    auto text = Lines(200, "int x = y + 1;");
    TEngine small;
    small.Engine.SetLines(text);
    small.Engine.SetHighlighter(&hlSmall);
    small.Engine.Paginate(small.Canvas);
    TEngine big;
    text.resize(200000, "int x = y + 1;");
    big.Engine.SetLines(text);
    big.Engine.SetHighlighter(&hlBig);
    big.Engine.Paginate(big.Canvas);

    const int smallScanned = hlSmall.StartedLines;
    const int bigScanned = hlBig.StartedLines;
    TCountingCanvas smallCount(small.Canvas);
    TCountingCanvas bigCount(big.Canvas);
    small.Canvas.ClearCalls();
    big.Canvas.ClearCalls();
    small.Engine.RenderPage(smallCount, 1);
    big.Engine.RenderPage(bigCount, 1);
    EXPECT_EQ(small.Canvas.Calls().size(), big.Canvas.Calls().size());
    EXPECT_EQ(smallCount.Extents, bigCount.Extents);
    EXPECT_EQ(hlSmall.StartedLines - smallScanned, hlBig.StartedLines - bigScanned);
    EXPECT_EQ(hlBig.StartedLines - bigScanned, 182);
    small.Engine.SetHighlighter(nullptr);
    big.Engine.SetHighlighter(nullptr);
}

TEST(PrintEngine, ColoursComeFromTheAttributesOnlyWhenAskedFor)
{
    TEngine e;
    TWordHighlighter hl;
    hl.Symbol()->SetColors(0x0000FF, 0x00FF00, 0);
    e.Engine.SetHighlighter(&hl);
    e.Engine.SetLines({ "a;" });
    e.Render(1);
    auto symbolCall = [&] {
        for (const std::string& call : e.Canvas.Calls())
            if (call.rfind("ExtTextOut", 0) == 0 && call.back() == ';')
                return call;
        return std::string();
    };
    EXPECT_NE(symbolCall().find(" 0 #80000008 #00FFFFFF "), std::string::npos) << symbolCall();
    e.Engine.SetColors(true);
    e.Render(1);
    EXPECT_NE(symbolCall().find(" 1 [238 245 246 261] #000000FF #0000FF00 "), std::string::npos) << symbolCall();
    e.Engine.SetHighlighter(nullptr);
}

TEST(PrintEngine, PageCountNeedsACanvasWhenPagesAreStale)
{
    TEngine e;
    e.Engine.SetLines(Lines(500));
    EXPECT_EQ(e.Engine.PageCount(), 0);
    e.Engine.CreateScreenCanvas = [] { return std::make_unique<THeadlessCanvas>(); };
    EXPECT_EQ(e.Engine.PageCount(), 3);
    e.Engine.CreateScreenCanvas = nullptr;
    EXPECT_EQ(e.Engine.PageCount(), 3);
    e.Engine.SetLines(Lines(10));
    EXPECT_EQ(e.Engine.PageCount(), 0);
    // Rendering stale pages counts them again on the canvas it is given.
    EXPECT_EQ(e.Render(1).size(), 10u);
    EXPECT_EQ(e.Engine.PageCount(), 1);
}

struct TJob {
    TRecordingPrinter Printer { DefaultPageCaps() };
    TQuillEditPrint Engine;
    std::vector<std::string> Events;
    int PrintedLines = 0;
    int AbortAtPage = 0;

    TJob()
    {
        Engine.SetPrinter(&Printer);
        Engine.SetLines(Lines(400));
        Engine.SetTitle("doc.txt");
        Engine.OnPrintStatus = [this](TQuillEditPrint*, TQuillPrintStatus s, int page, bool& abort) {
            Events.push_back((s == TQuillPrintStatus::psJob ? "job " : "page ") + std::to_string(page));
            abort = s == TQuillPrintStatus::psPage && page == AbortAtPage;
        };
        Engine.OnPrintLine = [this](TQuillEditPrint*, int, int) { ++PrintedLines; };
    }
};

TEST(PrintJob, PrintsEveryPageInOneJob)
{
    TJob job;
    job.Engine.Print();
    EXPECT_EQ(job.Printer.Begun, 1);
    EXPECT_EQ(job.Printer.Ended, 1);
    EXPECT_EQ(job.Printer.Aborted, 0);
    EXPECT_EQ(job.Printer.Title, "doc.txt");
    ASSERT_EQ(job.Printer.Pages.size(), 3u);
    EXPECT_EQ(job.Events, (std::vector<std::string> { "job 1", "page 1", "page 2", "page 3", "job 3" }));
    EXPECT_EQ(job.PrintedLines, 400);
    auto texts = DrawnTexts(*job.Printer.Pages[2]);
    EXPECT_EQ(texts.size(), 400u - 2 * 182);

    job.Engine.SetDocTitle("spooled");
    job.Events.clear();
    job.Engine.PrintRange(2, 2);
    EXPECT_EQ(job.Printer.Title, "spooled");
    EXPECT_EQ(job.Printer.Pages.size(), 1u);
    EXPECT_EQ(job.Events, (std::vector<std::string> { "job 2", "page 2", "job 2" }));
    EXPECT_EQ(DrawnTexts(*job.Printer.Pages[0]).size(), 182u);
}

TEST(PrintJob, AnAbortStopsTheJobAndTheEndIsStillReported)
{
    TJob job;
    job.AbortAtPage = 2;
    job.Engine.Print();
    EXPECT_EQ(job.Printer.Aborted, 1);
    EXPECT_EQ(job.Printer.Ended, 0);
    EXPECT_EQ(job.Events, (std::vector<std::string> { "job 1", "page 1", "page 2", "job 3" }));
    EXPECT_EQ(job.PrintedLines, 182);
    // Page 2 was started before its status aborted the job, and stays blank.
    ASSERT_EQ(job.Printer.Pages.size(), 2u);
    EXPECT_TRUE(DrawnTexts(*job.Printer.Pages[1]).empty());

    // The next job starts afresh.
    job.AbortAtPage = 0;
    job.Engine.Print();
    EXPECT_EQ(job.Printer.Ended, 1);
}

TEST(PrintJob, FailuresEndTheJob)
{
    TJob job;
    job.Engine.OnPrintLine = [](TQuillEditPrint*, int line, int) {
        if (line == 200)
            throw std::runtime_error("stop");
    };
    EXPECT_THROW(job.Engine.Print(), std::runtime_error);
    EXPECT_EQ(job.Printer.Aborted, 1);
    EXPECT_FALSE(job.Printer.Printing());

    TQuillEditPrint noPrinter;
    EXPECT_THROW(noPrinter.Print(), EPrinter);
}

} // namespace
} // namespace quillan
