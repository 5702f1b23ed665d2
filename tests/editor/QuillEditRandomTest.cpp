#include "EditorTestUtil.h"
#include "highlight/HighlighterFactory.h"

#include <climits>
#include <gtest/gtest.h>
#include <random>
#include <sstream>

namespace quillan {
namespace {

using testutil::TEditorHarness;

// The first line where two texts differ, for failure messages that stay readable.
std::string FirstDifference(const std::vector<std::string>& got, const std::vector<std::string>& want)
{
    std::size_t n = std::min(got.size(), want.size());
    for (std::size_t i = 0; i < n; ++i)
        if (got[i] != want[i])
            return "line " + std::to_string(i + 1) + ": got \"" + testutil::Escaped(got[i]) + "\", want \""
                + testutil::Escaped(want[i]) + "\"";
    if (got.size() != want.size())
        return "line count " + std::to_string(got.size()) + ", want " + std::to_string(want.size());
    return "equal";
}

// Thousands of random commands on a highlighted document. Whatever happened, undoing everything
// must give back the original lines and redoing everything the final ones, and the ranges stored
// with the lines must be those of a full rescan. The seed is in every failure message.
// QUILLAN_EDIT_SEEDS, QUILLAN_EDIT_FIRST_SEED and QUILLAN_EDIT_STEPS choose the runs;
// QUILLAN_EDIT_TRACE adds the recent commands and undo items to failure messages.
class TRandomRun {
public:
    explicit TRandomRun(unsigned seed)
        : FSeed(seed)
        , FRandom(seed)
        , FHighlighter(CreateHighlighter("cpp"))
    {
        FHarness.Edit.SetMaxUndo(1 << 30);
        FHarness.SetLines(RandomDocument());
        FHarness.Edit.SetHighlighter(FHighlighter.get());
        FHarness.Edit.OnReplaceText
            = [this](TCustomQuillEdit*, const std::string&, const std::string&, int, int, TQuillReplaceAction& action) {
                  action = static_cast<TQuillReplaceAction>(Pick(4));
              };
    }

    void Run(int steps)
    {
        const std::vector<std::string> original = FHarness.Lines();
        FPrevious = original;
        FLastUndoCount = FHarness.Edit.UndoList().ItemCount();
        for (int step = 0; step < steps; ++step) {
            FLastStep = Step();
            if (std::getenv("QUILLAN_EDIT_TRACE")) {
                FHistory.push_back(FLastStep);
                if (FHistory.size() > 40)
                    FHistory.erase(FHistory.begin());
            }
            CheckCaretAndSelection();
            if (Pick(10) == 0)
                CheckLastStepUndoesExactly();
            if (Pick(40) == 0)
                CheckUndoRedoRoundTrip();
            if (::testing::Test::HasFailure())
                return;
            FPrevious = FHarness.Lines();
            FLastUndoCount = FHarness.Edit.UndoList().ItemCount();
        }
        CheckRanges("after the run");
        const std::vector<std::string> final = FHarness.Lines();
        // Steps already undone by the run stay undone: redo exactly what is undone here.
        int undone = 0;
        for (; FHarness.Edit.CanUndo(); ++undone)
            UndoAndCheckCaret();
        EXPECT_TRUE(FHarness.Lines() == original) << FirstDifference(FHarness.Lines(), original) << "\n"
                                                  << Where("undo of everything");
        EXPECT_FALSE(FHarness.Edit.Modified()) << Where("undo of everything");
        CheckRanges("after undoing everything");
        for (int i = 0; i < undone; ++i)
            FHarness.Edit.Redo();
        EXPECT_TRUE(FHarness.Lines() == final) << FirstDifference(FHarness.Lines(), final) << "\n"
                                               << Where("redo of everything");
        CheckRanges("after redoing everything");
    }

private:
    int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(FRandom); }

    std::string Where(const std::string& what) const
    {
        std::ostringstream s;
        s << what << " (seed " << FSeed << ", last command " << FLastStep << ")";
        if (std::getenv("QUILLAN_EDIT_TRACE")) {
            const TQuillEditUndoList& redo = FHarness.Edit.RedoList();
            const TQuillEditUndoList& undo = FHarness.Edit.UndoList();
            s << "\nundo list tail:";
            for (int i = std::max(0, undo.ItemCount() - 8); i < undo.ItemCount(); ++i) {
                const TQuillEditUndoItem& it = undo.Item(i);
                s << "\n  #" << it.ChangeNumber() << " kind " << int(it.ChangeReason()) << " mode "
                  << int(it.ChangeSelMode()) << " (" << it.ChangeStartPos().X << "," << it.ChangeStartPos().Y << ")-("
                  << it.ChangeEndPos().X << "," << it.ChangeEndPos().Y << ") [" << it.ChangeStr() << "]";
            }
            s << "\nredo list: " << redo.ItemCount();
            s << "\nrecent commands:";
            for (const std::string& step : FHistory)
                s << "\n  " << step;
        }
        return s.str();
    }

    std::string RandomPiece()
    {
        static const char* pieces[] = { "int", " ", "  ", "\t", "x", "foo_bar", "(", ")", "{", "}", "/*", "*/", "//",
            "\"", "'", "\\", "#define", "é", "中文", "😀", "\xFF", "\xC3", "\xA9", ";", "0x1F", "abc", "a", "return" };
        return pieces[Pick(static_cast<int>(std::size(pieces)))];
    }

    std::string RandomText(int maxPieces, bool breaks)
    {
        std::string text;
        int n = Pick(maxPieces) + 1;
        for (int i = 0; i < n; ++i) {
            if (breaks && Pick(5) == 0)
                text += Pick(3) == 0 ? "\n" : Pick(2) ? "\r\n" : "\r";
            else
                text += RandomPiece();
        }
        return text;
    }

    std::vector<std::string> RandomDocument()
    {
        std::vector<std::string> lines;
        int n = 20 + Pick(40);
        for (int i = 0; i < n; ++i)
            lines.push_back(Pick(6) == 0 ? std::string() : RandomText(8, false));
        return lines;
    }

    TBufferCoord RandomPos()
    {
        int count = std::max(1, FHarness.Edit.LineCount());
        int y = Pick(count + 2) - 1;
        int len = FHarness.Edit.LineCount() > 0
            ? static_cast<int>(FHarness.Edit.Lines().GetView(std::clamp(y, 1, count) - 1).size())
            : 0;
        return { Pick(len + 6) - 1, y };
    }

    void ToggleOption(TQuillEditorOption option)
    {
        FHarness.SetOption(option, !FHarness.Edit.Options().Contains(option));
    }

    std::string Step()
    {
        TQuillEdit& e = FHarness.Edit;
        int what = Pick(44);
        switch (what) {
        case 0:
        case 1:
        case 2:
        case 3: {
            std::string t = RandomText(3, false);
            FHarness.Type(t);
            return "type " + t;
        }
        case 4:
        case 5:
            e.DispatchCommand(ecLineBreak);
            return "ecLineBreak";
        case 6:
            e.DispatchCommand(ecInsertLine);
            return "ecInsertLine";
        case 7:
        case 8:
            e.DispatchCommand(ecDeleteLastChar);
            return "ecDeleteLastChar";
        case 9:
            e.DispatchCommand(ecDeleteChar);
            return "ecDeleteChar";
        case 10: {
            static const TQuillEditorCommand deletes[]
                = { ecDeleteWord, ecDeleteLastWord, ecDeleteBOL, ecDeleteEOL, ecDeleteLine };
            TQuillEditorCommand c = deletes[Pick(5)];
            e.DispatchCommand(c);
            return EditorCommandToCodeString(c);
        }
        case 11:
            e.DispatchCommand(ecTab);
            return "ecTab";
        case 12:
            e.DispatchCommand(ecBlockIndent);
            return "ecBlockIndent";
        case 13:
            e.DispatchCommand(ecBlockUnindent);
            return "ecBlockUnindent";
        case 14:
        case 15:
        case 16:
        case 17: {
            static const TQuillEditorCommand moves[] = { ecLeft, ecRight, ecUp, ecDown, ecWordLeft, ecWordRight,
                ecLineStart, ecLineEnd, ecPageUp, ecPageDown, ecEditorTop, ecEditorBottom, ecPageTop, ecPageBottom,
                ecMatchBracket, ecScrollUp, ecScrollDown, ecScrollLeft, ecScrollRight };
            TQuillEditorCommand c = moves[Pick(static_cast<int>(std::size(moves)))];
            if (c < ecSelection && Pick(2))
                c = static_cast<TQuillEditorCommand>(c + ecSelection);
            e.DispatchCommand(c);
            return EditorCommandToCodeString(c);
        }
        case 18:
        case 19: {
            TBufferCoord p = RandomPos();
            e.DispatchCommand(ecGotoXY, 0, p);
            return "ecGotoXY " + std::to_string(p.X) + "," + std::to_string(p.Y);
        }
        case 20:
        case 21:
        case 22: {
            TBufferCoord a = RandomPos();
            TBufferCoord b = RandomPos();
            e.DispatchCommand(ecGotoXY, 0, a);
            e.DispatchCommand(ecSelGotoXY, 0, b);
            return "select " + std::to_string(a.X) + "," + std::to_string(a.Y) + " " + std::to_string(b.X) + ","
                + std::to_string(b.Y);
        }
        case 23: {
            static const TQuillEditorCommand modes[] = { ecNormalSelect, ecColumnSelect, ecLineSelect };
            TQuillEditorCommand c = modes[Pick(3)];
            e.DispatchCommand(c);
            return EditorCommandToCodeString(c);
        }
        case 24:
            e.DispatchCommand(ecToggleMode);
            return "ecToggleMode";
        case 25:
            e.DispatchCommand(ecCopy);
            return "ecCopy";
        case 26:
            e.DispatchCommand(ecCut);
            return "ecCut";
        case 27:
        case 28:
            e.DispatchCommand(ecPaste);
            return "ecPaste";
        case 29: {
            std::string t = RandomText(6, true);
            FHarness.Host.HeadlessClipboard().SetText(t);
            return "clipboard " + t;
        }
        case 30: {
            std::string t = RandomText(4, true);
            e.ReplaceSelection(t);
            return "ReplaceSelection " + t;
        }
        case 31:
        case 32: {
            static const char* patterns[] = { "a", "int", "/*", " ", "x", "é", "foo_bar", "\t", "\xA9" };
            std::string pattern = patterns[Pick(static_cast<int>(std::size(patterns)))];
            std::string replace = Pick(3) == 0 ? std::string() : RandomText(2, Pick(4) == 0);
            TQuillSearchOptions options = static_cast<TQuillSearchOptions>(Pick(256));
            e.SearchReplace(pattern, replace, options);
            return "SearchReplace " + pattern + " -> " + replace + " options " + std::to_string(options);
        }
        case 33: {
            std::string t = RandomText(2, false);
            e.ImeString(t);
            return "ImeString " + t;
        }
        case 34:
            UndoAndCheckCaret();
            return "Undo";
        case 35:
            e.Redo();
            return "Redo";
        case 36: {
            static const TQuillEditorOption options[] = { TQuillEditorOption::eoAutoIndent,
                TQuillEditorOption::eoTrimTrailingSpaces, TQuillEditorOption::eoScrollPastEol,
                TQuillEditorOption::eoSmartTabs, TQuillEditorOption::eoKeepCaretX, TQuillEditorOption::eoScrollPastEof,
                TQuillEditorOption::eoNoSelection };
            TQuillEditorOption o = options[Pick(static_cast<int>(std::size(options)))];
            ToggleOption(o);
            return std::string("toggle ") + EditorOptionName(o);
        }
        case 37: {
            int w = 1 + Pick(9);
            e.SetTabWidth(w);
            return "TabWidth " + std::to_string(w);
        }
        case 38: {
            int n = Pick(10);
            e.DispatchCommand(static_cast<TQuillEditorCommand>(ecSetMarker0 + n));
            return "ecSetMarker" + std::to_string(n);
        }
        case 39: {
            int n = Pick(10);
            e.DispatchCommand(static_cast<TQuillEditorCommand>(ecGotoMarker0 + n));
            return "ecGotoMarker" + std::to_string(n);
        }
        case 40:
            e.SetCurrentLineText(RandomText(3, false));
            return "SetCurrentLineText";
        case 41:
            e.DispatchCommand(ecSelectAll);
            return "ecSelectAll";
        case 42:
            e.DispatchCommand(ecDeleteChar);
            return "ecDeleteChar";
        default: {
            TBufferCoord p = RandomPos();
            e.SetCaretPos(p);
            FHarness.Type(" ");
            return "space at " + std::to_string(p.X) + "," + std::to_string(p.Y);
        }
        }
    }

    // Undo, then check that the caret shows what came back: it lies inside or at the edge of the
    // range the undone items restored. Each item holds the range its edit changed, in the text as
    // it was before the edit, which is the text undo gives back.
    void UndoAndCheckCaret()
    {
        TQuillEdit& e = FHarness.Edit;
        if (!e.CanUndo()) {
            e.Undo();
            return;
        }
        const TQuillEditUndoList& list = e.UndoList();
        const std::uint32_t group = list.PeekItem()->ChangeNumber();
        TBufferCoord first { INT_MAX, INT_MAX };
        TBufferCoord last { 0, 0 };
        std::ostringstream undone;
        for (int i = list.ItemCount() - 1; i >= 0 && list.Item(i).ChangeNumber() == group; --i) {
            const TQuillEditUndoItem& item = list.Item(i);
            const TBufferCoord a = item.ChangeStartPos(), b = item.ChangeEndPos();
            first = std::min({ first, a, b });
            last = std::max({ last, a, b });
            undone << " kind " << int(item.ChangeReason()) << " (" << a.X << "," << a.Y << ")-(" << b.X << "," << b.Y
                   << ")";
        }
        e.Undo();
        const TBufferCoord caret = e.CaretPos();
        if (last.Y == 0)
            return;
        // A column block's corner may lie inside a character of its line; the caret stands before it.
        if (first.Y >= 1 && first.Y <= e.LineCount()) {
            std::string_view s = e.Lines().GetView(first.Y - 1);
            if (first.X >= 1 && static_cast<std::size_t>(first.X - 1) < s.size())
                first.X = static_cast<int>(utf8::Floor(s, static_cast<std::size_t>(first.X - 1))) + 1;
        }
        EXPECT_TRUE(!(caret < first) && !(last < caret))
            << "caret " << caret.X << "," << caret.Y << ", undone" << undone.str() << "\n"
            << Where("caret after undo");
    }

    void CheckCaretAndSelection()
    {
        const TQuillEdit& e = FHarness.Edit;
        auto onBoundary = [&](TBufferCoord p) {
            if (p.Y < 1 || p.Y > e.LineCount())
                return p.Y == 1;
            std::string_view s = e.Lines().GetView(p.Y - 1);
            return utf8::IsBoundary(s, static_cast<std::size_t>(p.X - 1));
        };
        EXPECT_TRUE(onBoundary(e.CaretPos())) << "caret " << e.CaretColumn() << "," << e.CaretLine() << " in \""
                                              << testutil::Escaped(e.LineText(e.CaretLine())) << "\"\n"
                                              << Where("caret inside a character");
        if (e.SelectionMode() != TQuillSelectionMode::smColumn) {
            EXPECT_TRUE(onBoundary(e.SelAnchor())) << Where("selection anchor inside a character");
            EXPECT_TRUE(onBoundary(e.SelEnd())) << Where("selection end inside a character");
        }
        EXPECT_EQ(e.PaintLock(), 0) << Where("paint lock left open");
    }

    void CheckRanges(const std::string& when)
    {
        EXPECT_EQ(testutil::StoredRanges(FHarness.Edit.Lines()),
            testutil::FullRescanRanges(*FHighlighter, FHarness.Edit.Lines()))
            << Where("stored ranges " + when);
    }

    // The command just run, undone, gives back the text it started from; redone, the text it made.
    void CheckLastStepUndoesExactly()
    {
        if (FLastStep == "Undo" || FLastStep == "Redo" || FHarness.Edit.UndoList().ItemCount() <= FLastUndoCount)
            return;
        std::vector<std::string> now = FHarness.Lines();
        int groups = 0;
        for (; FHarness.Edit.UndoList().ItemCount() > FLastUndoCount; ++groups)
            UndoAndCheckCaret();
        EXPECT_TRUE(FHarness.Lines() == FPrevious) << FirstDifference(FHarness.Lines(), FPrevious) << "\n"
                                                   << Where("undo of the last command");
        for (int i = 0; i < groups; ++i)
            FHarness.Edit.Redo();
        EXPECT_TRUE(FHarness.Lines() == now) << FirstDifference(FHarness.Lines(), now) << "\n"
                                             << Where("redo of the last command");
    }

    // Undoing some steps and redoing them again must land on the same text.
    void CheckUndoRedoRoundTrip()
    {
        std::vector<std::string> before = FHarness.Lines();
        int n = 1 + Pick(5);
        int undone = 0;
        for (; undone < n && FHarness.Edit.CanUndo(); ++undone)
            UndoAndCheckCaret();
        for (int i = 0; i < undone; ++i)
            FHarness.Edit.Redo();
        EXPECT_TRUE(FHarness.Lines() == before) << FirstDifference(FHarness.Lines(), before) << "\n"
                                                << Where("undo " + std::to_string(undone) + " and redo");
        CheckRanges("after undo and redo");
    }

    unsigned FSeed;
    std::mt19937 FRandom;
    std::unique_ptr<TCustomHighlighter> FHighlighter;
    TEditorHarness FHarness;
    std::string FLastStep;
    std::vector<std::string> FHistory;
    std::vector<std::string> FPrevious;
    int FLastUndoCount = -1;
};

TEST(QuillEditRandom, UndoAllRedoAllAndRangesAfterThousandsOfCommands)
{
    int seeds = 12;
    if (const char* env = std::getenv("QUILLAN_EDIT_SEEDS"))
        seeds = std::max(1, std::atoi(env));
    int first = 1;
    if (const char* env = std::getenv("QUILLAN_EDIT_FIRST_SEED"))
        first = std::max(1, std::atoi(env));
    for (int seed = first; seed < first + seeds; ++seed) {
        TRandomRun run(static_cast<unsigned>(seed));
        int steps = 2500;
        if (const char* env = std::getenv("QUILLAN_EDIT_STEPS"))
            steps = std::max(1, std::atoi(env));
        run.Run(steps);
        if (::testing::Test::HasFailure())
            return;
    }
}

} // namespace
} // namespace quillan
