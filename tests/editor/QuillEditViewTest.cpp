#include "EditorTestUtil.h"
#include "base/QuillEditStrConst.h"
#include "highlight/HighlighterFactory.h"

#include <gtest/gtest.h>

namespace quillan {
namespace {

using testutil::TEditorHarness;
using Lines = std::vector<std::string>;

Lines Numbered(int n)
{
    Lines lines;
    for (int i = 1; i <= n; ++i)
        lines.push_back("line " + std::to_string(i));
    return lines;
}

// The C/C++ highlighter, counting the lines it is asked to scan.
class TCountingHighlighter final : public TCustomHighlighter {
public:
    TCountingHighlighter()
        : FInner(CreateHighlighter("cpp"))
    {
    }
    THighlighterAttributes* StandardAttribute(int kind) const override { return FInner->StandardAttribute(kind); }
    TCharSet WordChars() const override { return FInner->WordChars(); }
    bool AtLineEnd() const override { return FInner->AtLineEnd(); }
    TRangeState CurrentRange() const override { return FInner->CurrentRange(); }
    std::string_view TokenText() const override { return FInner->TokenText(); }
    THighlighterAttributes* AttributeOfToken() const override { return FInner->AttributeOfToken(); }
    int KindOfToken() const override { return FInner->KindOfToken(); }
    std::size_t TokenStart() const override { return FInner->TokenStart(); }
    void Advance() override { FInner->Advance(); }
    void StartLine(std::string_view text, int lineIndex) override
    {
        ++Scanned;
        FInner->StartLine(text, lineIndex);
    }
    void RestoreRange(TRangeState value) override { FInner->RestoreRange(value); }
    void ClearRange() override { FInner->ClearRange(); }
    void ScanToLineEnd() override { FInner->ScanToLineEnd(); }

    int Scanned = 0;

private:
    std::unique_ptr<TCustomHighlighter> FInner;
};

TEST(QuillEditHighlighting, RescanStopsAtTheFirstUnchangedRange)
{
    Lines code;
    for (int i = 0; i < 500; ++i)
        code.push_back(i % 7 == 0 ? "/* comment */ int x;" : "int f(int a) { return a; } // done");
    TEditorHarness h(code);
    TCountingHighlighter hl;
    h.Edit.SetHighlighter(&hl);
    EXPECT_EQ(hl.Scanned, 500);

    hl.Scanned = 0;
    h.Caret(5, 1);
    h.Type("x");
    EXPECT_LE(hl.Scanned, 2);
    h.Edit.Undo();
    EXPECT_LE(hl.Scanned, 4);

    // Opening a comment changes every range below; closing it again restores them.
    h.Caret(1, 3);
    h.Type("/*");
    EXPECT_EQ(testutil::StoredRanges(h.Edit.Lines()), testutil::FullRescanRanges(hl, h.Edit.Lines()));
    h.Cmd(ecLineBreak);
    h.Cmd(ecDeleteLine);
    h.UndoAll();
    EXPECT_EQ(testutil::StoredRanges(h.Edit.Lines()), testutil::FullRescanRanges(hl, h.Edit.Lines()));
    h.Edit.SetHighlighter(nullptr);
}

TEST(QuillEditView, TopLineAndLeftCharClampsAndFollowTheCaret)
{
    TEditorHarness h(Numbered(100));
    h.Edit.SetTopLine(500);
    EXPECT_EQ(h.Edit.TopLine(), 71);
    h.SetOption(TQuillEditorOption::eoScrollPastEof, true);
    h.Edit.SetTopLine(500);
    EXPECT_EQ(h.Edit.TopLine(), 100);
    h.Edit.SetTopLine(-3);
    EXPECT_EQ(h.Edit.TopLine(), 1);

    h.Edit.SetLeftChar(5000);
    EXPECT_EQ(h.Edit.LeftChar(), 1024 - 80 + 1);
    h.SetOption(TQuillEditorOption::eoScrollPastEol, false);
    h.Edit.SetLeftChar(5000);
    EXPECT_EQ(h.Edit.LeftChar(), 1) << "no line is wider than the window";

    h.SetOption(TQuillEditorOption::eoScrollPastEol, true);
    h.Caret(200, 90);
    EXPECT_EQ(h.Edit.TopLine(), 90 - 30 + 1);
    EXPECT_EQ(h.Edit.LeftChar(), 200 - 80 + 1);
    h.Caret(1, 1);
    EXPECT_EQ(h.Edit.TopLine(), 1);
    EXPECT_EQ(h.Edit.LeftChar(), 1);

    // A tab counts by the columns it fills.
    TEditorHarness t({ "\t\t\t\t\t\t\t\t\t\tx" });
    t.Caret(12, 1);
    EXPECT_EQ(t.Edit.DisplayColumn(t.Edit.CaretPos()), 82);
    EXPECT_EQ(t.Edit.LeftChar(), 82 - 80 + 1);

    // Scrolling the view pulls the caret along.
    TEditorHarness s(Numbered(100));
    s.Cmd(ecScrollDown);
    EXPECT_EQ(s.Edit.TopLine(), 2);
    EXPECT_EQ(s.Edit.CaretLine(), 2);
}

TEST(QuillEditView, ScrollBarsAndCaretReachTheHost)
{
    TEditorHarness h(Numbered(40000));
    const TScrollInfo& v = h.Host.ScrollInfo(TScrollBarKind::sbVertical);
    EXPECT_EQ(v.Min, 0);
    EXPECT_EQ(v.Max, 32767);
    EXPECT_EQ(v.Page, 30 * 32767 / 40000);
    h.Caret(1, 40000);
    EXPECT_EQ(h.Host.ScrollInfo(TScrollBarKind::sbVertical).Pos, (40000 - 29) * 32767LL / 40000);

    TEditorHarness small(Numbered(10));
    EXPECT_EQ(small.Host.ScrollInfo(TScrollBarKind::sbVertical).Max, 10);
    EXPECT_EQ(small.Host.ScrollInfo(TScrollBarKind::sbHorizontal).Max, 1024);

    // The caret: a vertical line in insert mode, a block in overwrite mode, at the cell of the
    // caret's display column right of the gutter.
    small.Edit.FocusEnter();
    EXPECT_EQ(small.Host.CaretSize(), (TSize { 2, 14 }));
    small.Caret(3, 2);
    EXPECT_EQ(small.Host.CaretPos(), (TPoint { 2 * 8 + 32 - 1, 16 + 1 }));
    EXPECT_TRUE(small.Host.CaretVisible());
    small.Cmd(ecToggleMode);
    EXPECT_EQ(small.Host.CaretSize(), (TSize { 8, 14 }));
    small.Edit.FocusExit();
    EXPECT_FALSE(small.Host.CaretCreated());

    // A text change repaints once, when the line store's bracket closes.
    small.Host.ClearInvalid();
    small.Edit.ReplaceSelection("a\r\nb");
    EXPECT_EQ(small.Host.InvalidateCount(), 1);
}

TEST(QuillEditView, GutterWidthRule)
{
    TEditorHarness h(Numbered(9999));
    EXPECT_EQ(h.Edit.GutterWidth(), 30);
    TQuillGutter& g = h.Edit.Gutter();
    g.SetShowLineNumbers(true);
    EXPECT_EQ(h.Edit.GutterWidth(), 16 + 2 + 4 * 8 + 2);
    g.SetAutoSize(true);
    EXPECT_EQ(h.Edit.GutterWidth(), 16 + 2 + 4 * 8 + 2);
    h.Caret(1, 9999);
    h.Cmd(ecLineBreak);
    EXPECT_EQ(h.Edit.GutterWidth(), 16 + 2 + 5 * 8 + 2);
    EXPECT_EQ(h.Edit.CharsInWindow(), (674 - h.Edit.GutterWidth() - 2) / 8);
    g.SetZeroStart(true);
    EXPECT_EQ(h.Edit.GutterWidth(), 16 + 2 + 4 * 8 + 2) << "10000 lines numbered from 0 need four digits";
    h.Cmd(ecLineBreak);
    EXPECT_EQ(h.Edit.GutterWidth(), 16 + 2 + 5 * 8 + 2);

    g.SetDigitCount(1);
    EXPECT_EQ(g.DigitCount(), 2);
    g.SetDigitCount(40);
    EXPECT_EQ(g.DigitCount(), 12);
    TQuillGutter plain;
    plain.SetLeadingZeros(true);
    EXPECT_EQ(plain.FormatLineNumber(7), "0007");
    plain.SetLeadingZeros(false);
    plain.SetZeroStart(true);
    EXPECT_EQ(plain.FormatLineNumber(7), "   6");
    g.SetVisible(false);
    EXPECT_EQ(h.Edit.GutterWidth(), 0);
}

TEST(QuillEditBookmarks, SetToggleAndFollowTheText)
{
    TEditorHarness h(Numbered(10));
    h.Caret(3, 4);
    h.Cmd(ecSetMarker5);
    h.Cmd(ecSetMarker3);
    int x = 0, y = 0;
    EXPECT_FALSE(h.Edit.GetBookMark(5, x, y)) << "one bookmark per line";
    ASSERT_TRUE(h.Edit.GetBookMark(3, x, y));
    EXPECT_EQ(y, 4);
    h.Cmd(ecSetMarker3);
    EXPECT_FALSE(h.Edit.GetBookMark(3, x, y)) << "the same key on the same line removes it";

    h.Edit.SetBookMark(1, 2, 6);
    h.Edit.SetBookMark(2, 1, 8);
    h.Caret(1, 6);
    h.Cmd(ecDeleteLine);
    ASSERT_TRUE(h.Edit.GetBookMark(1, x, y));
    EXPECT_EQ(y, 5) << "a bookmark on a deleted line goes to the line above";
    ASSERT_TRUE(h.Edit.GetBookMark(2, x, y));
    EXPECT_EQ(y, 7);
    h.Edit.Undo();
    h.Cmd(ecGotoXY, { 1, 2 }); // undo selected the line it gave back; this drops the selection
    h.Cmd(ecLineBreak);
    h.Edit.GetBookMark(2, x, y);
    EXPECT_EQ(y, 9);
    h.Select(1, 3, 1, 9);
    h.Cmd(ecDeleteChar);
    h.Edit.GetBookMark(2, x, y);
    EXPECT_EQ(y, 3) << "bookmarks on removed lines go to the selection's first line";

    h.Caret(1, 1);
    h.Cmd(ecGotoMarker2);
    EXPECT_EQ(h.Edit.CaretPos(), (TBufferCoord { 1, 3 }));
    h.Edit.BookMarkOptions().SetEnableKeys(false);
    h.Caret(1, 1);
    h.Cmd(ecGotoMarker2);
    EXPECT_EQ(h.Edit.CaretLine(), 1);

    // The place handler may cancel; the clear handler sees the mark before it goes.
    h.Edit.OnPlaceBookmark = [](TCustomQuillEdit*, std::unique_ptr<TQuillEditMark>& mark) {
        if (mark->BookmarkNumber() == 7)
            mark.reset();
    };
    int cleared = -1;
    h.Edit.OnClearBookmark = [&](TCustomQuillEdit*, TQuillEditMark* mark) { cleared = mark->BookmarkNumber(); };
    h.Edit.SetBookMark(7, 1, 1);
    EXPECT_FALSE(h.Edit.GetBookMark(7, x, y));
    h.Edit.SetBookMark(10, 1, 1);
    h.Edit.SetBookMark(4, 1, 99);
    EXPECT_EQ(h.Edit.Marks().Count(), 2);
    h.Edit.ClearBookMark(2);
    EXPECT_EQ(cleared, 2);
    EXPECT_EQ(h.Edit.Marks().Count(), 1);
}

TEST(QuillEditClipboard, ModesSurviveCopyAndPaste)
{
    TEditorHarness h({ "abcdef", "ghijkl", "mnopqr", "" });
    h.Cmd(ecColumnSelect);
    h.Select(2, 1, 4, 2);
    h.Cmd(ecCopy);
    EXPECT_EQ(h.Host.HeadlessClipboard().GetText(), "bc\r\nhi");
    EXPECT_EQ(h.Host.HeadlessClipboard().GetFormat(QuillEditClipboardFormat),
        std::string("\x02"
                    "bc\r\nhi\0",
            8));
    h.Cmd(ecGotoXY, { 5, 3 });
    h.Cmd(ecPaste);
    EXPECT_EQ(h.Lines(), (Lines { "abcdef", "ghijkl", "mnopbcqr", "    hi" }));
    EXPECT_EQ(h.Edit.CaretPos(), (TBufferCoord { 5, 4 })) << "below the block at its left column";
    h.Edit.Undo();
    EXPECT_EQ(h.Lines(), (Lines { "abcdef", "ghijkl", "mnopqr", "" }));

    // Text from another program is a stream whatever the selection mode.
    h.Host.HeadlessClipboard().SetText("1\n2");
    h.Cmd(ecGotoXY, { 2, 1 });
    h.Cmd(ecPaste);
    EXPECT_EQ(h.Lines()[0], "a1");
    EXPECT_EQ(h.Lines()[1], "2bcdef");

    // Whole lines paste in front of the caret line; NUL bytes go through the private format.
    TEditorHarness l({ std::string("a\0b", 3), "c" });
    l.Cmd(ecLineSelect);
    l.Select(1, 1, 1, 1);
    l.Edit.SelectAll();
    l.Cmd(ecCopy);
    l.Cmd(ecGotoXY, { 1, 2 });
    l.Cmd(ecPaste);
    // Copied up to the text's end the block has no final line break: its last row joins the
    // front of the caret line.
    EXPECT_EQ(l.Lines(), (Lines { std::string("a\0b", 3), std::string("a\0b", 3), "cc" }));
    l.Edit.Undo();
    EXPECT_EQ(l.Lines(), (Lines { std::string("a\0b", 3), "c" }));

    // Cut is one undoable step; a clipboard that refuses raises the control's error.
    h.Cmd(ecNormalSelect);
    h.Select(1, 1, 3, 1);
    h.Cmd(ecCut);
    EXPECT_EQ(h.Lines()[0], "");
    h.Edit.Undo();
    EXPECT_EQ(h.Lines()[0], "a1");
    h.Host.HeadlessClipboard().FailWrites = true;
    h.Select(1, 1, 2, 1);
    EXPECT_THROW(h.Edit.CopyToClipboard(), EQuillEditError);
    h.Host.HeadlessClipboard().FailWrites = false;
    h.Cmd(ecCopy);
    h.Host.HeadlessClipboard().FailReads = true;
    EXPECT_THROW(h.Edit.PasteFromClipboard(), EQuillEditError);
    EXPECT_TRUE(h.Edit.CanPaste());
    h.Host.HeadlessClipboard().Clear();
    EXPECT_FALSE(h.Edit.CanPaste());
}

} // namespace
} // namespace quillan
