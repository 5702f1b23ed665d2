#include "EditorTestUtil.h"

#include <gtest/gtest.h>
#include <random>

namespace quillan {
namespace {

using testutil::TEditorHarness;

constexpr int CW = THeadlessCanvas::CellWidth;
constexpr int TextLeft = 32; // the default gutter and the 2-pixel strip

const std::string Nichi = "\xE6\x97\xA5"; // two cells
const std::string Hon = "\xE6\x9C\xAC"; // two cells
const std::string Smile = "\xF0\x9F\x98\x80"; // two cells

TEST(WideCharMouse, AClickLandsBeforeOrAfterTheHalfOfTheCharacterItHits)
{
    TEditorHarness h({ "a" + Nichi + "\tb" });
    h.Edit.SetTabWidth(4);
    // a: cell 0; U+65E5: cells 1-2; the tab: cell 3; b: cell 4.
    auto columnAt = [&](int pixel) { return h.Edit.PixelsToRowColumn(TextLeft + pixel, 0).X; };
    EXPECT_EQ(columnAt(CW + 1), 2);
    EXPECT_EQ(columnAt(2 * CW - 1), 2) << "left half of the wide character";
    EXPECT_EQ(columnAt(2 * CW), 5) << "right half";
    EXPECT_EQ(columnAt(3 * CW + CW / 2 - 1), 5);
    EXPECT_EQ(columnAt(3 * CW + CW / 2), 6) << "past the first half cell of the tab";
    EXPECT_EQ(columnAt(5 * CW + CW / 2 - 1), 7);
    EXPECT_EQ(columnAt(5 * CW + CW / 2), 8) << "past the end, one column per cell";
    EXPECT_EQ(columnAt(-20), 1);

    // Scrolled so that the first visible cell is the right half of a wide character.
    h.SetLines({ Nichi + Nichi + Nichi });
    h.Edit.SetLeftChar(2);
    EXPECT_EQ(h.Edit.PixelsToRowColumn(TextLeft + 1, 0).X, 4);
    EXPECT_EQ(h.Edit.PixelsToRowColumn(TextLeft + CW + 1, 0).X, 4);
    EXPECT_EQ(h.Edit.PixelsToRowColumn(TextLeft + 2 * CW + 1, 0).X, 7);

    // Over any line, every pixel lands on a character boundary, never further left than a pixel
    // to its left does.
    std::mt19937 rng(3);
    const std::vector<std::string> pieces = { "a", "\t", Nichi, Smile, "\xC3\xA9", "\xFF", "\xE6\x97" };
    h.Edit.SetLeftChar(1);
    for (int n = 0; n < 100; ++n) {
        std::string line;
        for (int k = static_cast<int>(rng() % 12); k > 0; --k)
            line += pieces[rng() % pieces.size()];
        h.SetLines({ line });
        int previous = 1;
        for (int pixel = 0; pixel < 60 * CW; ++pixel) {
            const int column = columnAt(pixel);
            ASSERT_TRUE(utf8::IsBoundary(line, static_cast<std::size_t>(column - 1))) << testutil::Escaped(line);
            ASSERT_GE(column, previous);
            previous = column;
        }
    }
}

TEST(WideCharBlock, ColumnBlocksTakeWhatTheyShow)
{
    TEditorHarness h({ "ab" + Nichi + "cd", Nichi + Hon + "xyz", "abcdefgh", "a" });
    h.Edit.SetSelectionMode(TQuillSelectionMode::smColumn);
    // Display columns 2 to 4; on the first two lines an edge falls inside a wide character: one
    // straddling the left edge stays out, one straddling the right edge is in.
    h.Select(2, 1, 4, 4);
    EXPECT_EQ(h.Edit.SelectedText(), "b" + Nichi + "\r\n" + Hon + "\r\nbc\r\n  ");
    EXPECT_EQ(h.Edit.CursorAt(TextLeft + 2 * CW + 1, 16), crArrow) << "over the second wide character";
    EXPECT_NE(h.Edit.CursorAt(TextLeft + 1, 16), crArrow) << "over the first, which stays out";
    h.Cmd(ecDeleteChar);
    EXPECT_EQ(h.Lines(), (std::vector<std::string> { "acd", Nichi + "xyz", "adefgh", "a" }));
    EXPECT_EQ(h.Edit.CaretPos(), (TBufferCoord { 2, 4 }));
    h.UndoAll();
    EXPECT_EQ(h.Lines(), (std::vector<std::string> { "ab" + Nichi + "cd", Nichi + Hon + "xyz", "abcdefgh", "a" }));

    // A search within the block looks at the same characters: four cells are five bytes on the
    // first line.
    h.SetLines({ Nichi + "ab", "xxab" });
    h.Edit.SetSelectionMode(TQuillSelectionMode::smColumn);
    h.Select(1, 1, 5, 2);
    EXPECT_EQ(h.Edit.SearchReplace("ab", "", srSelectionOnly | srReplaceAll), 2);
    EXPECT_EQ(h.Lines(), (std::vector<std::string> { Nichi, "xx" }));
}

} // namespace
} // namespace quillan
