#pragma once

#include "ports/FileWatch.h"

#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

namespace quillan {

// What to do about a document whose file looks different on disk.
enum class TDiskAction : std::uint8_t {
    daNone, // nothing new since it was last handled
    daReload, // unmodified: read the file again at once
    daAsk, // modified: ask before throwing the user's changes away
    daGone, // the file was deleted or renamed: the document becomes the only copy
};

// The decision table. `handled` is the stamp last acted upon (loaded, saved, asked about or
// reported), `now` the file's stamp now. A change is any difference in size, modification time
// or identity (device and inode: a file replaced by a rename keeps neither).
TDiskAction DecideDiskAction(const TFileStamp& handled, const TFileStamp& now, bool modified);

struct TDiskEvent {
    const void* Document = nullptr;
    std::string Path;
    TDiskAction Action = TDiskAction::daNone;
};

// The open documents' files and what was last seen of them. Each change produces one event:
// the stamp that caused it becomes the handled one before the event is returned, so the
// question it leads to is asked once, however often the window regains the focus meanwhile.
class TDiskWatch {
public:
    explicit TDiskWatch(IFileWatch& files)
        : FFiles(files)
    {
    }
    ~TDiskWatch();
    TDiskWatch(const TDiskWatch&) = delete;
    TDiskWatch& operator=(const TDiskWatch&) = delete;

    // The document now matches its file (just read or written): both stamps become the file's.
    void Track(const void* document, const std::string& path);
    // As Track, but with a stamp remembered from before (a recovered copy): a change since then
    // is seen at the next check.
    void TrackFrom(const void* document, const std::string& path, const TFileStamp& known);
    void Untrack(const void* document);
    bool Tracked(const void* document) const { return FEntries.count(document) != 0; }
    std::size_t Size() const { return FEntries.size(); }

    // The stamp the document's text was read from or written to; Exists false when untracked.
    TFileStamp Known(const void* document) const;
    // True when saving the document to `path` would write over a version of its file that it
    // never saw: the file exists and differs from the one the document was read from or saved to.
    bool ChangedSinceKnown(const void* document, const std::string& path) const;

    // Looks at every tracked file; `modified` tells whether a document has unsaved changes.
    std::vector<TDiskEvent> Check(const std::function<bool(const void*)>& modified);
    // Whether the folder watch has seen anything since the last call.
    bool EventsPending() { return FFiles.TakeEvents(); }

private:
    struct TEntry {
        std::string Path;
        TFileStamp Known;
        TFileStamp Handled;
    };

    IFileWatch& FFiles;
    std::unordered_map<const void*, TEntry> FEntries;
};

} // namespace quillan
