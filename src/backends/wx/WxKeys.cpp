#include "backends/wx/WxKeys.h"

#include <wx/defs.h>
#include <wx/event.h>

namespace quillan {

namespace {

// Keys with a name of their own. The numeric keypad keeps its navigation meaning when Num Lock
// is off, as Windows reports it (Home, not VK_NUMPAD7).
TVirtualKey NamedKey(int keyCode)
{
    switch (keyCode) {
    case WXK_BACK:
        return VK_BACK;
    case WXK_TAB:
    case WXK_NUMPAD_TAB:
        return VK_TAB;
    case WXK_RETURN:
    case WXK_NUMPAD_ENTER:
        return VK_RETURN;
    case WXK_ESCAPE:
        return VK_ESCAPE;
    case WXK_SPACE:
    case WXK_NUMPAD_SPACE:
        return VK_SPACE;
    case WXK_DELETE:
    case WXK_NUMPAD_DELETE:
        return VK_DELETE;
    case WXK_CLEAR:
    case WXK_NUMPAD_BEGIN:
        return VK_CLEAR;
    case WXK_SHIFT:
        return VK_SHIFT;
    case WXK_ALT:
        return VK_MENU;
    case WXK_CONTROL:
        return VK_CONTROL;
    case WXK_MENU:
    case WXK_WINDOWS_MENU:
        return VK_APPS;
    case WXK_PAUSE:
        return VK_PAUSE;
    case WXK_CAPITAL:
        return VK_CAPITAL;
    case WXK_PAGEUP:
    case WXK_NUMPAD_PAGEUP:
        return VK_PRIOR;
    case WXK_PAGEDOWN:
    case WXK_NUMPAD_PAGEDOWN:
        return VK_NEXT;
    case WXK_END:
    case WXK_NUMPAD_END:
        return VK_END;
    case WXK_HOME:
    case WXK_NUMPAD_HOME:
        return VK_HOME;
    case WXK_LEFT:
    case WXK_NUMPAD_LEFT:
        return VK_LEFT;
    case WXK_UP:
    case WXK_NUMPAD_UP:
        return VK_UP;
    case WXK_RIGHT:
    case WXK_NUMPAD_RIGHT:
        return VK_RIGHT;
    case WXK_DOWN:
    case WXK_NUMPAD_DOWN:
        return VK_DOWN;
    case WXK_SELECT:
        return VK_SELECT;
    case WXK_PRINT:
        return VK_PRINT;
    case WXK_EXECUTE:
        return VK_EXECUTE;
    case WXK_SNAPSHOT:
        return VK_SNAPSHOT;
    case WXK_INSERT:
    case WXK_NUMPAD_INSERT:
        return VK_INSERT;
    case WXK_HELP:
        return VK_HELP;
    case WXK_MULTIPLY:
    case WXK_NUMPAD_MULTIPLY:
        return VK_MULTIPLY;
    case WXK_ADD:
    case WXK_NUMPAD_ADD:
        return VK_ADD;
    case WXK_SEPARATOR:
    case WXK_NUMPAD_SEPARATOR:
        return VK_SEPARATOR;
    case WXK_SUBTRACT:
    case WXK_NUMPAD_SUBTRACT:
        return VK_SUBTRACT;
    case WXK_DECIMAL:
    case WXK_NUMPAD_DECIMAL:
        return VK_DECIMAL;
    case WXK_DIVIDE:
    case WXK_NUMPAD_DIVIDE:
        return VK_DIVIDE;
    case WXK_NUMPAD_EQUAL:
        return VK_OEM_PLUS;
    case WXK_NUMLOCK:
        return VK_NUMLOCK;
    case WXK_SCROLL:
        return VK_SCROLL;
    case WXK_WINDOWS_LEFT:
        return VK_LWIN;
    case WXK_WINDOWS_RIGHT:
        return VK_RWIN;
    default:
        break;
    }
    if (keyCode >= WXK_NUMPAD0 && keyCode <= WXK_NUMPAD9)
        return static_cast<TVirtualKey>(VK_NUMPAD0 + (keyCode - WXK_NUMPAD0));
    if (keyCode >= WXK_F1 && keyCode <= WXK_F24)
        return static_cast<TVirtualKey>(VK_F1 + (keyCode - WXK_F1));
    if (keyCode >= WXK_NUMPAD_F1 && keyCode <= WXK_NUMPAD_F4)
        return static_cast<TVirtualKey>(VK_F1 + (keyCode - WXK_NUMPAD_F1));
    return 0;
}

// Printable ASCII as the US key that types it, shifted or not.
TVirtualKey AsciiKey(int c)
{
    if (c >= 'a' && c <= 'z')
        return static_cast<TVirtualKey>(c - 'a' + 'A');
    if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))
        return static_cast<TVirtualKey>(c);
    switch (c) {
    case ';':
    case ':':
        return VK_OEM_1;
    case '=':
    case '+':
        return VK_OEM_PLUS;
    case ',':
    case '<':
        return VK_OEM_COMMA;
    case '-':
    case '_':
        return VK_OEM_MINUS;
    case '.':
    case '>':
        return VK_OEM_PERIOD;
    case '/':
    case '?':
        return VK_OEM_2;
    case '`':
    case '~':
        return VK_OEM_3;
    case '[':
    case '{':
        return VK_OEM_4;
    case '\\':
    case '|':
        return VK_OEM_5;
    case ']':
    case '}':
        return VK_OEM_6;
    case '\'':
    case '"':
        return VK_OEM_7;
    case '!':
        return '1';
    case '@':
        return '2';
    case '#':
        return '3';
    case '$':
        return '4';
    case '%':
        return '5';
    case '^':
        return '6';
    case '&':
        return '7';
    case '*':
        return '8';
    case '(':
        return '9';
    case ')':
        return '0';
    default:
        return 0;
    }
}

// The typing keys of a US keyboard by X key code (evdev code + 8), which do not move with
// the layout.
TVirtualKey HardwareKey(std::uint32_t code)
{
    static constexpr char rows[][14] = {
        "1234567890-=", // codes 10..21
        "QWERTYUIOP[]", // 24..35
        "ASDFGHJKL;'`", // 38..49
        "ZXCVBNM,./", // 52..61
    };
    static constexpr std::uint32_t firstCode[] = { 10, 24, 38, 52 };
    for (std::size_t r = 0; r < std::size(rows); ++r) {
        const std::string_view row = rows[r];
        if (code >= firstCode[r] && code < firstCode[r] + row.size())
            return AsciiKey(row[code - firstCode[r]]);
    }
    if (code == 51)
        return VK_OEM_5;
    return 0;
}

} // namespace

TVirtualKey VirtualKeyFromWx(int keyCode, std::uint32_t rawKeyFlags)
{
    if (TVirtualKey key = NamedKey(keyCode))
        return key;
    if (keyCode > 0x20 && keyCode < 0x7F)
        if (TVirtualKey key = AsciiKey(keyCode))
            return key;
    return HardwareKey(rawKeyFlags);
}

TShiftState ShiftStateFromWx(int modifiers)
{
    TShiftState shift = 0;
    if (modifiers & wxMOD_SHIFT)
        shift |= ssShift;
    if (modifiers & wxMOD_ALT)
        shift |= ssAlt;
    if (modifiers & wxMOD_CONTROL)
        shift |= ssCtrl;
    return shift;
}

TWxKeyStroke KeyStrokeFromWx(const wxKeyEvent& event)
{
    return { VirtualKeyFromWx(event.GetKeyCode(), event.GetRawKeyFlags()), ShiftStateFromWx(event.GetModifiers()) };
}

std::optional<char32_t> TypedCharFromWx(int keyCode, char32_t unicodeKey, int modifiers)
{
    // Keys beyond WXK_START (arrows, function keys, the keypad's navigation) carry no character,
    // whatever the toolkit fills in beside them.
    if (unicodeKey == 0 || keyCode >= WXK_START)
        return std::nullopt;
    const bool alt = (modifiers & wxMOD_ALT) != 0;
    const bool ctrl = (modifiers & wxMOD_CONTROL) != 0;
    if (alt && !ctrl)
        return std::nullopt;
    if (ctrl && !alt) {
        // Ctrl+letter makes the control character; every other Ctrl combination types nothing.
        if (unicodeKey < 0x20 || unicodeKey == 0x7F)
            return unicodeKey;
        if (unicodeKey >= 'a' && unicodeKey <= 'z')
            return unicodeKey - 'a' + 1;
        if (unicodeKey >= 'A' && unicodeKey <= 'Z')
            return unicodeKey - 'A' + 1;
        return std::nullopt;
    }
    return unicodeKey;
}

std::optional<char32_t> TypedCharFromWx(const wxKeyEvent& event)
{
    const wxChar unicode = event.GetUnicodeKey();
    return TypedCharFromWx(
        event.GetKeyCode(), unicode == WXK_NONE ? 0 : static_cast<char32_t>(unicode), event.GetModifiers());
}

bool IsInputMethodString(std::string_view utf8)
{
    int starts = 0;
    for (char c : utf8)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80 && ++starts > 1)
            return true;
    return false;
}

} // namespace quillan
