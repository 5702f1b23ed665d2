// Files changed by other programs: the decision table, detection by size, time and identity, one
// event per change, and what the main window's documents do about each.
#include "app/DiskWatch.h"

#include "app/DocumentGuard.h"
#include "app/MainFormModel.h"
#include "backends/headless/HeadlessHost.h"
#include "backends/posix/InotifyWatch.h"
#include "backends/posix/RecoveryFolder.h"
#include "editor/QuillEdit.h"
#include "support/BareMainFormView.h"
#include "support/ScriptedUI.h"
#include "support/TempFolder.h"

#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <sys/stat.h>

namespace quillan {
namespace {

using testutil::ReadFileBytes;
using testutil::TTempFolder;

const TFileStamp Base { true, 100, 5'000'000'000, 1, 42 };

TEST(DiskDecision, TheTable)
{
    TFileStamp bigger = Base, touched = Base, replaced = Base, otherDevice = Base;
    bigger.Size = 101;
    touched.ModifiedNs += 1; // a nanosecond is a change
    replaced.Inode = 43; // written elsewhere and renamed over: same size and time
    otherDevice.Device = 2;
    const TFileStamp gone {};
    for (const bool modified : { false, true }) {
        SCOPED_TRACE(modified ? "modified" : "unmodified");
        const TDiskAction change = modified ? TDiskAction::daAsk : TDiskAction::daReload;
        EXPECT_EQ(DecideDiskAction(Base, Base, modified), TDiskAction::daNone);
        EXPECT_EQ(DecideDiskAction(Base, bigger, modified), change);
        EXPECT_EQ(DecideDiskAction(Base, touched, modified), change);
        EXPECT_EQ(DecideDiskAction(Base, replaced, modified), change);
        EXPECT_EQ(DecideDiskAction(Base, otherDevice, modified), change);
        EXPECT_EQ(DecideDiskAction(Base, gone, modified), TDiskAction::daGone);
        // Gone and still gone is no news; back again is a change.
        EXPECT_EQ(DecideDiskAction(gone, gone, modified), TDiskAction::daNone);
        EXPECT_EQ(DecideDiskAction(gone, Base, modified), change);
    }
}

// Stamps set by hand, so that size, time and identity can each change alone.
class TFakeFiles : public IFileWatch {
public:
    TFileStamp Stamp(const std::string& path) const override
    {
        ++Stats;
        const auto it = Stamps.find(path);
        return it == Stamps.end() ? TFileStamp {} : it->second;
    }
    void Watch(const std::string& path) override { ++Watched[path]; }
    void Unwatch(const std::string& path) override
    {
        if (--Watched[path] == 0)
            Watched.erase(path);
    }
    bool TakeEvents() override { return std::exchange(Events, false); }

    std::map<std::string, TFileStamp> Stamps;
    std::map<std::string, int> Watched;
    mutable int Stats = 0;
    bool Events = false;
};

TEST(DiskWatch, EachChangeIsReportedOnceAndSavingOverAnUnseenVersionIsFlagged)
{
    TFakeFiles files;
    const int a = 0, b = 0;
    files.Stamps["/d/a"] = Base;
    files.Stamps["/d/b"] = Base;
    std::map<const void*, bool> modified { { &a, false }, { &b, true } };
    auto isModified = [&](const void* k) { return modified.at(k); };
    {
        TDiskWatch watch(files);
        watch.Track(&a, "/d/a");
        watch.Track(&b, "/d/b");
        EXPECT_EQ(files.Watched.size(), 2u);
        EXPECT_TRUE(watch.Check(isModified).empty());

        files.Stamps["/d/a"].Size = 7;
        files.Stamps["/d/b"].ModifiedNs += 10;
        auto events = watch.Check(isModified);
        ASSERT_EQ(events.size(), 2u);
        std::map<std::string, TDiskAction> byPath;
        for (const TDiskEvent& e : events)
            byPath[e.Path] = e.Action;
        EXPECT_EQ(byPath["/d/a"], TDiskAction::daReload);
        EXPECT_EQ(byPath["/d/b"], TDiskAction::daAsk);
        // However often the window gets the focus back, the same change asks nothing more.
        EXPECT_TRUE(watch.Check(isModified).empty());
        EXPECT_TRUE(watch.Check(isModified).empty());

        // b kept its changes: saving it would write over the other program's version...
        EXPECT_TRUE(watch.ChangedSinceKnown(&b, "/d/b"));
        // ...unlike a save under another name, or a file that has gone meanwhile.
        EXPECT_FALSE(watch.ChangedSinceKnown(&b, "/d/other"));
        files.Stamps.erase("/d/b");
        EXPECT_FALSE(watch.ChangedSinceKnown(&b, "/d/b"));
        events = watch.Check(isModified);
        ASSERT_EQ(events.size(), 1u);
        EXPECT_EQ(events[0].Action, TDiskAction::daGone);
        EXPECT_TRUE(watch.Check(isModified).empty());

        // After a save the document matches its file again.
        files.Stamps["/d/b"] = Base;
        watch.Track(&b, "/d/b");
        EXPECT_FALSE(watch.ChangedSinceKnown(&b, "/d/b"));
        EXPECT_TRUE(watch.Check(isModified).empty());

        // Saved under a new name: the old folder entry is let go.
        watch.Track(&a, "/e/a");
        EXPECT_EQ(files.Watched.count("/d/a"), 0u);
        watch.Untrack(&b);
        EXPECT_FALSE(watch.Tracked(&b));
    }
    EXPECT_TRUE(files.Watched.empty());
}

TEST(DiskWatch, RealFilesChangeBySizeTimeAndIdentityAndInotifyNoticesARenameOver)
{
    TTempFolder temp("disk");
    const std::string path = temp / "f.txt";
    std::ofstream(path) << "abc";
    TInotifyWatch files;
    ASSERT_TRUE(files.Available());
    const TFileStamp first = files.Stamp(path);
    ASSERT_TRUE(first.Exists);
    EXPECT_EQ(first.Size, 3u);
    files.Watch(path);
    EXPECT_FALSE(files.TakeEvents());

    // Same size, only the time differs.
    timespec times[2] = { { 0, UTIME_OMIT }, { 1'000'000'000, 0 } };
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    const TFileStamp touched = files.Stamp(path);
    EXPECT_NE(touched, first);
    EXPECT_EQ(touched.Inode, first.Inode);
    EXPECT_TRUE(files.TakeEvents());

    // Same size and time, another file renamed over it.
    const std::string other = temp / "g.txt";
    std::ofstream(other) << "xyz";
    ASSERT_EQ(::utimensat(AT_FDCWD, other.c_str(), times, 0), 0);
    ASSERT_EQ(std::rename(other.c_str(), path.c_str()), 0);
    const TFileStamp replaced = files.Stamp(path);
    EXPECT_EQ(replaced.Size, touched.Size);
    EXPECT_EQ(replaced.ModifiedNs, touched.ModifiedNs);
    EXPECT_NE(replaced, touched);
    EXPECT_TRUE(files.TakeEvents());
    EXPECT_FALSE(files.TakeEvents());

    files.Unwatch(path);
    std::ofstream(path, std::ios::app) << "more";
    EXPECT_FALSE(files.TakeEvents());
    ASSERT_EQ(std::remove(path.c_str()), 0);
    EXPECT_FALSE(files.Stamp(path).Exists);
}

// --- the main window's documents ---------------------------------------------------------------

using TBareView = testutil::TBareMainFormView;

class TNoPrompt : public IRecoveryPrompt {
public:
    TRecoveryAnswer AskRecover(std::string_view) override { return TRecoveryAnswer::raKeep; }
};

struct GuardFixture : ::testing::Test {
    TTempFolder temp { "changes" };
    TBareView view;
    TScriptedUI ui;
    TNoPrompt prompt;
    TRecoveryFolder store { temp / "recovery" };
    TFakeFiles files;
    std::vector<std::string> notes;
    TMainFormModel model { view, ui };
    std::unique_ptr<TDocumentGuard> guard;

    void SetUp() override
    {
        model.Start();
        guard = std::make_unique<TDocumentGuard>(
            model, ui, prompt, store, files, [this](const std::string& n) { notes.push_back(n); }, TRecoveryTiming {},
            false);
        guard->Start();
    }
    void TearDown() override { guard.reset(); }
    // A file on disk whose stamp the fake reports; `version` makes each write a change.
    void Write(const std::string& path, std::string_view text, int version)
    {
        std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
        files.Stamps[path] = { true, text.size(), version, 1, 7 };
    }
};

TEST_F(GuardFixture, AnUnmodifiedDocumentReloadsKeepingItsPlaceAndAModifiedOneAsksOnce)
{
    const std::string a = temp / "a.txt", b = temp / "b.txt";
    std::string text;
    for (int i = 1; i <= 50; ++i)
        text += "line " + std::to_string(i) + "\n";
    Write(a, text, 1);
    Write(b, "mine\n", 1);
    ASSERT_TRUE(model.OpenFileInTab(a, false));
    ASSERT_TRUE(model.OpenFileInTab(b, false));
    TQuillEdit& ea = *model.Editors(1);
    TQuillEdit& eb = *model.Editors(2);
    ea.SetCaretPos({ 3, 40 });
    eb.ReplaceSelection("edited ");

    Write(a, "short\nfile\n", 2);
    Write(b, "theirs\n", 2);
    ui.AnswerMessage(TModalResult::mrNo);
    guard->CheckFiles();
    // a reloaded at once, caret as near as the shorter text allows, and said so.
    EXPECT_EQ(ea.LineText(1), "short");
    EXPECT_FALSE(ea.Modified());
    EXPECT_EQ(ea.CaretLine(), 2);
    EXPECT_FALSE(ea.CanUndo());
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0], FormatMessage(SReloaded, { a }));
    // b asked, and No kept the user's text.
    ASSERT_EQ(ui.Messages().size(), 1u);
    EXPECT_EQ(ui.Messages()[0], FormatMessage(SChangedReload, { b }));
    EXPECT_EQ(eb.LineText(1), "edited mine");
    // The focus coming back again asks nothing more.
    guard->CheckFiles();
    EXPECT_EQ(ui.Messages().size(), 1u);

    // Saving b now would write over the other program's version: it asks, and No writes nothing.
    model.PageControl1Change(2);
    ui.AnswerMessage(TModalResult::mrNo);
    // No is the silent abort: the command ends, nothing is reported.
    EXPECT_FALSE(model.Execute([&] { model.FileSaveCmdExecute(); }));
    ASSERT_EQ(ui.Messages().size(), 2u);
    EXPECT_EQ(ui.Messages()[1], FormatMessage(SChangedSaveOver, { b }));
    EXPECT_EQ(ReadFileBytes(b), "theirs\n");
    EXPECT_TRUE(eb.Modified());
    ui.AnswerMessage(TModalResult::mrYes);
    model.FileSaveCmdExecute();
    EXPECT_EQ(ReadFileBytes(b), "edited mine\n");
    EXPECT_FALSE(eb.Modified());

    // Another change to b, Yes this time: the disk's text replaces the user's.
    eb.ReplaceSelection("again ");
    Write(b, "newest\n", 3);
    ui.AnswerMessage(TModalResult::mrYes);
    guard->CheckFiles();
    EXPECT_EQ(eb.LineText(1), "newest");
    EXPECT_FALSE(eb.Modified());
    EXPECT_TRUE(ui.ScriptDone());
    EXPECT_EQ(ui.Unanswered(), 0);
}

TEST_F(GuardFixture, ADeletedFileLeavesTheDocumentModifiedAndSavingBringsItBackWithoutAQuestion)
{
    const std::string a = temp / "a.txt";
    Write(a, "keep me\n", 1);
    ASSERT_TRUE(model.OpenFileInTab(a, false));
    TQuillEdit& edit = *model.Editors(1);
    std::remove(a.c_str());
    files.Stamps.erase(a);
    guard->CheckFiles();
    EXPECT_TRUE(edit.Modified());
    EXPECT_EQ(edit.LineText(1), "keep me");
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0], FormatMessage(SFileGone, { a }));
    // The only copy of the text is now the document: it is due for a recovery copy.
    EXPECT_TRUE(guard->Copies().Pending(&edit));
    guard->CheckFiles();
    EXPECT_EQ(notes.size(), 1u);

    model.FileSaveCmdExecute();
    EXPECT_EQ(ReadFileBytes(a), "keep me\n");
    EXPECT_TRUE(ui.Messages().empty());
}

TEST_F(GuardFixture, ChecksOnlyWhenTheFolderWatchSaysSoWhileFocused)
{
    const std::string a = temp / "a.txt";
    Write(a, "x\n", 1);
    ASSERT_TRUE(model.OpenFileInTab(a, false));
    Write(a, "y\n", 2);
    const auto later = TRecoveryClock::now() + std::chrono::hours(1);
    guard->Tick(later, true); // no event yet: the file is not looked at
    EXPECT_EQ(model.Editors(1)->LineText(1), "x");
    files.Events = true;
    guard->Tick(later, false); // not focused: the news waits for the focus
    EXPECT_EQ(model.Editors(1)->LineText(1), "x");
    files.Events = true;
    guard->Tick(later, true);
    EXPECT_EQ(model.Editors(1)->LineText(1), "y");
}

} // namespace
} // namespace quillan
