#include "app/ProgramFiles.h"

#include "app/HelpPages.h"
#include "base/Paths.h"

#ifndef QUILLAN_DATA_FROM_BIN
#define QUILLAN_DATA_FROM_BIN "../share"
#endif

namespace quillan {

std::string InstalledDataFolder(std::string_view programFolder)
{
    return ExpandLongFileName(JoinPath(ExpandLongFileName(programFolder), QUILLAN_DATA_FROM_BIN));
}

std::vector<std::string> IconFileCandidates(std::string_view programFolder)
{
    const std::string folder = ExpandLongFileName(programFolder);
    const std::string themed = JoinPath(InstalledDataFolder(folder), "icons/hicolor");
    const std::string svg = std::string(SIconName) + ".svg";
    const std::string png = std::string(SIconName) + ".png";
    return {
        JoinPath(JoinPath(folder, "icons"), svg),
        JoinPath(JoinPath(themed, "scalable/apps"), svg),
        JoinPath(JoinPath(themed, "256x256/apps"), png),
    };
}

std::string FindIconFile(std::string_view programFolder)
{
    for (const std::string& candidate : IconFileCandidates(programFolder))
        if (FileExists(candidate))
            return candidate;
    return {};
}

std::string DescribeProgramFiles(std::string_view programFolder, bool& complete)
{
    const std::string help = FindHelpPage(programFolder);
    const std::string icon = FindIconFile(programFolder);
    complete = !help.empty() && !icon.empty();
    return "folder=" + ExpandLongFileName(programFolder) + "\nhelp=" + help + "\nicon=" + icon + "\n";
}

} // namespace quillan
