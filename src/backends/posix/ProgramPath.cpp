#include "backends/posix/ProgramPath.h"

#include "base/Paths.h"

#include <filesystem>
#include <system_error>

namespace quillan {

std::string RunningProgramPath()
{
    std::error_code ec;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : self.string();
}

std::string RunningProgramFolder()
{
    const std::string path = RunningProgramPath();
    return path.empty() ? std::string() : FolderOf(path);
}

} // namespace quillan
