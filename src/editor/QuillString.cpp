#include "editor/QuillString.h"

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <cstring>
#include <new>
#include <ostream>

namespace quillan {

QuillStringBlock* QuillStringBlock::Allocate(std::size_t capacity)
{
    if (capacity > SIZE_MAX - sizeof(QuillStringBlock))
        throw std::bad_alloc();
    auto* block = static_cast<QuillStringBlock*>(std::malloc(sizeof(QuillStringBlock) + capacity));
    if (!block)
        throw std::bad_alloc();
    block->RefCount = 1;
    block->Capacity = capacity;
    return block;
}

QuillStringBlock* QuillStringBlock::Reallocate(QuillStringBlock* block, std::size_t capacity)
{
    if (capacity > SIZE_MAX - sizeof(QuillStringBlock))
        throw std::bad_alloc();
    // Large blocks are remapped rather than copied, which keeps a very long line cheap to read.
    auto* grown = static_cast<QuillStringBlock*>(std::realloc(block, sizeof(QuillStringBlock) + capacity));
    if (!grown)
        throw std::bad_alloc();
    grown->Capacity = capacity;
    return grown;
}

void QuillStringBlock::Free(QuillStringBlock* block) noexcept
{
    std::free(block);
}

QuillStringRep QuillString::CopyRep(std::string_view text)
{
    if (text.empty())
        return { nullptr, 0, 0 };
    QuillStringBlock* block = QuillStringBlock::Allocate(text.size());
    std::memcpy(block->Bytes(), text.data(), text.size());
    std::uint32_t length
        = text.size() < QuillStringRep::BigLength ? static_cast<std::uint32_t>(text.size()) : QuillStringRep::BigLength;
    return { block, 0, length };
}

QuillString::QuillString(std::string_view text)
    : FRep(CopyRep(text))
{
}

QuillString QuillString::Sub(std::size_t pos, std::size_t count) const
{
    std::size_t n = size();
    if (pos >= n)
        return QuillString();
    if (count > n - pos)
        count = n - pos;
    if (pos == 0 && count == n)
        return *this;
    return Carve(FRep.Block, FRep.Offset + pos, count);
}

// --- characters on the text grid -------------------------------------------------------------

namespace {

// East Asian Width W and F of Unicode 14, with unassigned code points between two wide ranges
// and the blocks that default to wide counted as wide, so that the table stays short.
// clang-format off
constexpr char32_t WideRanges[][2] = {
    { 0x1100, 0x115F }, { 0x231A, 0x231B }, { 0x2329, 0x232A }, { 0x23E9, 0x23EC }, { 0x23F0, 0x23F0 },
    { 0x23F3, 0x23F3 }, { 0x25FD, 0x25FE }, { 0x2614, 0x2615 }, { 0x2648, 0x2653 }, { 0x267F, 0x267F },
    { 0x2693, 0x2693 }, { 0x26A1, 0x26A1 }, { 0x26AA, 0x26AB }, { 0x26BD, 0x26BE }, { 0x26C4, 0x26C5 },
    { 0x26CE, 0x26CE }, { 0x26D4, 0x26D4 }, { 0x26EA, 0x26EA }, { 0x26F2, 0x26F3 }, { 0x26F5, 0x26F5 },
    { 0x26FA, 0x26FA }, { 0x26FD, 0x26FD }, { 0x2705, 0x2705 }, { 0x270A, 0x270B }, { 0x2728, 0x2728 },
    { 0x274C, 0x274C }, { 0x274E, 0x274E }, { 0x2753, 0x2755 }, { 0x2757, 0x2757 }, { 0x2795, 0x2797 },
    { 0x27B0, 0x27B0 }, { 0x27BF, 0x27BF }, { 0x2B1B, 0x2B1C }, { 0x2B50, 0x2B50 }, { 0x2B55, 0x2B55 },
    { 0x2E80, 0x303E }, { 0x3041, 0x3247 }, { 0x3250, 0x4DBF }, { 0x4E00, 0xA4C6 }, { 0xA960, 0xA97C },
    { 0xAC00, 0xD7A3 }, { 0xF900, 0xFAFF }, { 0xFE10, 0xFE19 }, { 0xFE30, 0xFE6B }, { 0xFF01, 0xFF60 },
    { 0xFFE0, 0xFFE6 }, { 0x16FE0, 0x1B2FB }, { 0x1F004, 0x1F004 }, { 0x1F0CF, 0x1F0CF }, { 0x1F18E, 0x1F18E },
    { 0x1F191, 0x1F19A }, { 0x1F200, 0x1F320 }, { 0x1F32D, 0x1F335 }, { 0x1F337, 0x1F37C }, { 0x1F37E, 0x1F393 },
    { 0x1F3A0, 0x1F3CA }, { 0x1F3CF, 0x1F3D3 }, { 0x1F3E0, 0x1F3F0 }, { 0x1F3F4, 0x1F3F4 }, { 0x1F3F8, 0x1F43E },
    { 0x1F440, 0x1F440 }, { 0x1F442, 0x1F4FC }, { 0x1F4FF, 0x1F53D }, { 0x1F54B, 0x1F54E }, { 0x1F550, 0x1F567 },
    { 0x1F57A, 0x1F57A }, { 0x1F595, 0x1F596 }, { 0x1F5A4, 0x1F5A4 }, { 0x1F5FB, 0x1F64F }, { 0x1F680, 0x1F6C5 },
    { 0x1F6CC, 0x1F6CC }, { 0x1F6D0, 0x1F6D2 }, { 0x1F6D5, 0x1F6DF }, { 0x1F6EB, 0x1F6EC }, { 0x1F6F4, 0x1F6FC },
    { 0x1F7E0, 0x1F7F0 }, { 0x1F90C, 0x1F93A }, { 0x1F93C, 0x1F945 }, { 0x1F947, 0x1F9FF }, { 0x1FA70, 0x1FAF6 },
    { 0x20000, 0x3FFFD },
};
// clang-format on

constexpr std::uint64_t Bytes01 = 0x0101010101010101ull;
constexpr std::uint64_t Bytes80 = 0x8080808080808080ull;
constexpr std::uint64_t Tabs = Bytes01 * '\t';

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
    if (c < WideRanges[0][0])
        return 1;
    auto it = std::upper_bound(std::begin(WideRanges), std::end(WideRanges), c,
        [](char32_t value, const char32_t(&range)[2]) { return value < range[0]; });
    return it != std::begin(WideRanges) && c <= (*(it - 1))[1] ? 2 : 1;
}

std::size_t PlainRunLength(std::string_view s, std::size_t from)
{
    const char* p = s.data();
    const std::size_t n = s.size();
    std::size_t i = from;
    if constexpr (std::endian::native == std::endian::little) {
        for (; i + 8 <= n; i += 8) {
            std::uint64_t w;
            std::memcpy(&w, p + i, 8);
            const std::uint64_t t = w ^ Tabs;
            // High bits of the bytes that are 0x80 or more, or a tab; the lowest one is exact.
            const std::uint64_t stop = (w | ((t - Bytes01) & ~t)) & Bytes80;
            if (stop)
                return i + static_cast<std::size_t>(std::countr_zero(stop) / 8) - from;
        }
    }
    for (; i < n; ++i) {
        auto c = static_cast<unsigned char>(p[i]);
        if (c >= 0x80 || c == '\t')
            break;
    }
    return i - from;
}

long long CellOfByte(std::string_view s, std::size_t end, int tabWidth)
{
    end = std::min(end, s.size());
    long long cell = 0;
    std::size_t i = 0;
    while (i < end) {
        std::size_t run = std::min(PlainRunLength(s, i), end - i);
        cell += static_cast<long long>(run);
        i += run;
        if (i >= end)
            break;
        if (s[i] == '\t') {
            cell = NextTabStop(cell, tabWidth);
            ++i;
        } else {
            int width;
            i += CharCellsAt(s, i, width);
            cell += width;
        }
    }
    return cell;
}

long long LineCells(std::string_view s, int tabWidth, bool* hasTabs)
{
    if (hasTabs)
        *hasTabs = s.find('\t') != std::string_view::npos;
    return CellOfByte(s, s.size(), tabWidth);
}

TCellSpot CharAtCell(std::string_view s, long long cell, int tabWidth)
{
    long long at = 0;
    std::size_t i = 0;
    while (i < s.size()) {
        std::size_t run = PlainRunLength(s, i);
        if (run > 0) {
            if (cell < at + static_cast<long long>(run)) {
                std::size_t k = static_cast<std::size_t>(std::max(0LL, cell - at));
                return { i + k, at + static_cast<long long>(k), 1, 1 };
            }
            at += static_cast<long long>(run);
            i += run;
            continue;
        }
        int width;
        std::size_t length;
        if (s[i] == '\t') {
            width = static_cast<int>(NextTabStop(at, tabWidth) - at);
            length = 1;
        } else {
            length = CharCellsAt(s, i, width);
        }
        if (cell < at + width)
            return { i, at, width, length };
        at += width;
        i += length;
    }
    return { s.size(), at, 0, 0 };
}

std::ostream& operator<<(std::ostream& os, const QuillString& s)
{
    return os << s.view();
}

} // namespace quillan
