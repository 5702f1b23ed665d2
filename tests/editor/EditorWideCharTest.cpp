#include "EditorTestUtil.h"
#include "highlight/HighlighterFactory.h"

#include <gtest/gtest.h>
#include <random>
#include <sstream>

namespace quillan {
namespace {

using testutil::TEditorHarness;

constexpr int CW = THeadlessCanvas::CellWidth;
constexpr int TextLeft = 32; // right of the default gutter and the 2-pixel strip

// Two-cell characters: U+65E5 U+672C (CJK), U+1F600 (emoji); U+00E9 takes one cell.
const std::string Nichi = "\xE6\x97\xA5";
const std::string Hon = "\xE6\x9C\xAC";
const std::string Smile = "\xF0\x9F\x98\x80";
const std::string EAcute = "\xC3\xA9";

// Every cell of a line walked one character at a time, for checking the fast paths against.
long long SlowCells(std::string_view s, std::size_t end, int tabWidth)
{
    long long cell = 0;
    for (std::size_t i = 0; i < std::min(end, s.size());) {
        char32_t c;
        std::size_t n = DecodeCharAt(s, i, c);
        cell = c == '\t' ? NextTabStop(cell, tabWidth) : cell + CellWidthOf(c);
        i += n;
    }
    return cell;
}

std::string RandomMixedLine(std::mt19937& rng)
{
    static const std::vector<std::string> pieces
        = { "a", "b", " ", "\t", Nichi, Hon, Smile, EAcute, "\xFF", "\x80", "\xE6\x97", "abcdefgh", "\xEF\xBC\xA1" };
    std::string line;
    for (int k = static_cast<int>(rng() % 24); k > 0; --k)
        line += pieces[rng() % pieces.size()];
    return line;
}

TEST(WideCharCells, TheScansAgreeWithACharacterByCharacterWalk)
{
    EXPECT_EQ(CellWidthOf(0x3000), 2) << "ideographic space";
    EXPECT_EQ(CellWidthOf(0xFF61), 1) << "halfwidth katakana";
    EXPECT_EQ(CellWidthOf(0x20000), 2);
    char32_t c = 0;
    EXPECT_EQ(DecodeCharAt("\xED\xA0\x80", 0, c), 1u) << "a surrogate is three bad bytes";

    // The word-at-a-time scans agree with walking byte by byte, at every offset and alignment.
    std::mt19937 rng(11);
    for (int n = 0; n < 400; ++n) {
        const std::string line = RandomMixedLine(rng);
        const int tabWidth = 1 + static_cast<int>(rng() % 9);
        for (std::size_t from = 0; from <= line.size(); ++from) {
            std::size_t plain = 0;
            while (from + plain < line.size() && static_cast<unsigned char>(line[from + plain]) < 0x80
                && line[from + plain] != '\t')
                ++plain;
            ASSERT_EQ(PlainRunLength(line, from), plain) << testutil::Escaped(line) << " from " << from;
            ASSERT_EQ(CellOfByte(line, from, tabWidth), SlowCells(line, utf8::Ceil(line, from), tabWidth))
                << testutil::Escaped(line) << " at " << from;
        }
        const long long width = SlowCells(line, line.size(), tabWidth);
        for (long long cell = 0; cell <= width + 2; ++cell) {
            const TCellSpot spot = CharAtCell(line, cell, tabWidth);
            if (cell >= width) {
                ASSERT_EQ(spot.Length, 0u);
                ASSERT_EQ(spot.Cell, width);
                continue;
            }
            ASSERT_LE(spot.Cell, cell);
            ASSERT_GT(spot.Cell + spot.Width, cell) << testutil::Escaped(line) << " cell " << cell;
            ASSERT_EQ(SlowCells(line, spot.Byte, tabWidth), spot.Cell);
            ASSERT_TRUE(utf8::IsBoundary(line, spot.Byte) && utf8::IsBoundary(line, spot.Byte + spot.Length));
        }
    }
}

TEST(WideCharCells, LineStoreMeasuresAndExpandsInCells)
{
    TQuillEditStringList list;
    list.SetTabWidth(4);
    list.Add(Nichi + Hon + "\tx");
    list.Add("abcdefg");
    list.Add(Nichi + Hon + Nichi);
    EXPECT_EQ(list.ExpandedString(0), Nichi + Hon + "    x") << "the tab stop counts the wide characters as two";
    list.Put(0, "");
    EXPECT_EQ(list.LongestLineLength(), 7) << "not the nine bytes of the three wide characters";

    std::mt19937 rng(5);
    for (int n = 0; n < 300; ++n) {
        const std::string line = RandomMixedLine(rng);
        list.SetTabWidth(1 + static_cast<int>(rng() % 9));
        list.Put(1, line);
        const int measured = list.GetExpandedLength(1); // the lazy measure, before any expansion
        const std::string expanded = list.ExpandedString(1).str();
        ASSERT_EQ(measured, SlowCells(line, line.size(), list.TabWidth())) << testutil::Escaped(line);
        ASSERT_EQ(SlowCells(expanded, expanded.size(), list.TabWidth()), measured);
        ASSERT_EQ(expanded.find('\t'), std::string::npos);
    }
}

TEST(WideCharCaret, DisplayColumnsAndTheCaretCell)
{
    TEditorHarness h({ "a" + Nichi + "\tb" + Smile + "\xFF" + "c", Nichi + Hon + "xy" });
    h.Edit.SetTabWidth(4);
    // a | U+65E5 (cells 1-2) | tab to 4 | b | emoji (cells 5-6) | bad byte | c
    const int columns[] = { 1, 2, 4, 4, 4, 5, 6, 8, 8, 8, 8, 9, 10 };
    for (int x = 1; x <= 13; ++x)
        EXPECT_EQ(h.Edit.DisplayColumn({ x, 1 }), columns[x - 1]) << "column " << x;
    EXPECT_EQ(h.Edit.DisplayColumn({ 15, 1 }), 12) << "past the end one cell per column";

    h.Edit.FocusEnter();
    h.Caret(4, 2); // after the first wide character
    EXPECT_EQ(h.Host.CaretPos(), (TPoint { TextLeft + 2 * CW - 1, 17 }));
    h.Cmd(ecToggleMode); // a block caret covers the whole character under it
    EXPECT_EQ(h.Host.CaretSize(), (TSize { 2 * CW, 14 }));
    h.Cmd(ecRight);
    h.Cmd(ecRight);
    EXPECT_EQ(h.Edit.CaretPos(), (TBufferCoord { 8, 2 }));
    EXPECT_EQ(h.Host.CaretSize(), (TSize { CW, 14 }));
    EXPECT_EQ(h.Host.CaretPos(), (TPoint { TextLeft + 5 * CW, 17 }));
}

TEST(WideCharCaret, UpAndDownKeepTheDisplayColumn)
{
    TEditorHarness h({ "abcdefgh", Nichi + Hon + Nichi + Hon, "abcdefgh", "\tz" });
    h.Caret(5, 1);
    h.Cmd(ecDown);
    EXPECT_EQ(h.Edit.CaretPos(), (TBufferCoord { 7, 2 })) << "display column 5 is where the third character starts";
    h.Cmd(ecDown);
    EXPECT_EQ(h.Edit.CaretPos(), (TBufferCoord { 5, 3 }));

    // Aiming inside a wide character lands before it, never between its bytes.
    h.Caret(4, 3);
    h.Cmd(ecUp);
    EXPECT_EQ(h.Edit.CaretPos(), (TBufferCoord { 4, 2 }));
    h.Cmd(ecDown);
    EXPECT_EQ(h.Edit.CaretPos(), (TBufferCoord { 3, 3 })) << "without eoKeepCaretX the column is not remembered";
    h.Caret(7, 3);
    h.Cmd(ecDown);
    EXPECT_EQ(h.Edit.CaretPos(), (TBufferCoord { 2, 4 })) << "inside a tab the nearer edge wins";

    h.SetOption(TQuillEditorOption::eoKeepCaretX, true);
    h.Caret(4, 3);
    h.Cmd(ecUp);
    h.Cmd(ecUp);
    EXPECT_EQ(h.Edit.CaretPos(), (TBufferCoord { 4, 1 })) << "the remembered display column survives the wide line";
    h.Cmd(ecSelDown);
    h.Cmd(ecSelDown);
    EXPECT_EQ(h.Edit.CaretPos(), (TBufferCoord { 4, 3 }));
}

// --- painting ----------------------------------------------------------------------------------

// The text calls that paint one row: "ExtTextOut x y options [rect] fg bg wN text".
struct TPainted {
    int X = 0;
    std::string Fg, Bg, Advances, Text;
};

std::vector<TPainted> PaintRow(TEditorHarness& h, int row)
{
    THeadlessCanvas canvas;
    h.Edit.Paint(canvas, { 0, row * 16, h.Host.ClientSize().Width, row * 16 + 16 });
    std::vector<TPainted> out;
    for (const std::string& call : canvas.Calls()) {
        std::istringstream in(call.substr(0, 11) == "ExtTextOut " ? call.substr(11) : "");
        TPainted p;
        std::string skip;
        if (in >> p.X && std::getline(in, skip, ']') && in >> p.Fg >> p.Bg >> p.Advances && in.get()
            && std::getline(in, p.Text))
            out.push_back(p);
    }
    return out;
}

TEST(WideCharPaint, RunsCarryOneAdvancePerCharacter)
{
    std::unique_ptr<TCustomHighlighter> cpp = CreateHighlighter("cpp"); // outlives the control
    TEditorHarness h({ "a" + Nichi + "\tb" + Smile + "\xFF" + "c" + EAcute, "plain ascii" });
    h.Edit.SetTabWidth(4);
    std::vector<TPainted> runs = PaintRow(h, 0);
    ASSERT_EQ(runs.size(), 1u) << "one call for the line";
    EXPECT_EQ(runs[0].X, TextLeft);
    EXPECT_EQ(runs[0].Advances, "w80:8,16,8,8,16,8,8,8");
    EXPECT_EQ(runs[0].Text, "a" + Nichi + " b" + Smile + "\xFF" + "c" + EAcute) << "the tab stop counts cells";
    EXPECT_EQ(PaintRow(h, 1)[0].Advances, "w88") << "plain text lists no advances";

    // With a highlighter: the same runs as for the same line in ASCII, each starting at its cell.
    h.SetLines({ "int " + Nichi + Hon + " = 1; // " + Smile + " x", "int ab = 1; // a x" });
    h.Edit.SetHighlighter(cpp.get());
    std::vector<TPainted> wide = PaintRow(h, 0), ascii = PaintRow(h, 1);
    ASSERT_EQ(wide.size(), ascii.size());
    int extra = 0;
    for (std::size_t k = 0; k < wide.size(); ++k) {
        EXPECT_EQ(wide[k].Fg, ascii[k].Fg);
        EXPECT_EQ(wide[k].X, ascii[k].X + extra) << wide[k].Text;
        for (const std::string& w : { Nichi, Hon, Smile })
            if (wide[k].Text.find(w) != std::string::npos)
                extra += CW;
    }
    EXPECT_EQ(extra, 3 * CW);

    // Scrolled so that the first cell shows the right half of a wide character: drawn from its
    // own first cell and clipped, not shifted.
    h.Edit.SetLeftChar(6);
    runs = PaintRow(h, 0);
    ASSERT_FALSE(runs.empty());
    EXPECT_EQ(runs[0].X, TextLeft - CW);
    EXPECT_EQ(runs[0].Text.rfind(Nichi + Hon, 0), 0u) << runs[0].Text;
}

TEST(WideCharPaint, SelectionsFollowCellsAndColumnBlocksNeverSplitACharacter)
{
    TEditorHarness h({ "ab" + Nichi + "cd", Nichi + Hon + "xyz", "abcdefgh" });
    h.Edit.FocusEnter();
    h.Select(3, 1, 6, 1); // the wide character alone
    std::vector<TPainted> runs = PaintRow(h, 0);
    ASSERT_EQ(runs.size(), 3u);
    EXPECT_EQ(runs[1].Text, Nichi);
    EXPECT_EQ(runs[1].Bg, "#8000000D");
    EXPECT_EQ(runs[2].X, TextLeft + 4 * CW);

    // A block from display column 2 to 4: on the first two lines its edges fall inside wide
    // characters; one straddling the left edge stays out, one straddling the right edge is in.
    h.Edit.SetSelectionMode(TQuillSelectionMode::smColumn);
    h.Select(2, 1, 4, 3);
    runs = PaintRow(h, 0);
    ASSERT_EQ(runs.size(), 3u);
    EXPECT_EQ(runs[1].Text, "b" + Nichi);
    runs = PaintRow(h, 1);
    ASSERT_EQ(runs.size(), 3u);
    EXPECT_EQ(runs[1].Text, Hon);
    EXPECT_EQ(PaintRow(h, 2).at(1).Text, "bc");
}

TEST(WideCharEditing, TabReachesTheColumnOfTheWordAboveInCells)
{
    TEditorHarness h({ Nichi + Hon + "  word", "" });
    h.SetOption(TQuillEditorOption::eoSmartTabs, true);
    h.Caret(1, 2);
    h.Cmd(ecTab);
    h.Type("x");
    EXPECT_EQ(h.Lines()[1], std::string(6, ' ') + "x") << "four cells of wide characters and two spaces";
}

} // namespace
} // namespace quillan
