#include "HighlighterContract.h"
#include "highlight/HighlighterPas.h"

#include <array>
#include <cstdio>
#include <cstdlib>

using namespace quillan;

namespace {

constexpr std::array<TRangeState, 7> kRanges = { 1, 2, 3, 4, 5, 6, 7 };

// Beyond the shared contract: a NUL never hides the rest of the line and never merges into a
// neighbouring token, and every token has one of the ten kinds.
void CheckNulTokens(TPasHighlighter& hl, const std::vector<std::string>& lines, TRangeState start)
{
    TRangeState range = start;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const contract::TExactLine exact(lines[i]);
        const std::string_view text = exact.View();
        hl.RestoreRange(range);
        hl.StartLine(text, static_cast<int>(i));
        while (!hl.AtLineEnd()) {
            const std::string_view token = hl.TokenText();
            const int kind = hl.KindOfToken();
            if (kind < TPasHighlighter::tkAsm || kind > TPasHighlighter::tkUnknown || kind == TPasHighlighter::tkNull) {
                std::fprintf(stderr, "bad token kind %d on line %zu\n", kind, i);
                std::abort();
            }
            if (token.find('\0') != std::string_view::npos
                && (token.size() != 1 || (kind != TPasHighlighter::tkUnknown && kind != TPasHighlighter::tkAsm))) {
                std::fprintf(stderr, "NUL inside a token of kind %d on line %zu\n", kind, i);
                std::abort();
            }
            hl.Advance();
        }
        range = hl.CurrentRange();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static TPasHighlighter hl;
    // The top bit of the range byte toggles the dialect words, which must not disturb the contract.
    hl.SetD4syntax(size == 0 || (data[0] & 0x80) == 0);
    contract::FuzzHighlighterContract(hl, data, size, kRanges);

    TRangeState start = 0;
    const std::vector<std::string> lines = contract::SplitFuzzInput(data, size, kRanges, start);
    CheckNulTokens(hl, lines, start);
    return 0;
}
