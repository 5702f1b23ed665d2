#include "backends/wx/WxText.h"

#include "base/Utf8.h"

namespace quillan {

// wxString holds one code point per wchar_t here, which the conversions rely on.
static_assert(sizeof(wchar_t) == 4);

std::size_t Utf8DecodeAt(std::string_view s, std::size_t i, char32_t& c)
{
    // A replacement character of one byte stands for a byte that starts no character.
    const std::size_t n = DecodeCharAt(s, i, c);
    return n == 1 && static_cast<unsigned char>(s[i]) >= 0x80 ? 0 : n;
}

wxString Utf8ToWx(std::string_view s)
{
    std::wstring wide;
    wide.reserve(s.size());
    for (std::size_t i = 0; i < s.size();) {
        char32_t c = 0;
        std::size_t n = Utf8DecodeAt(s, i, c);
        if (n == 0) {
            c = 0xFFFD;
            n = 1;
        }
        wide.push_back(static_cast<wchar_t>(c));
        i += n;
    }
    return wxString(wide.data(), wide.size());
}

std::string WxToUtf8(const wxString& s)
{
    const wxScopedCharBuffer buffer = s.utf8_str();
    return std::string(buffer.data(), buffer.length());
}

} // namespace quillan
