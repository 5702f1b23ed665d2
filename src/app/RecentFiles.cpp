#include "app/RecentFiles.h"

#include "app/AppStrings.h"
#include "app/CommandLine.h"
#include "app/Settings.h"
#include "app/UserInterface.h"
#include "base/Paths.h"
#include "ports/SettingsStore.h"

#include <algorithm>

namespace quillan {

namespace {

bool SameTextIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
        auto up = [](unsigned char c) { return c >= 'a' && c <= 'z' ? c - 32 : c; };
        return up(static_cast<unsigned char>(x)) == up(static_cast<unsigned char>(y));
    });
}

std::string FileKey(int index)
{
    return "File" + std::to_string(index);
}

bool Storable(const std::string& path)
{
    return path.find_first_of("\r\n") == std::string::npos;
}

} // namespace

TRecentFileList::TRecentFileList(TCapacity capacity)
    : FCapacity(std::move(capacity))
{
}

int TRecentFileList::Capacity() const
{
    // Below 1 the rule would drop an entry at index -1.
    return ClampRecentCapacity(FCapacity ? FCapacity() : MinRecentCapacity);
}

int TRecentFileList::Add(std::string_view path)
{
    for (std::size_t i = 0; i < FItems.size(); ++i)
        if (SameTextIgnoringCase(FItems[i], path))
            return static_cast<int>(i);
    const int capacity = Capacity();
    if (Count() >= capacity)
        FItems.erase(FItems.begin() + (capacity - 1));
    FItems.insert(FItems.begin(), std::string(path));
    return 0;
}

void TRecentFileList::Load(const ISettingsStore& ini)
{
    const int count = std::clamp(ini.ReadInteger("General", "Files", 0), 0, Capacity());
    for (int i = count - 1; i >= 0; --i) {
        const std::string path = ini.ReadString("Files", FileKey(i), "");
        if (!path.empty())
            Add(path);
    }
}

void TRecentFileList::Save(ISettingsStore& ini) const
{
    int written = 0;
    for (const std::string& path : FItems)
        if (Storable(path))
            ini.WriteString("Files", FileKey(written++), path);
    ini.WriteInteger("General", "Files", written);
}

void TRecentFileList::Clear(ISettingsStore& ini)
{
    Save(ini);
    ini.WriteInteger("General", "Files", 0);
    FItems.clear();
}

std::vector<TRecentMenuItem> TRecentFileList::MenuItems() const
{
    std::vector<TRecentMenuItem> items;
    items.reserve(FItems.size());
    for (std::size_t i = 0; i < FItems.size(); ++i)
        items.push_back({ RecentMenuCaption(static_cast<int>(i), FItems[i]), FItems[i] });
    return items;
}

std::string RecentMenuCaption(int index, std::string_view path)
{
    const std::string digits = std::to_string(index);
    std::string caption(digits, 0, digits.size() - 1);
    caption += '&';
    caption += digits.back();
    caption += ' ';
    for (char c : path) {
        if (c == '&')
            caption += '&';
        caption += c;
    }
    return caption;
}

bool ReopenRecentFile(const std::string& path, int openDocuments, IUserInterface& ui,
    const std::function<void(const std::string&)>& openFileInTab)
{
    if (openDocuments >= MaxOpenDocuments) {
        ui.MessageDlg(SFileLimitReached, TMsgDlgType::mtError, TMsgDlgButtons::mbOK);
        return false;
    }
    if (!FileExists(path)) {
        ui.MessageDlg(SFileNotFound, TMsgDlgType::mtError, TMsgDlgButtons::mbOK);
        return false;
    }
    openFileInTab(path);
    return true;
}

} // namespace quillan
