#pragma once

#include <cstdint>
#include <string>

namespace quillan {

// What identifies the contents of a file on disk without reading it.
struct TFileStamp {
    bool Exists = false;
    std::uint64_t Size = 0;
    std::int64_t ModifiedNs = 0; // modification time in nanoseconds since the epoch
    std::uint64_t Device = 0;
    std::uint64_t Inode = 0;
    friend bool operator==(const TFileStamp&, const TFileStamp&) = default;
};

// The file system as the external-change check sees it: stamps on demand, and a cheap way to
// learn that something in the watched files' folders may have changed.
class IFileWatch {
public:
    virtual ~IFileWatch() = default;

    // The stamp of the file a path names now (links followed); Exists false when there is none.
    virtual TFileStamp Stamp(const std::string& path) const = 0;
    // Watching is by folder, so that a program that saves by writing a new file and renaming it
    // over the old one is noticed too. Calls nest per path.
    virtual void Watch(const std::string& path) = 0;
    virtual void Unwatch(const std::string& path) = 0;
    // True when an event arrived since the last call. Never blocks.
    virtual bool TakeEvents() = 0;
};

} // namespace quillan
