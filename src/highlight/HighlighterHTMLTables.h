#pragma once

// The tag-name hash's slot count and the slot lookup, shared by the HTML scanner and the tag and
// entity tables (HighlighterHTMLTables.cpp); nothing else includes this.

#include <cstddef>

namespace quillan::htmltables {

// Tag-name hashes run from 1 to TagSlots - 1; THTMLHighlighter::TagHash returns TagSlots for a
// name whose hash is beyond every known tag's.
inline constexpr unsigned TagSlots = 244;

// Whether the `length` bytes at `name` are a known tag whose hash is `hash` (below TagSlots).
bool TagInSlot(unsigned hash, const char* name, std::size_t length);

} // namespace quillan::htmltables
