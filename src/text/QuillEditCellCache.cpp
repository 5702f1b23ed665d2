#include "text/QuillEditCellCache.h"

#include <algorithm>
#include <limits>

namespace quillan {

TLineCellCache::TEntry& TLineCellCache::EntryFor(std::string_view line)
{
    ++FClock;
    for (TEntry& e : FLines)
        if (e.Data == line.data() && e.Size == line.size()) {
            e.Used = FClock;
            return e;
        }
    TEntry* slot;
    if (FLines.size() < MaxLines) {
        slot = &FLines.emplace_back();
    } else {
        slot = &*std::min_element(
            FLines.begin(), FLines.end(), [](const TEntry& a, const TEntry& b) { return a.Used < b.Used; });
    }
    slot->Data = line.data();
    slot->Size = line.size();
    slot->Places.assign(1, TCellWalk {});
    slot->Complete = line.empty();
    slot->Used = FClock;
    return *slot;
}

void TLineCellCache::Extend(TEntry& e, std::string_view line, std::size_t byte, long long cell, int tabWidth)
{
    while (!e.Complete && (e.Places.back().Byte <= byte && e.Places.back().Cell <= cell)) {
        const TCellWalk from = e.Places.back();
        const TCellWalk to = WalkToByte(line, from, from.Byte + Stride, tabWidth);
        e.Places.push_back(to);
        e.Complete = to.Byte >= line.size();
    }
}

long long TLineCellCache::CellOfByte(std::string_view line, std::size_t byte, int tabWidth)
{
    if (line.size() < MinLineBytes)
        return quillan::CellOfByte(line, byte, tabWidth);
    byte = std::min(byte, line.size());
    TEntry& e = EntryFor(line);
    Extend(e, line, byte, std::numeric_limits<long long>::max(), tabWidth);
    auto it = std::upper_bound(
        e.Places.begin(), e.Places.end(), byte, [](std::size_t b, const TCellWalk& p) { return b < p.Byte; });
    return WalkToByte(line, *(it - 1), byte, tabWidth).Cell;
}

TCellSpot TLineCellCache::CharAtCell(std::string_view line, long long cell, int tabWidth)
{
    if (line.size() < MinLineBytes)
        return quillan::CharAtCell(line, cell, tabWidth);
    cell = std::max(0LL, cell);
    TEntry& e = EntryFor(line);
    Extend(e, line, std::numeric_limits<std::size_t>::max(), cell, tabWidth);
    auto it = std::upper_bound(
        e.Places.begin(), e.Places.end(), cell, [](long long c, const TCellWalk& p) { return c < p.Cell; });
    return CharAtCellFrom(line, *(it - 1), cell, tabWidth);
}

void TLineCellCache::Forget(const char* data) noexcept
{
    std::erase_if(FLines, [&](const TEntry& e) { return e.Data == data; });
}

void TLineCellCache::Edited(const char* oldData, std::string_view line, std::size_t unchangedBefore) noexcept
{
    for (auto it = FLines.begin(); it != FLines.end(); ++it) {
        if (it->Data != oldData)
            continue;
        // A character before the edit may have been cut short by the bytes after it (an
        // incomplete UTF-8 sequence), so the places just before the edit go too.
        constexpr std::size_t longestChar = 4;
        auto keep = std::upper_bound(it->Places.begin() + 1, it->Places.end(), unchangedBefore,
            [](std::size_t b, const TCellWalk& p) { return b < p.Byte + longestChar; });
        it->Places.erase(keep, it->Places.end());
        it->Data = line.data();
        it->Size = line.size();
        it->Complete = line.empty();
        return;
    }
}

} // namespace quillan
