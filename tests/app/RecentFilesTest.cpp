#include "app/RecentFiles.h"

#include "app/AppStrings.h"
#include "backends/posix/IniFile.h"
#include "support/ScriptedUI.h"
#include "support/TempFolder.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

using namespace quillan;

namespace {

using TList = std::vector<std::string>;

class RecentFilesTest : public ::testing::Test {
protected:
    testutil::TTempFolder FTemp { "rec" };
    void SetUp() override
    {
        FRoot = FTemp.Path();
        FIni = FRoot + "/Quillan.ini";
    }

    std::string FRoot, FIni;
    int FCapacity = 15;
    TRecentFileList FList { [this] { return FCapacity; } };
};

TEST_F(RecentFilesTest, AddKeepsExistingEntriesInPlace)
{
    FList.Add("/home/u/a.txt");
    FList.Add("/home/u/b.txt");
    EXPECT_EQ(FList.Add("/HOME/U/A.TXT"), 1); // already listed, in another letter case
    EXPECT_EQ(FList.Items(), (TList { "/home/u/b.txt", "/home/u/a.txt" }));
    EXPECT_EQ(FList.Add("/home/u/c.txt"), 0);
    EXPECT_EQ(FList[0], "/home/u/c.txt");
}

TEST_F(RecentFilesTest, FullListDropsOnlyTheEntryAtTheCapacity)
{
    FCapacity = 3;
    for (const char* p : { "z", "y", "x" })
        FList.Add(p);
    FList.Add("w");
    EXPECT_EQ(FList.Items(), (TList { "w", "x", "y" }));

    // A lowered capacity keeps what is there: each add removes the entry at index capacity-1.
    FCapacity = 15;
    for (int i = 0; i < 12; ++i)
        FList.Add("f" + std::to_string(i));
    ASSERT_EQ(FList.Count(), 15);
    FCapacity = 5;
    FList.Add("new");
    EXPECT_EQ(FList.Count(), 15);
    EXPECT_EQ(FList[0], "new");
    EXPECT_EQ(FList[4], "f8"); // f7, formerly at index 4, went
    EXPECT_EQ(FList[5], "f6");

    // A capacity below 1 behaves as 1 instead of dropping at index -1.
    FCapacity = 0;
    TRecentFileList tiny([this] { return FCapacity; });
    tiny.Add("a");
    tiny.Add("b");
    EXPECT_EQ(tiny.Items(), (TList { "b" }));
}

TEST_F(RecentFilesTest, SavedListLoadsBackInOrderWithinTheCapacity)
{
    for (const char* p : { "/e", "/d", "/c", "/b", "/a" })
        FList.Add(p);
    {
        TIniFile ini(FIni);
        FList.Save(ini);
        ASSERT_TRUE(ini.UpdateFile());
    }
    TIniFile ini(FIni);
    EXPECT_EQ(ini.ReadInteger("General", "Files", -1), 5);
    EXPECT_EQ(ini.ReadString("Files", "File0", ""), "/a");

    TRecentFileList all([] { return 15; });
    all.Load(ini);
    EXPECT_EQ(all.Items(), (TList { "/a", "/b", "/c", "/d", "/e" }));

    TRecentFileList three([] { return 3; });
    three.Load(ini);
    EXPECT_EQ(three.Items(), (TList { "/a", "/b", "/c" }));
}

TEST_F(RecentFilesTest, LoadDropsRepeatsAndGapsOfAHandEditedFile)
{
    std::ofstream(FIni) << "[General]\nFiles=5\n[Files]\nFile0=/a\nFile1=/b\nFile2=/A\nFile4=/d\nFile5=/beyond\n";
    TRecentFileList list([] { return 15; });
    list.Load(TIniFile(FIni));
    // Reading runs from the last key to File0, so File0 is the repeat that goes; the missing
    // File3 adds nothing, and File5 lies beyond the count.
    EXPECT_EQ(list.Items(), (TList { "/b", "/A", "/d" }));

    std::ofstream(FIni) << "[General]\nFiles=-4\n[Files]\nFile0=/a\n";
    TRecentFileList none([] { return 15; });
    none.Load(TIniFile(FIni));
    EXPECT_EQ(none.Count(), 0);
}

TEST_F(RecentFilesTest, ClearStoresNoEntriesAndPathsWithLineBreaksAreLeftOut)
{
    FList.Add("/a");
    FList.Add("/odd\nname");
    FList.Add("/b");
    {
        TIniFile ini(FIni);
        FList.Save(ini);
        EXPECT_EQ(ini.ReadInteger("General", "Files", -1), 2);
        EXPECT_EQ(ini.ReadString("Files", "File1", ""), "/a");
        FList.Clear(ini);
        ASSERT_TRUE(ini.UpdateFile());
    }
    EXPECT_EQ(FList.Count(), 0);
    TRecentFileList again([] { return 15; });
    again.Load(TIniFile(FIni));
    EXPECT_EQ(again.Count(), 0);
}

TEST_F(RecentFilesTest, MenuCaptionsMarkTheLastDigitAndShowAmpersandsLiterally)
{
    EXPECT_EQ(RecentMenuCaption(0, "/a.txt"), "&0 /a.txt");
    EXPECT_EQ(RecentMenuCaption(9, "/a"), "&9 /a");
    EXPECT_EQ(RecentMenuCaption(11, "/a"), "1&1 /a"); // the twelfth entry
    EXPECT_EQ(RecentMenuCaption(99, "/a"), "9&9 /a");
    EXPECT_EQ(RecentMenuCaption(100, "/a"), "10&0 /a");
    EXPECT_EQ(RecentMenuCaption(3, "/R&D/a&&b.txt"), "&3 /R&&D/a&&&&b.txt");

    FList.Add("/x&y");
    FList.Add("/z");
    const auto items = FList.MenuItems();
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[1].Caption, "&1 /x&&y");
    EXPECT_EQ(items[1].Hint, "/x&y"); // reopening uses the path as it is
    EXPECT_EQ(items[1].ImageIndex, 26);
}

TEST_F(RecentFilesTest, ReopenRefusesAtTheLimitAndForMissingFiles)
{
    const std::string existing = FRoot + "/here.txt";
    std::ofstream(existing) << "x";
    TScriptedUI ui;
    ui.AnswerMessage(TModalResult::mrOk);
    ui.AnswerMessage(TModalResult::mrOk);
    TList opened;
    auto open = [&](const std::string& p) { opened.push_back(p); };

    EXPECT_FALSE(ReopenRecentFile(existing, 100, ui, open));
    EXPECT_FALSE(ReopenRecentFile(FRoot + "/gone.txt", 1, ui, open));
    EXPECT_TRUE(ReopenRecentFile(existing, 99, ui, open));
    EXPECT_EQ(opened, (TList { existing }));
    EXPECT_EQ(ui.Messages(), (TList { SFileLimitReached, SFileNotFound }));
    for (const auto& call : ui.Calls()) {
        EXPECT_EQ(call.Type, TMsgDlgType::mtError);
        EXPECT_EQ(call.Buttons, TMsgDlgButtons::mbOK);
    }
    EXPECT_EQ(ui.Unanswered(), 0);
}

} // namespace
