#include "HighlighterContract.h"
#include "highlight/HighlighterDfm.h"

#include <array>
#include <cstdio>
#include <cstdlib>

using namespace quillan;

namespace {

constexpr std::array<TRangeState, 2> kRanges = { TDfmHighlighter::rsComment, TDfmHighlighter::rsUnknown };

// Beyond the shared contract: a NUL is always a one-byte token of its own, and every token has
// one of the language's kinds.
void CheckTokens(TDfmHighlighter& hl, const std::vector<std::string>& lines, TRangeState start)
{
    TRangeState range = start;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const contract::TExactLine exact(lines[i]);
        hl.RestoreRange(range);
        hl.StartLine(exact.View(), static_cast<int>(i));
        while (!hl.AtLineEnd()) {
            const std::string_view token = hl.TokenText();
            const int kind = hl.KindOfToken();
            if (kind < TDfmHighlighter::tkComment || kind > TDfmHighlighter::tkUnknown
                || kind == TDfmHighlighter::tkNull) {
                std::fprintf(stderr, "bad token kind %d on line %zu\n", kind, i);
                std::abort();
            }
            if (token.find('\0') != std::string_view::npos
                && (token.size() != 1 || kind != TDfmHighlighter::tkUnknown)) {
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
    static TDfmHighlighter hl;
    contract::FuzzHighlighterContract(hl, data, size, kRanges);
    TRangeState start = 0;
    const std::vector<std::string> lines = contract::SplitFuzzInput(data, size, kRanges, start);
    CheckTokens(hl, lines, start);
    return 0;
}
