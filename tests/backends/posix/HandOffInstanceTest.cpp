#include "backends/posix/HandOff.h"
#include "backends/posix/InstanceLock.h"
#include "backends/posix/XdgPaths.h"
#include "support/TempFolder.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <set>
#include <sys/file.h>
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
        if (const char* home = std::getenv("HOME"))
            FOldHome = home;
        ::setenv("XDG_RUNTIME_DIR", FRoot.c_str(), 1);
        FFolder = RuntimeFolder();
        FDocs = FRoot + "/docs";
        std::filesystem::create_directory(FDocs);
    }
    void TearDown() override
    {
        if (FOldHome)
            ::setenv("HOME", FOldHome->c_str(), 1);
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
    std::optional<std::string> FOldHome;
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
    EXPECT_EQ(TInstanceOptions {}.ReplyTimeout, 10s) << "a second start must never wait for good";
    TStartResult first = StartInstance({});
    ASSERT_TRUE(first.Receiver) << first.Error;
    first.Lock->Release();
    // The receiver's socket takes the connection but nobody serves it.
    TInstanceOptions options;
    options.ReplyTimeout = 200ms;
    TStartResult second = StartInstance({ FDocs + "/a" }, options);
    EXPECT_EQ(second.Role, TStartRole::srHandOffFailed);
    EXPECT_EQ(second.Error, "Quillan is running but does not answer");
    EXPECT_FALSE(second.Lock) << "the lock must go with the give-up, not with the exit";
    std::string error;
    TInstanceLock probe;
    EXPECT_EQ(probe.Acquire(FFolder, 0ms, error), TInstanceLock::TResult::lrAcquired) << error;
    probe.Release();
    // The files were reported as not handed over: a receiver that wakes up late gets the message
    // but not the files.
    EXPECT_FALSE(std::filesystem::exists(HandOffFile()));
    const std::vector<THandOffRequest> late = first.Receiver->HandleIncoming(100);
    ASSERT_EQ(late.size(), 1u);
    EXPECT_TRUE(late[0].Files.empty());
}

TEST_F(HandOffInstance, StoppedInstanceWithAFullBacklogDoesNotHangLaterStarts)
{
    const pid_t running = Fork([&] {
        TStartResult r = StartInstance({});
        if (!r.Receiver)
            return 1;
        r.Lock->Release();
        for (;;)
            r.Receiver->Serve({}, 100);
    });
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", (FFolder + "/" + InstanceSocketName).c_str());
    // Ready once it listens and has let go of the lock.
    bool listening = false;
    for (int i = 0; i < 500 && !listening; ++i) {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        listening = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
        ::close(fd);
        if (!listening)
            std::this_thread::sleep_for(10ms);
    }
    ASSERT_TRUE(listening);
    std::string error;
    TInstanceLock probe;
    ASSERT_EQ(probe.Acquire(FFolder, 10s, error), TInstanceLock::TResult::lrAcquired) << error;
    probe.Release();
    ASSERT_EQ(::kill(running, SIGSTOP), 0);

    // Fill the stopped instance's backlog, as a burst of starts would.
    std::vector<int> queued;
    for (int i = 0; i < 200; ++i) {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0);
        if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            ::close(fd);
            break;
        }
        queued.push_back(fd);
    }
    ASSERT_LT(queued.size(), 200u) << "the backlog never filled";

    const pid_t second = Fork([] {
        TInstanceOptions options;
        options.ReplyTimeout = 300ms;
        TStartResult r = StartInstance({ "a" }, options);
        return r.Role == TStartRole::srHandOffFailed && r.Error == "Quillan is running but does not answer" ? 0 : 1;
    });
    EXPECT_EQ(Wait(second, 20s), 0);

    // Once it runs again, the next start is served as usual.
    ::kill(running, SIGCONT);
    for (int fd : queued)
        ::close(fd);
    const pid_t third = Fork([] { return StartInstance({}).Role == TStartRole::srHandedOver ? 0 : 1; });
    EXPECT_EQ(Wait(third, 20s), 0);
}

TEST_F(HandOffInstance, OpenRuntimeFolderOfOurOwnIsClosedAndUsed)
{
    ASSERT_EQ(::mkdir(FFolder.c_str(), 0777), 0);
    ::chmod(FFolder.c_str(), 0777);
    TStartResult start = StartInstance({ "a" });
    EXPECT_EQ(start.Role, TStartRole::srFirstInstance);
    EXPECT_TRUE(start.Error.empty()) << start.Error;
    EXPECT_TRUE(start.Lock);
    EXPECT_TRUE(start.Receiver);
    struct stat st { };
    ASSERT_EQ(::lstat(FFolder.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
}

TEST_F(HandOffInstance, UnsafeRuntimeFolderWithoutAFallbackMeansNoSingleInstance)
{
    std::ofstream(FFolder) << "not a folder";
    std::ofstream(FRoot + "/homefile") << "not a folder either";
    ::setenv("HOME", (FRoot + "/homefile").c_str(), 1);
    ::unsetenv("XDG_STATE_HOME");
    TStartResult start = StartInstance({ "a" });
    EXPECT_EQ(start.Role, TStartRole::srFirstInstance);
    EXPECT_FALSE(start.Error.empty());
    EXPECT_FALSE(start.Lock);
    EXPECT_FALSE(start.Receiver);
}

TEST_F(HandOffInstance, RuntimeFolderOfAnotherUserGivesWayToOneInTheHome)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "making a folder owned by another user needs root";
    const std::string home = FRoot + "/home";
    std::filesystem::create_directory(home);
    ::setenv("HOME", home.c_str(), 1);
    ::unsetenv("XDG_STATE_HOME");
    ASSERT_EQ(::mkdir(FFolder.c_str(), 0700), 0);
    ASSERT_EQ(::chown(FFolder.c_str(), 65534, 65534), 0);

    TStartResult first = StartInstance({});
    ASSERT_EQ(first.Role, TStartRole::srFirstInstance);
    EXPECT_TRUE(first.Error.empty()) << first.Error;
    ASSERT_TRUE(first.Receiver);
    ASSERT_TRUE(first.Lock);
    const std::string fallback = home + "/.local/state/Quillan/run";
    EXPECT_EQ(first.Receiver->Folder(), fallback);
    struct stat st { };
    ASSERT_EQ(::lstat(fallback.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    EXPECT_FALSE(std::filesystem::exists(FFolder + "/" + InstanceSocketName));
    first.Lock->Release();

    // And it is still one instance: the next start hands over to the first.
    const pid_t second = Fork([&] { return StartInstance({ FDocs + "/x" }).Role == TStartRole::srHandedOver ? 0 : 1; });
    THandOffRequest seen;
    ASSERT_EQ(ServeOne(*first.Receiver, [&](const THandOffRequest& request) { seen = request; }), 1);
    EXPECT_EQ(Wait(second), 0);
    EXPECT_EQ(seen.Files, std::vector<std::string> { FDocs + "/x" });
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

TEST_F(HandOffInstance, StartThatGivesUpOnTheLockNamesTheFilesItCouldNotHandOver)
{
    std::string error;
    ASSERT_TRUE(EnsurePrivateFolder(FFolder, error)) << error;
    TInstanceLock held;
    ASSERT_EQ(held.Acquire(FFolder, 0ms, error), TInstanceLock::TResult::lrAcquired) << error;

    TInstanceOptions options;
    options.LockTimeout = 100ms;
    const std::filesystem::path here = std::filesystem::current_path();
    std::filesystem::current_path(FDocs);
    TStartResult withFiles = StartInstance({ "a.txt", FDocs + "/b.txt" }, options);
    std::filesystem::current_path(here);
    EXPECT_EQ(withFiles.Role, TStartRole::srLockTimedOut);
    EXPECT_FALSE(withFiles.Lock);
    EXPECT_EQ(withFiles.NotHandedOver, (std::vector<std::string> { FDocs + "/a.txt", FDocs + "/b.txt" }));
    EXPECT_EQ(StartFailureText(withFiles),
        "Another start of Quillan did not finish in time; these files were not opened:\n" + FDocs + "/a.txt\n" + FDocs
            + "/b.txt");

    // Nothing to hand over, nothing lost: the start ends quietly.
    TStartResult bare = StartInstance({}, options);
    EXPECT_EQ(bare.Role, TStartRole::srLockTimedOut);
    EXPECT_TRUE(bare.NotHandedOver.empty());
    EXPECT_EQ(StartFailureText(bare), "");

    TStartResult success;
    success.Role = TStartRole::srHandedOver;
    EXPECT_EQ(StartFailureText(success), "");
    TStartResult silent;
    silent.Role = TStartRole::srHandOffFailed;
    silent.Error = "Quillan is running but does not answer";
    silent.NotHandedOver = { "/x/one" };
    EXPECT_EQ(StartFailureText(silent), "Quillan is running but does not answer; this file was not opened:\n/x/one");
}

TEST_F(HandOffInstance, WaitingForTheLockLeavesTheProcessAsItWas)
{
    std::string error;
    ASSERT_TRUE(EnsurePrivateFolder(FFolder, error)) << error;
    TInstanceLock held;
    ASSERT_EQ(held.Acquire(FFolder, 0ms, error), TInstanceLock::TResult::lrAcquired) << error;

    // The wait is interrupted by a timer signal; whoever uses that signal must get it back.
    static volatile std::sig_atomic_t alarms = 0;
    struct sigaction mine { };
    mine.sa_handler = [](int) { alarms = alarms + 1; };
    sigemptyset(&mine.sa_mask);
    struct sigaction before { };
    ASSERT_EQ(::sigaction(SIGALRM, &mine, &before), 0);
    TInstanceLock waiter;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(waiter.Acquire(FFolder, 250ms, error), TInstanceLock::TResult::lrTimedOut);
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, 250ms);
    EXPECT_LT(waited, 2s);
    std::this_thread::sleep_for(120ms);
    EXPECT_EQ(alarms, 0) << "the wait's timer outlived the wait";
    ::raise(SIGALRM);
    EXPECT_EQ(alarms, 1) << "the signal's own handler was not put back";
    struct sigaction after { };
    ::sigaction(SIGALRM, &before, &after);
    EXPECT_EQ(after.sa_handler, mine.sa_handler);

    // A waiter in another thread is woken by the release itself, not by a later look.
    std::atomic<bool> got { false };
    std::thread other([&] {
        TInstanceLock lock;
        std::string e;
        got = lock.Acquire(FFolder, 5s, e) == TInstanceLock::TResult::lrAcquired;
    });
    std::this_thread::sleep_for(100ms);
    EXPECT_FALSE(got);
    held.Release();
    other.join();
    EXPECT_TRUE(got);
}

TEST_F(HandOffInstance, LockWaitLastsWhileTheLockChangesHandsButNotAfterAHolderFoundNoAnswer)
{
    std::string error;
    ASSERT_TRUE(EnsurePrivateFolder(FFolder, error)) << error;
    const std::string path = FFolder + "/instance.lock";
    // Holders in turn, as in a burst of starts: each new holder signs the lock file.
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_EX), 0);
    const auto takeTurns = [&](std::chrono::milliseconds total) {
        const auto end = std::chrono::steady_clock::now() + total;
        for (int turn = 0; std::chrono::steady_clock::now() < end; ++turn) {
            const std::string sign = "holder " + std::to_string(turn) + "\n";
            EXPECT_EQ(::pwrite(fd, sign.data(), sign.size(), 0), static_cast<ssize_t>(sign.size()));
            std::this_thread::sleep_for(100ms);
        }
    };

    std::atomic<int> result { -1 };
    std::thread waiter([&] {
        TInstanceLock lock;
        std::string e;
        result = static_cast<int>(lock.Acquire(FFolder, 300ms, e));
    });
    takeTurns(700ms); // more than the time-out, less than three of them
    ::flock(fd, LOCK_UN);
    waiter.join();
    EXPECT_EQ(result, static_cast<int>(TInstanceLock::TResult::lrAcquired));

    // Once a holder found the running instance silent, later changes of hands do not count: the
    // next holders would only wait for the same silent window.
    ASSERT_EQ(::flock(fd, LOCK_EX), 0);
    result = -1;
    std::chrono::steady_clock::time_point marked;
    std::chrono::steady_clock::duration waited {};
    std::thread patient([&] {
        TInstanceLock lock;
        std::string e;
        result = static_cast<int>(lock.Acquire(FFolder, 400ms, e));
        waited = std::chrono::steady_clock::now() - marked;
    });
    takeTurns(300ms);
    const std::string mark = "no answer\n";
    ASSERT_EQ(::ftruncate(fd, 0), 0);
    marked = std::chrono::steady_clock::now();
    ASSERT_EQ(::pwrite(fd, mark.data(), mark.size(), 0), static_cast<ssize_t>(mark.size()));
    std::this_thread::sleep_for(100ms);
    takeTurns(1500ms);
    patient.join();
    EXPECT_EQ(result, static_cast<int>(TInstanceLock::TResult::lrTimedOut));
    EXPECT_LT(waited, 1000ms) << "the waiter went on waiting after the mark";
    ::close(fd);
}

TEST_F(HandOffInstance, SecondStartLetsGoOfTheLockOnceItsFilesAreTaken)
{
    TStartResult first = StartInstance({});
    ASSERT_TRUE(first.Receiver) << first.Error;
    first.Lock->Release();
    // The sender reports and then lingers, as a slow process exit would.
    const std::string report = FRoot + "/report";
    const pid_t second = Fork([&] {
        TStartResult r = StartInstance({ FDocs + "/a" });
        std::ofstream(report) << (r.Role == TStartRole::srHandedOver && !r.Lock ? "handed over, lock released" : "no");
        std::this_thread::sleep_for(3s);
        return 0;
    });
    ASSERT_EQ(ServeOne(*first.Receiver, {}), 1);
    for (int i = 0; i < 500 && testutil::ReadFileBytes(report).empty(); ++i)
        std::this_thread::sleep_for(10ms);
    EXPECT_EQ(testutil::ReadFileBytes(report), "handed over, lock released");
    ASSERT_TRUE(Running(second));
    std::string error;
    TInstanceLock next;
    EXPECT_EQ(next.Acquire(FFolder, 1s, error), TInstanceLock::TResult::lrAcquired)
        << "the next start waits for the previous one's exit";
}

TEST_F(HandOffInstance, BurstOfStartsHandsOverEveryFileExactlyOnce)
{
    TStartResult first = StartInstance({});
    ASSERT_TRUE(first.Receiver) << first.Error;
    first.Lock->Release();
    constexpr int Starts = 150;
    std::vector<pid_t> senders;
    for (int i = 0; i < Starts; ++i)
        senders.push_back(Fork([&, i] {
            // Forking them all takes a while on a busy machine, and nobody serves meanwhile; how
            // long a burst takes is the benchmark's business, losing none of it is this test's.
            TInstanceOptions options;
            options.LockTimeout = 60s;
            options.ReplyTimeout = 60s;
            TStartResult r = StartInstance({ FDocs + "/f" + std::to_string(i) }, options);
            return r.Role == TStartRole::srHandedOver ? 0 : 1;
        }));

    std::multiset<std::string> arrived;
    int finished = 0, failed = 0;
    const auto end = std::chrono::steady_clock::now() + 90s;
    while (finished < Starts && std::chrono::steady_clock::now() < end) {
        first.Receiver->Serve(
            [&](const THandOffRequest& request) { arrived.insert(request.Files.begin(), request.Files.end()); }, 20);
        for (pid_t& pid : senders) {
            int status = 0;
            if (pid > 0 && ::waitpid(pid, &status, WNOHANG) == pid) {
                std::erase(FChildren, pid);
                pid = -1;
                ++finished;
                failed += !WIFEXITED(status) || WEXITSTATUS(status) != 0;
            }
        }
    }
    EXPECT_EQ(finished, Starts);
    EXPECT_EQ(failed, 0);
    std::multiset<std::string> expected;
    for (int i = 0; i < Starts; ++i)
        expected.insert(FDocs + "/f" + std::to_string(i));
    EXPECT_EQ(arrived, expected);
    EXPECT_FALSE(std::filesystem::exists(HandOffFile()));
}

TEST_F(HandOffInstance, HandOffBeyondTheSizeLimitLeavesOutTheLineCutThere)
{
    std::string error;
    ASSERT_TRUE(EnsurePrivateFolder(FFolder, error)) << error;
    const std::string line(1000, 'x');
    std::string text;
    int whole = 0;
    while (text.size() + line.size() + 1 <= (4u << 20)) {
        text += line + "\n";
        ++whole;
    }
    // The limit falls inside this line: read in part, it would name a different file.
    const std::string cut = "/must/not/open/" + std::string(300, 'y');
    ASSERT_LT(text.size(), 4u << 20);
    ASSERT_GT(text.size() + cut.size(), 4u << 20);
    text += cut + "\n";
    std::ofstream(HandOffFile(), std::ios::binary) << text;
    const std::vector<std::string> paths = ReadHandOffFile(FFolder);
    EXPECT_EQ(paths.size(), static_cast<std::size_t>(whole));
    EXPECT_EQ(paths.back(), line);
    EXPECT_FALSE(std::filesystem::exists(HandOffFile()));
}

} // namespace
