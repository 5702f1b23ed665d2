#pragma once

#include "text/QuillString.h"

#include <cstddef>
#include <string_view>
#include <vector>

namespace quillan {

// Places where characters start on a few long lines, one every few kilobytes with the cell there,
// so that the cell of a byte or the character at a cell is found by a short walk from the nearest
// place instead of one from the start of a line that may hold megabytes. The places are found
// lazily, as far along the line as queries have reached.
//
// A line is known by its bytes' address and size. The owner says when bytes it kept are about to
// be freed or changed where they lie (Forget, Edited), since new text can be given the same
// address; any other change of a line gives it another address or size and so a fresh entry.
class TLineCellCache {
public:
    // Lines shorter than this are walked from their start: that is as quick as a lookup.
    static constexpr std::size_t MinLineBytes = 16 * 1024;
    // Bytes between two places.
    static constexpr std::size_t Stride = 4 * 1024;
    // Lines kept: the one typed on and the few painted beside it.
    static constexpr std::size_t MaxLines = 4;

    long long CellOfByte(std::string_view line, std::size_t byte, int tabWidth);
    TCellSpot CharAtCell(std::string_view line, long long cell, int tabWidth);

    // The bytes at `data` are going away.
    void Forget(const char* data) noexcept;
    // The line whose bytes were at `oldData` changed in place (or was moved with its bytes) into
    // `line`; its bytes before `unchangedBefore` are as they were.
    void Edited(const char* oldData, std::string_view line, std::size_t unchangedBefore) noexcept;
    void Clear() noexcept { FLines.clear(); }
    bool Empty() const noexcept { return FLines.empty(); }

private:
    struct TEntry {
        const char* Data = nullptr;
        std::size_t Size = 0;
        std::vector<TCellWalk> Places; // [0] is the line's start; then ascending
        bool Complete = false; // the last place is the line's end
        unsigned long long Used = 0;
    };
    TEntry& EntryFor(std::string_view line);
    // Adds places until the last one is past `byte` (or `cell`), or at the line's end.
    void Extend(TEntry& e, std::string_view line, std::size_t byte, long long cell, int tabWidth);

    std::vector<TEntry> FLines;
    unsigned long long FClock = 0;
};

} // namespace quillan
