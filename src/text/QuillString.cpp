#include "text/QuillString.h"

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

constexpr std::uint64_t Bytes01 = 0x0101010101010101ull;
constexpr std::uint64_t Bytes80 = 0x8080808080808080ull;
constexpr std::uint64_t Tabs = Bytes01 * '\t';

} // namespace

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

TCellWalk WalkToByte(std::string_view s, TCellWalk from, std::size_t end, int tabWidth)
{
    end = std::min(end, s.size());
    long long cell = from.Cell;
    std::size_t i = from.Byte;
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
    return { i, cell };
}

long long CellOfByte(std::string_view s, std::size_t end, int tabWidth)
{
    return WalkToByte(s, {}, end, tabWidth).Cell;
}

long long LineCells(std::string_view s, int tabWidth, bool* hasTabs)
{
    if (hasTabs)
        *hasTabs = s.find('\t') != std::string_view::npos;
    return CellOfByte(s, s.size(), tabWidth);
}

TCellSpot CharAtCell(std::string_view s, long long cell, int tabWidth)
{
    return CharAtCellFrom(s, {}, cell, tabWidth);
}

TCellSpot CharAtCellFrom(std::string_view s, TCellWalk from, long long cell, int tabWidth)
{
    long long at = from.Cell;
    std::size_t i = from.Byte;
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

void AppendExpanded(std::string& out, std::string_view text, long long cell, int tabWidth)
{
    for (std::size_t i = 0; i < text.size();) {
        // Plain text goes over in runs: this expands whole lines of megabytes.
        if (const std::size_t run = PlainRunLength(text, i); run > 0) {
            out.append(text.substr(i, run));
            cell += static_cast<long long>(run);
            i += run;
            continue;
        }
        if (text[i] == '\t') {
            const long long next = NextTabStop(cell, tabWidth);
            out.append(static_cast<std::size_t>(next - cell), ' ');
            cell = next;
            ++i;
            continue;
        }
        int cells;
        const std::size_t n = CharCellsAt(text, i, cells);
        out.append(text.substr(i, n));
        cell += cells;
        i += n;
    }
}

} // namespace quillan
