#pragma once

// Names compared the way the stored formats compare them: ASCII letters without regard to case,
// every other byte as it is (no locale).

#include <algorithm>
#include <string>
#include <string_view>

namespace quillan {

constexpr unsigned char AsciiLower(unsigned char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c + 32) : c;
}

constexpr unsigned char AsciiUpper(unsigned char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<unsigned char>(c - 32) : c;
}

inline std::string AsciiLowerCopy(std::string_view s)
{
    std::string r(s);
    for (char& c : r)
        c = static_cast<char>(AsciiLower(static_cast<unsigned char>(c)));
    return r;
}

inline std::string AsciiUpperCopy(std::string_view s)
{
    std::string r(s);
    for (char& c : r)
        c = static_cast<char>(AsciiUpper(static_cast<unsigned char>(c)));
    return r;
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
