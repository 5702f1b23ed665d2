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

    ::chmod(folder.c_str(), 0755);
    EXPECT_FALSE(EnsurePrivateFolder(folder, error));
    EXPECT_NE(error.find("other users"), std::string::npos) << error;
    ::chmod(folder.c_str(), 0700);

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
