#pragma once

#include "base/Color.h"

#include <string>
#include <string_view>

namespace quillan {

// The hyperlink label's behaviour without its window: which colour it shows as the mouse moves
// over it and presses on it, whether a release opens its target, and what that target is.

enum class TLinkKind { lkSITE, lkMAIL };

inline constexpr TColor LinkBlue = 0xFF0000; // 0x00BBGGRR
inline constexpr TColor LinkRed = 0x0000FF;
inline constexpr TColor LinkTeal = 0x808000;

class TLinkState {
public:
    TColor ColorNormal = LinkBlue;
    TColor ColorMoveOver = LinkBlue;
    TColor ColorClick = LinkRed;

    TColor Color() const { return FColor; }
    bool Pressed() const { return FPressed; }

    void MouseEnter() { FColor = FPressed ? ColorClick : ColorMoveOver; }
    void MouseLeave() { FColor = ColorNormal; }
    void MouseDown()
    {
        FPressed = true;
        FColor = ColorClick;
    }
    // The release at (x, y) in the label's coordinates; true when the target is to be opened:
    // the press began on the label and the release is inside it.
    bool MouseUp(int x, int y, int width, int height);
    // The colours were changed: show the one at rest.
    void Reset()
    {
        FPressed = false;
        FColor = ColorNormal;
    }

private:
    TColor FColor = LinkBlue;
    bool FPressed = false;
};

// What a click opens: a web address as it is (the caption when no address is set), or a
// "mailto:" address with the subject percent-encoded.
std::string LinkTarget(TLinkKind kind, std::string_view urlOrEmail, std::string_view caption, std::string_view subject);

} // namespace quillan
