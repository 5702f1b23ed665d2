#include "print/PrintLineCells.h"

#include <algorithm>
#include <cstring>

namespace quillan {

namespace {

constexpr std::string_view FirstBreakSet = "\t ,-";
constexpr std::string_view SecondBreakSet = ").;";

bool IsAscii(std::string_view s)
{
    // Eight bytes at a time: pagination runs this over every wrapped line.
    std::size_t i = 0;
    for (; i + 8 <= s.size(); i += 8) {
        std::uint64_t w;
        std::memcpy(&w, s.data() + i, 8);
        if (w & 0x8080808080808080ull)
            return false;
    }
    for (; i < s.size(); ++i)
        if (static_cast<unsigned char>(s[i]) & 0x80)
            return false;
    return true;
}

} // namespace

std::size_t DecodeCharAt(std::string_view s, std::size_t i, char32_t& c)
{
    auto b = static_cast<unsigned char>(s[i]);
    if (b < 0x80) {
        c = b;
        return 1;
    }
    std::size_t n = b < 0xC2 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : b < 0xF5 ? 4 : 1;
    if (n > 1 && i + n <= s.size()) {
        auto b1 = static_cast<unsigned char>(s[i + 1]);
        // Overlong forms, surrogates and code points above U+10FFFF are not characters.
        bool bad = (b == 0xE0 && b1 < 0xA0) || (b == 0xED && b1 > 0x9F) || (b == 0xF0 && b1 < 0x90)
            || (b == 0xF4 && b1 > 0x8F);
        char32_t cp = n == 2 ? b & 0x1F : n == 3 ? b & 0x0F : b & 0x07;
        for (std::size_t k = 1; k < n && !bad; ++k) {
            auto bk = static_cast<unsigned char>(s[i + k]);
            bad = (bk & 0xC0) != 0x80;
            cp = (cp << 6) | (bk & 0x3F);
        }
        if (!bad) {
            c = cp;
            return n;
        }
    }
    c = 0xFFFD;
    return 1;
}

int CellWidthOf(char32_t c)
{
    if (c < 0x1100)
        return 1;
    static constexpr char32_t wide[][2] = { { 0x1100, 0x115F }, { 0x2E80, 0x303E }, { 0x3041, 0x33FF },
        { 0x3400, 0x4DBF }, { 0x4E00, 0x9FFF }, { 0xA000, 0xA4CF }, { 0xAC00, 0xD7A3 }, { 0xF900, 0xFAFF },
        { 0xFE30, 0xFE4F }, { 0xFF00, 0xFF60 }, { 0xFFE0, 0xFFE6 }, { 0x1F300, 0x1F64F }, { 0x1F900, 0x1F9FF },
        { 0x20000, 0x2FFFD }, { 0x30000, 0x3FFFD } };
    for (const auto& range : wide) {
        if (c < range[0])
            return 1;
        if (c <= range[1])
            return 2;
    }
    return 1;
}

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
