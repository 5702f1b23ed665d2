#include "print/PrintLineCells.h"

#include <algorithm>

namespace quillan {

namespace {

constexpr std::string_view FirstBreakSet = "\t ,-";
constexpr std::string_view SecondBreakSet = ").;";

} // namespace

void TPrintLineCells::Assign(std::string_view text)
{
    FBytes.clear();
    FCells.clear();
    if (IsAscii(text)) {
        FSimple = true;
        FChars = static_cast<int>(text.size());
        return;
    }
    FSimple = false;
    std::uint32_t cells = 0;
    for (std::size_t i = 0; i < text.size();) {
        char32_t c;
        std::size_t n = DecodeCharAt(text, i, c);
        FBytes.push_back(static_cast<std::uint32_t>(i));
        FCells.push_back(cells);
        cells += static_cast<std::uint32_t>(CellWidthOf(c));
        i += n;
    }
    FChars = static_cast<int>(FBytes.size());
    FBytes.push_back(static_cast<std::uint32_t>(text.size()));
    FCells.push_back(cells);
}

int TPrintLineCells::CharAtByte(std::size_t b) const
{
    if (FSimple)
        return static_cast<int>(std::min<std::size_t>(b, static_cast<std::size_t>(FChars)));
    auto it = std::lower_bound(
        FBytes.begin(), FBytes.end() - 1, static_cast<std::uint32_t>(std::min<std::size_t>(b, FBytes.back())));
    return static_cast<int>(it - FBytes.begin());
}

bool FindWrapPositions(const TPrintLineCells& cells, std::string_view text, std::string_view breakChars, int maxCol,
    std::vector<int>& positions)
{
    const int total = cells.CellCount();
    if (maxCol >= total)
        return true;
    const std::size_t added = positions.size();
    const int n = cells.CharCount();
    int last = 0; // first character of the current row
    int candidate = -1;
    // Ends the row: false when it has no break, true (with done set) when the rest fits.
    auto endRow = [&](bool& done) {
        if (candidate < 0)
            return false;
        if (candidate < n)
            positions.push_back(candidate);
        last = candidate;
        candidate = -1;
        done = total - cells.CellAt(last) <= maxCol;
        return true;
    };
    for (int k = 0; k < n;) {
        bool done = false;
        // A wide character that would overflow a row already holding something starts the next
        // row; with one-cell characters this never happens before the row is exactly full.
        if (k > last && cells.CellAt(k + 1) - cells.CellAt(last) > maxCol) {
            if (!endRow(done))
                break;
            if (done)
                return true;
            continue; // the same character again, now in the new row
        }
        auto c = static_cast<unsigned char>(text[cells.ByteAt(k)]);
        if (c < 0x80 && breakChars.find(static_cast<char>(c)) != std::string_view::npos)
            candidate = k + 1;
        ++k;
        if (cells.CellAt(k) - cells.CellAt(last) >= maxCol || k == n) {
            if (!endRow(done))
                break;
            if (done)
                return true;
        }
    }
    positions.resize(added);
    return false;
}

void HardWrapPositions(const TPrintLineCells& cells, int maxCol, std::vector<int>& positions)
{
    maxCol = std::max(maxCol, 1);
    const int total = cells.CellCount();
    const int n = cells.CharCount();
    if (cells.Simple()) {
        for (long long p = maxCol; p < n; p += maxCol)
            positions.push_back(static_cast<int>(p));
        return;
    }
    int last = 0;
    while (total - cells.CellAt(last) > maxCol) {
        int k = last + 1; // every row takes at least one character
        while (k < n && cells.CellAt(k + 1) - cells.CellAt(last) <= maxCol)
            ++k;
        if (k >= n)
            break;
        positions.push_back(k);
        last = k;
    }
}

void WrapPositions(const TPrintLineCells& cells, std::string_view text, int maxCol, std::vector<int>& positions)
{
    if (!FindWrapPositions(cells, text, FirstBreakSet, maxCol, positions)
        && !FindWrapPositions(cells, text, SecondBreakSet, maxCol, positions))
        HardWrapPositions(cells, maxCol, positions);
}

} // namespace quillan
