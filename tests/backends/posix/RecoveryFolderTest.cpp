// The recovery folder: private modes, sessions held by their runs, what another start may take,
// and that nothing planted in the folder is followed.
#include "backends/posix/RecoveryFolder.h"

#include "support/TempFolder.h"

#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace quillan {
namespace {

using testutil::ReadFileBytes;
using testutil::TTempFolder;

unsigned ModeOf(const std::string& path)
{
    struct stat st { };
    return ::lstat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

void Put(const std::string& path, std::string_view bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

TEST(RecoveryFolder, LivesUnderTheStateFolder)
{
    const char* old = std::getenv("XDG_STATE_HOME");
    const std::string saved = old ? old : "";
    ::setenv("XDG_STATE_HOME", "/somewhere/state", 1);
    EXPECT_EQ(RecoveryFolderPath(), "/somewhere/state/Quillan/recovery");
    if (old)
        ::setenv("XDG_STATE_HOME", saved.c_str(), 1);
    else
        ::unsetenv("XDG_STATE_HOME");
}

TEST(RecoveryFolder, SessionsArePrivateAndALiveOneIsNeverTakenByAnotherStart)
{
    TTempFolder temp("recfolder");
    const std::string root = temp / "state/Quillan/recovery";
    TRecoveryFolder first(root);
    std::string error;
    ASSERT_TRUE(first.OpenSession(error)) << error;
    EXPECT_EQ(ModeOf(root), 0700u);
    EXPECT_EQ(ModeOf(first.Session()), 0700u);
    EXPECT_EQ(first.CopyPath("doc1.qrc"), first.Session() + "/doc1.qrc");
    Put(first.CopyPath("doc1.qrc"), "mine");

    // A second instance in the same folder: the first one's session is not offered, moved or
    // removed, however it asks.
    TRecoveryFolder second(root);
    ASSERT_TRUE(second.OpenSession(error)) << error;
    EXPECT_NE(second.Session(), first.Session());
    EXPECT_TRUE(second.ClaimAbandoned().empty());
    second.DiscardAbandoned();
    EXPECT_EQ(ReadFileBytes(first.CopyPath("doc1.qrc")), "mine");
    second.CloseSession();
    EXPECT_EQ(::access(second.Session().c_str(), F_OK), -1);
    EXPECT_EQ(ReadFileBytes(first.CopyPath("doc1.qrc")), "mine");
}

TEST(RecoveryFolder, AKilledRunsSessionIsClaimedByOneStartOnly)
{
    TTempFolder temp("recfolder");
    const std::string root = temp / "recovery";
    // A child process opens a session, writes a copy and dies without cleaning up, as kill -9
    // would leave it.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        TRecoveryFolder dying(root);
        std::string e;
        if (!dying.OpenSession(e))
            ::_exit(2);
        Put(dying.CopyPath("doc7.qrc"), "left behind");
        Put(dying.Session() + "/stray.tmp", "not a copy");
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

    TRecoveryFolder a(root), b(root);
    std::string error;
    ASSERT_TRUE(a.OpenSession(error)) << error;
    ASSERT_TRUE(b.OpenSession(error)) << error;
    const std::vector<std::string> claimed = a.ClaimAbandoned();
    ASSERT_EQ(claimed.size(), 1u);
    EXPECT_TRUE(claimed[0].ends_with("/doc7.qrc"));
    // While a holds the claim, b cannot take the same copies.
    EXPECT_TRUE(b.ClaimAbandoned().empty());
    std::string bytes;
    ASSERT_TRUE(a.ReadCopy(claimed[0], 1 << 20, bytes, error)) << error;
    EXPECT_EQ(bytes, "left behind");
    EXPECT_FALSE(a.ReadCopy(claimed[0], 5, bytes, error));
    // Kept for later: the next start gets them again.
    a.ReleaseAbandoned();
    const std::vector<std::string> again = b.ClaimAbandoned();
    ASSERT_EQ(again.size(), 1u);
    ASSERT_TRUE(b.AdoptCopy(again[0], "doc1.qrc"));
    EXPECT_EQ(ReadFileBytes(b.CopyPath("doc1.qrc")), "left behind");
    b.DiscardAbandoned();
    a.CloseSession();
    b.CloseSession();
    DIR* d = ::opendir(root.c_str());
    ASSERT_NE(d, nullptr);
    int entries = 0;
    while (const dirent* e = ::readdir(d))
        entries += std::string(e->d_name) != "." && std::string(e->d_name) != "..";
    ::closedir(d);
    EXPECT_EQ(entries, 0);
}

TEST(RecoveryFolder, LinksAndStrangersPlantedInTheFolderAreNeverFollowed)
{
    TTempFolder temp("recfolder");
    const std::string root = temp / "recovery";
    const std::string outside = temp / "outside";
    ASSERT_EQ(::mkdir(outside.c_str(), 0700), 0);
    Put(outside + "/doc1.qrc", "secret");
    TRecoveryFolder store(root);
    std::string error;
    ASSERT_TRUE(store.OpenSession(error)) << error;
    // A link posing as a session, and a session holding a link posing as a copy.
    ASSERT_EQ(::symlink(outside.c_str(), (root + "/123-linked").c_str()), 0);
    ASSERT_EQ(::mkdir((root + "/456-real").c_str(), 0700), 0);
    ASSERT_EQ(::symlink((outside + "/doc1.qrc").c_str(), (root + "/456-real/doc2.qrc").c_str()), 0);
    Put(root + "/789-file", "a file, not a session");
    // Reading refuses a link even when asked directly.
    std::string bytes;
    EXPECT_FALSE(store.ReadCopy(root + "/456-real/doc2.qrc", 1 << 20, bytes, error));
    EXPECT_NE(error.find("Too many levels"), std::string::npos) << error;
    EXPECT_TRUE(store.ClaimAbandoned().empty());
    store.DiscardAbandoned();
    EXPECT_EQ(ReadFileBytes(outside + "/doc1.qrc"), "secret");

    // A folder opened up by someone is closed again when the session starts.
    TRecoveryFolder later(root);
    ASSERT_EQ(::chmod(root.c_str(), 0755), 0);
    ASSERT_TRUE(later.OpenSession(error)) << error;
    EXPECT_EQ(ModeOf(root), 0700u);
}

} // namespace
} // namespace quillan
