#include "platform/wx/WxText.h"

namespace quillan {

// wxString holds one code point per wchar_t here, which the conversions rely on.
static_assert(sizeof(wchar_t) == 4);

std::size_t Utf8DecodeAt(std::string_view s, std::size_t i, char32_t& c)
{
    auto b0 = static_cast<unsigned char>(s[i]);
    if (b0 < 0x80) {
        c = b0;
        return 1;
    }
    std::size_t n = b0 < 0xC2 ? 0 : b0 < 0xE0 ? 2 : b0 < 0xF0 ? 3 : b0 < 0xF5 ? 4 : 0;
    if (n == 0 || i + n > s.size())
        return 0;
    auto b1 = static_cast<unsigned char>(s[i + 1]);
    if ((b0 == 0xE0 && b1 < 0xA0) || (b0 == 0xED && b1 > 0x9F) || (b0 == 0xF0 && b1 < 0x90)
        || (b0 == 0xF4 && b1 > 0x8F))
        return 0;
    char32_t value = b0 & (0x7F >> n);
    for (std::size_t k = 1; k < n; ++k) {
        auto b = static_cast<unsigned char>(s[i + k]);
        if ((b & 0xC0) != 0x80)
            return 0;
        value = (value << 6) | (b & 0x3F);
    }
    c = value;
    return n;
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
