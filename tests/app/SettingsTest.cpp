#include "app/Settings.h"

#include "backends/posix/IniFile.h"
#include "backends/posix/XdgPaths.h"
#include "highlight/HighlighterCpp.h"
#include "highlight/HighlighterDfm.h"
#include "highlight/HighlighterHTML.h"
#include "highlight/HighlighterPas.h"
#include "support/TempFolder.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

using namespace quillan;

namespace {

class SettingsTest : public ::testing::Test {
protected:
    testutil::TTempFolder FTemp { "set" };
    void SetUp() override
    {
        FRoot = FTemp.Path();
        ::setenv("XDG_CONFIG_HOME", FRoot.c_str(), 1);
    }

    void Put(const std::string& text)
    {
        std::filesystem::create_directories(ConfigFolder());
        std::ofstream(SettingsFileName(), std::ios::binary) << text;
    }
    std::string Get() const
    {
        std::ifstream in(SettingsFileName(), std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    TSettings Load() const
    {
        TSettings settings;
        settings.Read(TIniFile(SettingsFileName()));
        return settings;
    }
    void Save(const TSettings& settings) const
    {
        TIniFile ini(SettingsFileName());
        ASSERT_TRUE(settings.Write(ini));
        ASSERT_TRUE(ini.UpdateFile()) << ini.LastError();
    }

    std::string FRoot;
};

TEST_F(SettingsTest, WithoutAFileEverythingHasItsDesignValue)
{
    const TSettings s = Load();
    EXPECT_TRUE(s.FirstRun());
    EXPECT_FALSE(s.Max);
    EXPECT_EQ(s.Left, 190);
    EXPECT_EQ(s.Top, 200);
    EXPECT_EQ(s.Width, 608);
    EXPECT_EQ(s.Height, 460);
    EXPECT_EQ(s.MaxFiles, 15);
    EXPECT_TRUE(s.TrayEnabled && !s.TrayAlways && !s.MinToTray); // enabled but hidden
    EXPECT_EQ(s.FontName, "Courier New");
    EXPECT_EQ(s.FontSize, 10);
    EXPECT_EQ(s.FontColour, 0);
    EXPECT_EQ(s.BackgroundColour, 16777215);
    EXPECT_TRUE(s.ShowLines);
    EXPECT_FALSE(std::filesystem::exists(SettingsFileName())) << "reading must not create the file";
}

TEST_F(SettingsTest, FirstRunOnlyWhileTheMarkerIsFive)
{
    for (const auto& [text, firstRun] : std::vector<std::pair<std::string, bool>> {
             { "[General]\nCheckSum=5\n", true }, { "[General]\nCheckSum=10\n", false },
             { "[General]\nCheckSum=0\n", false },
             { "[General]\nCheckSum=junk\n", true }, // not a number: the default, 5
         }) {
        Put(text);
        EXPECT_EQ(Load().FirstRun(), firstRun) << text;
    }
}

TEST_F(SettingsTest, WrittenFileHasEveryKeyInTheUsualOrder)
{
    TSettings s;
    s.Left = 10;
    s.FontName = "Liberation Mono";
    s.Pascal.Comment = 255;
    Save(s);
    EXPECT_EQ(Get(),
        "[Tray]\nEnabled=1\nMinToTray=0\nAlways=0\n"
        "[General]\nMax=0\nTop=200\nLeft=10\nWidth=608\nHeight=460\nMaxFiles=15\nCheckSum=10\n"
        "[CPP]\nASM=0\nComment=8388608\nDirect=32768\nIdent=0\nInvalid=16711935\nKey=0\nNumber=0\n"
        "String=16711680\nSymbol=255\n"
        "[Pascal]\nASM=32768\nComment=255\nIdent=8421376\nKey=0\nNumber=8388736\nString=16711680\nSymbol=255\n"
        "[HTML]\nAnd=33023\nComment=8388608\nIdent=0\nKey=16711808\nSymbol=255\nText=0\nUndef=255\n"
        "Value=16744448\n"
        "[RichEdit]\nName=Liberation Mono\nSize=10\nColour=0\nShowLines=1\nRichColour=16777215\n");
    const TSettings back = Load();
    EXPECT_FALSE(back.FirstRun());
    EXPECT_EQ(back.Left, 10);
    EXPECT_EQ(back.FontName, "Liberation Mono");
    EXPECT_EQ(back.Pascal.Comment, 255);
}

TEST_F(SettingsTest, ClosingMaximisedKeepsTheLastNormalPlacement)
{
    Put("[General]\nMax=0\nTop=11\nLeft=12\nWidth=700\nHeight=500\n");
    TSettings s = Load();
    EXPECT_EQ(s.Top, 11);
    s.Max = true;
    s.Top = s.Left = 0; // a maximised window's own placement is not what the user wants back
    Save(s);
    EXPECT_NE(Get().find("Max=1\nTop=11\nLeft=12\nWidth=700\nHeight=500\n"), std::string::npos) << Get();

    // While maximised the placement is not read at all.
    const TSettings max = Load();
    EXPECT_TRUE(max.Max);
    EXPECT_EQ(max.Top, 200);
}

TEST_F(SettingsTest, DisabledTrayIconForcesAlwaysOff)
{
    Put("[Tray]\nEnabled=0\nAlways=1\nMinToTray=1\n");
    TSettings s = Load();
    EXPECT_FALSE(s.TrayEnabled);
    EXPECT_FALSE(s.TrayAlways);
    EXPECT_TRUE(s.MinToTray);
    Save(s);
    EXPECT_NE(Get().find("[Tray]\nEnabled=0\nAlways=0\nMinToTray=1\n"), std::string::npos) << Get();

    Put("[Tray]\nEnabled=7\nAlways=-1\n");
    EXPECT_TRUE(Load().TrayAlways);
}

TEST_F(SettingsTest, RecentCapacityStaysWithinItsBounds)
{
    for (const auto& [value, expected] : std::vector<std::pair<std::string, int>> {
             { "0", 1 }, { "-3", 1 }, { "101", 100 }, { "40", 40 }, { "x", 15 } }) {
        Put("[General]\nMaxFiles=" + value + "\n");
        EXPECT_EQ(Load().MaxFiles, expected) << value;
    }
}

TEST_F(SettingsTest, ColoursReachTheHighlightersAndFormsShareThePascalOnes)
{
    Put("[CPP]\nDirect=123\n[Pascal]\nComment=$0000FF\nKey=456\n[HTML]\nUndef=789\n");
    const TSettings s = Load();
    TCppHighlighter cpp;
    TPasHighlighter pas;
    THTMLHighlighter html;
    TDfmHighlighter dfm;
    s.ApplyColours(cpp, pas, html);
    ShareFormAttributes(dfm, pas);
    EXPECT_EQ(cpp.DirecAttri()->Foreground(), 123);
    EXPECT_EQ(cpp.InvalidAttri()->Foreground(), 16711935);
    EXPECT_EQ(pas.CommentAttri()->Foreground(), 255);
    EXPECT_EQ(html.UndefKeyAttri()->Foreground(), 789);
    EXPECT_EQ(html.ValueAttri()->Foreground(), 16744448);
    EXPECT_EQ(dfm.KeyAttri()->Foreground(), 456);

    // A Pascal colour changed later (the options dialog) shows in form files at once.
    pas.CommentAttri()->SetForeground(0x00FF00);
    EXPECT_EQ(dfm.CommentAttri()->Foreground(), 0x00FF00);
    EXPECT_EQ(dfm.IdentifierAttri(), pas.IdentifierAttri());
    EXPECT_EQ(dfm.NumberAttri(), pas.NumberAttri());
    EXPECT_EQ(dfm.StringAttri(), pas.StringAttri());

    TSettings captured;
    captured.CaptureColours(cpp, pas, html);
    EXPECT_EQ(captured.Pascal.Comment, 0x00FF00);
    EXPECT_EQ(captured.HTML.Undef, 789);
}

} // namespace
