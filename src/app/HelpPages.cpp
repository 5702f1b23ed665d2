#include "app/HelpPages.h"

#include "app/ProgramFiles.h"
#include "base/Paths.h"

namespace quillan {

std::string HelpAnchor(int context)
{
    return "context-" + std::to_string(context);
}

std::vector<std::string> HelpPageCandidates(std::string_view programFolder)
{
    const std::string folder = ExpandLongFileName(programFolder);
    return {
        JoinPath(JoinPath(folder, "help"), SHelpPageName),
        JoinPath(JoinPath(InstalledDataFolder(folder), "quillan/help"), SHelpPageName),
    };
}

std::string FindHelpPage(std::string_view programFolder)
{
    for (const std::string& candidate : HelpPageCandidates(programFolder))
        if (FileExists(candidate))
            return candidate;
    return {};
}

} // namespace quillan
