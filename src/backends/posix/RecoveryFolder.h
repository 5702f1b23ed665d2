#pragma once

#include "backends/posix/InstanceLock.h"
#include "ports/RecoveryStore.h"

#include <memory>
#include <string>
#include <vector>

namespace quillan {

// "$XDG_STATE_HOME/Quillan/recovery", or "~/.local/state/Quillan/recovery".
std::string RecoveryFolderPath();

// Recovery copies on disk. The folder (0700) holds one session folder per run,
// "<root>/<pid>-<random>/", with the run's copies ("*.qrc", 0600) and an "instance.lock" that the
// run holds with flock for its whole life. The kernel drops that lock however the run ends, so a
// session whose lock can be taken belongs to nobody: its run crashed or was killed. A live
// instance's session is never read, moved or removed by another.
//
// A session folder is made under a dot name, locked, and only then renamed to its real name, so
// another start never sees it unlocked.
class TRecoveryFolder : public IRecoveryStore {
public:
    explicit TRecoveryFolder(std::string root = RecoveryFolderPath());
    ~TRecoveryFolder() override;

    bool OpenSession(std::string& error) override;
    bool SessionOpen() const override { return !FSession.empty(); }
    std::string CopyPath(std::string_view id) const override;
    std::vector<std::string> ClaimAbandoned() override;
    bool ReadCopy(const std::string& path, std::uint64_t limit, std::string& bytes, std::string& error) override;
    bool AdoptCopy(const std::string& path, std::string_view id) override;
    void ReleaseAbandoned() override;
    void DiscardAbandoned() override;
    void CloseSession() override;

    const std::string& Root() const { return FRoot; }
    const std::string& Session() const { return FSession; }

private:
    struct TClaim {
        std::string Folder;
        std::unique_ptr<TInstanceLock> Lock;
    };

    std::string FRoot;
    std::string FSession;
    TInstanceLock FLock;
    std::vector<TClaim> FClaims;
};

} // namespace quillan
