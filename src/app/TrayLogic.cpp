#include "app/TrayLogic.h"

#include "app/AppStrings.h"
#include "base/Utf8.h"

namespace quillan {

bool TrayActiveAtStart(const TTrayOptions& options)
{
    return options.Enabled && options.Always;
}

TTrayAction TrayOnMinimize(const TTrayOptions& options, bool trayAvailable)
{
    TTrayAction action;
    if (!options.Enabled)
        return action;
    if (!options.Always) {
        action.ChangeActive = true;
        action.Active = true;
    }
    action.HideWindow = options.MinToTray && trayAvailable;
    return action;
}

TTrayAction TrayOnRestore(const TTrayOptions& options)
{
    TTrayAction action;
    if (!options.Always) {
        action.ChangeActive = true;
        action.Active = false;
    }
    return action;
}

std::string TrayHint(int documentCount)
{
    return std::string(SProductLine) + " -- Editting " + std::to_string(documentCount) + " files";
}

std::string ShortHint(std::string_view hint)
{
    hint = hint.substr(0, hint.find('|'));
    constexpr int MaxTipCharacters = 127;
    std::size_t end = 0;
    for (int count = 0; end < hint.size() && count < MaxTipCharacters; ++count) {
        char32_t c;
        end += DecodeCharAt(hint, end, c);
    }
    return std::string(hint.substr(0, end));
}

bool StatusBarShowsHint(std::string_view hint, bool windowEnabled)
{
    return !hint.empty() && windowEnabled;
}

void TTrayMouseRouter::Handle(TTrayMouseMessage message, unsigned keys, int x, int y)
{
    if (!Enabled)
        return;
    keys &= tsShift | tsAlt | tsCtrl;
    auto fire = [&](const TMouseEvent& event, TTrayButton button, unsigned flag) {
        if (event)
            event(button, keys | flag, x, y);
    };
    switch (message) {
    case TTrayMouseMessage::tmMove:
        if (OnMouseMove)
            OnMouseMove(keys, x, y);
        break;
    case TTrayMouseMessage::tmLeftDown:
        fire(OnMouseDown, TTrayButton::tbLeft, tsLeft);
        FLeftPressed = true;
        break;
    case TTrayMouseMessage::tmLeftUp:
        if (FLeftPressed) {
            FLeftPressed = false;
            Click(TTrayButton::tbLeft, keys | tsLeft, x, y);
        }
        fire(OnMouseUp, TTrayButton::tbLeft, tsLeft);
        break;
    case TTrayMouseMessage::tmLeftDouble:
        DoubleClick();
        fire(OnMouseDown, TTrayButton::tbLeft, tsDouble);
        break;
    case TTrayMouseMessage::tmRightDown:
        fire(OnMouseDown, TTrayButton::tbRight, tsRight);
        FRightPressed = true;
        break;
    case TTrayMouseMessage::tmRightUp:
        if (FRightPressed) {
            FRightPressed = false;
            Click(TTrayButton::tbRight, keys | tsRight, x, y);
        }
        fire(OnMouseUp, TTrayButton::tbRight, tsRight);
        break;
    case TTrayMouseMessage::tmRightDouble:
        fire(OnMouseDown, TTrayButton::tbRight, tsDouble);
        break;
    case TTrayMouseMessage::tmMiddleDown:
        fire(OnMouseDown, TTrayButton::tbMiddle, tsMiddle);
        break;
    case TTrayMouseMessage::tmMiddleUp:
        fire(OnMouseUp, TTrayButton::tbMiddle, tsMiddle);
        break;
    case TTrayMouseMessage::tmMiddleDouble:
        fire(OnMouseDown, TTrayButton::tbMiddle, tsDouble);
        break;
    }
}

void TTrayMouseRouter::Click(TTrayButton button, unsigned shift, int x, int y)
{
    if (button == TTrayButton::tbRight && ShowMenu && ShowMenu(x, y))
        return;
    if (OnClick)
        OnClick(button, shift, x, y);
}

void TTrayMouseRouter::DoubleClick()
{
    if (ClickDefaultItem && ClickDefaultItem())
        return;
    if (OnDblClick)
        OnDblClick();
}

} // namespace quillan
