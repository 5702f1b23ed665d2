#pragma once

// Helpers for the editor control's tests: a control in a headless host, reading and writing its
// lines, and the highlighter ranges a full rescan would store.

#include "backends/headless/HeadlessHost.h"
#include "editor/QuillEdit.h"

#include <cstdlib>
#include <string>
#include <vector>

namespace quillan::testutil {

// A control as the shell creates it, in a 674 x 480 client area (30 lines of 80 columns).
struct TEditorHarness {
    THeadlessHost Host;
    TQuillEdit Edit { &Host };

    explicit TEditorHarness(const std::vector<std::string>& lines = {}) { SetLines(lines); }
    ~TEditorHarness() { Edit.SetHighlighter(nullptr); }

    void SetLines(const std::vector<std::string>& lines)
    {
        Edit.Lines().Clear();
        Edit.Lines().AddStrings(lines);
    }
    std::vector<std::string> Lines() const
    {
        std::vector<std::string> out;
        for (int i = 0; i < Edit.Lines().Count(); ++i)
            out.emplace_back(Edit.Lines().GetView(i));
        return out;
    }
    void Caret(int x, int y) { Edit.SetCaretPos({ x, y }); }
    // Anchor at (x1, y1), moving end and caret at (x2, y2).
    void Select(int x1, int y1, int x2, int y2)
    {
        Edit.SetCaretPos({ x2, y2 });
        Edit.SetSelAnchor({ x1, y1 });
        Edit.SetSelEnd({ x2, y2 });
    }
    void Cmd(TQuillEditorCommand command, TBufferCoord pos) { Edit.DispatchCommand(command, 0, pos); }
    void Cmd(TQuillEditorCommand command) { Edit.DispatchCommand(command); }
    void Type(std::string_view text)
    {
        for (char32_t c : utf8::Decode(text))
            Edit.DispatchCommand(ecChar, c);
    }
    void UndoAll()
    {
        while (Edit.CanUndo())
            Edit.Undo();
    }
    void RedoAll()
    {
        while (Edit.CanRedo())
            Edit.Redo();
    }
    void SetOption(TQuillEditorOption option, bool on)
    {
        TQuillEditorOptions o = Edit.Options();
        if (on)
            o.Include(option);
        else
            o.Exclude(option);
        Edit.SetOptions(o);
    }
};

// Bytes outside printable ASCII as \xHH, for messages.
inline std::string Escaped(std::string_view bytes)
{
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : bytes) {
        if (c < 0x20 || c >= 0x7F || c == '\\') {
            out += "\\x";
            out += hex[c >> 4];
            out += hex[c & 15];
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

// What a scan of every line from the start stores as each line's start range.
inline std::vector<TRangeState> FullRescanRanges(TCustomHighlighter& highlighter, const TQuillEditStringList& lines)
{
    std::vector<TRangeState> ranges;
    highlighter.ClearRange();
    for (int i = 0; i < lines.Count(); ++i) {
        ranges.push_back(highlighter.CurrentRange());
        highlighter.StartLine(lines.GetView(i), i);
        highlighter.ScanToLineEnd();
    }
    return ranges;
}

inline std::vector<TRangeState> StoredRanges(const TQuillEditStringList& lines)
{
    std::vector<TRangeState> ranges;
    for (int i = 0; i < lines.Count(); ++i)
        ranges.push_back(lines.GetRange(i));
    return ranges;
}

} // namespace quillan::testutil
