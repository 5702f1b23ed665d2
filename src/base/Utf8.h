#pragma once

// UTF-8 as the screen, the page and the text grid see it. Text stays bytes; these only decide
// where a character starts and how many cells of the grid it takes.

#include <cstddef>
#include <string_view>

namespace quillan {

// Length of the character at s[i] (i < s.size()) and its code point in `c` (U+FFFD for a byte
// that starts no well-formed sequence: overlong forms, surrogates and code points above U+10FFFF
// are not characters).
std::size_t DecodeCharAt(std::string_view s, std::size_t i, char32_t& c);
// Cells a code point takes: 2 for East Asian wide and fullwidth characters, else 1.
int CellWidthOf(char32_t c);

} // namespace quillan
