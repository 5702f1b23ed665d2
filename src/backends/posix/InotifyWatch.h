#pragma once

#include "ports/FileWatch.h"

#include <map>
#include <string>

namespace quillan {

// IFileWatch over stat and inotify. Each folder that holds a watched file is watched once for
// writes, creations, deletions, renames and attribute changes; the events themselves only say
// "look again", the stamps decide what changed.
class TInotifyWatch : public IFileWatch {
public:
    TInotifyWatch();
    ~TInotifyWatch() override;
    TInotifyWatch(const TInotifyWatch&) = delete;
    TInotifyWatch& operator=(const TInotifyWatch&) = delete;

    TFileStamp Stamp(const std::string& path) const override;
    void Watch(const std::string& path) override;
    void Unwatch(const std::string& path) override;
    bool TakeEvents() override;
    // False where inotify is not available; stamps still work then.
    bool Available() const { return FFd >= 0; }

private:
    struct TFolder {
        int Descriptor = -1;
        int Users = 0;
    };

    int FFd = -1;
    std::map<std::string, TFolder> FFolders;
};

} // namespace quillan
