#pragma once

// Names compared the way the stored formats compare them: ASCII letters without regard to case,
// every other byte as it is (no locale).

#include <algorithm>
#include <string_view>

namespace quillan {

inline unsigned char AsciiLower(unsigned char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c + 32) : c;
}

// Negative, zero or positive as `a` sorts before, with or after `b`.
inline int CompareAsciiNoCase(std::string_view a, std::string_view b)
{
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const unsigned char x = AsciiLower(static_cast<unsigned char>(a[i]));
        const unsigned char y = AsciiLower(static_cast<unsigned char>(b[i]));
        if (x != y)
            return x < y ? -1 : 1;
    }
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

inline bool EqualAsciiNoCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && CompareAsciiNoCase(a, b) == 0;
}

} // namespace quillan
