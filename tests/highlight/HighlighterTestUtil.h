#pragma once

// Shared helpers for highlighter tests: token dumps in the `quillan-cli tokens` format, golden
// files, and an editor-like incremental rescan used to check that line-by-line rescanning after
// edits ends exactly where a whole-file scan does.
//
// Golden files: tests/data/highlight/<lang>/NAME.<ext> is the input and NAME.<ext>.tokens the
// expected dump. Set QUILLAN_UPDATE_GOLDEN=1 to (re)write the expected files, then review them.

#include "highlight/HighlighterBase.h"
#include "text/QuillEditTextBuffer.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace quillan::testutil {

inline std::string TestDataPath(const std::string& relative)
{
    const char* dir = std::getenv("QUILLAN_TEST_DATA");
    return std::string(dir ? dir : QUILLAN_TEST_DATA_DEFAULT) + "/" + relative;
}

// Backslash as \\, tab as \t, other bytes below 0x20 or from 0x7F as \xHH.
inline std::string EscapeBytes(std::string_view bytes)
{
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : bytes) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '\t')
            out += "\\t";
        else if (c < 0x20 || c >= 0x7F) {
            out += "\\x";
            out += hex[c >> 4];
            out += hex[c & 15];
        } else
            out += static_cast<char>(c);
    }
    return out;
}

struct TToken {
    std::size_t Start;
    int Kind;
    std::string Attr; // AttributeName, or "-" for none
    std::string Text;
    friend bool operator==(const TToken&, const TToken&) = default;
};

inline std::ostream& operator<<(std::ostream& os, const TToken& t)
{
    return os << t.Start << ':' << t.Kind << ':' << t.Attr << ':' << EscapeBytes(t.Text);
}

// The tokens of one line scanned from `start`, and the range after it.
inline std::vector<TToken> ScanLine(
    TCustomHighlighter& hl, std::string_view text, TRangeState start, TRangeState* end = nullptr, int lineIndex = 0)
{
    std::vector<TToken> tokens;
    hl.RestoreRange(start);
    hl.StartLine(text, lineIndex);
    while (!hl.AtLineEnd()) {
        const THighlighterAttributes* a = hl.AttributeOfToken();
        tokens.push_back(
            { hl.TokenStart(), hl.KindOfToken(), a ? a->AttributeName() : "-", std::string(hl.TokenText()) });
        hl.Advance();
    }
    if (end)
        *end = hl.CurrentRange();
    return tokens;
}

// "kind text" pairs for compact expectations: {{8, "<"}, {4, "table"}}.
inline std::vector<std::pair<int, std::string>> Kinds(const std::vector<TToken>& tokens)
{
    std::vector<std::pair<int, std::string>> out;
    for (const TToken& t : tokens)
        out.emplace_back(t.Kind, t.Text);
    return out;
}

// One line of a dump per token, then "i<TAB>end<TAB>R", exactly as `quillan-cli tokens` prints.
inline std::string DumpLine(int index, const std::vector<TToken>& tokens, TRangeState end)
{
    std::string out;
    const std::string i = std::to_string(index);
    for (const TToken& t : tokens)
        out += i + '\t' + std::to_string(t.Start) + '\t' + std::to_string(t.Kind) + '\t' + t.Attr + '\t'
            + EscapeBytes(t.Text) + '\n';
    out += i + "\tend\t" + std::to_string(end) + '\n';
    return out;
}

// Whole-text scan as the tokens command does it: ClearRange, then each line from the previous
// line's end range.
inline std::string DumpAll(TCustomHighlighter& hl, const std::vector<std::string>& lines)
{
    hl.ClearRange();
    TRangeState range = hl.CurrentRange();
    std::string out;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        TRangeState end = 0;
        auto tokens = ScanLine(hl, lines[i], range, &end, static_cast<int>(i));
        out += DumpLine(static_cast<int>(i), tokens, end);
        range = end;
    }
    return out;
}

inline std::vector<std::string> LoadLines(const std::string& path)
{
    TQuillEditStringList list;
    list.LoadFromFile(path);
    std::vector<std::string> lines;
    for (int i = 0; i < list.Count(); ++i)
        lines.emplace_back(list.GetView(i));
    return lines;
}

inline std::string ReadFile(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

// The editor's bookkeeping of start ranges: every line holds the range at its start, and a change
// rescans from the changed line until a stored range matches the newly computed one.
class TIncrementalScan {
public:
    TIncrementalScan(TCustomHighlighter& hl, std::vector<std::string> lines)
        : FHl(hl)
        , FLines(std::move(lines))
        , FRanges(FLines.size(), RangeUnknown)
    {
        ScanAll();
    }

    void ScanAll()
    {
        FHl.ClearRange();
        for (std::size_t i = 0; i < FLines.size(); ++i) {
            FRanges[i] = FHl.CurrentRange();
            FHl.StartLine(FLines[i], static_cast<int>(i));
            FHl.ScanToLineEnd();
        }
    }

    void Put(std::size_t i, std::string text)
    {
        FLines[i] = std::move(text);
        FHl.RestoreRange(FRanges[i]);
        ScanFrom(i);
    }
    void Insert(std::size_t i, std::string text)
    {
        FLines.insert(FLines.begin() + static_cast<std::ptrdiff_t>(i), std::move(text));
        FRanges.insert(FRanges.begin() + static_cast<std::ptrdiff_t>(i), RangeUnknown);
        LinesChangedAt(i);
    }
    void Delete(std::size_t i)
    {
        FLines.erase(FLines.begin() + static_cast<std::ptrdiff_t>(i));
        FRanges.erase(FRanges.begin() + static_cast<std::ptrdiff_t>(i));
        if (!FLines.empty())
            LinesChangedAt(i);
    }

    const std::vector<std::string>& Lines() const { return FLines; }
    const std::vector<TRangeState>& Ranges() const { return FRanges; }

    // Every line scanned from its stored start range, in dump form.
    std::string Dump()
    {
        std::string out;
        for (std::size_t i = 0; i < FLines.size(); ++i) {
            TRangeState end = 0;
            auto tokens = ScanLine(FHl, FLines[i], FRanges[i], &end, static_cast<int>(i));
            out += DumpLine(static_cast<int>(i), tokens, end);
        }
        return out;
    }

private:
    void LinesChangedAt(std::size_t i)
    {
        if (i == 0) {
            FHl.ClearRange();
            FRanges[0] = FHl.CurrentRange();
            if (FLines.size() >= 2)
                ScanFrom(0);
        } else {
            FHl.RestoreRange(FRanges[i - 1]);
            ScanFrom(i - 1);
        }
    }

    void ScanFrom(std::size_t i)
    {
        if (i + 1 >= FLines.size())
            return;
        FHl.StartLine(FLines[i], static_cast<int>(i));
        FHl.ScanToLineEnd();
        for (std::size_t j = i + 1; j < FLines.size(); ++j) {
            if (FHl.CurrentRange() == FRanges[j])
                break;
            FRanges[j] = FHl.CurrentRange();
            FHl.StartLine(FLines[j], static_cast<int>(j));
            FHl.ScanToLineEnd();
        }
    }

    TCustomHighlighter& FHl;
    std::vector<std::string> FLines;
    std::vector<TRangeState> FRanges;
};

// Scrambles the text with random edits (puts, inserts, deletes, with snippets that open and close
// multi-line constructs), then edits it back to `lines` one line at a time in random order, and
// returns the incremental dump. It must equal the whole-file dump.
inline std::string DumpAfterRandomEdits(TCustomHighlighter& hl, const std::vector<std::string>& lines,
    const std::vector<std::string>& snippets, unsigned seed, int edits = 200)
{
    std::mt19937 rng(seed);
    auto pick = [&rng](std::size_t n) { return static_cast<std::size_t>(rng() % (n ? n : 1)); };
    TIncrementalScan scan(hl, lines);
    for (int e = 0; e < edits; ++e) {
        const std::size_t n = scan.Lines().size();
        std::string text = n ? scan.Lines()[pick(n)] : std::string();
        if (!snippets.empty())
            text.insert(pick(text.size() + 1), snippets[pick(snippets.size())]);
        switch (rng() % 4) {
        case 0:
            scan.Insert(pick(n + 1), text);
            break;
        case 1:
            if (n > 1) {
                scan.Delete(pick(n));
                break;
            }
            [[fallthrough]];
        default:
            if (n)
                scan.Put(pick(n), text);
            else
                scan.Insert(0, text);
            break;
        }
    }
    while (scan.Lines().size() < lines.size())
        scan.Insert(pick(scan.Lines().size() + 1), snippets.empty() ? "" : snippets[pick(snippets.size())]);
    while (scan.Lines().size() > lines.size())
        scan.Delete(pick(scan.Lines().size()));
    std::vector<std::size_t> order(lines.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::shuffle(order.begin(), order.end(), rng);
    for (std::size_t i : order)
        scan.Put(i, lines[i]);
    return scan.Dump();
}

// The golden check both ways: the whole-file dump equals NAME.tokens, and rescanning line by
// line after random edits gives the same dump.
inline void ExpectGolden(
    TCustomHighlighter& hl, const std::string& relativeSource, const std::vector<std::string>& snippets)
{
    const std::string source = TestDataPath(relativeSource);
    const std::string expectedPath = source + ".tokens";
    const std::vector<std::string> lines = LoadLines(source);
    const std::string whole = DumpAll(hl, lines);
    if (const char* update = std::getenv("QUILLAN_UPDATE_GOLDEN"); update && *update == '1') {
        std::ofstream(expectedPath, std::ios::binary) << whole;
    }
    EXPECT_EQ(whole, ReadFile(expectedPath)) << "whole-file scan differs from " << expectedPath;
    for (unsigned seed = 1; seed <= 5; ++seed)
        EXPECT_EQ(DumpAfterRandomEdits(hl, lines, snippets, seed), whole) << "incremental rescan, seed " << seed;
}

} // namespace quillan::testutil
