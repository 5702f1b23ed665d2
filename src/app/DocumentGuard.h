#pragma once

#include "app/DiskWatch.h"
#include "app/DocumentWatch.h"
#include "app/RecoveryCopies.h"
#include "app/UserInterface.h"

#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <string_view>

namespace quillan {

class TMainFormModel;
class IUserInterface;
class IRecoveryStore;
class IFileWatch;

// The guard's words; "%s" is filled with FormatMessage.
inline constexpr const char* SChangedReload
    = "%s has been changed by another program.\nReload it and lose your changes?";
inline constexpr const char* SChangedSaveOver
    = "%s has been changed by another program since it was read.\nSave over it and lose that program's changes?";
inline constexpr const char* SReloaded = "%s was changed by another program and has been reloaded";
inline constexpr const char* SFileGone
    = "%s was deleted or renamed by another program; only the open document holds it now";
inline constexpr const char* STooLargeToCopy = "%s is over 1 GiB: no recovery copy is kept of it";
inline constexpr const char* SNoRecoveryFolder = "No recovery copies can be kept: %s";
inline constexpr const char* SRecoverQuestion
    = "Quillan did not end normally last time. It kept copies of:\n%s\nRecover them?";
inline constexpr const char* SRecoverSkipped = "Skipped, not readable: %s";

enum class TRecoveryAnswer : std::uint8_t { raRecover, raKeep, raDiscard };

// The start-up question about copies left by a run that did not end normally: recover them,
// keep them for the next start, or throw them away.
class IRecoveryPrompt {
public:
    virtual ~IRecoveryPrompt() = default;
    virtual TRecoveryAnswer AskRecover(std::string_view text) = 0;
};

// Keeps the user's work safe from the two things outside the editor's control: the program
// ending abnormally (recovery copies of modified documents) and other programs changing the
// files that are open (reload, ask, or keep the text when the file went away; never write over
// a version the document did not see without asking).
//
// Display-free: the window drives it with a timer (Tick), its focus (CheckFiles) and its start
// and normal end; `say` puts a short note in the status bar.
class TDocumentGuard : public IDocumentWatch {
public:
    TDocumentGuard(TMainFormModel& model, IUserInterface& ui, IRecoveryPrompt& prompt, IRecoveryStore& store,
        IFileWatch& files, std::function<void(const std::string&)> say, TRecoveryTiming timing = {},
        bool threaded = true);
    ~TDocumentGuard() override;
    TDocumentGuard(const TDocumentGuard&) = delete;
    TDocumentGuard& operator=(const TDocumentGuard&) = delete;

    // Starts this run's session and follows the model's documents from now on. Documents already
    // open are tracked too.
    void Start();
    // Offers what a run that ended abnormally left. Returns how many documents were recovered.
    int OfferRecovery();
    // Copies that are due, snapshots the writer is done with, and the folder watch's news
    // (CheckFiles when `focused`).
    void Tick(TRecoveryClock::time_point now, bool focused);
    // Looks at every open document's file and handles what changed, one document at a time.
    void CheckFiles();
    // The active document's copy, on disk before a command that could take the program down.
    void BeforeRiskyOperation();
    // The window closes normally: every copy of this run goes.
    void NormalExit();

    // Questions asked so far (start-up, reload, save over), and whether one is open now.
    int QuestionsAsked() const { return FQuestions; }
    bool Asking() const { return FAsking; }

    TRecoveryCopies& Copies() { return FCopies; }
    TDiskWatch& Disk() { return FDisk; }

    // --- IDocumentWatch ---------------------------------------------------------------------
    void DocumentChanged(TQuillEdit& edit) override;
    void DocumentLoaded(TQuillEdit& edit, const std::string& path) override;
    void BeforeWrite(TQuillEdit& edit, const std::string& path) override;
    void DocumentSaved(TQuillEdit& edit, const std::string& path) override;
    void DocumentClosed(TQuillEdit& edit) override;

private:
    TRecoveryDocument Describe(int slot) const;
    TModalResult Ask(const std::string& text);

    TMainFormModel& FModel;
    IUserInterface& FUI;
    IRecoveryPrompt& FPrompt;
    IRecoveryStore& FStore;
    std::function<void(const std::string&)> FSay;
    TRecoveryCopies FCopies;
    TDiskWatch FDisk;
    std::set<const void*> FToldTooLarge;
    bool FAttached = false;
    bool FChecking = false;
    int FQuestions = 0;
    bool FAsking = false;
};

} // namespace quillan
