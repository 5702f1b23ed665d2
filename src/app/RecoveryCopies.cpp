#include "app/RecoveryCopies.h"

#include "base/AtomicFile.h"
#include "ports/RecoveryStore.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace quillan {

namespace {

// Big enough that a copy costs few system calls, small enough to stay in the cache.
constexpr std::size_t WriteChunk = 1 << 20;

TAtomicFileOptions CopyFileOptions()
{
    TAtomicFileOptions o;
    // A copy is ours alone: never the mode, owner or attributes of whatever was there, never
    // through a link someone planted, never in place.
    o.KeepMode = o.KeepOwner = o.KeepAttributes = false;
    o.InPlaceFallback = false;
    o.Links = TLinkPolicy::lpReplaceLink;
    o.NewFileMode = 0600;
    o.SyncFile = true;
    // Losing the newest folder entry in a power cut leaves the previous copy, which is fine.
    o.SyncFolder = false;
    return o;
}

} // namespace

TRecoveryCopies::TRecoveryCopies(IRecoveryStore& store, TRecoveryTiming timing, bool threaded)
    : FStore(store)
    , FTiming(timing)
{
    if (threaded)
        FWorker = std::thread([this] { WorkerLoop(); });
}

TRecoveryCopies::~TRecoveryCopies()
{
    {
        std::lock_guard lock(FMutex);
        FStop = true;
    }
    FWake.notify_all();
    if (FWorker.joinable())
        FWorker.join();
    Collect();
}

TRecoveryCopies::TState& TRecoveryCopies::StateOf(const void* key)
{
    TState& s = FStates[key];
    if (s.Id.empty())
        s.Id = NewId();
    return s;
}

std::string TRecoveryCopies::NewId()
{
    return "doc" + std::to_string(FNextId++) + ".qrc";
}

void TRecoveryCopies::NoteChange(const void* key, TRecoveryClock::time_point now)
{
    TState& s = StateOf(key);
    if (!s.Pending) {
        s.Pending = true;
        s.FirstChange = now;
    }
    s.LastChange = now;
}

std::vector<const void*> TRecoveryCopies::Due(TRecoveryClock::time_point now) const
{
    std::vector<const void*> due;
    for (const auto& [key, s] : FStates)
        if (s.Pending && now >= std::min(s.LastChange + FTiming.Quiet, s.FirstChange + FTiming.Longest))
            due.push_back(key);
    return due;
}

TRecoveryClock::time_point TRecoveryCopies::NextDue() const
{
    auto next = TRecoveryClock::time_point::max();
    for (const auto& [key, s] : FStates)
        if (s.Pending)
            next = std::min(next, std::min(s.LastChange + FTiming.Quiet, s.FirstChange + FTiming.Longest));
    return next;
}

bool TRecoveryCopies::Pending(const void* key) const
{
    const auto it = FStates.find(key);
    return it != FStates.end() && it->second.Pending;
}

std::string TRecoveryCopies::IdOf(const void* key) const
{
    const auto it = FStates.find(key);
    return it == FStates.end() ? std::string() : it->second.Id;
}

TCopyResult TRecoveryCopies::Copy(const TRecoveryDocument& document, std::int64_t wallSeconds)
{
    TState& s = StateOf(document.Key);
    s.Pending = false;
    if (!FStore.SessionOpen())
        return TCopyResult::crNoSession;
    auto removeCopy = [&] {
        if (s.OnDisk) {
            TJob job;
            job.Remove = true;
            job.Path = FStore.CopyPath(s.Id);
            Enqueue(std::move(job));
            s.OnDisk = false;
        }
    };
    if (!document.Modified || !document.Lines) {
        removeCopy();
        return TCopyResult::crRemoved;
    }
    TJob job;
    if (!FSpare.empty()) {
        job.Snapshot = std::move(FSpare.back());
        FSpare.pop_back();
    }
    job.Snapshot.Take(*document.Lines);
    if (job.Snapshot.TextBytes() > FSizeLimit) {
        job.Snapshot.Release();
        FSpare.push_back(std::move(job.Snapshot));
        // An old copy holds text the user has since changed; offering it later would mislead.
        removeCopy();
        return TCopyResult::crTooLarge;
    }
    TRecoveryRecord record;
    record.FileName = document.FileName;
    record.UntitledSlot = document.Slot;
    record.LineBreak = job.Snapshot.LineBreakStyle();
    record.SavedAt = wallSeconds;
    record.Disk = document.Disk;
    record.BinaryForm = document.BinaryForm;
    record.Bytes = job.Snapshot.TextBytes();
    job.Header = FormatRecoveryHeader(record);
    job.Path = FStore.CopyPath(s.Id);
    s.OnDisk = true;
    Enqueue(std::move(job));
    return TCopyResult::crQueued;
}

TCopyResult TRecoveryCopies::CopyAndWait(const TRecoveryDocument& document, std::int64_t wallSeconds)
{
    const TCopyResult result = Copy(document, wallSeconds);
    Drain();
    return result;
}

void TRecoveryCopies::Forget(const void* key)
{
    const auto it = FStates.find(key);
    if (it == FStates.end())
        return;
    if (it->second.OnDisk && FStore.SessionOpen()) {
        TJob job;
        job.Remove = true;
        job.Path = FStore.CopyPath(it->second.Id);
        Enqueue(std::move(job));
    }
    FStates.erase(it);
}

void TRecoveryCopies::Adopted(const void* key, const std::string& id)
{
    TState& s = FStates[key];
    s.Id = id;
    s.OnDisk = true;
    s.Pending = false;
}

void TRecoveryCopies::Enqueue(TJob job)
{
    if (!FWorker.joinable()) {
        RunJob(job);
        job.Snapshot.Release();
        FSpare.push_back(std::move(job.Snapshot));
        return;
    }
    {
        std::lock_guard lock(FMutex);
        FQueue.push_back(std::move(job));
    }
    FWake.notify_one();
}

void TRecoveryCopies::RunJob(TJob& job)
{
    std::string error;
    if (job.Remove) {
        if (std::remove(job.Path.c_str()) != 0 && errno != ENOENT)
            error = "Cannot remove " + job.Path + ": " + std::strerror(errno);
    } else {
        TAtomicFile file;
        bool ok = file.Open(job.Path, CopyFileOptions()) && file.Write(job.Header)
            && job.Snapshot.ForEachChunk(WriteChunk, [&file](std::string_view piece) { return file.Write(piece); })
            && file.Commit();
        if (!ok)
            error = file.Error().Message;
    }
    std::lock_guard lock(FMutex);
    if (!error.empty())
        FLastError = error;
    else if (job.Remove)
        ++FRemoved;
    else
        ++FWritten;
}

void TRecoveryCopies::WorkerLoop()
{
    std::unique_lock lock(FMutex);
    for (;;) {
        FWake.wait(lock, [this] { return FStop || !FQueue.empty(); });
        if (FQueue.empty())
            return; // stopping, and everything asked for is done
        TJob job = std::move(FQueue.front());
        FQueue.pop_front();
        FBusy = true;
        lock.unlock();
        RunJob(job);
        lock.lock();
        FDone.push_back(std::move(job.Snapshot));
        FBusy = false;
        FIdle.notify_all();
    }
}

void TRecoveryCopies::Collect()
{
    std::vector<TLineSnapshot> done;
    {
        std::lock_guard lock(FMutex);
        done.swap(FDone);
    }
    for (TLineSnapshot& snapshot : done) {
        snapshot.Release();
        // One spare per document is plenty; more would only hold memory.
        if (FSpare.size() < 4)
            FSpare.push_back(std::move(snapshot));
    }
}

void TRecoveryCopies::Drain()
{
    if (FWorker.joinable()) {
        std::unique_lock lock(FMutex);
        FIdle.wait(lock, [this] { return FQueue.empty() && !FBusy; });
    }
    Collect();
}

void TRecoveryCopies::RemoveAll()
{
    Drain();
    for (auto& [key, s] : FStates)
        if (s.OnDisk && FStore.SessionOpen()) {
            TJob job;
            job.Remove = true;
            job.Path = FStore.CopyPath(s.Id);
            RunJob(job);
        }
    FStates.clear();
}

int TRecoveryCopies::Written() const
{
    std::lock_guard lock(FMutex);
    return FWritten;
}

int TRecoveryCopies::Removed() const
{
    std::lock_guard lock(FMutex);
    return FRemoved;
}

std::string TRecoveryCopies::LastError() const
{
    std::lock_guard lock(FMutex);
    return FLastError;
}

} // namespace quillan
