#include "print/PrintLineCells.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace quillan {
namespace {

std::vector<int> Wrap(std::string_view text, int maxCol)
{
    TPrintLineCells cells;
    cells.Assign(text);
    std::vector<int> positions;
    WrapPositions(cells, text, maxCol, positions);
    return positions;
}

// The rows a line breaks into, as text.
std::vector<std::string> Rows(std::string_view text, int maxCol)
{
    TPrintLineCells cells;
    cells.Assign(text);
    std::vector<int> positions;
    WrapPositions(cells, text, maxCol, positions);
    std::vector<std::string> rows;
    int start = 0;
    positions.push_back(cells.CharCount());
    for (int p : positions) {
        rows.emplace_back(text.substr(cells.ByteAt(start), cells.ByteAt(p) - cells.ByteAt(start)));
        start = p;
    }
    return rows;
}

TEST(PrintWrap, BreaksAfterBlanksCommasAndHyphensFirst)
{
    EXPECT_EQ(Rows("alpha beta gamma", 10), (std::vector<std::string> { "alpha ", "beta gamma" }));
    EXPECT_EQ(Rows("alpha beta gamma", 9), (std::vector<std::string> { "alpha ", "beta ", "gamma" }));
    EXPECT_EQ(Rows("a-b,c d", 4), (std::vector<std::string> { "a-b,", "c d" }));
    // Fits: no positions at all.
    EXPECT_TRUE(Wrap("short", 5).empty());
    EXPECT_TRUE(Wrap("", 1).empty());
}

TEST(PrintWrap, FallsBackToTheSecondSetThenToHardBreaks)
{
    // Only ")" and ";" can break this line.
    EXPECT_EQ(Rows("f(x);g(y);h(z);", 6), (std::vector<std::string> { "f(x);", "g(y);", "h(z);" }));
    EXPECT_EQ(Rows("call(a).b;", 8), (std::vector<std::string> { "call(a).", "b;" }));
    // A blank in the first row but none later: the first set fails as a whole.
    EXPECT_EQ(Rows("ab cdefghij;kl", 6), (std::vector<std::string> { "ab cde", "fghij;", "kl" }));
    const std::string letters(300, 'x');
    auto rows = Rows(letters, 80);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0].size(), 80u);
    EXPECT_EQ(rows[1].size(), 80u);
    EXPECT_EQ(rows[2].size(), 80u);
    EXPECT_EQ(rows[3].size(), 60u);
}

TEST(PrintWrap, BreakCharactersPassedBeforeARowRestartsAreNotReconsidered)
{
    // Rows of 5: "ab cd" breaks after the blank at 3; the next row starts at "cd" and must
    // find its own break at or after position 6.
    EXPECT_EQ(Rows("ab cd efgh ij", 5), (std::vector<std::string> { "ab ", "cd ", "efgh ", "ij" }));
}

TEST(PrintWrap, MultiByteCharactersAreNeverSplit)
{
    // Ten two-byte letters in rows of three characters.
    std::string text;
    for (int i = 0; i < 10; ++i)
        text += "\xC3\xA9";
    auto rows = Rows(text, 3);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0], "\xC3\xA9\xC3\xA9\xC3\xA9");
    EXPECT_EQ(rows[3], "\xC3\xA9");

    // Wide characters take two cells: rows of 5 cells hold two of them.
    std::string han;
    for (int i = 0; i < 5; ++i)
        han += "\xE4\xB8\xAD";
    TPrintLineCells cells;
    cells.Assign(han);
    EXPECT_EQ(cells.CharCount(), 5);
    EXPECT_EQ(cells.CellCount(), 10);
    rows = Rows(han, 5);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].size(), 6u);
    // One column still advances through wide characters, one per row.
    EXPECT_EQ(Rows(han, 1).size(), 5u);

    // Invalid bytes are characters of their own.
    cells.Assign("a\xFF\xC3");
    EXPECT_EQ(cells.CharCount(), 3);
    EXPECT_EQ(cells.CharAtByte(2), 2);
    EXPECT_EQ(cells.CharAtByte(99), 3);
}

TEST(PrintWrap, AWideCharacterThatWouldOverflowStartsTheNextRow)
{
    // "a b" then a wide character: with rows of 4 cells the wide one does not fit after
    // "a b" (3 cells) and the row breaks at the blank.
    std::string text = "a b\xE4\xB8\xAD"
                       "c";
    auto rows = Rows(text, 4);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0], "a ");
    EXPECT_EQ(rows[1],
        "b\xE4\xB8\xAD"
        "c");
}

TEST(PrintWrap, DegenerateWidthsStillTerminate)
{
    EXPECT_EQ(Rows("abc def", 1).size(), 7u);
    std::vector<int> positions;
    TPrintLineCells cells;
    cells.Assign("a b c");
    EXPECT_FALSE(FindWrapPositions(cells, "a b c", ";", 0, positions));
    EXPECT_TRUE(positions.empty());
    HardWrapPositions(cells, 0, positions);
    EXPECT_EQ(positions, (std::vector<int> { 1, 2, 3, 4 }));
}

} // namespace
} // namespace quillan
