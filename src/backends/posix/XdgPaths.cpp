#include "backends/posix/XdgPaths.h"

#include "base/Paths.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
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

} // namespace

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

std::string RuntimeFolder()
{
    // A variable naming a folder that does not exist (left over from another session, or set
    // by a harness) is as good as none.
    struct stat st { };
    if (const char* runtime = AbsoluteEnv("XDG_RUNTIME_DIR");
        runtime && ::stat(runtime, &st) == 0 && S_ISDIR(st.st_mode))
        return JoinPath(runtime, "Quillan");
    return "/tmp/quillan-" + std::to_string(::getuid());
}

bool EnsurePrivateFolder(const std::string& path, std::string& error)
{
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) {
        error = "Cannot create folder " + path + ": " + std::strerror(errno);
        return false;
    }
    struct stat st { };
    if (::lstat(path.c_str(), &st) != 0) {
        error = "Cannot examine folder " + path + ": " + std::strerror(errno);
        return false;
    }
    if (!S_ISDIR(st.st_mode)) {
        error = path + " is not a folder";
        return false;
    }
    if (st.st_uid != ::getuid()) {
        error = path + " belongs to another user";
        return false;
    }
    if ((st.st_mode & 077) != 0) {
        error = path + " is accessible to other users";
        return false;
    }
    return true;
}

} // namespace quillan
