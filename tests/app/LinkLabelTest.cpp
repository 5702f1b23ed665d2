#include "app/LinkLabel.h"

#include <gtest/gtest.h>

using namespace quillan;

namespace {

TLinkState AboutBoxLink()
{
    TLinkState s;
    s.ColorMoveOver = LinkRed;
    s.ColorClick = LinkTeal;
    s.Reset();
    return s;
}

TEST(LinkColours, HoverPressAndReleaseInside)
{
    TLinkState s = AboutBoxLink();
    EXPECT_EQ(s.Color(), LinkBlue);
    s.MouseEnter();
    EXPECT_EQ(s.Color(), LinkRed);
    s.MouseDown();
    EXPECT_EQ(s.Color(), LinkTeal);
    EXPECT_TRUE(s.MouseUp(3, 4, 100, 13));
    EXPECT_EQ(s.Color(), LinkRed);
    EXPECT_FALSE(s.Pressed());
    s.MouseLeave();
    EXPECT_EQ(s.Color(), LinkBlue);
}

TEST(LinkColours, DraggingOutAndBackShowsTheClickColourAndReleasingOutsideOpensNothing)
{
    TLinkState s = AboutBoxLink();
    s.MouseEnter();
    s.MouseDown();
    s.MouseLeave();
    EXPECT_EQ(s.Color(), LinkBlue);
    s.MouseEnter();
    EXPECT_EQ(s.Color(), LinkTeal) << "the button is still held from the press on the link";
    s.MouseLeave();
    EXPECT_FALSE(s.MouseUp(-1, 4, 100, 13));
    EXPECT_EQ(s.Color(), LinkBlue);
    // The press is forgotten: a later release inside without a press opens nothing either.
    EXPECT_FALSE(s.MouseUp(3, 4, 100, 13));
    EXPECT_FALSE(s.MouseUp(101, 4, 100, 13));
    EXPECT_FALSE(s.MouseUp(3, 14, 100, 13));
}

TEST(LinkColours, TheEdgesCountAsInside)
{
    TLinkState s = AboutBoxLink();
    s.MouseDown();
    EXPECT_TRUE(s.MouseUp(100, 13, 100, 13));
    s.MouseDown();
    EXPECT_TRUE(s.MouseUp(0, 0, 100, 13));
}

TEST(LinkTargets, SitesOpenAsTheyAreAndMailGetsAnEncodedSubject)
{
    EXPECT_EQ(
        LinkTarget(TLinkKind::lkSITE, "https://quillan.example.org/", "Go", "ignored"), "https://quillan.example.org/");
    EXPECT_EQ(LinkTarget(TLinkKind::lkSITE, "", "https://caption.example.org/", ""), "https://caption.example.org/");
    EXPECT_EQ(
        LinkTarget(TLinkKind::lkMAIL, "quillan@example.org", "Mail", "Quillan v1.2.0 -- Put your subject here..."),
        "mailto:quillan@example.org?subject=Quillan%20v1.2.0%20--%20Put%20your%20subject%20here...");
    // Without an address the caption is the address; "&" and "?" in it cannot add fields.
    EXPECT_EQ(LinkTarget(TLinkKind::lkMAIL, "", "me@example.org&cc=x@y", "a&b=c?d"),
        "mailto:me@example.org%26cc%3Dx@y?subject=a%26b%3Dc%3Fd");
}

} // namespace
