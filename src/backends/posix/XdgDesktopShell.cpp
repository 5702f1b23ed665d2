#include "backends/posix/XdgDesktopShell.h"

#include "backends/posix/XdgPaths.h"
#include "base/Paths.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace quillan {

namespace {

std::string TrimLine(std::string text)
{
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
        text.pop_back();
    std::size_t start = 0;
    while (start < text.size() && text[start] == ' ')
        ++start;
    return text.substr(start);
}

bool IsExecutableFile(const std::string& path)
{
    struct stat st { };
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

// Runs a helper found on PATH; an empty output when it is missing or failed.
std::optional<std::string> AskHelper(const std::vector<std::string>& args)
{
    const std::string program = FindProgramOnPath(args.front());
    if (program.empty())
        return std::nullopt;
    std::vector<std::string> argv = args;
    argv.front() = program;
    TProgramOutput out = RunProgram(argv);
    if (out.ExitCode != 0)
        return std::nullopt;
    return TrimLine(std::move(out.Output));
}

} // namespace

std::string FindProgramOnPath(const std::string& program)
{
    if (program.find('/') != std::string::npos)
        return IsExecutableFile(program) ? program : std::string();
    const char* path = std::getenv("PATH");
    std::string_view folders = path ? path : "/usr/local/bin:/usr/bin:/bin";
    while (!folders.empty()) {
        const std::size_t colon = folders.find(':');
        const std::string_view folder = folders.substr(0, colon);
        folders = colon == std::string_view::npos ? std::string_view() : folders.substr(colon + 1);
        // A relative entry would find a program in whatever folder we were started from.
        if (folder.empty() || folder.front() != '/')
            continue;
        const std::string candidate = JoinPath(folder, program);
        if (IsExecutableFile(candidate))
            return candidate;
    }
    return {};
}

TProgramOutput RunProgram(const std::vector<std::string>& argv, int timeoutMs)
{
    TProgramOutput result;
    if (argv.empty())
        return result;
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0)
        return result;
    std::vector<char*> args;
    for (const std::string& arg : argv)
        args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid < 0) {
        ::close(pipeFds[0]);
        ::close(pipeFds[1]);
        return result;
    }
    if (pid == 0) {
        const int null = ::open("/dev/null", O_RDONLY);
        if (null >= 0)
            ::dup2(null, STDIN_FILENO);
        ::dup2(pipeFds[1], STDOUT_FILENO);
        ::execve(args[0], args.data(), environ);
        ::_exit(127);
    }
    ::close(pipeFds[1]);
    result.Started = true;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    char buffer[4096];
    for (;;) {
        const auto left
            = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now())
                  .count();
        if (left <= 0) {
            result.TimedOut = true;
            break;
        }
        pollfd fd { pipeFds[0], POLLIN, 0 };
        const int ready = ::poll(&fd, 1, static_cast<int>(left));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            continue;
        const ssize_t n = ::read(pipeFds[0], buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        // A helper that prints without end is not one we understand.
        if (result.Output.size() < 1 << 20)
            result.Output.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(pipeFds[0]);
    if (result.TimedOut)
        ::kill(pid, SIGKILL);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) { }
    if (!result.TimedOut && WIFEXITED(status))
        result.ExitCode = WEXITSTATUS(status);
    return result;
}

std::optional<std::string> TXdgDesktopShell::SpecialFolder(TShellFolder folder) const
{
    switch (folder) {
    case TShellFolder::sfDesktop:
        // xdg-user-dir falls back to ~/Desktop itself; the same when it is not installed.
        if (const std::optional<std::string> dir = AskHelper({ "xdg-user-dir", "DESKTOP" });
            dir && !dir->empty() && dir->front() == '/')
            return WithoutTrailingSlash(*dir);
        return JoinPath(HomeFolder(), "Desktop");
    case TShellFolder::sfStartMenu:
        return JoinPath(DataHomeFolder(), "applications");
    case TShellFolder::sfSendTo:
        return JoinPath(DataHomeFolder(), "nautilus/scripts");
    case TShellFolder::sfQuickLaunch:
        return std::nullopt;
    case TShellFolder::sfUserPrograms:
        return JoinPath(HomeFolder(), ".local/bin");
    }
    return std::nullopt;
}

std::optional<std::string> TXdgDesktopShell::DefaultApplication(std::string_view mimeType) const
{
    return AskHelper({ "xdg-mime", "query", "default", std::string(mimeType) });
}

bool TXdgDesktopShell::SetDefaultApplication(std::string_view mimeType, std::string_view desktopId)
{
    return AskHelper({ "xdg-mime", "default", std::string(desktopId), std::string(mimeType) }).has_value();
}

} // namespace quillan
