#pragma once

#include "base/Color.h"

#include <cstdint>

namespace quillan {

// Editor positions: column and line counted from 1; the column is a byte index into the
// stored line where a tab counts as one character.
struct TBufferCoord {
    int X = 1;
    int Y = 1;
    friend bool operator==(const TBufferCoord&, const TBufferCoord&) = default;
};

inline bool operator<(const TBufferCoord& a, const TBufferCoord& b)
{
    return a.Y < b.Y || (a.Y == b.Y && a.X < b.X);
}

// A highlighter's scanner state at the start of a line: a small unsigned number carried in a
// pointer-sized slot. All bits set means "not computed yet".
using TRangeState = std::uintptr_t;
inline constexpr TRangeState RangeUnknown = ~TRangeState(0);

enum class TQuillSelectionMode : std::uint8_t { smNormal, smLine, smColumn };

enum class TQuillEditLineBreakStyle : std::uint8_t { lbLF = 0, lbCRLF = 1 };

} // namespace quillan
