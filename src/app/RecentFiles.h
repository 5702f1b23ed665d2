#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace quillan {

class ISettingsStore;
class IUserInterface;

// Image index of a recent-file menu item.
inline constexpr int RecentItemImage = 26;

// One item of a recent-file menu: Hint is the full path (reopening takes the path from it).
struct TRecentMenuItem {
    std::string Caption;
    std::string Hint;
    int ImageIndex = RecentItemImage;
};

// The recently closed files, most recent first. The capacity is asked for each time it matters,
// because the options dialog may change it while the list lives.
class TRecentFileList {
public:
    using TCapacity = std::function<int()>;

    explicit TRecentFileList(TCapacity capacity);

    // Fills the list from "General"/"Files" and "Files"/"File0".. (no more entries than the
    // capacity). Entries are added from the last to "File0" with Add, so "File0" ends up first
    // and a path repeated further down is dropped. Empty entries (a key missing from the file)
    // are skipped: an empty path can never be reopened.
    void Load(const ISettingsStore& store);
    // Writes "General"/"Files" and "File0".."File<n-1>"; lines beyond stay in the file unread.
    // A path with a line break cannot be written as a value and is left out.
    void Save(ISettingsStore& store) const;
    // Empties the list as the options dialog's "Clear" does: the entries are saved as usual,
    // then "Files" is set to 0.
    void Clear(ISettingsStore& store);

    // The add rule: a path already listed (in any letter case) keeps its place and its index is
    // returned; otherwise, once the list holds the capacity, the entry at index capacity-1 goes
    // (only that one, even when a lowered capacity left more), and the path is inserted first.
    int Add(std::string_view path);

    int Count() const { return static_cast<int>(FItems.size()); }
    const std::string& operator[](int index) const { return FItems.at(static_cast<std::size_t>(index)); }
    const std::vector<std::string>& Items() const { return FItems; }

    // The items of a recent-file menu, one per entry in order.
    std::vector<TRecentMenuItem> MenuItems() const;

private:
    int Capacity() const;

    TCapacity FCapacity;
    std::vector<std::string> FItems;
};

// "&0 path" .. "&9 path", "1&0 path" .. "9&9 path", "10&0 path": the accelerator mark goes before
// the position's last digit, then a blank and the path. An "&" in the path is doubled so that it
// shows as itself; the menu's only accelerator is the one on the digit.
std::string RecentMenuCaption(int index, std::string_view path);

// Reopening a recent entry: refused with "File limit reached!" once `openDocuments` is at the
// limit, "File not found!" when the file is gone (the entry stays listed); otherwise
// `openFileInTab` runs. True when the file was handed to it.
bool ReopenRecentFile(const std::string& path, int openDocuments, IUserInterface& ui,
    const std::function<void(const std::string&)>& openFileInTab);

} // namespace quillan
