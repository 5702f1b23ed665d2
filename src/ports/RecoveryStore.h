#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quillan {

// Where recovery copies live. Each running instance owns one session folder for its copies and
// holds a lock on it for as long as it runs; a session whose lock nobody holds was left by a run
// that ended abnormally, and only such sessions are ever offered, moved or removed.
class IRecoveryStore {
public:
    virtual ~IRecoveryStore() = default;

    // Makes (or checks) the private folders and starts this run's session. False with `error`
    // when there is nowhere safe to keep copies; the editor then runs without them.
    virtual bool OpenSession(std::string& error) = 0;
    virtual bool SessionOpen() const = 0;
    // The file that holds the copy named `id` in this run's session.
    virtual std::string CopyPath(std::string_view id) const = 0;
    // The copies of sessions no running instance holds, oldest session first. They stay claimed
    // (no other start may take them) until ReleaseAbandoned or DiscardAbandoned.
    virtual std::vector<std::string> ClaimAbandoned() = 0;
    // Reads a copy without following a link and refusing anything that is not a regular file of
    // at most `limit` bytes.
    virtual bool ReadCopy(const std::string& path, std::uint64_t limit, std::string& bytes, std::string& error) = 0;
    // Moves a claimed copy into this run's session under `id`, so that it is kept until the
    // document it became is saved or discarded.
    virtual bool AdoptCopy(const std::string& path, std::string_view id) = 0;
    // Lets go of the claimed sessions, keeping what is left in them for a later start.
    virtual void ReleaseAbandoned() = 0;
    // Removes the claimed sessions with everything in them.
    virtual void DiscardAbandoned() = 0;
    // A normal end: this run's session goes, with any copy still in it.
    virtual void CloseSession() = 0;
};

} // namespace quillan
