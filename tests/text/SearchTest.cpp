#include "base/QuillEditStrConst.h"
#include "text/QuillEditSearch.h"

#include <gtest/gtest.h>
#include <random>

namespace quillan {
namespace {

std::vector<int> Find(TQuillEditSearch& search, std::string_view line)
{
    int count = search.FindAll(line);
    std::vector<int> found;
    for (int i = 0; i < count; ++i)
        found.push_back(search.Results(i));
    return found;
}

std::vector<int> Find(std::string_view pattern, std::string_view line, bool sensitive = false, bool whole = false)
{
    TQuillEditSearch search;
    search.SetSensitive(sensitive);
    search.SetWhole(whole);
    search.SetPattern(pattern);
    return Find(search, line);
}

using Positions = std::vector<int>;

TEST(SearchFindAll, FoldsOnlyAsciiCaseAndNeverOverlaps)
{
    EXPECT_EQ(Find("abc", "xABCabc"), (Positions { 2, 5 }));
    EXPECT_EQ(Find("abc", "xABCabc", true), (Positions { 5 }));
    EXPECT_EQ(Find("ABC", "xABCabc", true), (Positions { 2 }));
    EXPECT_EQ(Find("aa", "aaaa"), (Positions { 1, 3 }));
    EXPECT_EQ(Find("aa", "aaaaa"), (Positions { 1, 3 }));
    EXPECT_EQ(Find("abab", "abababab"), (Positions { 1, 5 }));
    // UTF-8 letters are bytes: é (C3 A9) and É (C3 89) do not fold into each other.
    EXPECT_EQ(Find("\xC3\xA9", "caf\xC3\x89 caf\xC3\xA9"), (Positions { 10 }));
    EXPECT_EQ(Find("x", ""), Positions {});
    EXPECT_EQ(Find("longer", "long"), Positions {});
    EXPECT_EQ(Find("line", "line"), (Positions { 1 }));
}

TEST(SearchFindAll, TreatsNulAsAnOrdinaryByte)
{
    using namespace std::string_literals;
    EXPECT_EQ(Find("\0"s, "a\0b\0"s), (Positions { 2, 4 }));
    EXPECT_EQ(Find("b\0"s, "ab"s), Positions {}) << "the end of the line is not a NUL to match";
    EXPECT_EQ(Find("a\0b"s, "xa\0bA\0B"s), (Positions { 2, 5 }));
}

TEST(SearchWholeWord, NeedsDelimitersOnBothSides)
{
    EXPECT_EQ(Find("cat", "cat_cat", false, true), (Positions { 1, 5 })) << "the underscore is a delimiter";
    EXPECT_EQ(Find("cat", "concat", false, true), Positions {});
    EXPECT_EQ(Find("cat", "concat", false, false), (Positions { 4 }));
    EXPECT_EQ(Find("cat", "cat9 cat", false, true), (Positions { 6 }));
    // Bytes of a multi-byte character are word characters.
    EXPECT_EQ(Find("caf", "caf\xC3\xA9 caf", false, true), (Positions { 7 }));
    EXPECT_EQ(Find("a.b", "xa.b a.b", false, true), (Positions { 6 }));
    // A match refused by the rule does not swallow one that starts inside it.
    EXPECT_EQ(Find("aba", "xaba ba", false, true), Positions {});
    EXPECT_EQ(Find("a a", "aa a a", false, true), (Positions { 4 }));
}

TEST(SearchEngineState, EachEngineKeepsItsOwnCaseRule)
{
    TQuillEditSearch sensitive;
    sensitive.SetSensitive(true);
    sensitive.SetPattern("Word");
    TQuillEditSearch insensitive;
    insensitive.SetPattern("Word");
    for (int round = 0; round < 2; ++round) {
        EXPECT_EQ(Find(sensitive, "word Word WORD"), (Positions { 6 }));
        EXPECT_EQ(Find(insensitive, "word Word WORD"), (Positions { 1, 6, 11 }));
    }
    // Switching the rule on a used engine rebuilds what it compares with.
    sensitive.SetSensitive(false);
    EXPECT_EQ(Find(sensitive, "WORD"), (Positions { 1 }));
    insensitive.SetPattern("WoRd!");
    EXPECT_EQ(Find(insensitive, "word!"), (Positions { 1 }));
}

TEST(SearchEngineState, ResultsCountsAndEmptyPattern)
{
    TQuillEditSearch search;
    try {
        search.FindAll("text");
        FAIL() << "no pattern set";
    } catch (const EQuillException& e) {
        EXPECT_STREQ(e.what(), "Pattern is empty");
    }

    search.SetPattern("ab");
    EXPECT_EQ(search.FindAll("ab ab"), 2);
    EXPECT_EQ(search.Results(-1), 0);
    EXPECT_EQ(search.Results(2), 0);
    EXPECT_EQ(search.Lengths(1), 2);
    EXPECT_EQ(search.Lengths(2), 0);
    EXPECT_EQ(search.FindAll("xab"), 1);
    EXPECT_EQ(search.FoundCount(), 3);
    EXPECT_EQ(search.FindAll("a"), 0) << "a line shorter than the pattern clears the old results";
    EXPECT_EQ(search.Results(0), 0);
    search.SetPattern("ab");
    EXPECT_EQ(search.FoundCount(), 0) << "setting the same pattern still restarts the count";
}

TEST(SearchEngineState, FixResultsShiftsOnlyTheMatchesAfterAReplacement)
{
    TQuillEditSearch search;
    search.SetSensitive(true);
    search.SetPattern("a");
    ASSERT_EQ(Find(search, "aXa-a"), (Positions { 1, 3, 5 }));
    // "a" at 1 replaced by "xyz": later matches move two to the right.
    search.FixResults(1, 1 - 3);
    EXPECT_EQ(search.Results(0), 1);
    EXPECT_EQ(search.Results(1), 5);
    EXPECT_EQ(search.Results(2), 7);
    search.FixResults(5, 0);
    EXPECT_EQ(search.Results(2), 7);
    search.FixResults(5, 1);
    EXPECT_EQ(search.Results(1), 5);
    EXPECT_EQ(search.Results(2), 6);
}

// Leftmost matches first, each consumed whole; one refused by the whole-word rule consumes nothing.
Positions Reference(const std::string& pattern, const std::string& line, bool sensitive, bool whole)
{
    auto fold = [&](unsigned char c) { return sensitive ? c : SearchFoldTable(false)[c]; };
    Positions found;
    const std::size_t m = pattern.size();
    for (std::size_t i = 0; i + m <= line.size();) {
        bool equal = true;
        for (std::size_t j = 0; j < m && equal; ++j)
            equal = fold(line[i + j]) == fold(pattern[j]);
        bool delimited
            = (i == 0 || IsSearchDelimiter(line[i - 1])) && (i + m == line.size() || IsSearchDelimiter(line[i + m]));
        if (equal && (!whole || delimited)) {
            found.push_back(static_cast<int>(i + 1));
            i += m;
        } else {
            ++i;
        }
    }
    return found;
}

TEST(SearchFindAll, AgreesWithAPlainScanOnRandomLines)
{
    const std::string alphabet = std::string("aAbB _.\xC3\xA9", 9) + std::string(1, '\0');
    std::mt19937 random(20240611);
    auto randomText = [&](std::size_t maxLength) {
        std::string s(random() % (maxLength + 1), ' ');
        for (char& c : s)
            c = alphabet[random() % alphabet.size()];
        return s;
    };
    TQuillEditSearch search;
    for (int round = 0; round < 20000; ++round) {
        std::string pattern = randomText(4);
        if (pattern.empty())
            pattern = "a";
        std::string line = randomText(40);
        bool sensitive = random() % 2;
        bool whole = random() % 2;
        search.SetSensitive(sensitive);
        search.SetWhole(whole);
        search.SetPattern(pattern);
        ASSERT_EQ(Find(search, line), Reference(pattern, line, sensitive, whole))
            << "pattern '" << pattern << "' line '" << line << "' sensitive " << sensitive << " whole " << whole;
    }
}

} // namespace
} // namespace quillan
