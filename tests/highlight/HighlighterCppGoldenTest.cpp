#include "HighlighterTestUtil.h"
#include "highlight/HighlighterCpp.h"
#include "support/HighlighterContract.h"

#include <array>
#include <random>

using namespace quillan;

namespace {

// Fragments that open, close or change a range, so random edits keep moving range boundaries.
const std::vector<std::string> kSnippets = { "/*", "*/", "/*/", "\\", "#define X ", " asm ", "_asm", "{", "}", ";",
    "\"", "'", "//", std::string(1, '\0'), "\r", "" };

constexpr std::array<TRangeState, 8> kRanges = { 0, 1, 2, 3, 4, 5, 6, 7 };

} // namespace

TEST(HighlighterCppGolden, SourceWithEveryMultiLineConstruct)
{
    TCppHighlighter hl;
    testutil::ExpectGolden(hl, "highlight/cpp/constructs.cpp", kSnippets);
}

// Each token form on its own line, and the ways a continued directive or an asm statement goes on.
TEST(HighlighterCppGolden, TokenFormsAndContinuations)
{
    TCppHighlighter hl;
    testutil::ExpectGolden(hl, "highlight/cpp/forms.cpp", kSnippets);
}

// NUL and high bytes inside strings, comments and directives, CR-only and mixed line breaks.
TEST(HighlighterCppGolden, NulHighBytesAndLineBreakStyles)
{
    TCppHighlighter hl;
    testutil::ExpectGolden(hl, "highlight/cpp/bytes.cpp", kSnippets);
}

// Random bytes biased towards the characters the scanner branches on, from every start range.
TEST(HighlighterCppGolden, ContractHoldsOnRandomLines)
{
    static const char alphabet[] = "/*\\#\"'{};asm_ int.0x1e<>=&|:-+!\t\r\n@";
    std::mt19937 rng(11);
    TCppHighlighter hl;
    for (int round = 0; round < 400; ++round) {
        std::vector<std::string> lines(1 + rng() % 8);
        for (std::string& line : lines)
            for (std::size_t n = rng() % 40; n-- > 0;)
                line += rng() % 12 == 0 ? static_cast<char>(rng() % 256) : alphabet[rng() % (sizeof alphabet - 1)];
        const std::string error = contract::CheckHighlighterContract(hl, lines, kRanges[round % 8], kRanges);
        ASSERT_EQ(error, "") << "round " << round;
    }
}
