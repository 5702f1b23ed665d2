#include "backends/posix/XdgPaths.h"

#include "base/Paths.h"
#include "support/TempFolder.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace quillan;

namespace {

class XdgPaths : public ::testing::Test {
protected:
    testutil::TTempFolder FTemp { "xdg" };
    void SetUp() override
    {
        FDir = FTemp.Path();
        FOldCwd = std::filesystem::current_path();
    }
    void TearDown() override { std::filesystem::current_path(FOldCwd); }

    std::string FDir;
    std::filesystem::path FOldCwd;
};

TEST_F(XdgPaths, FoldersFollowTheEnvironment)
{
    ::setenv("XDG_CONFIG_HOME", (FDir + "/conf/").c_str(), 1);
    EXPECT_EQ(ConfigFolder(), FDir + "/conf/Quillan");
    EXPECT_EQ(SettingsFileName(), FDir + "/conf/Quillan/Quillan.ini");

    // Relative or empty values are not to be used; the home folder's default applies.
    ::setenv("HOME", FDir.c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", "relative/conf", 1);
    EXPECT_EQ(ConfigFolder(), FDir + "/.config/Quillan");
    ::setenv("XDG_CONFIG_HOME", "", 1);
    EXPECT_EQ(ConfigFolder(), FDir + "/.config/Quillan");

    const std::string fallback = "/tmp/quillan-" + std::to_string(::getuid());
    ::setenv("XDG_RUNTIME_DIR", (FDir + "/run").c_str(), 1);
    EXPECT_EQ(RuntimeFolder(), fallback) << "the runtime folder does not exist";
    std::filesystem::create_directory(FDir + "/run");
    EXPECT_EQ(RuntimeFolder(), FDir + "/run/Quillan");
    ::unsetenv("XDG_RUNTIME_DIR");
    EXPECT_EQ(RuntimeFolder(), fallback);
}

TEST_F(XdgPaths, RuntimeFolderTakenByAnotherUserGivesWayToOneInTheHome)
{
    ::setenv("HOME", FDir.c_str(), 1);
    ::unsetenv("XDG_STATE_HOME");
    EXPECT_EQ(FallbackRuntimeFolder(), FDir + "/.local/state/Quillan/run");
    ::setenv("XDG_STATE_HOME", "relative", 1);
    EXPECT_EQ(FallbackRuntimeFolder(), FDir + "/.local/state/Quillan/run");
    ::setenv("XDG_STATE_HOME", (FDir + "/state").c_str(), 1);
    EXPECT_EQ(FallbackRuntimeFolder(), FDir + "/state/Quillan/run");

    std::filesystem::create_directory(FDir + "/run");
    ::setenv("XDG_RUNTIME_DIR", (FDir + "/run").c_str(), 1);
    const std::string usual = FDir + "/run/Quillan";
    std::filesystem::create_directory(usual);
    EXPECT_EQ(RuntimeFolder(), usual) << "a folder of our own, even an open one, is ours to repair";
    std::filesystem::remove(usual);
    ASSERT_EQ(::symlink(FDir.c_str(), usual.c_str()), 0);
    EXPECT_EQ(RuntimeFolder(), FallbackRuntimeFolder()) << "a planted link";
    std::filesystem::remove(usual);
    if (::geteuid() == 0) {
        std::filesystem::create_directory(usual);
        ASSERT_EQ(::chown(usual.c_str(), 65534, 65534), 0);
        EXPECT_EQ(RuntimeFolder(), FallbackRuntimeFolder()) << "another user's folder";
    }
    ::unsetenv("XDG_RUNTIME_DIR");
    ::unsetenv("XDG_STATE_HOME");
}

TEST_F(XdgPaths, PrivateFolderIsCreatedClosedAndCheckedBeforeUse)
{
    std::string error;
    const std::string folder = FDir + "/Quillan";
    ::umask(0); // the folder must be private whatever the umask says
    const bool made = EnsurePrivateFolder(folder, error);
    ::umask(022);
    ASSERT_TRUE(made) << error;
    struct stat st { };
    ASSERT_EQ(::lstat(folder.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    EXPECT_TRUE(EnsurePrivateFolder(folder, error)) << "an existing private folder is fine";

    // A folder of our own that stood open is closed again; what others put in it goes, ours stays.
    ::chmod(folder.c_str(), 0777);
    std::ofstream(folder + "/ours") << "x";
    if (::geteuid() == 0) {
        std::ofstream(folder + "/planted") << "x";
        ASSERT_EQ(::lchown((folder + "/planted").c_str(), 65534, 65534), 0);
    }
    EXPECT_TRUE(EnsurePrivateFolder(folder, error)) << error;
    ASSERT_EQ(::lstat(folder.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    EXPECT_TRUE(std::filesystem::exists(folder + "/ours"));
    EXPECT_FALSE(std::filesystem::exists(folder + "/planted"));

    // Missing parents are made as well (the fallback lives deep in the home folder).
    EXPECT_TRUE(EnsurePrivateFolder(FDir + "/deep/er/run", error)) << error;
    ASSERT_EQ(::lstat((FDir + "/deep/er/run").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);

    std::ofstream(FDir + "/file") << "x";
    EXPECT_FALSE(EnsurePrivateFolder(FDir + "/file", error));

    // A link to a private folder is refused too: whoever made the link decides where it points.
    const std::string link = FDir + "/link";
    ASSERT_EQ(::symlink(folder.c_str(), link.c_str()), 0);
    EXPECT_FALSE(EnsurePrivateFolder(link, error));

    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(folder.c_str(), 65534, 65534), 0);
        EXPECT_FALSE(EnsurePrivateFolder(folder, error));
        EXPECT_NE(error.find("another user"), std::string::npos) << error;
    }
}

TEST_F(XdgPaths, ExpandLongFileNameIsAbsoluteAndLexicallyNormal)
{
    std::filesystem::create_directories(FDir + "/a/b");
    std::filesystem::current_path(FDir + "/a");
    EXPECT_EQ(ExpandLongFileName("x.txt"), FDir + "/a/x.txt");
    EXPECT_EQ(ExpandLongFileName("./b/../x.txt"), FDir + "/a/x.txt");
    EXPECT_EQ(ExpandLongFileName("b//c/"), FDir + "/a/b/c");
    EXPECT_EQ(ExpandLongFileName(""), FDir + "/a");
    EXPECT_EQ(ExpandLongFileName("/../etc/./passwd"), "/etc/passwd");
    EXPECT_EQ(ExpandLongFileName("//srv//x"), "/srv/x");
    EXPECT_EQ(ExpandLongFileName("/"), "/");
    EXPECT_EQ(ExpandLongFileName("/a b/&c"), "/a b/&c");
}

} // namespace
