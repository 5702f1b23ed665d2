#include "backends/wx/WxKeys.h"

#include <gtest/gtest.h>
#include <wx/defs.h>

namespace quillan {
namespace {

TEST(WxKeys, NamedKeysAndTheKeypadGiveWindowsCodes)
{
    EXPECT_EQ(VirtualKeyFromWx(WXK_UP), VK_UP);
    EXPECT_EQ(VirtualKeyFromWx(WXK_PAGEUP), VK_PRIOR);
    EXPECT_EQ(VirtualKeyFromWx(WXK_PAGEDOWN), VK_NEXT);
    EXPECT_EQ(VirtualKeyFromWx(WXK_BACK), VK_BACK);
    EXPECT_EQ(VirtualKeyFromWx(WXK_DELETE), VK_DELETE);
    EXPECT_EQ(VirtualKeyFromWx(WXK_ESCAPE), VK_ESCAPE);
    EXPECT_EQ(VirtualKeyFromWx(WXK_F1), VK_F1);
    EXPECT_EQ(VirtualKeyFromWx(WXK_F24), VK_F24);
    EXPECT_EQ(VirtualKeyFromWx(WXK_ALT), VK_MENU);
    EXPECT_EQ(VirtualKeyFromWx(WXK_WINDOWS_MENU), VK_APPS);
    // The keypad: digits with Num Lock on, navigation with it off, Enter as Return.
    EXPECT_EQ(VirtualKeyFromWx(WXK_NUMPAD7), VK_NUMPAD7);
    EXPECT_EQ(VirtualKeyFromWx(WXK_NUMPAD_HOME), VK_HOME);
    EXPECT_EQ(VirtualKeyFromWx(WXK_NUMPAD_PAGEDOWN), VK_NEXT);
    EXPECT_EQ(VirtualKeyFromWx(WXK_NUMPAD_BEGIN), VK_CLEAR);
    EXPECT_EQ(VirtualKeyFromWx(WXK_NUMPAD_ENTER), VK_RETURN);
    EXPECT_EQ(VirtualKeyFromWx(WXK_NUMPAD_ADD), VK_ADD);
    EXPECT_EQ(VirtualKeyFromWx(WXK_NUMPAD_F2), VK_F2);
    EXPECT_EQ(VirtualKeyFromWx(WXK_NONE), 0);
}

TEST(WxKeys, PrintableKeysGiveTheCodeOfTheUsKeyThatTypesThem)
{
    EXPECT_EQ(VirtualKeyFromWx('a'), VK_A);
    EXPECT_EQ(VirtualKeyFromWx('Z'), VK_Z);
    EXPECT_EQ(VirtualKeyFromWx('7'), VK_7);
    EXPECT_EQ(VirtualKeyFromWx(WXK_SPACE), VK_SPACE);
    EXPECT_EQ(VirtualKeyFromWx(';'), VK_OEM_1);
    EXPECT_EQ(VirtualKeyFromWx(':'), VK_OEM_1);
    EXPECT_EQ(VirtualKeyFromWx('['), VK_OEM_4);
    EXPECT_EQ(VirtualKeyFromWx('\\'), VK_OEM_5);
    EXPECT_EQ(VirtualKeyFromWx('"'), VK_OEM_7);
    EXPECT_EQ(VirtualKeyFromWx('!'), VK_1);
    EXPECT_EQ(VirtualKeyFromWx(')'), VK_0);
}

TEST(WxKeys, KeysOfOtherLayoutsAreNamedByTheirPlace)
{
    // A Cyrillic layout reports no Latin key code; X key code 52 is the key that carries Z
    // on a US keyboard, so Ctrl on it is still Undo.
    EXPECT_EQ(VirtualKeyFromWx(WXK_NONE, 52), VK_Z);
    EXPECT_EQ(VirtualKeyFromWx(WXK_NONE, 10), VK_1);
    EXPECT_EQ(VirtualKeyFromWx(WXK_NONE, 47), VK_OEM_1);
    EXPECT_EQ(VirtualKeyFromWx(WXK_NONE, 51), VK_OEM_5);
    EXPECT_EQ(VirtualKeyFromWx(WXK_NONE, 9), 0); // Escape's place, but no typing key
    // A key code wx knows wins over the place.
    EXPECT_EQ(VirtualKeyFromWx(WXK_LEFT, 52), VK_LEFT);
    EXPECT_EQ(ShortCut(VirtualKeyFromWx(WXK_NONE, 52), ShiftStateFromWx(wxMOD_CONTROL)), 16474);
}

TEST(WxKeys, Modifiers)
{
    EXPECT_EQ(ShiftStateFromWx(wxMOD_NONE), 0);
    EXPECT_EQ(ShiftStateFromWx(wxMOD_SHIFT), ssShift);
    EXPECT_EQ(ShiftStateFromWx(wxMOD_SHIFT | wxMOD_CONTROL | wxMOD_ALT), ssShift | ssCtrl | ssAlt);
    EXPECT_EQ(ShiftStateFromWx(wxMOD_META), 0);
}

TEST(WxKeys, WhichCharacterEventsType)
{
    EXPECT_EQ(TypedCharFromWx('a', U'a', wxMOD_NONE), U'a');
    EXPECT_EQ(TypedCharFromWx('A', U'A', wxMOD_SHIFT), U'A');
    EXPECT_EQ(TypedCharFromWx(WXK_NONE, U'\u00E9', wxMOD_NONE), U'\u00E9');
    EXPECT_EQ(TypedCharFromWx(WXK_NONE, U'\u65E5', wxMOD_NONE), U'\u65E5');
    EXPECT_EQ(TypedCharFromWx(WXK_RETURN, U'\r', wxMOD_NONE), U'\r');
    // Keys without characters, whatever Unicode value the toolkit puts beside them.
    EXPECT_EQ(TypedCharFromWx(WXK_UP, 0, wxMOD_NONE), std::nullopt);
    EXPECT_EQ(TypedCharFromWx(WXK_NUMPAD_LEFT, U'4', wxMOD_NONE), std::nullopt);
    EXPECT_EQ(TypedCharFromWx(WXK_F5, U't', wxMOD_NONE), std::nullopt);
    // Alt makes a command; Ctrl makes control characters of letters only; both together are
    // AltGr and type.
    EXPECT_EQ(TypedCharFromWx('x', U'x', wxMOD_ALT), std::nullopt);
    EXPECT_EQ(TypedCharFromWx('a', U'a', wxMOD_CONTROL), char32_t(1));
    EXPECT_EQ(TypedCharFromWx(WXK_CONTROL_Z, char32_t(26), wxMOD_CONTROL), char32_t(26));
    EXPECT_EQ(TypedCharFromWx('1', U'1', wxMOD_CONTROL), std::nullopt);
    EXPECT_EQ(TypedCharFromWx('@', U'@', wxMOD_ALT | wxMOD_CONTROL), U'@');
}

TEST(WxKeys, InputMethodStringsAreCommitsOfMoreThanOneCharacter)
{
    EXPECT_FALSE(IsInputMethodString(""));
    EXPECT_FALSE(IsInputMethodString("a"));
    EXPECT_FALSE(IsInputMethodString("\xC3\xA9")); // é: two bytes, one character
    EXPECT_FALSE(IsInputMethodString("\xF0\x9F\x98\x80")); // one emoji
    EXPECT_TRUE(IsInputMethodString("ab"));
    EXPECT_TRUE(IsInputMethodString("\xE6\x97\xA5\xE6\x9C\xAC")); // 日本
}

} // namespace
} // namespace quillan
