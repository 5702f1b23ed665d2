#include "base/Paths.h"

#include <cerrno>
#include <filesystem>
#include <sys/stat.h>

namespace quillan {

std::string ExtractFileName(std::string_view path)
{
    const std::size_t slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string ExtractFileExt(std::string_view path)
{
    const std::string name = ExtractFileName(path);
    const std::size_t dot = name.rfind('.');
    return dot == std::string::npos ? std::string() : name.substr(dot);
}

std::string FolderOf(std::string_view path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string_view::npos)
        return ".";
    return slash == 0 ? std::string("/") : std::string(path.substr(0, slash));
}

std::string WithoutTrailingSlash(std::string path)
{
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

std::string JoinPath(std::string_view folder, std::string_view name)
{
    std::string joined = WithoutTrailingSlash(std::string(folder));
    if (joined.empty() || joined.back() != '/')
        joined += '/';
    return joined.append(name);
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

} // namespace quillan
