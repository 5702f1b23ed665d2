#pragma once

// Keys as the editor core sees them: Win32 virtual-key codes, modifier sets and 16-bit shortcut
// values. The core keeps these numbers on every platform because stored keystroke tables and
// settings hold them; the wx backend translates its own key codes into them.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quillan {

using TVirtualKey = std::uint16_t;

inline constexpr TVirtualKey VK_BACK = 0x08;
inline constexpr TVirtualKey VK_TAB = 0x09;
inline constexpr TVirtualKey VK_CLEAR = 0x0C;
inline constexpr TVirtualKey VK_RETURN = 0x0D;
inline constexpr TVirtualKey VK_SHIFT = 0x10;
inline constexpr TVirtualKey VK_CONTROL = 0x11;
inline constexpr TVirtualKey VK_MENU = 0x12; // Alt
inline constexpr TVirtualKey VK_PAUSE = 0x13;
inline constexpr TVirtualKey VK_CAPITAL = 0x14; // Caps Lock
inline constexpr TVirtualKey VK_ESCAPE = 0x1B;
inline constexpr TVirtualKey VK_SPACE = 0x20;
inline constexpr TVirtualKey VK_PRIOR = 0x21; // Page Up
inline constexpr TVirtualKey VK_NEXT = 0x22; // Page Down
inline constexpr TVirtualKey VK_END = 0x23;
inline constexpr TVirtualKey VK_HOME = 0x24;
inline constexpr TVirtualKey VK_LEFT = 0x25;
inline constexpr TVirtualKey VK_UP = 0x26;
inline constexpr TVirtualKey VK_RIGHT = 0x27;
inline constexpr TVirtualKey VK_DOWN = 0x28;
inline constexpr TVirtualKey VK_SELECT = 0x29;
inline constexpr TVirtualKey VK_PRINT = 0x2A;
inline constexpr TVirtualKey VK_EXECUTE = 0x2B;
inline constexpr TVirtualKey VK_SNAPSHOT = 0x2C; // Print Screen
inline constexpr TVirtualKey VK_INSERT = 0x2D;
inline constexpr TVirtualKey VK_DELETE = 0x2E;
inline constexpr TVirtualKey VK_HELP = 0x2F;
// Top-row digits and letters are their upper-case ASCII codes.
inline constexpr TVirtualKey VK_0 = '0';
inline constexpr TVirtualKey VK_1 = '1';
inline constexpr TVirtualKey VK_2 = '2';
inline constexpr TVirtualKey VK_3 = '3';
inline constexpr TVirtualKey VK_4 = '4';
inline constexpr TVirtualKey VK_5 = '5';
inline constexpr TVirtualKey VK_6 = '6';
inline constexpr TVirtualKey VK_7 = '7';
inline constexpr TVirtualKey VK_8 = '8';
inline constexpr TVirtualKey VK_9 = '9';
inline constexpr TVirtualKey VK_A = 'A';
inline constexpr TVirtualKey VK_B = 'B';
inline constexpr TVirtualKey VK_C = 'C';
inline constexpr TVirtualKey VK_D = 'D';
inline constexpr TVirtualKey VK_E = 'E';
inline constexpr TVirtualKey VK_F = 'F';
inline constexpr TVirtualKey VK_G = 'G';
inline constexpr TVirtualKey VK_H = 'H';
inline constexpr TVirtualKey VK_I = 'I';
inline constexpr TVirtualKey VK_J = 'J';
inline constexpr TVirtualKey VK_K = 'K';
inline constexpr TVirtualKey VK_L = 'L';
inline constexpr TVirtualKey VK_M = 'M';
inline constexpr TVirtualKey VK_N = 'N';
inline constexpr TVirtualKey VK_O = 'O';
inline constexpr TVirtualKey VK_P = 'P';
inline constexpr TVirtualKey VK_Q = 'Q';
inline constexpr TVirtualKey VK_R = 'R';
inline constexpr TVirtualKey VK_S = 'S';
inline constexpr TVirtualKey VK_T = 'T';
inline constexpr TVirtualKey VK_U = 'U';
inline constexpr TVirtualKey VK_V = 'V';
inline constexpr TVirtualKey VK_W = 'W';
inline constexpr TVirtualKey VK_X = 'X';
inline constexpr TVirtualKey VK_Y = 'Y';
inline constexpr TVirtualKey VK_Z = 'Z';
inline constexpr TVirtualKey VK_LWIN = 0x5B;
inline constexpr TVirtualKey VK_RWIN = 0x5C;
inline constexpr TVirtualKey VK_APPS = 0x5D; // context-menu key
inline constexpr TVirtualKey VK_NUMPAD0 = 0x60; // ... VK_NUMPAD9 = 0x69
inline constexpr TVirtualKey VK_NUMPAD1 = 0x61;
inline constexpr TVirtualKey VK_NUMPAD2 = 0x62;
inline constexpr TVirtualKey VK_NUMPAD3 = 0x63;
inline constexpr TVirtualKey VK_NUMPAD4 = 0x64;
inline constexpr TVirtualKey VK_NUMPAD5 = 0x65;
inline constexpr TVirtualKey VK_NUMPAD6 = 0x66;
inline constexpr TVirtualKey VK_NUMPAD7 = 0x67;
inline constexpr TVirtualKey VK_NUMPAD8 = 0x68;
inline constexpr TVirtualKey VK_NUMPAD9 = 0x69;
inline constexpr TVirtualKey VK_MULTIPLY = 0x6A;
inline constexpr TVirtualKey VK_ADD = 0x6B;
inline constexpr TVirtualKey VK_SEPARATOR = 0x6C;
inline constexpr TVirtualKey VK_SUBTRACT = 0x6D;
inline constexpr TVirtualKey VK_DECIMAL = 0x6E;
inline constexpr TVirtualKey VK_DIVIDE = 0x6F;
inline constexpr TVirtualKey VK_F1 = 0x70;
inline constexpr TVirtualKey VK_F2 = 0x71;
inline constexpr TVirtualKey VK_F3 = 0x72;
inline constexpr TVirtualKey VK_F4 = 0x73;
inline constexpr TVirtualKey VK_F5 = 0x74;
inline constexpr TVirtualKey VK_F6 = 0x75;
inline constexpr TVirtualKey VK_F7 = 0x76;
inline constexpr TVirtualKey VK_F8 = 0x77;
inline constexpr TVirtualKey VK_F9 = 0x78;
inline constexpr TVirtualKey VK_F10 = 0x79;
inline constexpr TVirtualKey VK_F11 = 0x7A;
inline constexpr TVirtualKey VK_F12 = 0x7B;
inline constexpr TVirtualKey VK_F13 = 0x7C; // ... VK_F24 = 0x87
inline constexpr TVirtualKey VK_F24 = 0x87;
inline constexpr TVirtualKey VK_NUMLOCK = 0x90;
inline constexpr TVirtualKey VK_SCROLL = 0x91;
inline constexpr TVirtualKey VK_LSHIFT = 0xA0;
inline constexpr TVirtualKey VK_RSHIFT = 0xA1;
inline constexpr TVirtualKey VK_LCONTROL = 0xA2;
inline constexpr TVirtualKey VK_RCONTROL = 0xA3;
inline constexpr TVirtualKey VK_LMENU = 0xA4;
inline constexpr TVirtualKey VK_RMENU = 0xA5;
// Punctuation keys, named after what they carry on a US layout.
inline constexpr TVirtualKey VK_OEM_1 = 0xBA; // ;
inline constexpr TVirtualKey VK_OEM_PLUS = 0xBB; // =
inline constexpr TVirtualKey VK_OEM_COMMA = 0xBC; // ,
inline constexpr TVirtualKey VK_OEM_MINUS = 0xBD; // -
inline constexpr TVirtualKey VK_OEM_PERIOD = 0xBE; // .
inline constexpr TVirtualKey VK_OEM_2 = 0xBF; // /
inline constexpr TVirtualKey VK_OEM_3 = 0xC0; // `
inline constexpr TVirtualKey VK_OEM_4 = 0xDB; // [
inline constexpr TVirtualKey VK_OEM_5 = 0xDC; // backslash
inline constexpr TVirtualKey VK_OEM_6 = 0xDD; // ]
inline constexpr TVirtualKey VK_OEM_7 = 0xDE; // '
inline constexpr TVirtualKey VK_PROCESSKEY = 0xE5; // the input method has taken the key

// Modifier set held with a key, one byte: bit 0 Shift, bit 1 Alt, bit 2 Ctrl. The higher bits
// carry mouse-button state for mouse events; a key binding never stores them.
using TShiftState = std::uint8_t;
inline constexpr TShiftState ssShift = 0x01;
inline constexpr TShiftState ssAlt = 0x02;
inline constexpr TShiftState ssCtrl = 0x04;
inline constexpr TShiftState ssLeft = 0x08;
inline constexpr TShiftState ssRight = 0x10;
inline constexpr TShiftState ssMiddle = 0x20;
inline constexpr TShiftState ssDouble = 0x40;
inline constexpr TShiftState ssKeyboardMask = ssShift | ssAlt | ssCtrl;

// A key and its modifiers in one number: the key code plus scShift, scCtrl and scAlt.
// Shift+Up is 8230, Ctrl+Z is 16474.
using TShortCut = std::uint16_t;
inline constexpr TShortCut scShift = 0x2000;
inline constexpr TShortCut scCtrl = 0x4000;
inline constexpr TShortCut scAlt = 0x8000;
inline constexpr TShortCut scNone = 0;

// A key code that does not fit in the low byte has no shortcut value and gives 0.
TShortCut ShortCut(TVirtualKey key, TShiftState shift);
void ShortCutToKey(TShortCut shortCut, TVirtualKey& key, TShiftState& shift);

// Name of a key as a Linux desktop shows it in menus ("Up", "Page Down", "Backspace", "F5",
// "Num 7", ";"); keys without a name show as "Key 0xNN". Empty for key 0.
std::string KeyToText(TVirtualKey key);

// The modifiers as "Shift+", "Ctrl+" and "Alt+" in that order, then the key's name; empty for 0.
std::string ShortCutToText(TShortCut shortCut);

// Inverse of ShortCutToText, also accepting the spellings people type in scripts: modifiers
// "Shift+", "Ctrl+" ("Control+") and "Alt+" in any order, and key names without spaces or in
// their short forms ("PageDown", "PgDn", "Del", "Esc", "Return", "BkSp"). Case does not matter.
// Empty when the text names no key or repeats a modifier.
std::optional<TShortCut> TextToShortCut(std::string_view text);

} // namespace quillan
