#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <wx/string.h>

namespace quillan {

// Length of the well-formed UTF-8 sequence at s[i] and its code point in `c`; 0 when none starts
// there (a stray continuation byte, an overlong form, a surrogate, a truncated sequence).
std::size_t Utf8DecodeAt(std::string_view s, std::size_t i, char32_t& c);

// UTF-8 bytes as a wxString, each byte that starts no character becoming one U+FFFD. wx's own
// conversion gives up on the whole string instead.
wxString Utf8ToWx(std::string_view s);

// The UTF-8 bytes of a wxString.
std::string WxToUtf8(const wxString& s);

} // namespace quillan
