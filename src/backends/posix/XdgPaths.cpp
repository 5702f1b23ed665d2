#include "backends/posix/XdgPaths.h"

#include "base/Paths.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace quillan {

namespace {

// An environment variable usable as a base folder: set, non-empty and absolute.
const char* AbsoluteEnv(const char* name)
{
    const char* value = std::getenv(name);
    return value && value[0] == '/' ? value : nullptr;
}

} // namespace

std::string HomeFolder()
{
    if (const char* home = AbsoluteEnv("HOME"))
        return home;
    // Started with a stripped environment (from cron or a service): ask the password database.
    std::vector<char> buffer(16384);
    passwd entry {};
    passwd* result = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &result) == 0 && result && result->pw_dir)
        return result->pw_dir;
    return "/";
}

std::string ConfigFolder()
{
    if (const char* config = AbsoluteEnv("XDG_CONFIG_HOME"))
        return JoinPath(config, "Quillan");
    return JoinPath(JoinPath(HomeFolder(), ".config"), "Quillan");
}

std::string SettingsFileName()
{
    return ConfigFolder() + "/Quillan.ini";
}

std::string RegistryFileName()
{
    return ConfigFolder() + "/Registry";
}

std::string DataHomeFolder()
{
    if (const char* data = AbsoluteEnv("XDG_DATA_HOME"))
        return WithoutTrailingSlash(data);
    return JoinPath(HomeFolder(), ".local/share");
}

std::string FallbackRuntimeFolder()
{
    const std::string state
        = AbsoluteEnv("XDG_STATE_HOME") ? std::string(AbsoluteEnv("XDG_STATE_HOME")) : HomeFolder() + "/.local/state";
    return JoinPath(JoinPath(state, "Quillan"), "run");
}

std::string RuntimeFolder()
{
    // A variable naming a folder that does not exist (left over from another session, or set
    // by a harness) is as good as none.
    struct stat st { };
    std::string folder;
    if (const char* runtime = AbsoluteEnv("XDG_RUNTIME_DIR");
        runtime && ::stat(runtime, &st) == 0 && S_ISDIR(st.st_mode))
        folder = JoinPath(runtime, "Quillan");
    else
        folder = "/tmp/quillan-" + std::to_string(::getuid());
    // Someone else's folder (or file, or link) there would leave the user without a single
    // instance for good; a folder in the home cannot be taken that way.
    if (::lstat(folder.c_str(), &st) == 0 && (!S_ISDIR(st.st_mode) || st.st_uid != ::getuid()))
        return FallbackRuntimeFolder();
    return folder;
}

namespace {

// Creates the missing folders leading to `path` (not `path` itself), each private.
void CreateParents(const std::string& path)
{
    for (std::size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1))
        ::mkdir(path.substr(0, slash).c_str(), 0700);
}

// Entries of the folder that belong to another user; they came in while it stood open.
void RemoveForeignEntries(int dirFd)
{
    const int listFd = ::dup(dirFd);
    DIR* dir = listFd >= 0 ? ::fdopendir(listFd) : nullptr;
    if (!dir) {
        if (listFd >= 0)
            ::close(listFd);
        return;
    }
    std::vector<std::string> foreign;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        struct stat st { };
        if (::fstatat(dirFd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && st.st_uid != ::getuid())
            foreign.emplace_back(name);
    }
    ::closedir(dir);
    // A foreign folder goes only when empty; the names this program uses are files.
    for (const std::string& name : foreign)
        if (::unlinkat(dirFd, name.c_str(), 0) != 0 && errno == EISDIR)
            ::unlinkat(dirFd, name.c_str(), AT_REMOVEDIR);
}

} // namespace

bool EnsurePrivateFolder(const std::string& path, std::string& error)
{
    if (::mkdir(path.c_str(), 0700) != 0 && errno == ENOENT) {
        CreateParents(path);
        ::mkdir(path.c_str(), 0700);
    }
    // Opened without following a link, so the checks and the repair apply to one and the same
    // folder, whatever is renamed meanwhile.
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        struct stat st { };
        if (errno == ENOENT)
            error = "Cannot create folder " + path + ": " + std::strerror(errno);
        else if (::lstat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode))
            error = path + " is not a folder";
        else
            error = "Cannot open folder " + path + ": " + std::strerror(errno);
        return false;
    }
    struct stat st { };
    bool ok = false;
    if (::fstat(fd, &st) != 0)
        error = "Cannot examine folder " + path + ": " + std::strerror(errno);
    else if (st.st_uid != ::getuid())
        error = path + " belongs to another user";
    else if ((st.st_mode & 077) == 0)
        ok = true;
    else if (::fchmod(fd, 0700) != 0)
        error = path + " is accessible to other users and cannot be closed: " + std::strerror(errno);
    else {
        RemoveForeignEntries(fd);
        ok = true;
    }
    ::close(fd);
    return ok;
}

} // namespace quillan
