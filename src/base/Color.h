#pragma once

#include <cstdint>

namespace quillan {

// Colour value: 0x00BBGGRR direct, 0x80000000 + index a system colour.
using TColor = std::int32_t;
inline constexpr TColor clNone = 0x1FFFFFFF;
inline constexpr TColor clWindow = static_cast<TColor>(0x80000005u);
inline constexpr TColor clWindowText = static_cast<TColor>(0x80000008u);

// Font style bits as stored in settings.
enum TFontStyleBit : std::uint8_t { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
using TFontStyles = std::uint8_t;

} // namespace quillan
