#include "HighlighterTestUtil.h"
#include "highlight/HighlighterPas.h"
#include "support/HighlighterContract.h"

#include <array>
#include <random>

using namespace quillan;

namespace {

// Fragments that open, close or change a range, so random edits keep moving range boundaries.
const std::vector<std::string> kSnippets
    = { "{", "}", "(*", "*)", " asm ", " end ", "property ", ";", "'", "//", std::string(1, '\0'), "\r", " read " };

constexpr std::array<TRangeState, 7> kRanges = { 1, 2, 3, 4, 5, 6, 7 };

} // namespace

TEST(HighlighterPasGolden, UnitWithEveryMultiLineConstruct)
{
    TPasHighlighter hl;
    testutil::ExpectGolden(hl, "highlight/pas/units.pas", kSnippets);
}

TEST(HighlighterPasGolden, NulAndHighBytes)
{
    TPasHighlighter hl;
    testutil::ExpectGolden(hl, "highlight/pas/bytes.pas", kSnippets);
}

// Random bytes biased towards the characters the scanner branches on.
TEST(HighlighterPasGolden, ContractHoldsOnRandomLines)
{
    static const char alphabet[] = "{}(*)/'#$.;:<>=@|endasmpropertyreadEND1_ \t\r\n\x80\xff";
    std::mt19937 rng(7);
    TPasHighlighter hl;
    for (int round = 0; round < 300; ++round) {
        hl.SetD4syntax(round % 2 == 0);
        std::vector<std::string> lines(1 + rng() % 8);
        for (std::string& line : lines)
            for (std::size_t n = rng() % 40; n-- > 0;)
                line += rng() % 16 == 0 ? static_cast<char>(rng() % 256) : alphabet[rng() % (sizeof alphabet - 1)];
        const std::string error = contract::CheckHighlighterContract(hl, lines, kRanges[round % 7], kRanges);
        ASSERT_EQ(error, "") << "round " << round;
    }
}
