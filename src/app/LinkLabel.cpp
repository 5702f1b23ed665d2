#include "app/LinkLabel.h"

#include "app/MailLink.h"

namespace quillan {

bool TLinkState::MouseUp(int x, int y, int width, int height)
{
    const bool wasPressed = FPressed;
    FPressed = false;
    if (x < 0 || y < 0 || x > width || y > height) {
        FColor = ColorNormal;
        return false;
    }
    FColor = ColorMoveOver;
    return wasPressed;
}

std::string LinkTarget(TLinkKind kind, std::string_view urlOrEmail, std::string_view caption, std::string_view subject)
{
    const std::string_view address = urlOrEmail.empty() ? caption : urlOrEmail;
    if (kind == TLinkKind::lkSITE)
        return std::string(address);
    return MailtoUrl(address, subject);
}

} // namespace quillan
