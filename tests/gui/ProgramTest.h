#pragma once

// The real program, started as a user would start it, on the test display. Each test gives it
// folders of its own (settings, runtime folder with the instance socket, recovery copies), drives
// it with xdotool and watches it through the files it writes: the documents it saves, its
// settings, and the state summary it keeps in QUILLAN_STATE_FILE while it runs.

#include <csignal>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>
#include <wx/image.h>

namespace quillan::guitest {

// How one start of the program is made.
struct TSpawn {
    // Without a display the start can only hand its files to a running window.
    bool Display = true;
    // XDG_RUNTIME_DIR, below the test's folder: starts with different ones do not meet.
    std::string Runtime = "run";
    // A file below the test's folder for the program's stderr; empty: the test's own.
    std::string Stderr {};
    // The settings as they are; otherwise those of a program closed normally before, so that a
    // test of anything else does not meet the first-run setup window.
    bool FirstRun = false;
    // Started in the test's folder, where relative file names on the command line point.
    bool InFolder = true;
};

class ProgramTest : public ::testing::Test {
protected:
    using TState = std::map<std::string, std::string>;

    // `kind` names the test's folder in the temporary folder.
    explicit ProgramTest(std::string kind)
        : FKind(std::move(kind))
    {
    }

    // Skips without the program or xdotool; makes the test's folder, its settings and "run".
    void SetUp() override;
    // Ends every process the test started, the last started first, and removes the folder.
    void TearDown() override;

    // An empty folder for the test.
    virtual std::filesystem::path MakeFolder();
    std::filesystem::path ConfigHome() const { return FDir / FConfig; }

    static bool Installed(const std::string& command);
    // A folder below the test's folder that only its owner may enter, as runtime folders must be.
    void PrivateFolder(const std::string& name);
    // A file below the test's folder, with the folders it needs.
    std::filesystem::path File(const std::string& name, const std::string& content);
    // The program's settings file as the next start finds it.
    void Settings(const std::string& ini);

    // Starts the program with the test's folders and FEnvironment; it is ended at TearDown.
    pid_t Spawn(const std::vector<std::string>& args, const TSpawn& how = {});
    // Starts the program as FPid and waits until its main window is up and known as FWindow.
    void Start(const std::vector<std::string>& args, const TSpawn& how = {});
    // Starts another program (`command` looked up on PATH); `quiet` drops what it prints.
    pid_t StartHelper(const std::vector<std::string>& command, bool quiet = false);
    // For a fixture's SetUp: starts openbox and waits until it manages the screen; skips the test
    // without openbox and fails it when it does not start. It is ended after the program, and
    // TearDown removes the mark it leaves on the screen.
    void UseWindowManager();
    // Waits for a process of the test to end by itself; its exit status, -1 when it has not.
    int WaitExit(pid_t pid, int timeoutMs = 15000);
    // Ends a process of the test with `signal` and waits for it.
    void Stop(pid_t pid, int signal);

    // A summary the program writes below the test's folder, as key=value lines.
    TState State(const std::string& name = "state");
    bool WaitState(const std::function<bool(const TState&)>& done, int timeoutMs = 10000);
    bool WaitState(const std::string& name, const std::function<bool(const TState&)>& done, int timeoutMs = 10000);
    bool WaitValue(
        const std::string& key, const std::string& value, int timeoutMs = 10000, const std::string& name = "state");
    // Polls `done` without running this program's own event loop; true when it came to hold.
    bool WaitUntil(const std::function<bool()>& done, int timeoutMs = 15000);

    static std::string Shell(const std::string& command);
    // A visible window of `pid` (0: FPid) with exactly this title; empty when none shows in time.
    std::string FindWindow(const std::string& title, int timeoutMs = 5000, pid_t pid = 0);
    // Every visible window of `pid` (0: FPid) with exactly this title, now.
    std::vector<std::string> Windows(const std::string& title, pid_t pid = 0);
    // Keys go to whichever window has the focus; without a window manager the test hands it over.
    // The main window gets them at typing speed, other windows (dialogs) a little slower.
    void Keys(const std::string& keys);
    void Keys(const std::string& window, const std::string& keys, int delayMs = 60);
    void Type(const std::string& text);
    // The whole test display as the X server shows it.
    wxImage Screen();

    std::filesystem::path FDir;
    // The settings folder (XDG_CONFIG_HOME), below the test's folder.
    std::string FConfig = "config";
    // Variables every start gets besides XDG_RUNTIME_DIR; no value: the variable is removed.
    std::map<std::string, std::optional<std::string>> FEnvironment;
    // How TearDown ends what is still running.
    int FEndSignal = SIGTERM;
    // How often the waits look again. Each look at a window or a printed file runs programs of
    // its own, which take the processor from the program under test on a busy machine.
    int FPollMs = 20;
    pid_t FPid = -1;
    std::string FWindow;
    std::vector<pid_t> FChildren;
    pid_t FManager = -1;

private:
    std::string FKind;
};

} // namespace quillan::guitest
