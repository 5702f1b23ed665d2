#pragma once

// Name rules shared by the two directions of the form conversion; only FormBinaryToText.cpp and
// FormTextToBinary.cpp include this.

#include "base/AsciiCase.h"

#include <algorithm>
#include <string_view>

namespace quillan::formtext {

inline bool IsIdentStart(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

inline bool IsIdentChar(unsigned char c)
{
    return IsIdentStart(c) || (c >= '0' && c <= '9');
}

inline bool IsSymbol(std::string_view s)
{
    if (s.empty() || !IsIdentStart(static_cast<unsigned char>(s[0])))
        return false;
    return std::all_of(s.begin() + 1, s.end(), [](char c) { return IsIdentChar(static_cast<unsigned char>(c)); });
}

inline bool IsDottedSymbol(std::string_view s)
{
    for (;;) {
        const std::size_t dot = s.find('.');
        if (!IsSymbol(s.substr(0, dot)))
            return false;
        if (dot == std::string_view::npos)
            return true;
        s.remove_prefix(dot + 1);
    }
}

inline bool IsBlockWord(std::string_view s)
{
    return EqualAsciiNoCase(s, "end") || EqualAsciiNoCase(s, "object") || EqualAsciiNoCase(s, "inherited");
}

} // namespace quillan::formtext
