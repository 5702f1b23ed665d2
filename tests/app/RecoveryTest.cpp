// Recovery copies: the record format and what counts as corrupt, the debounce and removal rules,
// and the guard's start-up question, with the copies in a real session folder.
#include "app/AppStrings.h"
#include "app/DocumentGuard.h"
#include "app/MainFormModel.h"
#include "app/RecoveryCopies.h"
#include "app/RecoveryRecord.h"
#include "backends/headless/HeadlessHost.h"
#include "backends/posix/InotifyWatch.h"
#include "backends/posix/RecoveryFolder.h"
#include "base/QuillEditStrConst.h"
#include "editor/QuillEdit.h"
#include "highlight/FormFile.h"
#include "support/BareMainFormView.h"
#include "support/ScriptedUI.h"
#include "support/TempFolder.h"
#include "text/QuillEditTextBuffer.h"

#include <chrono>
#include <dirent.h>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace quillan {
namespace {

using namespace std::chrono_literals;
using testutil::ReadFileBytes;
using testutil::TTempFolder;

std::vector<std::string> FilesIn(const std::string& folder)
{
    std::vector<std::string> names;
    if (DIR* d = ::opendir(folder.c_str())) {
        while (const dirent* e = ::readdir(d))
            if (std::string(e->d_name) != "." && std::string(e->d_name) != "..")
                names.push_back(e->d_name);
        ::closedir(d);
    }
    std::sort(names.begin(), names.end());
    return names;
}

void WriteFile(const std::string& path, std::string_view bytes)
{
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// --- the record ------------------------------------------------------------------------------

TRecoveryRecord SampleRecord()
{
    TRecoveryRecord r;
    r.FileName = "/home/ann/odd name\n%20.txt";
    r.LineBreak = TQuillEditLineBreakStyle::lbLF;
    r.SavedAt = 1796745600;
    r.Disk = { true, 1234, 1796745000123456789, 2049, 131074 };
    r.Bytes = 6;
    return r;
}

TEST(RecoveryRecord, RoundTripsNamesWithAnyByteAndEveryField)
{
    const TRecoveryRecord r = SampleRecord();
    const std::string copy = FormatRecoveryHeader(r) + "ab\ncd\n";
    // The header is text, one field a line, whatever the name holds.
    EXPECT_EQ(copy.find("name /home/ann/odd%20name%0A%2520.txt\n"), std::string("QUILLAN-RECOVERY 1\n").size());
    TRecoveryRecord back;
    std::string_view text;
    std::string error;
    ASSERT_TRUE(ParseRecoveryCopy(copy, back, text, error)) << error;
    EXPECT_EQ(back.FileName, r.FileName);
    EXPECT_EQ(back.LineBreak, r.LineBreak);
    EXPECT_EQ(back.SavedAt, r.SavedAt);
    EXPECT_EQ(back.Disk, r.Disk);
    EXPECT_FALSE(back.BinaryForm);
    EXPECT_EQ(text, "ab\ncd\n");
    TRecoveryRecord form = r;
    form.BinaryForm = true;
    ASSERT_TRUE(ParseRecoveryCopy(FormatRecoveryHeader(form) + "ab\ncd\n", back, text, error)) << error;
    EXPECT_TRUE(back.BinaryForm);

    TRecoveryRecord untitled;
    untitled.FileName = SUntitled;
    untitled.UntitledSlot = 4;
    untitled.Bytes = 0;
    ASSERT_TRUE(ParseRecoveryCopy(FormatRecoveryHeader(untitled), back, text, error)) << error;
    EXPECT_EQ(back.FileName, SUntitled);
    EXPECT_EQ(back.UntitledSlot, 4);
    EXPECT_FALSE(back.Disk.Exists);
    EXPECT_EQ(back.LineBreak, TQuillEditLineBreakStyle::lbCRLF);
    EXPECT_TRUE(text.empty());
}

TEST(RecoveryRecord, CorruptAndPartialCopiesAreRefusedWithAReason)
{
    const std::string good = FormatRecoveryHeader(SampleRecord()) + "ab\ncd\n";
    auto refused = [](std::string_view copy) {
        TRecoveryRecord r;
        std::string_view text;
        std::string error;
        const bool ok = ParseRecoveryCopy(copy, r, text, error);
        return !ok && !error.empty() ? error : std::string();
    };
    auto replaced = [&](std::string_view from, std::string_view to) {
        std::string s = good;
        const auto at = s.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        return s.replace(at, from.size(), to);
    };
    // Cut off by a crash at any byte: never taken for a whole copy.
    for (std::size_t n = 0; n < good.size(); ++n)
        EXPECT_NE(refused(good.substr(0, n)), "") << "cut at " << n;
    EXPECT_EQ(refused(good + "x"), "the copy is longer than its record");
    EXPECT_EQ(refused(""), "the record is incomplete");
    EXPECT_EQ(refused("hello\n\nworld"), "not a recovery copy of a known version");
    EXPECT_EQ(refused(replaced("RECOVERY 1", "RECOVERY 2")), "not a recovery copy of a known version");
    EXPECT_NE(refused(replaced("breaks LF", "breaks CR")), "");
    EXPECT_NE(refused(replaced("bytes 6", "bytes -6")), "");
    EXPECT_NE(refused(replaced("bytes 6", "bytes 99999999999999999999999")), "");
    EXPECT_EQ(refused(replaced("bytes 6", "bytes 2000000000")), "the record claims more text than a copy may hold");
    EXPECT_NE(refused(replaced("saved 1796745600\n", "")), "");
    EXPECT_NE(refused(replaced("saved 1796745600\n", "saved 1\nsaved 2\n")), "");
    EXPECT_NE(refused(replaced("name /home", "name home")), ""); // not absolute
    EXPECT_NE(refused(replaced("%0A", "%0")), "");
    EXPECT_NE(refused(replaced("%0A", "%00")), ""); // a NUL in a path
    EXPECT_NE(refused(replaced("%0A", "%G1")), "");
    EXPECT_NE(refused(replaced("disk 1234 ", "disk 1234 x")), "");
    EXPECT_NE(refused(replaced("breaks LF\n", "breaks LF\ncolour red\n")), "");
    EXPECT_NE(refused(replaced("breaks LF\n", "breaks LF\nnovalue\n")), "");
    EXPECT_NE(refused(replaced("breaks LF\n", "breaks LF\nform text\n")), "");
    EXPECT_NE(refused(replaced("breaks LF\n", "breaks LF\nform binary\nform binary\n")), "");
}

// --- debouncing and removal --------------------------------------------------------------------

struct CopiesFixture : ::testing::Test {
    TTempFolder temp { "recovery" };
    TRecoveryFolder store { temp / "recovery" };
    TQuillEditStringList lines;
    TRecoveryTiming timing { 2000ms, 10000ms };
    TRecoveryClock::time_point t0 = TRecoveryClock::now();

    void SetUp() override
    {
        std::string error;
        ASSERT_TRUE(store.OpenSession(error)) << error;
        lines.SetText("one\ntwo\n");
        lines.SetLineBreakStyle(TQuillEditLineBreakStyle::lbLF);
    }
    TRecoveryDocument Doc(bool modified = true) { return { &lines, &lines, modified, "/tmp/x.txt", 0, {} }; }
};

TEST_F(CopiesFixture, ACopyIsDueAfterAQuietSpellButNeverLaterThanTheLongestWait)
{
    TRecoveryCopies copies(store, timing, false);
    const void* key = &lines;
    EXPECT_TRUE(copies.Due(t0).empty());
    EXPECT_EQ(copies.NextDue(), TRecoveryClock::time_point::max());
    copies.NoteChange(key, t0);
    EXPECT_TRUE(copies.Due(t0 + 1999ms).empty());
    EXPECT_EQ(copies.Due(t0 + 2000ms), std::vector<const void*> { key });
    // Typing on pushes the copy back...
    for (auto t = 1500ms; t < 9000ms; t += 1500ms) {
        copies.NoteChange(key, t0 + t);
        EXPECT_TRUE(copies.Due(t0 + t + 1s).empty()) << t.count();
    }
    // ...but not past the longest wait from the first change not yet copied.
    copies.NoteChange(key, t0 + 8500ms);
    EXPECT_EQ(copies.NextDue(), t0 + 10000ms);
    EXPECT_TRUE(copies.Due(t0 + 9999ms).empty());
    EXPECT_EQ(copies.Due(t0 + 10000ms).size(), 1u);

    EXPECT_EQ(copies.Copy(Doc(), 1), TCopyResult::crQueued);
    EXPECT_FALSE(copies.Pending(key));
    EXPECT_TRUE(copies.Due(t0 + 60s).empty());
    // The next change starts a new wait of its own.
    copies.NoteChange(key, t0 + 61s);
    EXPECT_TRUE(copies.Due(t0 + 62s).empty());
    EXPECT_EQ(copies.Due(t0 + 63s).size(), 1u);
}

TEST_F(CopiesFixture, CopiesHoldTheTextAtTheMomentTakenAndGoWhenNoLongerNeeded)
{
    TRecoveryCopies copies(store, timing, true);
    const void* key = &lines;
    copies.NoteChange(key, t0);
    ASSERT_EQ(copies.Copy(Doc(), 1796745600), TCopyResult::crQueued);
    // The editor goes on at once; the copy keeps what the snapshot saw.
    lines.Put(0, "changed");
    copies.Drain();
    const std::string path = store.CopyPath(copies.IdOf(key));
    TRecoveryRecord r;
    std::string_view text;
    std::string error;
    const std::string bytes = ReadFileBytes(path);
    ASSERT_TRUE(ParseRecoveryCopy(bytes, r, text, error)) << error;
    EXPECT_EQ(text, "one\ntwo\n");
    EXPECT_EQ(r.FileName, "/tmp/x.txt");
    EXPECT_EQ(r.SavedAt, 1796745600);
    struct stat st { };
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    // Undone back to the saved text: the copy goes instead of being rewritten.
    EXPECT_EQ(copies.Copy(Doc(false), 2), TCopyResult::crRemoved);
    copies.Drain();
    EXPECT_EQ(::access(path.c_str(), F_OK), -1);

    // Saved (or closed with No): removed even when the removal is queued behind a write.
    copies.Copy(Doc(), 3);
    copies.Forget(key);
    copies.Drain();
    EXPECT_EQ(::access(path.c_str(), F_OK), -1);
    EXPECT_FALSE(copies.Pending(key));
    EXPECT_EQ(copies.Written(), 2);
    EXPECT_EQ(copies.LastError(), "");
}

TEST_F(CopiesFixture, ANormalEndRemovesEveryCopyAndTheSession)
{
    TRecoveryCopies copies(store, timing, true);
    TQuillEditStringList other;
    other.SetText("x");
    copies.Copy(Doc(), 1);
    copies.Copy({ &other, &other, true, SUntitled, 1, {} }, 1);
    copies.Drain();
    EXPECT_EQ(FilesIn(store.Session()).size(), 3u); // two copies and the lock
    copies.RemoveAll();
    store.CloseSession();
    EXPECT_TRUE(FilesIn(temp / "recovery").empty());
}

// --- the guard, with a model and scripted answers ----------------------------------------------

using TBareView = testutil::TBareMainFormView;

class TScriptedPrompt : public IRecoveryPrompt {
public:
    TRecoveryAnswer AskRecover(std::string_view text) override
    {
        Asked.emplace_back(text);
        return Answer;
    }
    TRecoveryAnswer Answer = TRecoveryAnswer::raKeep;
    std::vector<std::string> Asked;
};

// One run of the program: a model with its guard over the shared recovery folder.
struct TRun {
    TBareView view;
    TScriptedUI ui;
    TScriptedPrompt prompt;
    TRecoveryFolder store;
    TInotifyWatch files;
    std::vector<std::string> notes;
    TMainFormModel model { view, ui };
    std::unique_ptr<TDocumentGuard> guard;

    explicit TRun(const std::string& root)
        : store(root)
    {
        model.Start();
        guard = std::make_unique<TDocumentGuard>(
            model, ui, prompt, store, files, [this](const std::string& n) { notes.push_back(n); },
            TRecoveryTiming { 0ms, 0ms }, false);
        guard->Start();
    }
    ~TRun() { guard.reset(); }
    void Type(int slot, std::string_view text)
    {
        TQuillEdit& edit = *model.Editors(slot);
        edit.ReplaceSelection(text);
    }
    void Tick() { guard->Tick(TRecoveryClock::now() + 1s, true); }
};

TEST(DocumentGuard, CopiesOfACrashedRunComeBackUnderTheirNamesAndSaveThere)
{
    TTempFolder temp("guard");
    const std::string root = temp / "recovery";
    const std::string file = temp / "notes.txt";
    WriteFile(file, "first\r\nsecond\r\n");
    {
        // The crash: the run ends without its normal end, its copies stay.
        TRun crashed(root);
        ASSERT_TRUE(crashed.model.OpenFileInTab(file, false));
        crashed.Type(1, "typed ");
        crashed.Type(0, "draft");
        crashed.Tick();
        EXPECT_EQ(crashed.guard->Copies().Written(), 2);
        // A second instance meanwhile sees nothing to recover: the first one is alive.
        TRun second(root);
        EXPECT_EQ(second.guard->OfferRecovery(), 0);
        EXPECT_TRUE(second.prompt.Asked.empty());
    }
    TRun next(root);
    next.prompt.Answer = TRecoveryAnswer::raRecover;
    EXPECT_EQ(next.guard->OfferRecovery(), 2);
    ASSERT_EQ(next.prompt.Asked.size(), 1u);
    EXPECT_NE(next.prompt.Asked[0].find(file), std::string::npos) << next.prompt.Asked[0];
    EXPECT_NE(next.prompt.Asked[0].find("Untitled (tab 1)"), std::string::npos) << next.prompt.Asked[0];
    ASSERT_EQ(next.model.DocumentCount(), 3);
    int named = -1;
    for (int i = 0; i < 3; ++i)
        if (next.model.FileNames(i) == file)
            named = i;
    ASSERT_GE(named, 0);
    TQuillEdit& edit = *next.model.Editors(named);
    EXPECT_TRUE(edit.Modified());
    EXPECT_EQ(edit.LineText(1), "typed first");
    EXPECT_EQ(next.view.Captions.at(static_cast<std::size_t>(named)), "notes.txt");
    EXPECT_EQ(next.model.UntitledCount(), 2);

    // Saving writes it back where it belongs, with its own line breaks, and drops its copy.
    next.model.PageControl1Change(named);
    next.model.FileSaveCmdExecute();
    EXPECT_EQ(ReadFileBytes(file), "typed first\r\nsecond\r\n");
    EXPECT_TRUE(next.ui.Messages().empty());
    // The untitled one's copy moved into this run's session; the crashed session is gone.
    const std::vector<std::string> sessions = FilesIn(root);
    ASSERT_EQ(sessions.size(), 1u);
    EXPECT_EQ(FilesIn(root + "/" + sessions[0]).size(), 2u); // the untitled copy and the lock
    next.guard->NormalExit();
    EXPECT_TRUE(FilesIn(root).empty());
}

TEST(DocumentGuard, ARecoveredBinaryFormFileSavesInBinaryAgain)
{
    TTempFolder temp("guard-form");
    const std::string root = temp / "recovery";
    const std::string form = temp / "Main.dfm";
    TQuillEditStringList lines;
    lines.SetText("object Form1: TForm1\r\n  Left = 10\r\nend\r\n");
    std::string message;
    ASSERT_EQ(SaveTextAsFormFile(lines, form, &message), 0) << message;
    ASSERT_EQ(static_cast<unsigned char>(ReadFileBytes(form).at(0)), 0xFF);
    {
        TRun crashed(root);
        ASSERT_TRUE(crashed.model.OpenFileInTab(form, false));
        ASSERT_TRUE(crashed.model.IsBinaryFormFile(1));
        crashed.model.Editors(1)->SetCaretPos({ 1, 3 });
        crashed.Type(1, "  Top = 5\r\n");
        crashed.Tick();
        ASSERT_EQ(crashed.guard->Copies().Written(), 1);
    }
    TRun next(root);
    next.prompt.Answer = TRecoveryAnswer::raRecover;
    ASSERT_EQ(next.guard->OfferRecovery(), 1);
    ASSERT_EQ(next.model.FileNames(1), form);
    EXPECT_TRUE(next.model.IsBinaryFormFile(1));
    next.model.PageControl1Change(1);
    next.model.FileSaveCmdExecute();
    // Saved as the binary form file it was, with the recovered change in it.
    const std::string saved = ReadFileBytes(form);
    ASSERT_FALSE(saved.empty());
    EXPECT_EQ(static_cast<unsigned char>(saved[0]), 0xFF);
    TQuillEditStringList back;
    ASSERT_EQ(LoadFormFileAsText(form, back, &message), 0) << message;
    EXPECT_NE(back.GetText().find("Top = 5"), std::string::npos) << back.GetText();
    next.guard->NormalExit();
}

TEST(DocumentGuard, NoKeepsTheCopiesForTheNextStartAndDiscardRemovesThem)
{
    TTempFolder temp("guard");
    const std::string root = temp / "recovery";
    {
        TRun crashed(root);
        crashed.Type(0, "draft");
        crashed.Tick();
    }
    {
        TRun keep(root);
        keep.prompt.Answer = TRecoveryAnswer::raKeep;
        EXPECT_EQ(keep.guard->OfferRecovery(), 0);
        EXPECT_EQ(keep.prompt.Asked.size(), 1u);
        EXPECT_EQ(keep.model.DocumentCount(), 1);
        keep.guard->NormalExit();
    }
    TRun discard(root);
    discard.prompt.Answer = TRecoveryAnswer::raDiscard;
    EXPECT_EQ(discard.guard->OfferRecovery(), 0);
    EXPECT_EQ(discard.prompt.Asked.size(), 1u);
    discard.guard->NormalExit();
    EXPECT_TRUE(FilesIn(root).empty());
    TRun after(root);
    EXPECT_EQ(after.guard->OfferRecovery(), 0);
    EXPECT_TRUE(after.prompt.Asked.empty());
}

TEST(DocumentGuard, SavingAndClosingWithNoRemoveTheCopyAndACorruptCopyIsSkippedWithAMessage)
{
    TTempFolder temp("guard");
    const std::string root = temp / "recovery";
    const std::string file = temp / "a.txt";
    WriteFile(file, "a\n");
    TRun run(root);
    ASSERT_TRUE(run.model.OpenFileInTab(file, false));
    run.Type(1, "x");
    run.model.FileNewCmdExecute();
    run.Type(2, "y");
    run.Tick();
    const std::string session = run.store.Session();
    EXPECT_EQ(FilesIn(session).size(), 3u);
    run.model.PageControl1Change(1);
    run.model.FileSaveCmdExecute();
    EXPECT_EQ(FilesIn(session).size(), 2u);
    // Closing the untitled one and answering No: its copy goes with it.
    run.model.PageControl1Change(2);
    run.ui.AnswerMessage(TModalResult::mrNo);
    run.model.FileCloseCmdExecute();
    EXPECT_EQ(FilesIn(session), std::vector<std::string> { "instance.lock" });

    // A crashed run whose copies were damaged: one cut short, one not a copy at all, and a link
    // planted in the folder. The good one is offered; the others are named as skipped.
    const std::string crashed = root + "/999-deadbeef";
    ASSERT_EQ(::mkdir(crashed.c_str(), 0700), 0);
    TRecoveryRecord r;
    r.FileName = file;
    r.LineBreak = TQuillEditLineBreakStyle::lbLF;
    r.Bytes = 4;
    WriteFile(crashed + "/doc1.qrc", FormatRecoveryHeader(r) + "good");
    WriteFile(crashed + "/doc2.qrc", FormatRecoveryHeader(r) + "cu");
    WriteFile(crashed + "/doc3.qrc", "garbage");
    ASSERT_EQ(::symlink(file.c_str(), (crashed + "/doc4.qrc").c_str()), 0);
    TRun next(root);
    next.prompt.Answer = TRecoveryAnswer::raRecover;
    EXPECT_EQ(next.guard->OfferRecovery(), 1);
    ASSERT_EQ(next.prompt.Asked.size(), 1u);
    const std::string& asked = next.prompt.Asked[0];
    EXPECT_NE(asked.find("doc2.qrc: the copy is cut short"), std::string::npos) << asked;
    EXPECT_NE(asked.find("doc3.qrc: not a recovery copy"), std::string::npos) << asked;
    EXPECT_EQ(asked.find("doc4.qrc"), std::string::npos) << asked;
    EXPECT_EQ(next.model.Editors(1)->LineText(1), "good");
    // The link was never followed: the file it named is as it was.
    EXPECT_EQ(ReadFileBytes(file), "xa\n");
    EXPECT_EQ(::access(crashed.c_str(), F_OK), -1);
}

TEST(DocumentGuard, ADocumentOverTheLimitLosesItsOldCopyAndTheUserIsToldOnce)
{
    TTempFolder temp("guard");
    TRun run(temp / "recovery");
    run.Type(0, "small");
    run.Tick();
    ASSERT_EQ(FilesIn(run.store.Session()).size(), 2u);
    run.guard->Copies().SetSizeLimit(16);
    run.Type(0, "now more than sixteen bytes");
    run.Tick();
    // The old copy would bring back text the user has since replaced: it goes.
    EXPECT_EQ(FilesIn(run.store.Session()), std::vector<std::string> { "instance.lock" });
    ASSERT_EQ(run.notes.size(), 1u);
    EXPECT_EQ(run.notes[0], FormatMessage(STooLargeToCopy, { SUntitled }));
    run.Type(0, "!");
    run.Tick();
    EXPECT_EQ(run.notes.size(), 1u);
    EXPECT_EQ(FilesIn(run.store.Session()).size(), 1u);
}

TEST(DocumentGuard, ARiskyCommandWaitsForTheActiveDocumentsCopy)
{
    TTempFolder temp("guard");
    TRun run(temp / "recovery");
    run.Type(0, "draft");
    // Nothing is due yet with the real delays, yet the copy is on disk before the risky command.
    run.guard->BeforeRiskyOperation();
    EXPECT_EQ(run.guard->Copies().Written(), 1);
    EXPECT_EQ(FilesIn(run.store.Session()).size(), 2u);
}

} // namespace
} // namespace quillan
