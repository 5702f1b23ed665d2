#include "PrintTestUtil.h"
#include "print/PrintLineCells.h"

#include <gtest/gtest.h>
#include <map>
#include <random>

namespace quillan {
namespace {

using printtest::ParseTextCall;
using printtest::TDrawnText;
using printtest::TWordHighlighter;

std::string RandomLine(std::mt19937& rng)
{
    static const char* const pieces[] = { "a", "bb", "int", " ", ",", "-", ")", ";", ".", "(", "\xC3\xA9",
        "\xE4\xB8\xAD", "\xFF", "\x80", "xyz", "return", "\t" };
    std::uniform_int_distribution<int> length(0, 60);
    std::uniform_int_distribution<std::size_t> pick(0, std::size(pieces) - 1);
    std::string line;
    for (int n = length(rng); n > 0; --n)
        line += pieces[pick(rng)];
    return line;
}

// Every line is printed whole, in rows that keep to the width, below the line before it,
// without splitting a character, whatever the text and the width.
TEST(PrintEngineRandom, WrappedLinesKeepTheirTextAndTheirRows)
{
    std::mt19937 rng(20240601);
    for (int round = 0; round < 60; ++round) {
        TQuillEditPrint engine;
        THeadlessCanvas canvas;
        TWordHighlighter hl;
        const bool highlighted = round % 2 == 0;
        engine.SetHighlighter(highlighted ? &hl : nullptr);
        engine.Margins().SetRight(15 + (round * 37) % 190); // from a few columns to the full width
        std::vector<std::string> lines;
        for (int i = 0; i < 40; ++i)
            lines.push_back(RandomLine(rng));
        engine.SetLines(lines);
        std::vector<std::size_t> ends;
        engine.OnPrintLine = [&](TQuillEditPrint*, int, int) { ends.push_back(canvas.Calls().size()); };
        engine.Paginate(canvas);
        const int maxCol = engine.MaxCol();
        SCOPED_TRACE("round " + std::to_string(round) + ", MaxCol " + std::to_string(maxCol));

        int printed = 0;
        for (int page = 1; page <= engine.PageCount(); ++page) {
            canvas.ClearCalls();
            ends.clear();
            engine.RenderPage(canvas, page);
            std::size_t from = 0;
            int previousBottom = -1;
            int index = engine.PageFirstLine(page);
            for (std::size_t end : ends) {
                const std::string expected = engine.Lines().Get(index).str();
                TPrintLineCells whole;
                whole.Assign(expected);
                std::string drawn;
                std::map<int, std::string> rows; // y -> text of that row
                TDrawnText t;
                for (std::size_t c = from; c < end; ++c) {
                    if (!ParseTextCall(canvas.Calls()[c], t))
                        continue;
                    EXPECT_EQ(whole.ByteAt(whole.CharAtByte(drawn.size())), drawn.size())
                        << "line " << index << ": a piece starts inside a character";
                    drawn += t.Text;
                    rows[t.Y] += t.Text;
                }
                EXPECT_EQ(drawn, expected) << "line " << index;
                if (!rows.empty()) {
                    EXPECT_GT(rows.begin()->first, previousBottom) << "line " << index << " overprints";
                    previousBottom = rows.rbegin()->first;
                    for (const auto& [y, text] : rows) {
                        TPrintLineCells cells;
                        cells.Assign(text);
                        if (cells.CharCount() > 1 && (highlighted || rows.size() > 1)) {
                            EXPECT_LE(cells.CellCount(), maxCol) << "line " << index << " row at " << y;
                        }
                    }
                }
                from = end;
                ++index;
                ++printed;
            }
        }
        EXPECT_EQ(printed, 40);
        engine.SetHighlighter(nullptr);
    }
}

} // namespace
} // namespace quillan
