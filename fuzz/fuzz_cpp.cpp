// Random bytes and a random start range through the C/C++ scanner. Beyond the shared contract it
// checks that a NUL byte behaves like any other stray byte apart from being a token of its own:
// the same text with every NUL replaced by 0x80 must colour every other byte alike and end every
// line in the same range.
#include "HighlighterContract.h"
#include "highlight/HighlighterCpp.h"

#include <array>
#include <cstdio>
#include <cstdlib>

using namespace quillan;

namespace {

constexpr std::array<TRangeState, 8> kRanges = { 0, 1, 2, 3, 4, 5, 6, 7 };

struct TByteKinds {
    std::vector<int> Kind; // KindOfToken of the token covering each byte
    std::vector<int> Own; // the scanner's own kind, as AttributeOfToken sees it
    std::vector<bool> Boundary; // a token starts at this offset
};

[[noreturn]] void Violation(const char* what, std::size_t line, std::size_t pos)
{
    std::fprintf(stderr, "C/C++ scanner: %s (line %zu, offset %zu)\n", what, line, pos);
    std::abort();
}

int OwnKind(const TCppHighlighter& hl)
{
    const THighlighterAttributes* a = hl.AttributeOfToken();
    const THighlighterAttributes* byKind[]
        = { hl.AsmAttri(), hl.CommentAttri(), hl.DirecAttri(), hl.IdentifierAttri(), hl.KeyAttri(), nullptr,
              hl.NumberAttri(), hl.SpaceAttri(), hl.StringAttri(), hl.SymbolAttri(), hl.InvalidAttri() };
    for (int k = 0; k <= TCppHighlighter::tkUnknown; ++k)
        if (byKind[k] == a && a)
            return k;
    return -1;
}

TRangeState ScanBytes(TCppHighlighter& hl, std::string_view text, std::size_t line, TRangeState start, TByteKinds& out)
{
    out.Kind.assign(text.size(), -1);
    out.Own.assign(text.size(), -1);
    out.Boundary.assign(text.size() + 1, false);
    hl.RestoreRange(start);
    hl.StartLine(text, static_cast<int>(line));
    while (!hl.AtLineEnd()) {
        const std::size_t s = hl.TokenStart();
        const std::size_t n = hl.TokenText().size();
        const int kind = hl.KindOfToken();
        if (n == 0)
            Violation("empty token", line, s);
        if (kind < TCppHighlighter::tkAsm || kind > TCppHighlighter::tkUnknown || kind == TCppHighlighter::tkNull)
            Violation("token kind out of range", line, s);
        const int own = OwnKind(hl);
        if (own < 0 || own == TCppHighlighter::tkAsm)
            Violation("attribute does not belong to a scanner kind", line, s);
        if (text.substr(s, n).find('\0') != std::string_view::npos && (n != 1 || own != TCppHighlighter::tkUnknown))
            Violation("NUL inside a longer token", line, s);
        out.Boundary[s] = true;
        for (std::size_t i = s; i < s + n; ++i) {
            out.Kind[i] = kind;
            out.Own[i] = own;
        }
        hl.Advance();
    }
    return hl.CurrentRange();
}

void CheckNulLikeStrayByte(TCppHighlighter& hl, const std::vector<std::string>& lines, TRangeState start)
{
    TRangeState withNul = start;
    TRangeState withStray = start;
    TByteKinds a, b;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::string stray = lines[i];
        for (char& c : stray)
            if (c == '\0')
                c = '\x80';
        const contract::TExactLine exactNul(lines[i]);
        const contract::TExactLine exactStray(stray);
        withNul = ScanBytes(hl, exactNul.View(), i, withNul, a);
        withStray = ScanBytes(hl, exactStray.View(), i, withStray, b);
        if (withNul != withStray)
            Violation("a NUL changes the end range", i, 0);
        const std::string& text = lines[i];
        for (std::size_t p = 0; p < text.size(); ++p) {
            if (text[p] == '\0')
                continue;
            if (a.Own[p] != b.Own[p] || a.Kind[p] != b.Kind[p])
                Violation("a NUL changes the colour of another byte", i, p);
        }
        for (std::size_t p = 0; p < text.size(); ++p) {
            if (b.Boundary[p] && !a.Boundary[p])
                Violation("a NUL merges tokens", i, p);
            if (a.Boundary[p] && !b.Boundary[p] && text[p] != '\0' && (p == 0 || text[p - 1] != '\0'))
                Violation("a NUL splits a token away from itself", i, p);
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // One instance for the whole run, as the main window shares one between documents: no state
    // may survive from one input to the next.
    static TCppHighlighter hl;
    contract::FuzzHighlighterContract(hl, data, size, kRanges);

    TRangeState start = 0;
    const std::vector<std::string> lines = contract::SplitFuzzInput(data, size, kRanges, start);
    CheckNulLikeStrayByte(hl, lines, start);
    return 0;
}
