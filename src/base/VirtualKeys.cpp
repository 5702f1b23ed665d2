#include "base/VirtualKeys.h"

#include "base/AsciiCase.h"

#include <array>
#include <charconv>
#include <cstdio>

namespace quillan {

namespace {

// Names as GNOME and KDE menus show accelerators, so that a binding's text in the program reads
// like every other shortcut on the desktop.
struct KeyName {
    TVirtualKey key;
    const char* name;
};

constexpr KeyName namedKeys[] = {
    { VK_BACK, "Backspace" },
    { VK_TAB, "Tab" },
    { VK_CLEAR, "Clear" },
    { VK_RETURN, "Enter" },
    { VK_SHIFT, "Shift" },
    { VK_CONTROL, "Ctrl" },
    { VK_MENU, "Alt" },
    { VK_PAUSE, "Pause" },
    { VK_CAPITAL, "Caps Lock" },
    { VK_ESCAPE, "Escape" },
    { VK_SPACE, "Space" },
    { VK_PRIOR, "Page Up" },
    { VK_NEXT, "Page Down" },
    { VK_END, "End" },
    { VK_HOME, "Home" },
    { VK_LEFT, "Left" },
    { VK_UP, "Up" },
    { VK_RIGHT, "Right" },
    { VK_DOWN, "Down" },
    { VK_SELECT, "Select" },
    { VK_PRINT, "Print" },
    { VK_EXECUTE, "Execute" },
    { VK_SNAPSHOT, "Print Screen" },
    { VK_INSERT, "Insert" },
    { VK_DELETE, "Delete" },
    { VK_HELP, "Help" },
    { VK_LWIN, "Super" },
    { VK_RWIN, "Right Super" },
    { VK_APPS, "Menu" },
    { VK_MULTIPLY, "Num *" },
    { VK_ADD, "Num +" },
    { VK_SEPARATOR, "Num Separator" },
    { VK_SUBTRACT, "Num -" },
    { VK_DECIMAL, "Num ." },
    { VK_DIVIDE, "Num /" },
    { VK_NUMLOCK, "Num Lock" },
    { VK_SCROLL, "Scroll Lock" },
    { VK_LSHIFT, "Left Shift" },
    { VK_RSHIFT, "Right Shift" },
    { VK_LCONTROL, "Left Ctrl" },
    { VK_RCONTROL, "Right Ctrl" },
    { VK_LMENU, "Left Alt" },
    { VK_RMENU, "Right Alt" },
    { VK_OEM_1, ";" },
    { VK_OEM_PLUS, "=" },
    { VK_OEM_COMMA, "," },
    { VK_OEM_MINUS, "-" },
    { VK_OEM_PERIOD, "." },
    { VK_OEM_2, "/" },
    { VK_OEM_3, "`" },
    { VK_OEM_4, "[" },
    { VK_OEM_5, "\\" },
    { VK_OEM_6, "]" },
    { VK_OEM_7, "'" },
};

// Short and unspaced spellings accepted when parsing, already in normalised form.
constexpr KeyName keyAliases[] = {
    { VK_PRIOR, "pgup" },
    { VK_NEXT, "pgdn" },
    { VK_PRIOR, "prior" },
    { VK_NEXT, "next" },
    { VK_INSERT, "ins" },
    { VK_DELETE, "del" },
    { VK_ESCAPE, "esc" },
    { VK_RETURN, "return" },
    { VK_BACK, "bksp" },
    { VK_CONTROL, "control" },
};

// Every key's display name, built once: the fixed names above plus digits, letters, the number
// pad digits and the function keys.
const std::array<std::string, 256>& KeyNames()
{
    static const std::array<std::string, 256> names = [] {
        std::array<std::string, 256> n;
        for (const KeyName& k : namedKeys)
            n[k.key] = k.name;
        for (char c = '0'; c <= '9'; ++c)
            n[static_cast<unsigned char>(c)] = std::string(1, c);
        for (char c = 'A'; c <= 'Z'; ++c)
            n[static_cast<unsigned char>(c)] = std::string(1, c);
        for (int i = 0; i <= 9; ++i)
            n[VK_NUMPAD0 + i] = std::string("Num ").append(std::to_string(i));
        for (int i = 0; i < 24; ++i)
            n[VK_F1 + i] = std::string("F").append(std::to_string(i + 1));
        return n;
    }();
    return names;
}

// Lower-cased with spaces removed, so that "Page Down", "PageDown" and "pagedown" compare equal.
std::string Normalise(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (c == ' ')
            continue;
        out += static_cast<char>(AsciiLower(static_cast<unsigned char>(c)));
    }
    return out;
}

bool StartsWith(std::string_view text, std::string_view prefix)
{
    return text.substr(0, prefix.size()) == prefix;
}

std::optional<TVirtualKey> ParseKeyName(const std::string& name)
{
    if (name.empty())
        return std::nullopt;
    const auto& names = KeyNames();
    for (std::size_t key = 1; key < names.size(); ++key)
        if (!names[key].empty() && Normalise(names[key]) == name)
            return static_cast<TVirtualKey>(key);
    for (const KeyName& alias : keyAliases)
        if (name == alias.name)
            return alias.key;
    // The fallback spelling of unnamed keys, "Key 0xNN".
    if (name.size() == 7 && StartsWith(name, "key0x")) {
        unsigned value = 0;
        const char* end = name.data() + name.size();
        auto [ptr, ec] = std::from_chars(name.data() + 5, end, value, 16);
        if (ec == std::errc() && ptr == end && value != 0)
            return static_cast<TVirtualKey>(value);
    }
    return std::nullopt;
}

} // namespace

TShortCut ShortCut(TVirtualKey key, TShiftState shift)
{
    if (key > 0xFF)
        return 0;
    TShortCut result = key;
    if (shift & ssShift)
        result |= scShift;
    if (shift & ssCtrl)
        result |= scCtrl;
    if (shift & ssAlt)
        result |= scAlt;
    return result;
}

void ShortCutToKey(TShortCut shortCut, TVirtualKey& key, TShiftState& shift)
{
    key = shortCut & ~(scShift | scCtrl | scAlt);
    shift = 0;
    if (shortCut & scShift)
        shift |= ssShift;
    if (shortCut & scCtrl)
        shift |= ssCtrl;
    if (shortCut & scAlt)
        shift |= ssAlt;
}

std::string KeyToText(TVirtualKey key)
{
    if (key == 0)
        return {};
    if (key < 256 && !KeyNames()[key].empty())
        return KeyNames()[key];
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "Key 0x%02X", static_cast<unsigned>(key));
    return buffer;
}

std::string ShortCutToText(TShortCut shortCut)
{
    TVirtualKey key;
    TShiftState shift;
    ShortCutToKey(shortCut, key, shift);
    if (key == 0)
        return {};
    std::string text;
    if (shift & ssShift)
        text += "Shift+";
    if (shift & ssCtrl)
        text += "Ctrl+";
    if (shift & ssAlt)
        text += "Alt+";
    return text + KeyToText(key);
}

std::optional<TShortCut> TextToShortCut(std::string_view text)
{
    std::string rest = Normalise(text);
    TShiftState shift = 0;
    // Modifiers are taken from the front only while a key name follows, so "Ctrl+Shift" is Ctrl
    // held with the Shift key itself.
    for (;;) {
        TShiftState modifier = 0;
        std::size_t length = 0;
        if (StartsWith(rest, "shift+"))
            modifier = ssShift, length = 6;
        else if (StartsWith(rest, "ctrl+"))
            modifier = ssCtrl, length = 5;
        else if (StartsWith(rest, "control+"))
            modifier = ssCtrl, length = 8;
        else if (StartsWith(rest, "alt+"))
            modifier = ssAlt, length = 4;
        if (modifier == 0 || rest.size() == length)
            break;
        if (shift & modifier)
            return std::nullopt;
        shift |= modifier;
        rest.erase(0, length);
    }
    std::optional<TVirtualKey> key = ParseKeyName(rest);
    if (!key)
        return std::nullopt;
    return ShortCut(*key, shift);
}

} // namespace quillan
