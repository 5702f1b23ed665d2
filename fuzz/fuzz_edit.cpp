// Bytes drive the editor control: each command byte picks an editing, movement, selection,
// clipboard, search or undo step, and the bytes after it give its arguments. Whatever the
// sequence, undoing everything must give back the starting text, redoing it the text reached,
// and the highlighter's stored ranges must be those of a full rescan.
#include "backends/headless/HeadlessHost.h"
#include "editor/QuillEdit.h"
#include "highlight/HighlighterFactory.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using namespace quillan;

class TReader {
public:
    TReader(const std::uint8_t* data, std::size_t size)
        : FData(data)
        , FSize(size)
    {
    }
    bool More() const { return FPos < FSize; }
    std::uint8_t Byte() { return FPos < FSize ? FData[FPos++] : 0; }
    std::string Text()
    {
        std::size_t n = Byte() % 12;
        std::string s;
        while (n-- > 0 && More())
            s += static_cast<char>(Byte());
        return s;
    }

private:
    const std::uint8_t* FData;
    std::size_t FSize;
    std::size_t FPos = 0;
};

std::vector<std::string> Lines(const TQuillEdit& edit)
{
    std::vector<std::string> out;
    for (int i = 0; i < edit.LineCount(); ++i)
        out.emplace_back(edit.Lines().GetView(i));
    return out;
}

std::vector<TRangeState> Rescan(TCustomHighlighter& h, const TQuillEditStringList& lines)
{
    std::vector<TRangeState> ranges;
    h.ClearRange();
    for (int i = 0; i < lines.Count(); ++i) {
        ranges.push_back(h.CurrentRange());
        h.StartLine(lines.GetView(i), i);
        h.ScanToLineEnd();
    }
    return ranges;
}

void Check(bool ok, const char* what)
{
    if (!ok) {
        std::fprintf(stderr, "fuzz_edit: %s\n", what);
        std::abort();
    }
}

void Step(TQuillEdit& e, THeadlessHost& host, TReader& in)
{
    static const TQuillEditorCommand commands[] = { ecLeft, ecRight, ecUp, ecDown, ecWordLeft, ecWordRight, ecLineStart,
        ecLineEnd, ecSelLeft, ecSelRight, ecSelUp, ecSelDown, ecSelWordRight, ecSelLineEnd, ecSelEditorBottom,
        ecPageDown, ecPageUp, ecDeleteLastChar, ecDeleteChar, ecDeleteWord, ecDeleteLastWord, ecDeleteBOL, ecDeleteEOL,
        ecDeleteLine, ecLineBreak, ecInsertLine, ecTab, ecBlockIndent, ecBlockUnindent, ecNormalSelect, ecColumnSelect,
        ecLineSelect, ecToggleMode, ecCopy, ecCut, ecPaste, ecUndo, ecRedo, ecMatchBracket, ecSelectAll, ecSetMarker1,
        ecGotoMarker1 };
    std::uint8_t op = in.Byte();
    switch (op % 8) {
    case 0:
    case 1:
    case 2: {
        std::uint8_t c = in.Byte();
        e.DispatchCommand(ecChar, c < 0x80 ? c : 0xDC00 + c);
        break;
    }
    case 3:
        e.DispatchCommand(ecGotoXY, 0, TBufferCoord { in.Byte() % 40, in.Byte() % 20 });
        e.DispatchCommand(ecSelGotoXY, 0, TBufferCoord { in.Byte() % 40, in.Byte() % 20 });
        break;
    case 4:
        if (op & 8)
            host.HeadlessClipboard().SetText(in.Text());
        else
            e.ReplaceSelection(in.Text());
        break;
    case 5: {
        std::string search = in.Text();
        std::string replace = in.Text();
        e.SearchReplace(search, replace, in.Byte());
        break;
    }
    case 6: {
        TQuillEditorOptions o = e.Options();
        auto option = static_cast<TQuillEditorOption>(in.Byte() % EditorOptionCount);
        if (o.Contains(option))
            o.Exclude(option);
        else
            o.Include(option);
        e.SetOptions(o);
        if (op & 8)
            e.SetTabWidth(1 + in.Byte() % 9);
        break;
    }
    default:
        e.DispatchCommand(commands[in.Byte() % (sizeof(commands) / sizeof(commands[0]))]);
        break;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    TReader in(data, size);
    THeadlessHost host;
    std::unique_ptr<TCustomHighlighter> cpp = CreateHighlighter("cpp");
    {
        TQuillEdit e(&host);
        e.SetMaxUndo(1 << 30);
        e.OnReplaceText
            = [&](TCustomQuillEdit*, const std::string&, const std::string&, int, int, TQuillReplaceAction& action) {
                  action = static_cast<TQuillReplaceAction>(in.Byte() % 4);
              };
        e.SetText("int main()\r\n{\r\n  /* é */ return 0;  \r\n\t}\r\n\r\n\"x\\\r\n");
        e.SetHighlighter(cpp.get());
        const std::vector<std::string> original = Lines(e);
        // Replace-all with a replacement that holds the pattern grows the text exponentially;
        // past a size the run says nothing new, only slowly.
        auto size = [&] {
            std::size_t n = 0;
            for (int i = 0; i < e.LineCount(); ++i)
                n += e.Lines().GetView(i).size() + 2;
            return n;
        };
        while (in.More() && size() < 2048)
            Step(e, host, in);
        Check(e.PaintLock() == 0, "paint lock left open");
        Check(
            Rescan(*cpp, e.Lines()) ==
                [&] {
                    std::vector<TRangeState> r;
                    for (int i = 0; i < e.LineCount(); ++i)
                        r.push_back(e.Lines().GetRange(i));
                    return r;
                }(),
            "stored ranges differ from a full rescan");
        const std::vector<std::string> reached = Lines(e);
        int undone = 0;
        for (; e.CanUndo(); ++undone)
            e.Undo();
        Check(Lines(e) == original, "undoing everything did not give back the original text");
        for (int i = 0; i < undone; ++i)
            e.Redo();
        Check(Lines(e) == reached, "redoing everything did not give back the text reached");
        e.SetHighlighter(nullptr);
    }
    return 0;
}
