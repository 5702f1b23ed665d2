#pragma once

// The line-scanner contract, checked on arbitrary bytes. Usable from a libFuzzer target
// (FuzzHighlighterContract aborts with a message) and from unit tests (CheckHighlighterContract
// returns the first violation as text, empty when the input passes).

#include "highlight/HighlighterBase.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace quillan::contract {

struct TScannedToken {
    std::size_t Start;
    std::size_t Length;
    int Kind;
    const THighlighterAttributes* Attribute;
    friend bool operator==(const TScannedToken&, const TScannedToken&) = default;
};

struct TScannedLine {
    std::vector<TScannedToken> Tokens;
    TRangeState EndRange = 0;
};

// Each line lives in a buffer of exactly its length so that AddressSanitizer sees any read past
// the end; the scanner may not rely on a terminator.
class TExactLine {
public:
    explicit TExactLine(std::string_view text)
        : FData(new char[text.size() ? text.size() : 1])
        , FSize(text.size())
    {
        if (FSize)
            std::memcpy(FData.get(), text.data(), FSize);
    }
    std::string_view View() const { return { FData.get(), FSize }; }

private:
    std::unique_ptr<char[]> FData;
    std::size_t FSize;
};

inline std::string Describe(std::string_view what, int line, std::size_t pos)
{
    return std::string(what) + " (line " + std::to_string(line) + ", offset " + std::to_string(pos) + ")";
}

inline bool IsValidRange(std::span<const TRangeState> valid, TRangeState r)
{
    for (TRangeState v : valid)
        if (v == r)
            return true;
    return false;
}

// Scans one line token by token and checks what can be checked within it: tokens start where the
// previous one ended, lie inside the line, TokenText views the line itself, line end comes exactly
// at the end, the count of tokens is bounded, and ScanToLineEnd at the end changes nothing.
inline std::string ScanLineChecked(
    TCustomHighlighter& hl, std::string_view text, int lineIndex, TRangeState start, TScannedLine& out)
{
    out.Tokens.clear();
    hl.RestoreRange(start);
    hl.StartLine(text, lineIndex);
    // Empty tokens exist (HTML has some) but never two in a row for long: a generous bound
    // catches a scanner that stops moving.
    const std::size_t maxTokens = 3 * text.size() + 8;
    std::size_t pos = 0;
    while (!hl.AtLineEnd()) {
        if (out.Tokens.size() > maxTokens)
            return Describe("scanner does not advance", lineIndex, pos);
        const std::size_t tokenStart = hl.TokenStart();
        const std::string_view tokenText = hl.TokenText();
        if (tokenStart != pos)
            return Describe(
                "token does not start where the previous ended (starts at " + std::to_string(tokenStart) + ")",
                lineIndex, pos);
        if (tokenText.size() > text.size() - pos)
            return Describe("token runs past the line end", lineIndex, pos);
        if (tokenText.data() != text.data() + pos && !tokenText.empty())
            return Describe("TokenText does not view the line", lineIndex, pos);
        out.Tokens.push_back({ tokenStart, tokenText.size(), hl.KindOfToken(), hl.AttributeOfToken() });
        pos += tokenText.size();
        hl.Advance();
    }
    if (pos != text.size())
        return Describe("line end reported while bytes remain", lineIndex, pos);
    if (hl.TokenStart() != text.size() || !hl.TokenText().empty())
        return Describe("line-end token is not an empty token at the end", lineIndex, hl.TokenStart());
    if (hl.AttributeOfToken() != nullptr)
        return Describe("line-end token has an attribute", lineIndex, pos);
    out.EndRange = hl.CurrentRange();
    hl.ScanToLineEnd();
    if (!hl.AtLineEnd() || hl.CurrentRange() != out.EndRange)
        return Describe("ScanToLineEnd at the line end changed the state", lineIndex, pos);
    return {};
}

// Checks the contract over a whole text: every line as above, end ranges drawn from `validRanges`,
// ScanToLineEnd agreeing with token-by-token scanning, and a second pass in reverse line order
// (so that no state may leak from the previous line) giving identical tokens and end ranges.
inline std::string CheckHighlighterContract(TCustomHighlighter& hl, const std::vector<std::string>& lines,
    TRangeState startRange, std::span<const TRangeState> validRanges)
{
    if (!IsValidRange(validRanges, startRange))
        return "start range is not one of the valid ranges";
    std::vector<TExactLine> exact;
    exact.reserve(lines.size());
    for (const std::string& l : lines)
        exact.emplace_back(l);

    std::vector<TRangeState> starts(lines.size());
    std::vector<TScannedLine> first(lines.size());
    TRangeState range = startRange;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        starts[i] = range;
        const int index = static_cast<int>(i);
        if (std::string e = ScanLineChecked(hl, exact[i].View(), index, range, first[i]); !e.empty())
            return e;
        if (!IsValidRange(validRanges, first[i].EndRange))
            return Describe("end range " + std::to_string(first[i].EndRange) + " is not a valid range", index, 0);
        // The editor's full scan uses ScanToLineEnd straight after StartLine.
        hl.RestoreRange(range);
        hl.StartLine(exact[i].View(), index);
        hl.ScanToLineEnd();
        if (hl.CurrentRange() != first[i].EndRange)
            return Describe("ScanToLineEnd ends in another range than Advance", index, 0);
        range = first[i].EndRange;
    }

    TScannedLine again;
    for (std::size_t k = lines.size(); k-- > 0;) {
        const int index = static_cast<int>(k);
        if (std::string e = ScanLineChecked(hl, exact[k].View(), index, starts[k], again); !e.empty())
            return e;
        if (again.EndRange != first[k].EndRange)
            return Describe("rescanning gives another end range", index, 0);
        if (again.Tokens != first[k].Tokens)
            return Describe("rescanning gives other tokens", index, 0);
    }
    return {};
}

// Splits fuzz input into a start range and lines. The first byte picks the start range; the rest
// is cut at LF only, so CR, NUL and every other byte reach the scanner inside lines.
inline std::vector<std::string> SplitFuzzInput(
    const std::uint8_t* data, std::size_t size, std::span<const TRangeState> validRanges, TRangeState& startRange)
{
    startRange = validRanges.empty() ? 0 : validRanges[size ? data[0] % validRanges.size() : 0];
    std::vector<std::string> lines;
    if (size == 0)
        return lines;
    std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
    for (;;) {
        const auto lf = rest.find('\n');
        lines.emplace_back(rest.substr(0, lf));
        if (lf == std::string_view::npos)
            break;
        rest.remove_prefix(lf + 1);
    }
    return lines;
}

// For LLVMFuzzerTestOneInput: aborts with the violation so libFuzzer keeps the input.
inline void FuzzHighlighterContract(
    TCustomHighlighter& hl, const std::uint8_t* data, std::size_t size, std::span<const TRangeState> validRanges)
{
    TRangeState startRange = 0;
    const std::vector<std::string> lines = SplitFuzzInput(data, size, validRanges, startRange);
    const std::string error = CheckHighlighterContract(hl, lines, startRange, validRanges);
    if (!error.empty()) {
        std::fprintf(stderr, "highlighter contract violated: %s\n", error.c_str());
        std::abort();
    }
}

} // namespace quillan::contract
