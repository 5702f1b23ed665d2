#include "app/CommandLine.h"

#include "base/Paths.h"

namespace quillan {

bool IsUninstallRequest(const std::vector<std::string>& args)
{
    if (args.empty())
        return false;
    std::string first = args.front();
    for (char& c : first)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 32);
    return first == "/UNINSTALL";
}

TCommandLineRequest ProcessCommandLine(const std::vector<std::string>& args)
{
    TCommandLineRequest request;
    if (IsUninstallRequest(args)) {
        request.Uninstall = true;
        return request;
    }
    for (const std::string& arg : args) {
        const std::string path = ExpandLongFileName(arg);
        if (FileExists(path))
            request.Files.push_back(path);
    }
    return request;
}

int OpenFilesInOrder(const std::vector<std::string>& paths, const std::function<int()>& documentCount,
    const std::function<void(const std::string&)>& openFileInTab, bool* limitReached)
{
    if (limitReached)
        *limitReached = false;
    int opened = 0;
    for (const std::string& path : paths) {
        if (documentCount() >= MaxOpenDocuments) {
            if (limitReached)
                *limitReached = true;
            break;
        }
        const std::string full = ExpandLongFileName(path);
        if (!FileExists(full))
            continue;
        openFileInTab(full);
        ++opened;
    }
    return opened;
}

} // namespace quillan
