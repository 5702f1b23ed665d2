#pragma once

#include <chrono>
#include <string>

namespace quillan {

// How long a starting instance waits for another one to finish starting (for any one holder of
// the lock: a queue of starts that moves is waited for as long as it moves).
inline constexpr std::chrono::milliseconds InstanceLockTimeout { 10000 };

// The lock that serialises start-ups of one user's instances: an exclusive flock on a file in
// the runtime folder. It guards only the moment between looking for a running instance and that
// instance becoming reachable; the kernel drops it when the holder exits, however it exits, so a
// crashed start-up never blocks the next one.
class TInstanceLock {
public:
    enum class TResult { lrAcquired, lrTimedOut, lrFailed };

    TInstanceLock() = default;
    ~TInstanceLock() { Release(); }
    TInstanceLock(const TInstanceLock&) = delete;
    TInstanceLock& operator=(const TInstanceLock&) = delete;

    // Takes the lock on "<folder>/instance.lock", waiting at most `timeout` while one and the same
    // holder keeps it (the wait starts afresh when the lock changes hands, unless a holder marked
    // the running instance as not answering). The folder must
    // already be private (EnsurePrivateFolder). lrFailed sets `error`.
    TResult Acquire(const std::string& folder, std::chrono::milliseconds timeout, std::string& error);
    // Tells the starts waiting for the lock that the running instance does not answer, so that
    // they give up in their time instead of each waiting for it in turn. Call before Release.
    void MarkNoAnswer();
    void Release();
    bool Held() const { return FFd >= 0; }

private:
    int FFd = -1;
};

} // namespace quillan
