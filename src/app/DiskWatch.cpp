#include "app/DiskWatch.h"

namespace quillan {

TDiskAction DecideDiskAction(const TFileStamp& handled, const TFileStamp& now, bool modified)
{
    if (now == handled)
        return TDiskAction::daNone;
    if (!now.Exists)
        // Reported once: a file that stays away is not news at the next check.
        return handled.Exists ? TDiskAction::daGone : TDiskAction::daNone;
    return modified ? TDiskAction::daAsk : TDiskAction::daReload;
}

TDiskWatch::~TDiskWatch()
{
    for (const auto& [document, entry] : FEntries)
        FFiles.Unwatch(entry.Path);
}

void TDiskWatch::Track(const void* document, const std::string& path)
{
    TrackFrom(document, path, FFiles.Stamp(path));
}

void TDiskWatch::TrackFrom(const void* document, const std::string& path, const TFileStamp& known)
{
    auto it = FEntries.find(document);
    if (it != FEntries.end() && it->second.Path != path) {
        FFiles.Unwatch(it->second.Path);
        FEntries.erase(it);
        it = FEntries.end();
    }
    if (it == FEntries.end()) {
        it = FEntries.emplace(document, TEntry { path, {}, {} }).first;
        FFiles.Watch(path);
    }
    it->second.Known = known;
    it->second.Handled = known;
}

void TDiskWatch::Untrack(const void* document)
{
    const auto it = FEntries.find(document);
    if (it == FEntries.end())
        return;
    FFiles.Unwatch(it->second.Path);
    FEntries.erase(it);
}

TFileStamp TDiskWatch::Known(const void* document) const
{
    const auto it = FEntries.find(document);
    return it == FEntries.end() ? TFileStamp {} : it->second.Known;
}

bool TDiskWatch::ChangedSinceKnown(const void* document, const std::string& path) const
{
    const auto it = FEntries.find(document);
    if (it == FEntries.end() || it->second.Path != path)
        return false;
    const TFileStamp now = FFiles.Stamp(path);
    // Writing a file that went away brings it back; nothing of anyone else's is lost by that.
    return now.Exists && now != it->second.Known;
}

std::vector<TDiskEvent> TDiskWatch::Check(const std::function<bool(const void*)>& modified)
{
    std::vector<TDiskEvent> events;
    for (auto& [document, entry] : FEntries) {
        const TFileStamp now = FFiles.Stamp(entry.Path);
        if (now == entry.Handled)
            continue;
        const TDiskAction action = DecideDiskAction(entry.Handled, now, modified(document));
        entry.Handled = now;
        if (action != TDiskAction::daNone)
            events.push_back({ document, entry.Path, action });
    }
    return events;
}

} // namespace quillan
