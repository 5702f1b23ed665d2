#include "app/ProgramFiles.h"

#include "app/HelpPages.h"
#include "base/Paths.h"
#include "support/TempFolder.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

using namespace quillan;
namespace fs = std::filesystem;

namespace {

// A prefix laid out as an installation: <prefix>/bin and its share folder.
class ProgramFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        FBin = ExpandLongFileName(FTemp / "prefix/bin");
        fs::create_directories(FBin);
        FShare = InstalledDataFolder(FBin);
    }

    std::string Put(const std::string& path)
    {
        fs::create_directories(fs::path(path).parent_path());
        std::ofstream(path) << "x";
        return path;
    }

    testutil::TTempFolder FTemp { "programfiles" };
    std::string FBin, FShare;
};

TEST_F(ProgramFiles, TheShareFolderIsAbsoluteOutsideTheBinFolderAndTheSameWithATrailingSlash)
{
    EXPECT_TRUE(fs::path(FShare).is_absolute()) << FShare;
    EXPECT_EQ(FShare.find(FBin + "/"), std::string::npos) << "the share folder lies inside bin: " << FShare;
    EXPECT_EQ(InstalledDataFolder(FBin + "/"), FShare);
    EXPECT_EQ(InstalledDataFolder(FBin + "/../bin"), FShare);
    EXPECT_EQ(FShare.find("/../"), std::string::npos) << FShare;
}

TEST_F(ProgramFiles, TheIconIsTheScalableOneBesideTheProgramThenInstalledThenThe256PixelOne)
{
    EXPECT_EQ(FindIconFile(FBin), "");
    const std::string png = Put(FShare + "/icons/hicolor/256x256/apps/quillan.png");
    EXPECT_EQ(FindIconFile(FBin), png);
    const std::string svg = Put(FShare + "/icons/hicolor/scalable/apps/quillan.svg");
    EXPECT_EQ(FindIconFile(FBin), svg);
    const std::string beside = Put(FBin + "/icons/quillan.svg");
    EXPECT_EQ(FindIconFile(FBin), beside);
    // Only the 256-pixel size stands in for the scalable icon: a 16-pixel one would be blurred.
    fs::remove(beside);
    fs::remove(svg);
    fs::remove(png);
    Put(FShare + "/icons/hicolor/16x16/apps/quillan.png");
    EXPECT_EQ(FindIconFile(FBin), "");
}

TEST_F(ProgramFiles, AFolderOfAnIconsNameIsNoIcon)
{
    fs::create_directories(FBin + "/icons/quillan.svg");
    fs::create_directories(FShare + "/icons/hicolor/scalable/apps/quillan.svg");
    const std::string png = Put(FShare + "/icons/hicolor/256x256/apps/quillan.png");
    EXPECT_EQ(FindIconFile(FBin), png);
}

TEST_F(ProgramFiles, TheHelpPageIsLookedUpInTheSameShareFolderAsTheIcon)
{
    const std::vector<std::string> help = HelpPageCandidates(FBin);
    ASSERT_EQ(help.size(), 2u);
    EXPECT_EQ(help[1], FShare + "/quillan/help/quillan.html");
    for (const std::string& icon : IconFileCandidates(FBin))
        EXPECT_TRUE(icon.starts_with(FBin + "/") || icon.starts_with(FShare + "/")) << icon;
}

TEST_F(ProgramFiles, TheReportSaysWhatIsFoundAndIsCompleteOnlyWithBoth)
{
    bool complete = true;
    EXPECT_EQ(DescribeProgramFiles(FBin, complete), "folder=" + FBin + "\nhelp=\nicon=\n");
    EXPECT_FALSE(complete);

    const std::string svg = Put(FShare + "/icons/hicolor/scalable/apps/quillan.svg");
    complete = true;
    EXPECT_EQ(DescribeProgramFiles(FBin + "/", complete), "folder=" + FBin + "\nhelp=\nicon=" + svg + "\n");
    EXPECT_FALSE(complete) << "an icon without the help page is not a whole installation";

    const std::string help = Put(FShare + "/quillan/help/quillan.html");
    EXPECT_EQ(DescribeProgramFiles(FBin, complete), "folder=" + FBin + "\nhelp=" + help + "\nicon=" + svg + "\n");
    EXPECT_TRUE(complete);

    fs::remove(svg);
    DescribeProgramFiles(FBin, complete);
    EXPECT_FALSE(complete) << "the help page without the icon is not a whole installation";
}

} // namespace
