#include "backends/posix/HandOff.h"
#include "backends/posix/InstanceLock.h"
#include "backends/posix/XdgPaths.h"
#include "support/TempFolder.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace quillan;
using namespace std::chrono_literals;

namespace {

// Each test gets its own runtime and document folders; the "other instance" is a forked child
// that runs the start-up decision as a second program start would.
class HandOffInstance : public ::testing::Test {
protected:
    testutil::TTempFolder FTemp { "ho" };
    void SetUp() override
    {
        FRoot = FTemp.Path();
        ::setenv("XDG_RUNTIME_DIR", FRoot.c_str(), 1);
        FFolder = RuntimeFolder();
        FDocs = FRoot + "/docs";
        std::filesystem::create_directory(FDocs);
    }
    void TearDown() override
    {
        for (pid_t pid : FChildren) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
        }
    }

    pid_t Fork(const std::function<int()>& body)
    {
        const pid_t pid = ::fork();
        if (pid == 0) {
            // A second program start shares no descriptors with the first; an inherited lock
            // descriptor would keep the parent's flock alive after the parent released it.
            ::close_range(3, ~0U, 0);
            ::_exit(body());
        }
        FChildren.push_back(pid);
        return pid;
    }
    // Exit status of a child, or -1 when it has not ended within the time.
    int Wait(pid_t pid, std::chrono::milliseconds limit = 10s)
    {
        const auto end = std::chrono::steady_clock::now() + limit;
        int status = 0;
        while (std::chrono::steady_clock::now() < end) {
            if (::waitpid(pid, &status, WNOHANG) == pid) {
                std::erase(FChildren, pid);
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
            }
            std::this_thread::sleep_for(5ms);
        }
        return -1;
    }
    // Looks without reaping, so that Wait still sees the exit status.
    bool Running(pid_t pid)
    {
        siginfo_t info {};
        return ::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == 0;
    }

    // Serves until one request arrived or the time is up.
    int ServeOne(THandOffReceiver& receiver, const THandOffReceiver::THandler& handler)
    {
        const auto end = std::chrono::steady_clock::now() + 10s;
        while (std::chrono::steady_clock::now() < end)
            if (int n = receiver.Serve(handler, 50))
                return n;
        return 0;
    }

    std::string HandOffFile() const { return FFolder + "/" + HandOffFileName; }

    std::string FRoot, FFolder, FDocs;
    std::vector<pid_t> FChildren;
};

TEST_F(HandOffInstance, SecondStartHandsOverItsFilesInOrderAndWaitsForTheReply)
{
    TStartResult first = StartInstance({});
    ASSERT_EQ(first.Role, TStartRole::srFirstInstance) << first.Error;
    ASSERT_TRUE(first.Receiver) << first.Error;
    ASSERT_TRUE(first.Lock && first.Lock->Held());
    first.Lock->Release(); // the main window exists now

    struct stat st { };
    ASSERT_EQ(::lstat(FFolder.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);

    for (const char* name : { "a.txt", "b.txt", "c.txt" })
        std::ofstream(FDocs + "/" + name) << name;
    // Relative names are relative to the second start's folder, not the running instance's; a
    // name with a line break cannot be one line of the file and stays behind.
    const pid_t second = Fork([&] {
        if (::chdir(FDocs.c_str()) != 0)
            return 2;
        TStartResult r = StartInstance({ "c.txt", "sub/../a.txt", "two\nlines", FDocs + "/b.txt" });
        return r.Role == TStartRole::srHandedOver ? 0 : 1;
    });

    THandOffRequest seen;
    bool fileGoneBeforeReply = false, senderStillWaiting = false;
    ASSERT_EQ(ServeOne(*first.Receiver,
                  [&](const THandOffRequest& request) {
                      seen = request;
                      fileGoneBeforeReply = !std::filesystem::exists(std::filesystem::symlink_status(HandOffFile()));
                      std::this_thread::sleep_for(100ms);
                      senderStillWaiting = Running(second);
                  }),
        1);
    EXPECT_EQ(Wait(second), 0);
    EXPECT_TRUE(seen.HandOff);
    EXPECT_EQ(seen.Files, (std::vector<std::string> { FDocs + "/c.txt", FDocs + "/a.txt", FDocs + "/b.txt" }));
    EXPECT_TRUE(fileGoneBeforeReply);
    EXPECT_TRUE(senderStillWaiting) << "the second start ended before the files were handled";
}

TEST_F(HandOffInstance, SecondStartWithoutArgumentsOnlyBringsTheRunningOneForward)
{
    TStartResult first = StartInstance({});
    ASSERT_TRUE(first.Receiver) << first.Error;
    first.Lock->Release();
    const pid_t second = Fork([] { return StartInstance({}).Role == TStartRole::srHandedOver ? 0 : 1; });
    std::vector<THandOffRequest> requests;
    const auto end = std::chrono::steady_clock::now() + 10s;
    while (requests.empty() && std::chrono::steady_clock::now() < end)
        requests = first.Receiver->HandleIncoming(50);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_FALSE(requests[0].HandOff);
    EXPECT_TRUE(requests[0].Files.empty());
    EXPECT_EQ(Wait(second), 0);
    EXPECT_FALSE(std::filesystem::exists(HandOffFile()));
}

TEST_F(HandOffInstance, StartWaitsForTheLockAndGivesUpSilently)
{
    std::string error;
    ASSERT_TRUE(EnsurePrivateFolder(FFolder, error)) << error;
    TInstanceLock held;
    ASSERT_EQ(held.Acquire(FFolder, 0ms, error), TInstanceLock::TResult::lrAcquired) << error;

    const auto start = std::chrono::steady_clock::now();
    const pid_t second = Fork([] {
        TInstanceOptions options;
        options.LockTimeout = 300ms;
        return StartInstance({ "x" }, options).Role == TStartRole::srLockTimedOut ? 0 : 1;
    });
    EXPECT_EQ(Wait(second), 0);
    EXPECT_GE(std::chrono::steady_clock::now() - start, 300ms);
    EXPECT_FALSE(std::filesystem::exists(HandOffFile()));

    // A waiter gets the lock as soon as the holder lets go, well within its time-out.
    const pid_t waiter = Fork([&] {
        TInstanceLock lock;
        std::string e;
        return lock.Acquire(FFolder, 5s, e) == TInstanceLock::TResult::lrAcquired ? 0 : 1;
    });
    std::this_thread::sleep_for(200ms);
    EXPECT_TRUE(Running(waiter));
    held.Release();
    EXPECT_EQ(Wait(waiter, 3s), 0);
}

TEST_F(HandOffInstance, LockOfACrashedStartIsFreeAndItsSocketIsReplaced)
{
    std::string error;
    ASSERT_TRUE(EnsurePrivateFolder(FFolder, error)) << error;
    // A process that dies holding the lock and leaving its bound socket behind.
    const pid_t crashed = Fork([&] {
        TInstanceLock lock;
        std::string e;
        lock.Acquire(FFolder, 0ms, e);
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address {};
        address.sun_family = AF_UNIX;
        const std::string path = FFolder + "/" + InstanceSocketName;
        std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
        ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(fd, 1);
        ::kill(::getpid(), SIGKILL);
        return 0;
    });
    EXPECT_EQ(Wait(crashed), 128);
    ASSERT_TRUE(std::filesystem::is_socket(FFolder + "/" + InstanceSocketName));

    TInstanceOptions options;
    options.LockTimeout = 1s;
    TStartResult start = StartInstance({ "x" }, options);
    EXPECT_EQ(start.Role, TStartRole::srFirstInstance);
    EXPECT_TRUE(start.Receiver) << start.Error;
}

TEST_F(HandOffInstance, HandOffThatCannotBeWrittenSendsNothing)
{
    TStartResult first = StartInstance({});
    ASSERT_TRUE(first.Receiver) << first.Error;
    first.Lock->Release();
    std::filesystem::create_directory(HandOffFile()); // the rename onto it must fail

    int handled = 0;
    const pid_t second = Fork([&] {
        TStartResult r = StartInstance({ "a" });
        return r.Role == TStartRole::srHandOffFailed && r.Error.starts_with("Cannot create file") ? 0 : 1;
    });
    const auto end = std::chrono::steady_clock::now() + 10s;
    while (Running(second) && std::chrono::steady_clock::now() < end)
        handled += first.Receiver->Serve({}, 20);
    handled += first.Receiver->Serve({}, 50);
    EXPECT_EQ(Wait(second), 0);
    EXPECT_EQ(handled, 0);
}

TEST_F(HandOffInstance, SecondStartGivesUpWhenTheRunningOneNeverAnswers)
{
    TStartResult first = StartInstance({});
    ASSERT_TRUE(first.Receiver) << first.Error;
    first.Lock->Release();
    const pid_t second = Fork([] {
        TInstanceOptions options;
        options.ReplyTimeout = 200ms;
        TStartResult r = StartInstance({ "a" }, options);
        return r.Role == TStartRole::srHandOffFailed ? 0 : 1;
    });
    EXPECT_EQ(Wait(second), 0);
}

TEST_F(HandOffInstance, UnsafeRuntimeFolderMeansNoSingleInstance)
{
    ASSERT_EQ(::mkdir(FFolder.c_str(), 0755), 0);
    ::chmod(FFolder.c_str(), 0755);
    TStartResult start = StartInstance({ "a" });
    EXPECT_EQ(start.Role, TStartRole::srFirstInstance);
    EXPECT_FALSE(start.Error.empty());
    EXPECT_FALSE(start.Lock);
    EXPECT_FALSE(start.Receiver);
    EXPECT_FALSE(std::filesystem::exists(FFolder + "/" + InstanceSocketName));
}

TEST_F(HandOffInstance, OnlyARegularFileOfTheUserIsReadAsHandOff)
{
    std::string error;
    ASSERT_TRUE(EnsurePrivateFolder(FFolder, error)) << error;

    // One path per line, byte for byte, empty lines skipped, the file deleted afterwards.
    std::ofstream(HandOffFile(), std::ios::binary) << "/x/one\r\n\n/x/two\n/x/three";
    EXPECT_EQ(ReadHandOffFile(FFolder), (std::vector<std::string> { "/x/one\r", "/x/two", "/x/three" }));
    EXPECT_FALSE(std::filesystem::exists(HandOffFile()));
    EXPECT_TRUE(ReadHandOffFile(FFolder).empty());

    const std::string elsewhere = FRoot + "/planted.txt";
    std::ofstream(elsewhere) << "/etc/shadow\n";
    ASSERT_EQ(::symlink(elsewhere.c_str(), HandOffFile().c_str()), 0);
    EXPECT_TRUE(ReadHandOffFile(FFolder).empty());
    EXPECT_TRUE(std::filesystem::exists(elsewhere));
    EXPECT_TRUE(std::filesystem::is_symlink(HandOffFile()));
    // Writing replaces the link instead of writing through it.
    ASSERT_TRUE(WriteHandOffFile(FFolder, { "/a", "/b" }, error)) << error;
    EXPECT_FALSE(std::filesystem::is_symlink(HandOffFile()));
    EXPECT_EQ(ReadHandOffFile(FFolder), (std::vector<std::string> { "/a", "/b" }));
    std::ifstream planted(elsewhere);
    std::string line;
    std::getline(planted, line);
    EXPECT_EQ(line, "/etc/shadow");

    ASSERT_EQ(::mkfifo(HandOffFile().c_str(), 0600), 0);
    EXPECT_TRUE(ReadHandOffFile(FFolder).empty()); // and did not block
    std::filesystem::remove(HandOffFile());

    if (::geteuid() == 0) {
        std::ofstream(HandOffFile()) << "/x/foreign\n";
        ASSERT_EQ(::chown(HandOffFile().c_str(), 65534, 65534), 0);
        EXPECT_TRUE(ReadHandOffFile(FFolder).empty());
        EXPECT_TRUE(std::filesystem::exists(HandOffFile()));
    }
}

} // namespace
