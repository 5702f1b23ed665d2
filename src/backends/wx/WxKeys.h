#pragma once

#include "base/VirtualKeys.h"

#include <cstdint>
#include <optional>
#include <string_view>

class wxKeyEvent;

namespace quillan {

// What a wx key-down event means to the editor: a virtual-key code of the keystroke table and
// the modifiers held. Key 0 when the key has no virtual-key code.
struct TWxKeyStroke {
    TVirtualKey Key = 0;
    TShiftState Shift = 0;
};

// The Win32 virtual-key code of a wx key code. Letters of either case give their upper-case code,
// punctuation gives the VK_OEM_ code of the US key that carries it (shifted or not). When the key
// code says nothing (keys of non-Latin layouts), the X hardware key code (`rawKeyFlags` of a GTK
// key event) names the key by its place on a US keyboard, as Windows does.
TVirtualKey VirtualKeyFromWx(int keyCode, std::uint32_t rawKeyFlags = 0);

// wxMOD_SHIFT, wxMOD_ALT and wxMOD_CONTROL as ssShift, ssAlt and ssCtrl.
TShiftState ShiftStateFromWx(int modifiers);

TWxKeyStroke KeyStrokeFromWx(const wxKeyEvent& event);

// The character a wx character event types, if any, following the desktop's rules rather than
// the key: keys without a character (arrows, function keys) type nothing; Alt alone makes a key a
// command, not text; Ctrl alone types only the control characters it makes of letters (which the
// editor ignores). `unicodeKey` is 0 when the event has none.
std::optional<char32_t> TypedCharFromWx(int keyCode, char32_t unicodeKey, int modifiers);
std::optional<char32_t> TypedCharFromWx(const wxKeyEvent& event);

// True when an input-method commit is more than one character and so goes to the editor as one
// input-method string rather than as typed characters.
bool IsInputMethodString(std::string_view utf8);

} // namespace quillan
