#include "backends/posix/XdgPaths.h"

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

std::string WithoutTrailingSlash(std::string path)
{
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

std::string Join(const std::string& folder, std::string_view name)
{
    std::string base = WithoutTrailingSlash(folder);
    if (base.back() != '/')
        base += '/';
    return base.append(name);
}

} // namespace

std::string ConfigFolder()
{
    if (const char* config = AbsoluteEnv("XDG_CONFIG_HOME"))
        return Join(config, "Quillan");
    return Join(Join(HomeFolder(), ".config"), "Quillan");
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
        return Join(runtime, "Quillan");
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

bool CreateFolderChain(const std::string& path, unsigned mode)
{
    if (path.empty())
        return false;
    std::string partial;
    std::size_t pos = 0;
    while (pos <= path.size()) {
        const std::size_t slash = path.find('/', pos);
        const std::size_t end = slash == std::string::npos ? path.size() : slash;
        partial = path.substr(0, end);
        if (!partial.empty() && ::mkdir(partial.c_str(), static_cast<mode_t>(mode)) != 0 && errno != EEXIST)
            return false;
        if (slash == std::string::npos)
            break;
        pos = slash + 1;
    }
    struct stat st { };
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string ExpandLongFileName(std::string_view path)
{
    std::filesystem::path p { std::string(path) };
    if (!p.is_absolute()) {
        std::error_code ec;
        const std::filesystem::path cwd = std::filesystem::current_path(ec);
        if (!ec)
            p = cwd / p;
    }
    std::string normal = p.lexically_normal().string();
    // POSIX gives a leading "//" a meaning of its own; nothing here relies on it, and two
    // spellings of one file would defeat the duplicate check on open documents.
    while (normal.starts_with("//"))
        normal.erase(0, 1);
    return WithoutTrailingSlash(normal.empty() ? std::string(".") : normal);
}

bool FileExists(const std::string& path)
{
    struct stat st { };
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

} // namespace quillan
