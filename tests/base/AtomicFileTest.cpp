#include "base/AtomicFile.h"

#include "support/TempFolder.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <grp.h>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <utime.h>
#include <vector>

#if defined(QUILLAN_HAVE_LIBACL)
#include <acl/libacl.h>
#include <sys/acl.h>
#endif

namespace quillan {
namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;

constexpr uid_t kNobody = 65534;

class AtomicFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/quillan-atomic-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        FDir = pattern;
        ::chmod(FDir.c_str(), 0755); // another user may look in
    }
    void TearDown() override
    {
        std::error_code ec;
        fs::permissions(FDir, fs::perms::all, ec);
        fs::remove_all(FDir, ec);
    }

    std::string Path(const std::string& name) const { return FDir + "/" + name; }
    std::string Write(const std::string& name, const std::string& bytes) const
    {
        std::ofstream(Path(name), std::ios::binary) << bytes;
        return Path(name);
    }
    static std::string Read(const std::string& path) { return testutil::ReadFileBytes(path); }
    static Names Entries(const std::string& folder)
    {
        Names names;
        for (const auto& e : fs::directory_iterator(folder))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    static struct stat Stat(const std::string& path)
    {
        struct stat st { };
        EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
        return st;
    }
    // Runs `body` in a child process as an ordinary user (nobody when the tests run as root);
    // its result is the child's exit code, so the body returns the number of the check that
    // failed, or 0.
    static int AsOrdinaryUser(const std::function<int()>& body)
    {
        const pid_t child = ::fork();
        if (child == 0) {
            if (::geteuid() == 0 && (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0))
                ::_exit(99);
            ::_exit(body());
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : 98;
    }
    static void Age(const std::string& path, int seconds)
    {
        struct utimbuf times { };
        times.actime = times.modtime = ::time(nullptr) - seconds;
        ASSERT_EQ(::utime(path.c_str(), &times), 0);
    }

    std::string FDir;
};

TEST_F(AtomicFileTest, ReplacesThroughALinkKeepingModeOwnerAndTheLink)
{
    const std::string doc = Write("doc.txt", "old\n");
    ASSERT_EQ(::chmod(doc.c_str(), 0640), 0);
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::chown(doc.c_str(), 1234, 4321), 0);
    }
    ASSERT_EQ(::symlink("doc.txt", Path("link").c_str()), 0);
    const ino_t before = Stat(doc).st_ino;

    TAtomicFileError error;
    ASSERT_TRUE(WriteFileAtomically(Path("link"), "new\n", {}, &error)) << error.Message;
    EXPECT_EQ(Read(doc), "new\n");
    EXPECT_TRUE(S_ISLNK(Stat(Path("link")).st_mode)) << "the link stays a link";
    const struct stat after = Stat(doc);
    EXPECT_NE(after.st_ino, before) << "replaced by rename, not written in place";
    EXPECT_EQ(after.st_mode & 07777, 0640u);
    if (root) {
        EXPECT_EQ(after.st_uid, 1234u);
        EXPECT_EQ(after.st_gid, 4321u);
    }
    EXPECT_EQ(Entries(FDir), (Names { "doc.txt", "link" }));

    // Told to replace links, the link itself gives way and what it named stays.
    TAtomicFileOptions replace;
    replace.Links = TLinkPolicy::lpReplaceLink;
    ASSERT_TRUE(WriteFileAtomically(Path("link"), "own\n", replace));
    EXPECT_TRUE(S_ISREG(Stat(Path("link")).st_mode));
    EXPECT_EQ(Read(doc), "new\n");
}

TEST_F(AtomicFileTest, AbandonedSavesLeaveTheOldFileAndNoTemporaryFile)
{
    const std::string doc = Write("doc.txt", "old\n");
    {
        TAtomicFile file;
        ASSERT_TRUE(file.Open(doc));
        ASSERT_TRUE(file.Write("half"));
        EXPECT_TRUE(fs::exists(file.TempName()));
        EXPECT_TRUE(TAtomicFile::IsTempNameFor(fs::path(file.TempName()).filename().string(), doc));
    } // destroyed without Commit
    EXPECT_EQ(Read(doc), "old\n");
    EXPECT_EQ(Entries(FDir), (Names { "doc.txt" }));

    TAtomicFile file;
    ASSERT_TRUE(file.Open(doc));
    file.Abandon();
    EXPECT_FALSE(file.Commit()) << "nothing left to commit";
    EXPECT_EQ(Entries(FDir), (Names { "doc.txt" }));

    fs::create_directory(Path("folder"));
    TAtomicFileError error;
    EXPECT_FALSE(WriteFileAtomically(Path("folder"), "x", {}, &error));
    EXPECT_EQ(error.Kind, TAtomicFileFailure::afCreate);
    EXPECT_EQ(error.Errno, EISDIR);
}

TEST_F(AtomicFileTest, AVanishedFolderIsACreateError)
{
    TAtomicFileError error;
    EXPECT_FALSE(WriteFileAtomically(Path("gone/doc.txt"), "x", {}, &error));
    EXPECT_EQ(error.Kind, TAtomicFileFailure::afCreate);
    EXPECT_EQ(error.Errno, ENOENT);
    EXPECT_NE(error.Message.find(Path("gone/doc.txt")), std::string::npos) << error.Message;

    // The folder goes while the save is on its way.
    fs::create_directory(Path("sub"));
    TAtomicFile file;
    ASSERT_TRUE(file.Open(Path("sub/doc.txt")));
    ASSERT_TRUE(file.Write("text"));
    fs::remove_all(Path("sub"));
    EXPECT_FALSE(file.Commit());
    EXPECT_EQ(file.Error().Kind, TAtomicFileFailure::afCreate);
    EXPECT_FALSE(fs::exists(Path("sub")));

    TAtomicFileOptions make;
    make.CreateFolders = true;
    ASSERT_TRUE(WriteFileAtomically(Path("a/b/doc.txt"), "made", make));
    EXPECT_EQ(Read(Path("a/b/doc.txt")), "made");
}

TEST_F(AtomicFileTest, AReadOnlyFolderTakesNoNewFileButItsWritableFilesAreWrittenInPlace)
{
    const std::string folder = Path("ro");
    fs::create_directory(folder);
    const std::string spare = Path("spare");
    fs::create_directory(spare);
    const std::string doc = Write("ro/doc.txt", "old text\n");
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(doc.c_str(), kNobody, kNobody), 0);
        ASSERT_EQ(::chown(spare.c_str(), kNobody, kNobody), 0);
    }
    ASSERT_EQ(::chmod(folder.c_str(), 0555), 0);
    const ino_t inode = Stat(doc).st_ino;

    const int failed = AsOrdinaryUser([&] {
        TAtomicFileError error;
        if (WriteFileAtomically(folder + "/new.txt", "x", {}, &error))
            return 1;
        if (error.Kind != TAtomicFileFailure::afCreate || error.Errno != EACCES)
            return 2;
        ::setenv("TMPDIR", spare.c_str(), 1); // where the backup goes when the folder refuses it
        if (!WriteFileAtomically(doc, "new text\n", {}, &error))
            return 3;
        return 0;
    });
    EXPECT_EQ(failed, 0);
    EXPECT_EQ(Read(doc), "new text\n");
    EXPECT_EQ(Stat(doc).st_ino, inode) << "written in place";
    EXPECT_EQ(Entries(folder), (Names { "doc.txt" }));
    EXPECT_TRUE(Entries(spare).empty()) << "the backup is removed once the new text is on disk";
}

TEST_F(AtomicFileTest, AFileOfAnotherUserKeepsItsOwnerOrIsNotSaved)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to make a file of another user";
    const std::string folder = Path("shared");
    fs::create_directory(folder);
    ASSERT_EQ(::chmod(folder.c_str(), 0777), 0); // nobody may make files here
    const std::string writable = Write("shared/open.txt", "old\n");
    ASSERT_EQ(::chmod(writable.c_str(), 0666), 0);
    const std::string closed = Write("shared/closed.txt", "old\n");
    ASSERT_EQ(::chmod(closed.c_str(), 0644), 0);

    const int failed = AsOrdinaryUser([&] {
        TAtomicFileError error;
        if (!WriteFileAtomically(writable, "new\n", {}, &error))
            return 1;
        if (WriteFileAtomically(closed, "new\n", {}, &error) || error.Kind != TAtomicFileFailure::afCreate)
            return 2;
        return 0;
    });
    EXPECT_EQ(failed, 0);
    EXPECT_EQ(Read(writable), "new\n");
    EXPECT_EQ(Stat(writable).st_uid, 0u) << "the owner did not change";
    EXPECT_EQ(Read(closed), "old\n");
    EXPECT_EQ(Stat(closed).st_uid, 0u);
    EXPECT_EQ(Entries(folder), (Names { "closed.txt", "open.txt" }));
}

TEST_F(AtomicFileTest, HardLinksStayOneFile)
{
    const std::string h1 = Write("h1", "old contents\n");
    ASSERT_EQ(::link(h1.c_str(), Path("h2").c_str()), 0);
    TAtomicFile file;
    ASSERT_TRUE(file.Open(h1));
    EXPECT_TRUE(file.InPlace());
    EXPECT_TRUE(fs::exists(file.BackupName()));
    EXPECT_EQ(Read(file.BackupName()), "old contents\n");
    ASSERT_TRUE(file.Write("new\n"));
    ASSERT_TRUE(file.Commit()) << file.Error().Message;
    EXPECT_EQ(Read(Path("h2")), "new\n") << "the second name sees the new contents";
    EXPECT_EQ(Stat(h1).st_nlink, 2u);
    EXPECT_EQ(Entries(FDir), (Names { "h1", "h2" })) << "the backup is gone";

    // A failure half way puts the old bytes back.
    ASSERT_TRUE(file.Open(h1));
    ASSERT_TRUE(file.Write("a longer text that is never committed\n"));
    file.Abandon();
    EXPECT_EQ(Read(Path("h2")), "new\n");
    EXPECT_EQ(Entries(FDir), (Names { "h1", "h2" }));
}

TEST_F(AtomicFileTest, AFullDiskLeavesTheOldFileWhole)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "mounting a small tmpfs needs root";
    const std::string disk = Path("disk");
    fs::create_directory(disk);
    if (::mount("quillan-test", disk.c_str(), "tmpfs", 0, "size=64k") != 0)
        GTEST_SKIP() << "cannot mount a tmpfs here: " << std::strerror(errno);
    struct Unmount {
        std::string Path;
        ~Unmount() { ::umount2(Path.c_str(), MNT_DETACH); }
    } unmount { disk };

    const std::string old(20000, 'o');
    const std::string doc = disk + "/doc.txt";
    std::ofstream(doc, std::ios::binary) << old;
    const std::string big(200000, 'n');
    TAtomicFileError error;
    EXPECT_FALSE(WriteFileAtomically(doc, big, {}, &error));
    EXPECT_EQ(error.Kind, TAtomicFileFailure::afWrite);
    EXPECT_EQ(error.Errno, ENOSPC);
    EXPECT_EQ(Read(doc), old);
    EXPECT_EQ(Entries(disk), (Names { "doc.txt" }));

    // In place (a second link): the backup fits, the new text does not, the old text comes back.
    ASSERT_EQ(::link(doc.c_str(), (disk + "/twin").c_str()), 0);
    EXPECT_FALSE(WriteFileAtomically(doc, big, {}, &error));
    EXPECT_EQ(error.Kind, TAtomicFileFailure::afWrite);
    EXPECT_EQ(Read(disk + "/twin"), old);
    EXPECT_EQ(Entries(disk), (Names { "doc.txt", "twin" }));
}

TEST_F(AtomicFileTest, ExtendedAttributesAndAclsAreKept)
{
    const std::string doc = Write("doc.txt", "old\n");
    if (::setxattr(doc.c_str(), "user.quillan.test", "kept", 4, 0) != 0)
        GTEST_SKIP() << "this file system takes no user attributes: " << std::strerror(errno);
#if defined(QUILLAN_HAVE_LIBACL)
    acl_t acl = acl_from_text("u::rw-,g::rw-,g:4321:r--,m::r--,o::---");
    ASSERT_NE(acl, nullptr);
    const bool aclSet = acl_set_file(doc.c_str(), ACL_TYPE_ACCESS, acl) == 0;
    acl_free(acl);
    auto aclText = [](const std::string& path) {
        acl_t now = acl_get_file(path.c_str(), ACL_TYPE_ACCESS);
        char* text = now ? acl_to_any_text(now, nullptr, ',', 0) : nullptr;
        std::string result = text ? text : "";
        acl_free(text);
        acl_free(now);
        return result;
    };
    const std::string aclBefore = aclSet ? aclText(doc) : "";
#endif
    ASSERT_TRUE(WriteFileAtomically(doc, "new\n"));
    EXPECT_EQ(Read(doc), "new\n");
    char value[16] = {};
    EXPECT_EQ(::getxattr(doc.c_str(), "user.quillan.test", value, sizeof value), 4);
    EXPECT_STREQ(value, "kept");
#if defined(QUILLAN_HAVE_LIBACL)
    if (!aclSet)
        GTEST_SKIP() << "this file system takes no ACLs";
    EXPECT_EQ(aclText(doc), aclBefore);
    EXPECT_NE(aclBefore.find("group:4321:r--"), std::string::npos) << aclBefore;
    EXPECT_EQ(Stat(doc).st_mode & 070, 040u) << "the group bits stay the mask, not widened";
#else
    GTEST_SKIP() << "built without libacl: attributes checked, ACL text not";
#endif
}

TEST_F(AtomicFileTest, StaleTemporaryFilesOfKilledSavesAreSwept)
{
    const std::string doc = Write("doc.txt", "old\n");
    const std::string stale = Write(".doc.txt.quillan-aaaaaaaa.tmp", "left by a kill");
    const std::string fresh = Write(".doc.txt.quillan-bbbbbbbb.tmp", "a save under way");
    const std::string locked = Write(".doc.txt.quillan-cccccccc.tmp", "a slow save under way");
    const std::string other = Write(".doc.txt.quillan-dddddddd.bak", "a backup is never swept");
    const std::string foreign = Write(".other.txt.quillan-eeeeeeee.tmp", "another file's");
    for (const std::string& p : { stale, locked, other, foreign })
        Age(p, 120);
    const int lock = ::open(locked.c_str(), O_RDONLY);
    ASSERT_EQ(::flock(lock, LOCK_EX), 0);

    ASSERT_TRUE(WriteFileAtomically(doc, "new\n"));
    ::close(lock);
    EXPECT_EQ(Entries(FDir),
        (Names { ".doc.txt.quillan-bbbbbbbb.tmp", ".doc.txt.quillan-cccccccc.tmp", ".doc.txt.quillan-dddddddd.bak",
            ".other.txt.quillan-eeeeeeee.tmp", "doc.txt" }));
}

TEST_F(AtomicFileTest, AFifoWithoutAReaderFailsAtOnce)
{
    const std::string fifo = Path("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    TAtomicFileError error;
    EXPECT_FALSE(WriteFileAtomically(fifo, "x", {}, &error));
    EXPECT_EQ(error.Kind, TAtomicFileFailure::afCreate);
    EXPECT_EQ(error.Errno, ENXIO);
    EXPECT_TRUE(S_ISFIFO(Stat(fifo).st_mode));
    EXPECT_EQ(Entries(FDir), (Names { "fifo" }));

    ASSERT_TRUE(WriteFileAtomically("/dev/null", "into the void")) << "devices are written in place";
}

} // namespace
} // namespace quillan
