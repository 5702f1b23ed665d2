#include "base/QuillEditStrConst.h"
#include "text/QuillEditTextBuffer.h"

#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

namespace quillan {
namespace {

// Pieces that make cells and bytes differ: tabs, a two-byte and a wide three-byte character, and
// the parts of a three-byte character on their own, which join into one when they meet.
const std::vector<std::string> Pieces
    = { "a", "bc", "\t", " ", "\xC3\xA9", "\xE4\xB8\xAD", "\xE4", "\xB8\xAD", "xyz\tq", "0123456789" };

std::string RandomText(std::mt19937& rng, int pieces)
{
    std::string s;
    for (int i = 0; i < pieces; ++i)
        s += Pieces[rng() % Pieces.size()];
    return s;
}

// Every splice gives the text a rebuilt line would have, and every measure of it agrees with a
// walk of that text from its start: the expanded length kept across edits, the cell of a byte and
// the character at a cell, far along the line too.
TEST(LineSplice, TextAndCellsMatchTheLineRebuiltAfterEachEdit)
{
    for (std::size_t size : { 40u, 3000u, 70'000u }) {
        SCOPED_TRACE(size);
        std::mt19937 rng(static_cast<unsigned>(size));
        std::string want;
        while (want.size() < size)
            want += RandomText(rng, 20);
        TQuillEditStringList list;
        list.Add("before");
        list.Add(want);
        list.Add("after");
        const int tabWidth = 8;
        for (int step = 0; step < 300; ++step) {
            // Mostly near the end, where typing happens, sometimes anywhere.
            std::size_t pos
                = rng() % 4 ? want.size() - std::min<std::size_t>(want.size(), rng() % 40) : rng() % (want.size() + 1);
            std::size_t count = rng() % 3 == 0 ? rng() % 6 : 0;
            std::string text = rng() % 5 == 0 ? std::string() : RandomText(rng, 1 + static_cast<int>(rng() % 2));
            if (rng() % 7 == 0)
                list.SetTabWidth(rng() % 2 ? 4 : tabWidth);
            const long long before = LineCells(list.GetView(1), list.TabWidth());
            EXPECT_EQ(list.GetExpandedLength(1), before);
            list.Splice(1, pos, count, text);
            want.replace(std::min(pos, want.size()), count, text);
            ASSERT_EQ(list.GetView(1), want) << "step " << step;
            ASSERT_EQ(list.GetExpandedLength(1), LineCells(want, list.TabWidth())) << "step " << step;
            for (int probe = 0; probe < 4; ++probe) {
                const std::size_t byte = rng() % (want.size() + 2);
                ASSERT_EQ(list.CellOfByte(1, byte), CellOfByte(want, byte, list.TabWidth())) << "byte " << byte;
                const long long cell = static_cast<long long>(rng() % (want.size() + 20));
                const TCellSpot a = list.CharAtCell(1, cell), b = CharAtCell(want, cell, list.TabWidth());
                ASSERT_EQ(a.Byte, b.Byte) << "cell " << cell;
                ASSERT_EQ(a.Cell, b.Cell);
                ASSERT_EQ(a.Width, b.Width);
                ASSERT_EQ(a.Length, b.Length);
            }
        }
        EXPECT_EQ(list.GetView(0), "before");
        EXPECT_EQ(list.GetView(2), "after");
        EXPECT_EQ(list.LongestLineLength(), std::max<long long>(6, LineCells(want, list.TabWidth())));
    }
}

TEST(LineSplice, OneLinePutInOneBracketAndClampedPositions)
{
    TQuillEditStringList list;
    list.Add("hello world");
    std::vector<std::string> events;
    list.OnChanging = [&](TQuillEditStringList*) { events.push_back("changing"); };
    list.OnChange = [&](TQuillEditStringList*) { events.push_back("change"); };
    list.OnLinePut = [&](TQuillEditStringList*, int index) { events.push_back("put " + std::to_string(index)); };
    list.Splice(0, 5, 6, ", there");
    EXPECT_EQ(list.GetView(0), "hello, there");
    EXPECT_EQ(events, (std::vector<std::string> { "changing", "put 0", "change" }));
    // Past the end both are clamped: an append, then nothing to remove.
    list.Splice(0, 100, 100, "!");
    EXPECT_EQ(list.GetView(0), "hello, there!");
    list.Splice(0, 5, 100, {});
    EXPECT_EQ(list.GetView(0), "hello");
    list.Splice(0, 0, 5, {});
    EXPECT_EQ(list.GetView(0), "");
    EXPECT_EQ(list.GetExpandedLength(0), 0);
    EXPECT_THROW(list.Splice(1, 0, 0, "x"), EQuillEditStringList);
    EXPECT_EQ(list.Count(), 1);
}

TEST(LineSplice, SharedBytesAreNeverChangedUnderAnotherString)
{
    const std::string text(50'000, 'x');
    TQuillEditStringList list;
    list.SetText(text + "\n" + text); // two lines carved from one block
    const QuillString kept = list.Get(1);
    list.Splice(1, 10, 0, "abc");
    list.Splice(0, 0, 1, "Q");
    EXPECT_EQ(kept, text);
    EXPECT_EQ(list.GetView(1), text.substr(0, 10) + "abc" + text.substr(10));
    EXPECT_EQ(list.GetView(0), "Q" + text.substr(1));

    // Text taken from the line itself is copied before the line moves.
    const std::string_view own = list.GetView(0).substr(0, 4);
    list.Splice(0, 2, 0, own);
    EXPECT_EQ(list.GetView(0), "QxQxxx" + text.substr(2));
}

TEST(LineSplice, TypingAtTheEndOfALongLineKeepsItsBytesInPlace)
{
    TQuillEditStringList list;
    list.Add(std::string(100'000, 'x'));
    list.Splice(0, 100'000, 0, "y"); // the loaded bytes are copied once, with room to grow
    const char* first = list.GetView(0).data();
    int moves = 0;
    for (int i = 0; i < 1000; ++i) {
        const char* before = list.GetView(0).data();
        list.Splice(0, list.GetView(0).size(), 0, "z");
        moves += list.GetView(0).data() != before;
    }
    EXPECT_EQ(list.GetView(0).size(), 100'001u + 1000u);
    EXPECT_EQ(list.GetView(0).data(), first);
    EXPECT_EQ(moves, 0);
    EXPECT_EQ(list.Get(0).BlockUseCount(), 2u); // the list's and the one just taken
}

TEST(LineSplice, LongestLineFollowsSplicesThatShrinkIt)
{
    TQuillEditStringList list;
    list.Add(std::string(30'000, 'a'));
    list.Add(std::string(20'000, 'b'));
    EXPECT_EQ(list.LongestLineLength(), 30'000);
    list.Splice(0, 0, 0, "\t"); // 8 cells for 1 byte
    EXPECT_EQ(list.LongestLineLength(), 30'008);
    list.Splice(0, 0, 25'000, {});
    EXPECT_EQ(list.LongestLineLength(), 20'000);
    list.SetTabWidth(2);
    list.Splice(1, 0, 0, "\t\t");
    EXPECT_EQ(list.LongestLineLength(), 20'004);
}

} // namespace
} // namespace quillan
