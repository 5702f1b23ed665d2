#include "app/DocumentGuard.h"

#include "app/AppStrings.h"
#include "app/CommandLine.h"
#include "app/MainFormModel.h"
#include "base/Paths.h"
#include "base/QuillEditStrConst.h"
#include "editor/QuillEdit.h"
#include "ports/RecoveryStore.h"

#include <algorithm>
#include <ctime>

namespace quillan {

namespace {

std::int64_t WallSeconds()
{
    return static_cast<std::int64_t>(std::time(nullptr));
}

// What the question lists for one copy.
std::string ListedName(const TRecoveryRecord& record)
{
    if (record.FileName == SUntitled)
        return std::string(SUntitled) + " (tab " + std::to_string(record.UntitledSlot + 1) + ")";
    return record.FileName;
}

} // namespace

TDocumentGuard::TDocumentGuard(TMainFormModel& model, IUserInterface& ui, IRecoveryPrompt& prompt,
    IRecoveryStore& store, IFileWatch& files, std::function<void(const std::string&)> say, TRecoveryTiming timing,
    bool threaded)
    : FModel(model)
    , FUI(ui)
    , FPrompt(prompt)
    , FStore(store)
    , FSay(std::move(say))
    , FCopies(store, timing, threaded)
    , FDisk(files)
{
}

TDocumentGuard::~TDocumentGuard()
{
    if (FAttached)
        FModel.SetDocumentWatch(nullptr);
}

void TDocumentGuard::Start()
{
    std::string error;
    if (!FStore.OpenSession(error) && FSay)
        FSay(FormatMessage(SNoRecoveryFolder, { error }));
    FModel.SetDocumentWatch(this);
    FAttached = true;
    for (int i = 0; i <= FModel.LastIndex(); ++i) {
        TQuillEdit& edit = *FModel.Editors(i);
        if (FModel.FileNames(i) != SUntitled)
            FDisk.Track(&edit, FModel.FileNames(i));
        if (edit.Modified())
            FCopies.NoteChange(&edit, TRecoveryClock::now());
    }
}

int TDocumentGuard::OfferRecovery()
{
    if (!FStore.SessionOpen())
        return 0;
    const std::vector<std::string> paths = FStore.ClaimAbandoned();
    if (paths.empty())
        return 0;
    struct TFound {
        std::string Path;
        TRecoveryRecord Record;
        std::string Bytes;
        std::string_view Text;
    };
    std::vector<TFound> found;
    std::string listed;
    std::string skipped;
    for (const std::string& path : paths) {
        TFound f;
        f.Path = path;
        std::string error;
        // The header on top of the largest text a copy may hold.
        if (!FStore.ReadCopy(path, RecoveryCopyLimit + 65536, f.Bytes, error)
            || !ParseRecoveryCopy(f.Bytes, f.Record, f.Text, error)) {
            skipped += '\n';
            skipped += FormatMessage(SRecoverSkipped, { ExtractFileName(path) + ": " + error });
            continue;
        }
        listed += "    ";
        listed += ListedName(f.Record);
        listed += '\n';
        found.push_back(std::move(f));
    }
    std::string text = FormatMessage(SRecoverQuestion, { listed });
    text += skipped;
    ++FQuestions;
    FAsking = true;
    const TRecoveryAnswer answer = FPrompt.AskRecover(text);
    FAsking = false;
    if (answer == TRecoveryAnswer::raKeep) {
        FStore.ReleaseAbandoned();
        return 0;
    }
    int recovered = 0;
    if (answer == TRecoveryAnswer::raRecover) {
        for (TFound& f : found) {
            if (FModel.DocumentCount() >= MaxOpenDocuments) {
                // What did not fit stays on disk for the next start.
                FStore.ReleaseAbandoned();
                FUI.MessageDlg(SFileLimitReached, TMsgDlgType::mtError, TMsgDlgButtons::mbOK);
                return recovered;
            }
            const int slot = FModel.OpenRecovered(f.Record.FileName, f.Text, f.Record.LineBreak, f.Record.BinaryForm);
            TQuillEdit& edit = *FModel.Editors(slot);
            ++recovered;
            if (f.Record.FileName != SUntitled) {
                // A change made to the file since the copy was taken is offered at the next check.
                if (f.Record.Disk.Exists)
                    FDisk.TrackFrom(&edit, f.Record.FileName, f.Record.Disk);
                else
                    FDisk.Track(&edit, f.Record.FileName);
            }
            const std::string id = FCopies.NewId();
            if (FStore.AdoptCopy(f.Path, id))
                FCopies.Adopted(&edit, id);
            else
                FCopies.NoteChange(&edit, TRecoveryClock::now());
            // Free the copy's bytes now; the document holds its own.
            f.Bytes = std::string();
            f.Text = {};
        }
    }
    FStore.DiscardAbandoned();
    return recovered;
}

TRecoveryDocument TDocumentGuard::Describe(int slot) const
{
    TRecoveryDocument d;
    const TQuillEdit* edit = FModel.Editors(slot);
    d.Key = edit;
    d.Lines = &edit->Lines();
    d.Modified = edit->Modified();
    d.FileName = FModel.FileNames(slot);
    d.Slot = slot;
    d.Disk = FDisk.Known(edit);
    d.BinaryForm = FModel.IsBinaryFormFile(slot);
    return d;
}

void TDocumentGuard::Tick(TRecoveryClock::time_point now, bool focused)
{
    FCopies.Collect();
    for (const void* key : FCopies.Due(now)) {
        const int slot = FModel.SlotOfEditor(static_cast<const TQuillEdit*>(key));
        if (slot < 0) {
            FCopies.Forget(key);
            continue;
        }
        if (FCopies.Copy(Describe(slot), WallSeconds()) == TCopyResult::crTooLarge && FToldTooLarge.insert(key).second
            && FSay)
            FSay(FormatMessage(STooLargeToCopy, { FModel.FileNames(slot) }));
    }
    if (focused && FDisk.EventsPending())
        CheckFiles();
}

void TDocumentGuard::CheckFiles()
{
    // A question below gives the focus away and back; that must not start a second round.
    if (FChecking)
        return;
    FChecking = true;
    std::vector<TDiskEvent> events
        = FDisk.Check([](const void* key) { return static_cast<const TQuillEdit*>(key)->Modified(); });
    // In tab order, as the user sees them.
    std::sort(events.begin(), events.end(), [this](const TDiskEvent& a, const TDiskEvent& b) {
        return FModel.SlotOfEditor(static_cast<const TQuillEdit*>(a.Document))
            < FModel.SlotOfEditor(static_cast<const TQuillEdit*>(b.Document));
    });
    try {
        for (const TDiskEvent& e : events) {
            // Re-found each time: a question lets the user act, though the model's slots are
            // only changed by us here.
            const int slot = FModel.SlotOfEditor(static_cast<const TQuillEdit*>(e.Document));
            if (slot < 0)
                continue;
            switch (e.Action) {
            case TDiskAction::daReload:
                if (FModel.ReloadDocument(slot) && FSay)
                    FSay(FormatMessage(SReloaded, { e.Path }));
                break;
            case TDiskAction::daAsk:
                if (Ask(FormatMessage(SChangedReload, { e.Path })) == TModalResult::mrYes)
                    FModel.ReloadDocument(slot);
                break;
            case TDiskAction::daGone:
                FModel.MarkFileGone(slot);
                // The text is now the only copy there is.
                FCopies.NoteChange(e.Document, TRecoveryClock::now());
                if (FSay)
                    FSay(FormatMessage(SFileGone, { e.Path }));
                break;
            case TDiskAction::daNone:
                break;
            }
        }
    } catch (...) {
        FChecking = false;
        throw;
    }
    FChecking = false;
}

TModalResult TDocumentGuard::Ask(const std::string& text)
{
    ++FQuestions;
    FAsking = true;
    TModalResult answer = TModalResult::mrNone;
    try {
        answer = FUI.MessageDlg(text, TMsgDlgType::mtConfirmation, TMsgDlgButtons::mbYesNo);
    } catch (...) {
        FAsking = false;
        throw;
    }
    FAsking = false;
    return answer;
}

void TDocumentGuard::BeforeRiskyOperation()
{
    const int slot = FModel.ActiveSlot();
    if (slot < 0 || !FModel.Editors(slot)->Modified())
        return;
    FCopies.CopyAndWait(Describe(slot), WallSeconds());
}

void TDocumentGuard::NormalExit()
{
    if (FAttached) {
        FModel.SetDocumentWatch(nullptr);
        FAttached = false;
    }
    FCopies.RemoveAll();
    FStore.CloseSession();
}

void TDocumentGuard::DocumentChanged(TQuillEdit& edit)
{
    FCopies.NoteChange(&edit, TRecoveryClock::now());
}

void TDocumentGuard::DocumentLoaded(TQuillEdit& edit, const std::string& path)
{
    FDisk.Track(&edit, path);
    // The text is the file's again: an older copy would only offer stale changes.
    FCopies.Forget(&edit);
}

void TDocumentGuard::BeforeWrite(TQuillEdit& edit, const std::string& path)
{
    if (!FDisk.ChangedSinceKnown(&edit, path))
        return;
    if (Ask(FormatMessage(SChangedSaveOver, { path })) != TModalResult::mrYes)
        throw EAbort();
}

void TDocumentGuard::DocumentSaved(TQuillEdit& edit, const std::string& path)
{
    FCopies.Forget(&edit);
    FToldTooLarge.erase(&edit);
    FDisk.Track(&edit, path);
}

void TDocumentGuard::DocumentClosed(TQuillEdit& edit)
{
    FCopies.Forget(&edit);
    FToldTooLarge.erase(&edit);
    FDisk.Untrack(&edit);
}

} // namespace quillan
