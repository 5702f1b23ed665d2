#include "ProgramTest.h"

#include "GuiTestUtil.h"
#include "support/TempFolder.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace quillan::guitest {

namespace fs = std::filesystem;

namespace {

void Sleep(int ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

} // namespace

void ProgramTest::SetUp()
{
    if (!fs::exists(QuillanProgram()))
        GTEST_SKIP() << "the program is not built: " << QuillanProgram();
    if (!Installed("xdotool"))
        GTEST_SKIP() << "xdotool is not installed";
    FDir = MakeFolder();
    fs::create_directories(ConfigHome());
    PrivateFolder("run");
    FEnvironment = {
        { "XDG_CONFIG_HOME", ConfigHome().string() },
        // Recovery copies of a killed run must not reach the next test as a question.
        { "XDG_STATE_HOME", (FDir / "state-home").string() },
        { "QUILLAN_STATE_FILE", (FDir / "state").string() },
    };
}

void ProgramTest::TearDown()
{
    while (!FChildren.empty())
        Stop(FChildren.back(), FEndSignal);
    // The property outlives the manager; the next test must not take it for a manager.
    if (FManager > 0)
        Shell("xprop -root -remove _NET_SUPPORTING_WM_CHECK 2>/dev/null");
    if (!FDir.empty())
        fs::remove_all(FDir);
}

fs::path ProgramTest::MakeFolder()
{
    const fs::path dir = fs::temp_directory_path()
        / ("quillan-" + FKind + "-" + std::to_string(::getpid()) + "-"
            + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}

bool ProgramTest::Installed(const std::string& command)
{
    return std::system(("command -v " + command + " >/dev/null 2>&1").c_str()) == 0;
}

void ProgramTest::PrivateFolder(const std::string& name)
{
    fs::create_directories(FDir / name);
    fs::permissions(FDir / name, fs::perms::owner_all, fs::perm_options::replace);
}

fs::path ProgramTest::File(const std::string& name, const std::string& content)
{
    const fs::path p = FDir / name;
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << content;
    return p;
}

void ProgramTest::Settings(const std::string& ini)
{
    File(FConfig + "/Quillan/Quillan.ini", ini);
}

pid_t ProgramTest::Spawn(const std::vector<std::string>& args, const TSpawn& how)
{
    if (!how.FirstRun)
        MarkSettingsUsed(ConfigHome().string());
    // Everything the child needs is made before it exists: it only sets and executes.
    const std::string program = QuillanProgram();
    const std::string runtime = (FDir / how.Runtime).string();
    const std::string errors = how.Stderr.empty() ? std::string() : (FDir / how.Stderr).string();
    const std::string folder = FDir.string();
    std::vector<char*> argv { const_cast<char*>(program.c_str()) };
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        for (const auto& [name, value] : FEnvironment) {
            if (value)
                ::setenv(name.c_str(), value->c_str(), 1);
            else
                ::unsetenv(name.c_str());
        }
        ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
        if (!how.Display)
            ::unsetenv("DISPLAY");
        if (!errors.empty())
            ::dup2(::open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 2);
        if (how.InFolder && ::chdir(folder.c_str()) != 0)
            ::_exit(126);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    FChildren.push_back(pid);
    return pid;
}

void ProgramTest::Start(const std::vector<std::string>& args, const TSpawn& how)
{
    fs::remove(FDir / "state");
    FPid = Spawn(args, how);
    ASSERT_TRUE(WaitState([](auto& s) { return s.count("documents") > 0; }, 20000)) << "the window never came up";
    // The title alone tells it from the setup window, which may come up first.
    FWindow = FindWindow("Quillan", 10000);
    ASSERT_FALSE(FWindow.empty()) << "no main window";
}

pid_t ProgramTest::StartHelper(const std::vector<std::string>& command, bool quiet)
{
    std::vector<char*> argv;
    for (const std::string& a : command)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (quiet) {
            const int null = ::open("/dev/null", O_WRONLY);
            ::dup2(null, 1);
            ::dup2(null, 2);
        }
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    FChildren.push_back(pid);
    return pid;
}

void ProgramTest::UseWindowManager()
{
    if (!Installed("openbox"))
        GTEST_SKIP() << "openbox is not installed (scripts/setup-deps.sh --test installs it)";
    FManager = StartHelper({ "openbox", "--sm-disable" }, true);
    for (int i = 0; i < 200; ++i) {
        if (!Shell("xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -o 'window id'").empty())
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
    FAIL() << "openbox did not start";
}

int ProgramTest::WaitExit(pid_t pid, int timeoutMs)
{
    int status = 0;
    for (int waited = 0; waited < timeoutMs; waited += 10) {
        if (::waitpid(pid, &status, WNOHANG) == pid) {
            std::erase(FChildren, pid);
            if (pid == FPid)
                FPid = -1;
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        Sleep(10);
    }
    return -1;
}

void ProgramTest::Stop(pid_t pid, int signal)
{
    // A process the test stopped on purpose would not see the signal.
    ::kill(pid, SIGCONT);
    ::kill(pid, signal);
    ::waitpid(pid, nullptr, 0);
    std::erase(FChildren, pid);
    if (pid == FPid)
        FPid = -1;
}

ProgramTest::TState ProgramTest::State(const std::string& name)
{
    TState state;
    std::istringstream in(testutil::ReadFileBytes((FDir / name).string()));
    for (std::string line; std::getline(in, line);)
        if (const auto eq = line.find('='); eq != std::string::npos)
            state[line.substr(0, eq)] = line.substr(eq + 1);
    return state;
}

bool ProgramTest::WaitState(const std::function<bool(const TState&)>& done, int timeoutMs)
{
    return WaitState("state", done, timeoutMs);
}

bool ProgramTest::WaitState(const std::string& name, const std::function<bool(const TState&)>& done, int timeoutMs)
{
    return WaitUntil([&] { return done(State(name)); }, timeoutMs);
}

bool ProgramTest::WaitValue(const std::string& key, const std::string& value, int timeoutMs, const std::string& name)
{
    return WaitState(
        name, [&](auto& s) { return s.count(key) && s.at(key) == value; }, timeoutMs);
}

bool ProgramTest::WaitUntil(const std::function<bool()>& done, int timeoutMs)
{
    for (int waited = 0; waited < timeoutMs; waited += FPollMs) {
        if (done())
            return true;
        Sleep(FPollMs);
    }
    return false;
}

std::string ProgramTest::Shell(const std::string& command)
{
    return ShellOutput(command);
}

std::string ProgramTest::FindWindow(const std::string& title, int timeoutMs, pid_t pid)
{
    // --all: the pid and the name must both match, not either.
    const std::string command = "xdotool search --all --onlyvisible --pid " + std::to_string(pid > 0 ? pid : FPid)
        + " --name '^" + title + "$' 2>/dev/null | head -n 1";
    for (int waited = 0;; waited += FPollMs) {
        std::string window = Shell(command);
        if (!window.empty() || waited >= timeoutMs)
            return window;
        Sleep(FPollMs);
    }
}

std::vector<std::string> ProgramTest::Windows(const std::string& title, pid_t pid)
{
    std::vector<std::string> ids;
    std::istringstream all(Shell("xdotool search --all --onlyvisible --pid " + std::to_string(pid > 0 ? pid : FPid)
        + " --name '^" + title + "$' 2>/dev/null"));
    for (std::string id; std::getline(all, id);)
        if (!id.empty())
            ids.push_back(id);
    return ids;
}

void ProgramTest::Keys(const std::string& keys)
{
    Keys(FWindow, keys, 40);
}

void ProgramTest::Keys(const std::string& window, const std::string& keys, int delayMs)
{
    Shell("xdotool windowfocus --sync " + window + " 2>/dev/null; xdotool key --delay " + std::to_string(delayMs) + " "
        + keys);
}

void ProgramTest::Type(const std::string& text)
{
    Shell("xdotool windowfocus --sync " + FWindow + " 2>/dev/null; xdotool type --delay 40 '" + text + "'");
}

wxImage ProgramTest::Screen()
{
    const fs::path shot = FDir / "screen.png";
    fs::remove(shot);
    Shell("import -window root " + shot.string() + " 2>/dev/null");
    wxImage image;
    image.LoadFile(shot.string(), wxBITMAP_TYPE_PNG);
    return image;
}

} // namespace quillan::guitest
