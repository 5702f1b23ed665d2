#pragma once

#include "app/RecoveryRecord.h"
#include "text/LineSnapshot.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

namespace quillan {

class IRecoveryStore;
class TQuillEditStringList;

using TRecoveryClock = std::chrono::steady_clock;

struct TRecoveryTiming {
    // A copy is taken this long after the last change...
    std::chrono::milliseconds Quiet { 2000 };
    // ...but never later than this after the first change not yet copied, so that steady typing
    // is copied too.
    std::chrono::milliseconds Longest { 10000 };
};

// A document as the copies see it when one is due.
struct TRecoveryDocument {
    const void* Key = nullptr; // stays the same for the life of the document
    const TQuillEditStringList* Lines = nullptr;
    bool Modified = false;
    std::string FileName; // path or "Untitled"
    int Slot = -1;
    TFileStamp Disk; // what the document was read from or written to
    bool BinaryForm = false; // a form file that is saved in binary
};

enum class TCopyResult : std::uint8_t {
    crQueued, // a snapshot is on its way to disk
    crRemoved, // the document is unmodified again: its copy goes
    crTooLarge, // over the limit: not copied (the caller says so once)
    crNoSession, // there is nowhere to keep copies
};

// Recovery copies of modified documents: when they are due (debounced per document), the
// snapshot taken on the interface thread, and the writes and removals done in order on a thread
// of their own, so that typing never waits for the disk.
//
// Every file operation of one document is queued in the order it was asked for, so a removal
// (after a save) can never be overtaken by a copy written before it. Snapshots come back to the
// interface thread to be released there (Collect), since line references are not thread-safe.
class TRecoveryCopies {
public:
    // `threaded` false runs every file operation at once on the caller's thread (tests).
    TRecoveryCopies(IRecoveryStore& store, TRecoveryTiming timing = {}, bool threaded = true);
    ~TRecoveryCopies();
    TRecoveryCopies(const TRecoveryCopies&) = delete;
    TRecoveryCopies& operator=(const TRecoveryCopies&) = delete;

    // --- debouncing (interface thread) ------------------------------------------------------
    void NoteChange(const void* key, TRecoveryClock::time_point now);
    // The documents whose copy is due at `now`.
    std::vector<const void*> Due(TRecoveryClock::time_point now) const;
    // When the next copy falls due; max() when none is pending.
    TRecoveryClock::time_point NextDue() const;
    bool Pending(const void* key) const;

    // Takes the copy (or, for an unmodified document, removes it) and clears its pending state.
    TCopyResult Copy(const TRecoveryDocument& document, std::int64_t wallSeconds);
    // Copy, then wait until it is on disk: before an operation that could take the program down
    // with it, such as a replace-all over a large document.
    TCopyResult CopyAndWait(const TRecoveryDocument& document, std::int64_t wallSeconds);
    // Saved, closed without saving, or gone: its copy is removed and nothing stays pending.
    void Forget(const void* key);
    // A copy already on disk (a recovered one) now belongs to this document.
    void Adopted(const void* key, const std::string& id);
    // The id the document's copy has (or will have) in the session; "" when it has none.
    std::string IdOf(const void* key) const;
    // A fresh id for a document without one.
    std::string NewId();

    // Releases the snapshots the writer is done with. Cheap; call it from a timer.
    void Collect();
    // Waits until every queued operation is done.
    void Drain();
    // A normal end: waits for the writer, then removes every copy of this run.
    void RemoveAll();

    // Documents above this many bytes get no copy (RecoveryCopyLimit unless a test lowers it).
    void SetSizeLimit(std::uint64_t bytes) { FSizeLimit = bytes; }

    // For the benchmark and tests: how many copies were written and removed, and failures.
    int Written() const;
    int Removed() const;
    std::string LastError() const;

private:
    struct TState {
        std::string Id;
        bool Pending = false;
        TRecoveryClock::time_point FirstChange {};
        TRecoveryClock::time_point LastChange {};
        bool OnDisk = false; // a copy was queued and not removed since
    };
    struct TJob {
        bool Remove = false;
        std::string Path;
        std::string Header;
        TLineSnapshot Snapshot;
    };

    TState& StateOf(const void* key);
    void Enqueue(TJob job);
    void RunJob(TJob& job);
    void WorkerLoop();

    IRecoveryStore& FStore;
    TRecoveryTiming FTiming;
    std::unordered_map<const void*, TState> FStates;
    int FNextId = 1;
    std::uint64_t FSizeLimit = RecoveryCopyLimit;
    // Spare snapshots keep their capacity: a million-line document does not reallocate its
    // snapshot on every copy.
    std::vector<TLineSnapshot> FSpare;

    mutable std::mutex FMutex;
    std::condition_variable FWake;
    std::condition_variable FIdle;
    std::deque<TJob> FQueue;
    std::vector<TLineSnapshot> FDone; // back from the writer, to be released here
    bool FBusy = false;
    bool FStop = false;
    int FWritten = 0;
    int FRemoved = 0;
    std::string FLastError;
    std::thread FWorker;
};

} // namespace quillan
