#include "app/TrayLogic.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace quillan;

namespace {

TEST(TrayRules, MinimiseAndRestoreFollowEnabledMinToTrayAndAlways)
{
    // Enabled, MinToTray, not Always: the icon appears and the window leaves the taskbar; the
    // restore takes the icon away again.
    const TTrayOptions toTray { true, true, false };
    EXPECT_EQ(TrayOnMinimize(toTray, true), (TTrayAction { true, true, true }));
    EXPECT_EQ(TrayOnRestore(toTray), (TTrayAction { true, false, false }));
    EXPECT_FALSE(TrayActiveAtStart(toTray));

    // Enabled without MinToTray: the icon appears, the window only minimises.
    EXPECT_EQ(TrayOnMinimize({ true, false, false }, true), (TTrayAction { true, true, false }));

    // Disabled: nothing changes on minimising, whatever the other two say.
    EXPECT_EQ(TrayOnMinimize({ false, true, false }, true), TTrayAction {});
    EXPECT_FALSE(TrayActiveAtStart({ false, true, true }));

    // Always: shown from the start, and neither minimising nor restoring touches the icon.
    const TTrayOptions always { true, true, true };
    EXPECT_TRUE(TrayActiveAtStart(always));
    EXPECT_EQ(TrayOnMinimize(always, true), (TTrayAction { false, false, true }));
    EXPECT_EQ(TrayOnRestore(always), TTrayAction {});
}

TEST(TrayRules, WithoutANotificationAreaTheWindowIsNeverHidden)
{
    for (const TTrayOptions options : { TTrayOptions { true, true, false }, TTrayOptions { true, true, true } })
        EXPECT_FALSE(TrayOnMinimize(options, false).HideWindow);
}

TEST(TrayHints, CountTheOpenDocumentsAndKeepOnlyTheShortPart)
{
    EXPECT_EQ(TrayHint(3), "Quillan v1.2.0 -- Editting 3 files");
    EXPECT_EQ(TrayHint(100), "Quillan v1.2.0 -- Editting 100 files");

    EXPECT_EQ(ShortHint("Editor|Text editor"), "Editor");
    EXPECT_EQ(ShortHint("|long part only"), "");
    EXPECT_EQ(ShortHint(TrayHint(1)), TrayHint(1));

    const std::string longHint(200, 'x');
    EXPECT_EQ(ShortHint(longHint), std::string(127, 'x'));
    // 127 characters, not bytes: "é" is two bytes and is never cut in half.
    std::string accented;
    for (int i = 0; i < 130; ++i)
        accented += "\xC3\xA9";
    const std::string cut = ShortHint(accented);
    EXPECT_EQ(cut.size(), 254u);
    EXPECT_EQ(cut.substr(0, 2), "\xC3\xA9");
}

TEST(TrayHints, TheStatusBarShowsAHintOnlyWhenThereIsOneAndTheWindowIsEnabled)
{
    EXPECT_TRUE(StatusBarShowsHint("Create a new text file", true));
    EXPECT_FALSE(StatusBarShowsHint("", true));
    EXPECT_FALSE(StatusBarShowsHint("Create a new text file", false));
}

TEST(TrayMenu, TagsCaptionsAndTheDefaultItem)
{
    int defaults = 0;
    std::vector<int> tags;
    for (const TTrayMenuItem& item : TrayMenuItems) {
        defaults += item.Default ? 1 : 0;
        if (item.Kind == TTrayItemKind::tiTagged)
            tags.push_back(item.Tag);
    }
    EXPECT_EQ(defaults, 1);
    EXPECT_TRUE(TrayMenuItems[0].Default);
    EXPECT_STREQ(TrayMenuItems[0].Caption, "&Bring to Front");
    EXPECT_EQ(tags, (std::vector<int> { TrayTagBringToFront, TrayTagMaximize, TrayTagExit }));
    EXPECT_STREQ(TrayMenuItems[std::size(TrayMenuItems) - 1].Hint, "Close Quillan");
}

// Records what reached the owner of the icon.
class TrayMouseTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        FRouter.OnClick = [this](TTrayButton b, unsigned shift, int, int) {
            FLog.push_back(std::string("click ") + Name(b) + " " + std::to_string(shift));
        };
        FRouter.OnMouseDown = [this](TTrayButton b, unsigned shift, int, int) {
            FLog.push_back(std::string("down ") + Name(b) + " " + std::to_string(shift));
        };
        FRouter.OnMouseUp = [this](TTrayButton b, unsigned, int, int) { FLog.push_back(std::string("up ") + Name(b)); };
        FRouter.OnDblClick = [this] { FLog.push_back("dblclick"); };
        FRouter.OnMouseMove
            = [this](unsigned, int x, int y) { FLog.push_back("move " + std::to_string(x) + "," + std::to_string(y)); };
    }
    static const char* Name(TTrayButton b)
    {
        return b == TTrayButton::tbLeft ? "left" : b == TTrayButton::tbRight ? "right" : "middle";
    }
    void Send(std::initializer_list<TTrayMouseMessage> messages, unsigned keys = 0)
    {
        for (const TTrayMouseMessage m : messages)
            FRouter.Handle(m, keys, 5, 6);
    }

    TTrayMouseRouter FRouter;
    std::vector<std::string> FLog;
};

TEST_F(TrayMouseTest, ALeftClickIsAPressAndAReleaseWithTheKeysAndTheButtonFlag)
{
    Send({ TTrayMouseMessage::tmLeftDown, TTrayMouseMessage::tmLeftUp }, tsShift | tsDouble);
    // tsDouble is no key: it is dropped from what the caller passed.
    EXPECT_EQ(FLog, (std::vector<std::string> { "down left 9", "click left 9", "up left" }));
    FLog.clear();
    Send({ TTrayMouseMessage::tmLeftUp });
    EXPECT_EQ(FLog, (std::vector<std::string> { "up left" })) << "a release without a press is no click";
}

TEST_F(TrayMouseTest, ARightClickPopsUpTheMenuInsteadOfClickingWhenThereIsOne)
{
    int menus = 0;
    FRouter.ShowMenu = [&](int, int) {
        ++menus;
        return true;
    };
    Send({ TTrayMouseMessage::tmRightDown, TTrayMouseMessage::tmRightUp });
    EXPECT_EQ(menus, 1);
    EXPECT_EQ(FLog, (std::vector<std::string> { "down right 16", "up right" }));

    FLog.clear();
    FRouter.ShowMenu = [](int, int) { return false; };
    Send({ TTrayMouseMessage::tmRightDown, TTrayMouseMessage::tmRightUp });
    EXPECT_EQ(FLog, (std::vector<std::string> { "down right 16", "click right 16", "up right" }));
}

TEST_F(TrayMouseTest, ADoubleClickRunsTheDefaultItemOrElseRaisesTheEvent)
{
    int defaults = 0;
    bool hasDefault = true;
    FRouter.ClickDefaultItem = [&] {
        defaults += hasDefault ? 1 : 0;
        return hasDefault;
    };
    // The platform's order for a double click: down, up, double, up.
    Send({ TTrayMouseMessage::tmLeftDown, TTrayMouseMessage::tmLeftUp, TTrayMouseMessage::tmLeftDouble,
        TTrayMouseMessage::tmLeftUp });
    EXPECT_EQ(defaults, 1);
    EXPECT_EQ(FLog, (std::vector<std::string> { "down left 8", "click left 8", "up left", "down left 64", "up left" }));

    FLog.clear();
    hasDefault = false;
    Send({ TTrayMouseMessage::tmLeftDouble });
    EXPECT_EQ(FLog, (std::vector<std::string> { "dblclick", "down left 64" }));
}

TEST_F(TrayMouseTest, WhileDisabledNothingReachesTheOwnerAndNoPressIsRemembered)
{
    FRouter.Enabled = false;
    Send({ TTrayMouseMessage::tmMove, TTrayMouseMessage::tmLeftDown, TTrayMouseMessage::tmLeftDouble });
    EXPECT_TRUE(FLog.empty());
    FRouter.Enabled = true;
    Send({ TTrayMouseMessage::tmLeftUp, TTrayMouseMessage::tmMove });
    EXPECT_EQ(FLog, (std::vector<std::string> { "up left", "move 5,6" }));
}

TEST_F(TrayMouseTest, ClearingPressesLosesAHalfDoneClick)
{
    Send({ TTrayMouseMessage::tmRightDown });
    FRouter.ClearPresses();
    FLog.clear();
    Send({ TTrayMouseMessage::tmRightUp, TTrayMouseMessage::tmMiddleDown, TTrayMouseMessage::tmMiddleUp });
    EXPECT_EQ(FLog, (std::vector<std::string> { "up right", "down middle 32", "up middle" }));
}

} // namespace
