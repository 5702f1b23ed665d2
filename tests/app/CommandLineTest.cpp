#include "app/CommandLine.h"

#include "support/TempFolder.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace quillan;

namespace {

using TList = std::vector<std::string>;

class CommandLineTest : public ::testing::Test {
protected:
    testutil::TTempFolder FTemp { "cmd" };
    void SetUp() override
    {
        FRoot = FTemp.Path();
        FOldCwd = std::filesystem::current_path();
        std::filesystem::current_path(FRoot);
        for (const char* name : { "a.txt", "b.txt", "c.txt" })
            std::ofstream(FRoot + "/" + name) << name;
        std::filesystem::create_directory(FRoot + "/dir");
        ::mkfifo((FRoot + "/pipe").c_str(), 0600);
    }
    void TearDown() override { std::filesystem::current_path(FOldCwd); }

    std::string FRoot;
    std::filesystem::path FOldCwd;
};

TEST_F(CommandLineTest, ExistingFilesInArgumentOrderAsAbsolutePaths)
{
    EXPECT_TRUE(ProcessCommandLine({}).Files.empty());
    const TCommandLineRequest r
        = ProcessCommandLine({ "c.txt", "missing.txt", "dir", "pipe", "./dir/../a.txt", FRoot + "/b.txt" });
    EXPECT_FALSE(r.Uninstall);
    EXPECT_EQ(r.Files, (TList { FRoot + "/c.txt", FRoot + "/a.txt", FRoot + "/b.txt" }));
}

TEST_F(CommandLineTest, UninstallOnlyAsFirstArgumentInAnyCase)
{
    const TCommandLineRequest r = ProcessCommandLine({ "/uninstall", "a.txt" });
    EXPECT_TRUE(r.Uninstall);
    EXPECT_TRUE(r.Files.empty());
    EXPECT_TRUE(IsUninstallRequest({ "/UnInstall" }));
    EXPECT_FALSE(IsUninstallRequest({ "a.txt", "/UNINSTALL" }));
    EXPECT_FALSE(IsUninstallRequest({ "/UNINSTALLX" }));
}

TEST_F(CommandLineTest, OpeningStopsAtTheDocumentLimit)
{
    int count = 98;
    TList opened;
    auto open = [&](const std::string& p) {
        opened.push_back(p);
        ++count;
    };
    // Two slots left: the missing file costs none, the third existing file is never reached.
    EXPECT_EQ(OpenFilesInOrder(
                  { "a.txt", "gone.txt", "b.txt", "c.txt" }, [&] { return count; }, open),
        2);
    EXPECT_EQ(opened, (TList { FRoot + "/a.txt", FRoot + "/b.txt" }));

    // A declined open (the duplicate question answered No) leaves room for the next one.
    count = 99;
    opened.clear();
    bool first = true;
    auto declineFirst = [&](const std::string& p) {
        opened.push_back(p);
        if (!first)
            ++count;
        first = false;
    };
    EXPECT_EQ(OpenFilesInOrder(
                  { "a.txt", "b.txt", "c.txt" }, [&] { return count; }, declineFirst),
        2);
    EXPECT_EQ(opened, (TList { FRoot + "/a.txt", FRoot + "/b.txt" }));
}

} // namespace
