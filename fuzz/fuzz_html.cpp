#include "HighlighterContract.h"
#include "highlight/HighlighterHTML.h"

#include <array>

namespace {
// Every range the HTML scanner can be in at a line start, 0 included (a caller may restore it).
constexpr std::array<quillan::TRangeState, 7> ValidRanges = { 0, 1, 2, 3, 4, 5, 7 };
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static quillan::THTMLHighlighter hl;
    quillan::contract::FuzzHighlighterContract(hl, data, size, ValidRanges);
    return 0;
}
