#include "editor/QuillEdit.h"
#include "editor/QuillEditPrivate.h"
#include "highlight/HighlighterBase.h"

#include <algorithm>
#include <climits>

namespace quillan {

// --- keyboard --------------------------------------------------------------------------------

bool TCustomQuillEdit::KeyDown(TVirtualKey key, TShiftState shift)
{
    if (OnKeyDown)
        OnKeyDown(this, key, shift);
    TQuillEditorCommand command = FKeyTranslator.KeyToCommand(FKeystrokes, key, shift & ssKeyboardMask);
    if (command == ecNone) {
        FIgnoreNextChar = false;
        return false;
    }
    // The platform still sends the character message of this key press; it must not type.
    FIgnoreNextChar = true;
    DispatchCommand(command, 0, {});
    return true;
}

void TCustomQuillEdit::KeyPress(TQuillChar ch)
{
    if (FImeCount > 0) {
        --FImeCount;
        return;
    }
    if (FIgnoreNextChar) {
        FIgnoreNextChar = false;
        return;
    }
    if (OnKeyPress)
        OnKeyPress(this, ch);
    DispatchCommand(ecChar, ch, {});
}

void TCustomQuillEdit::ImeString(std::string_view text, int followingCharMessages)
{
    FImeCount = std::max(0, followingCharMessages);
    DispatchCommand(ecImeStr, 0, std::string(text));
}

void TCustomQuillEdit::DispatchCommand(TQuillEditorCommand command, TQuillChar ch, const TQuillCommandData& data)
{
    if (command >= ecUserFirst) {
        if (OnProcessUserCommand)
            OnProcessUserCommand(this, command, ch, data);
    } else if (OnProcessCommand) {
        OnProcessCommand(this, command, ch, data);
    }
    if (command != ecNone && command < ecUserFirst)
        ExecuteCommand(command, ch, data);
    if (OnCommandProcessed)
        OnCommandProcessed(this, command, ch, data);
}

// --- movement --------------------------------------------------------------------------------

namespace {

// Column reached by `steps` characters from column x (1-based); past the end each column is
// one step.
int StepColumn(std::string_view s, int x, int steps)
{
    std::size_t i = static_cast<std::size_t>(x - 1);
    if (steps > 0) {
        for (int k = 0; k < steps; ++k)
            i = utf8::Next(s, i);
    } else {
        for (int k = 0; k < -steps && i > 0; ++k)
            i = utf8::Prev(s, i);
    }
    return static_cast<int>(i) + 1;
}

} // namespace

void TCustomQuillEdit::MoveCaretHorz(int delta, bool selecting)
{
    TBufferCoord before { FCaretX, FCaretY };
    TBufferCoord after = before;
    int count = FLines->Count();
    std::string_view s = count > 0 ? LineView(FCaretY) : std::string_view();
    int len = static_cast<int>(s.size());
    if (!FOptions.Contains(TQuillEditorOption::eoScrollPastEol)) {
        if (delta == 1 && FCaretX >= len + 1 && FCaretY < count) {
            after = { 1, FCaretY + 1 };
        } else if (delta == -1 && FCaretX == 1 && FCaretY > 1) {
            after = { LineLength(FCaretY - 1) + 1, FCaretY - 1 };
        } else {
            after.X = std::clamp(StepColumn(s, FCaretX, delta), 1, len + 1);
        }
    } else {
        after.X = std::max(1, StepColumn(s, FCaretX, delta));
    }
    MoveCaretAndSelection(before, after, selecting, true);
}

void TCustomQuillEdit::MoveCaretVert(int delta, bool selecting)
{
    TBufferCoord before { FCaretX, FCaretY };
    int y = std::clamp(FCaretY + delta, 1, std::max(1, FLines->Count()));
    if (y == FCaretY) {
        MoveCaretAndSelection(before, before, selecting, false);
        return;
    }
    // Vertical movement keeps the display column, not the byte column: the caret stays above
    // or below where it was whatever the characters on the way. With eoKeepCaretX the aim is the
    // remembered column as it showed on the line where it was remembered; a run of vertical moves
    // keeps aiming at it, because on the lines passed it may show elsewhere or not at all.
    int goal;
    if (FOptions.Contains(TQuillEditorOption::eoKeepCaretX)) {
        const bool continuing = FVerticalGoal.Caret == before && FVerticalGoal.Remembered == FLastCaretX;
        goal = continuing ? FVerticalGoal.Display : DisplayColumn({ FLastCaretX, FCaretY });
    } else {
        goal = DisplayColumn(before);
    }
    MoveCaretAndSelection(before, { ColumnNearDisplay(y, goal), y }, selecting, false);
    FVerticalGoal = { { FCaretX, FCaretY }, FLastCaretX, goal };
}

void TCustomQuillEdit::DoPageUpDown(int direction, bool selecting)
{
    int n = FLinesInWindow;
    if (FOptions.Contains(TQuillEditorOption::eoHalfPageScroll))
        n /= 2;
    if (FOptions.Contains(TQuillEditorOption::eoScrollByOneLess))
        --n;
    n = std::max(1, n);
    TPaintLockScope lock(*this);
    SetTopLine(FTopLine + direction * n);
    MoveCaretVert(direction * n, selecting);
}

void TCustomQuillEdit::DoScroll(int dLines, int dChars)
{
    TPaintLockScope lock(*this);
    if (dLines != 0) {
        SetTopLine(FTopLine + dLines);
        int last = FTopLine + std::max(1, FLinesInWindow) - 1;
        if (FCaretY > last)
            SetCaretLine(last);
        else if (FCaretY < FTopLine)
            SetCaretLine(FTopLine);
    }
    if (dChars != 0) {
        SetLeftChar(FLeftChar + dChars);
        int column = DisplayColumn({ FCaretX, FCaretY });
        int last = FLeftChar + std::max(1, FCharsInWindow) - 1;
        if (column < FLeftChar)
            SetCaretColumn(ColumnForDisplay(FCaretY, FLeftChar));
        else if (column > last)
            // Before a wide character that the window's right edge cuts, not after it.
            SetCaretColumn(ColumnNearDisplay(FCaretY, last));
    }
}

bool TCustomQuillEdit::IsIdentChar(unsigned char c) const
{
    if (FHighlighter)
        return FWordChars.Contains(c);
    return c >= 33;
}

TBufferCoord TCustomQuillEdit::NextWordPos() const
{
    int x = FCaretX;
    int y = FCaretY;
    int count = FLines->Count();
    if (count == 0)
        return { x, y };
    std::string_view s = LineView(y);
    // On the line's last character no word can start later in the line: the next one is on the
    // next line, as from the line's end.
    if (x <= static_cast<int>(s.size()) && utf8::Next(s, static_cast<std::size_t>(x - 1)) < s.size()) {
        auto i = static_cast<std::size_t>(x - 1);
        if (IsIdentChar(static_cast<unsigned char>(s[i])))
            while (i < s.size() && IsIdentChar(static_cast<unsigned char>(s[i])))
                ++i;
        while (i < s.size() && !IsIdentChar(static_cast<unsigned char>(s[i])))
            ++i;
        x = static_cast<int>(utf8::Ceil(s, i)) + 1;
    } else if (y < count) {
        ++y;
        s = LineView(y);
        std::size_t i = 0;
        while (i < s.size() && !IsIdentChar(static_cast<unsigned char>(s[i])))
            ++i;
        x = i < s.size() ? static_cast<int>(utf8::Floor(s, i)) + 1 : 1;
    }
    return { x, y };
}

TBufferCoord TCustomQuillEdit::PrevWordPos() const
{
    int y = FCaretY;
    if (FLines->Count() == 0)
        return { FCaretX, y };
    std::string_view s = LineView(y);
    int x = std::min(FCaretX, static_cast<int>(s.size()) + 1);
    if (x > 1) {
        int i = x - 2;
        while (i >= 0 && !IsIdentChar(static_cast<unsigned char>(s[static_cast<std::size_t>(i)])))
            --i;
        if (i >= 0) {
            while (i >= 0 && IsIdentChar(static_cast<unsigned char>(s[static_cast<std::size_t>(i)])))
                --i;
            x = static_cast<int>(utf8::Ceil(s, static_cast<std::size_t>(i + 1))) + 1;
        } else if (y > 1) {
            --y;
            x = LineLength(y) + 1;
        } else {
            x = 1;
        }
    } else if (y > 1) {
        --y;
        x = LineLength(y) + 1;
    }
    return { x, y };
}

void TCustomQuillEdit::DoMatchBracket()
{
    if (FLines->Count() == 0)
        return;
    std::string_view s = LineView(FCaretY);
    auto at = static_cast<std::size_t>(FCaretX - 1);
    if (at >= s.size())
        return;
    static constexpr std::string_view brackets = "()[]{}";
    std::size_t k = brackets.find(s[at]);
    if (k == std::string_view::npos)
        return;
    char open = brackets[k & ~std::size_t(1)];
    char close = brackets[k | 1];
    bool forward = (k & 1) == 0;
    int depth = 1;
    int y = FCaretY;
    long long i = static_cast<long long>(at);
    for (;;) {
        i += forward ? 1 : -1;
        while (forward ? i >= static_cast<long long>(s.size()) : i < 0) {
            y += forward ? 1 : -1;
            if (y < 1 || y > FLines->Count())
                return;
            s = LineView(y);
            i = forward ? 0 : static_cast<long long>(s.size()) - 1;
        }
        char c = s[static_cast<std::size_t>(i)];
        if (c == open)
            depth += forward ? 1 : -1;
        else if (c == close)
            depth += forward ? -1 : 1;
        if (depth == 0) {
            SetCaretPos({ static_cast<int>(i) + 1, y });
            return;
        }
    }
}

// --- command table ---------------------------------------------------------------------------

void TCustomQuillEdit::ExecuteCommand(TQuillEditorCommand command, TQuillChar ch, const TQuillCommandData& data)
{
    TPaintLockScope lock(*this);
    bool selecting = command >= ecSelLeft && command <= ecSelGotoXY;
    TBufferCoord caret { FCaretX, FCaretY };
    switch (command) {
    case ecLeft:
    case ecSelLeft:
        MoveCaretHorz(-1, selecting);
        return;
    case ecRight:
    case ecSelRight:
        MoveCaretHorz(1, selecting);
        return;
    case ecPageLeft:
    case ecSelPageLeft:
        MoveCaretHorz(-FCharsInWindow, selecting);
        return;
    case ecPageRight:
    case ecSelPageRight:
        MoveCaretHorz(FCharsInWindow, selecting);
        return;
    case ecUp:
    case ecSelUp:
        MoveCaretVert(-1, selecting);
        return;
    case ecDown:
    case ecSelDown:
        MoveCaretVert(1, selecting);
        return;
    case ecPageUp:
    case ecSelPageUp:
        DoPageUpDown(-1, selecting);
        return;
    case ecPageDown:
    case ecSelPageDown:
        DoPageUpDown(1, selecting);
        return;
    case ecWordLeft:
    case ecSelWordLeft:
        MoveCaretAndSelection(caret, PrevWordPos(), selecting, true);
        return;
    case ecWordRight:
    case ecSelWordRight:
        MoveCaretAndSelection(caret, NextWordPos(), selecting, true);
        return;
    case ecLineStart:
    case ecSelLineStart:
        MoveCaretAndSelection(caret, { 1, FCaretY }, selecting, true);
        return;
    case ecLineEnd:
    case ecSelLineEnd:
        MoveCaretAndSelection(caret, { FLines->Count() > 0 ? LineLength(FCaretY) + 1 : 1, FCaretY }, selecting, true);
        return;
    case ecPageTop:
    case ecSelPageTop: {
        const int line = FTopLine;
        const int x = line == FCaretY ? FCaretX : ColumnNearDisplay(line, DisplayColumn(caret));
        MoveCaretAndSelection(caret, { x, line }, selecting, false);
        return;
    }
    case ecPageBottom:
    case ecSelPageBottom: {
        const int line = FTopLine + FLinesInWindow - 1;
        const int x = line == FCaretY ? FCaretX : ColumnNearDisplay(line, DisplayColumn(caret));
        MoveCaretAndSelection(caret, { x, line }, selecting, false);
        return;
    }
    case ecEditorTop:
    case ecSelEditorTop:
        MoveCaretAndSelection(caret, { 1, 1 }, selecting, true);
        return;
    case ecEditorBottom:
    case ecSelEditorBottom: {
        int last = std::max(1, FLines->Count());
        MoveCaretAndSelection(caret, { FLines->Count() > 0 ? LineLength(last) + 1 : 1, last }, selecting, true);
        return;
    }
    case ecGotoXY:
    case ecSelGotoXY:
        if (const TBufferCoord* pos = std::get_if<TBufferCoord>(&data))
            MoveCaretAndSelection(caret, *pos, selecting, true);
        return;
    case ecSelectAll:
        SelectAll();
        return;
    case ecCopy:
        CopyToClipboard();
        return;
    case ecScrollUp:
        DoScroll(-1, 0);
        return;
    case ecScrollDown:
        DoScroll(1, 0);
        return;
    case ecScrollLeft:
        DoScroll(0, -1);
        return;
    case ecScrollRight:
        DoScroll(0, 1);
        return;
    case ecInsertMode:
        SetInsertMode(true);
        return;
    case ecOverwriteMode:
        SetInsertMode(false);
        return;
    case ecToggleMode:
        SetInsertMode(!FInsertMode);
        return;
    case ecNormalSelect:
        SetSelectionMode(TQuillSelectionMode::smNormal);
        return;
    case ecColumnSelect:
        SetSelectionMode(TQuillSelectionMode::smColumn);
        return;
    case ecLineSelect:
        SetSelectionMode(TQuillSelectionMode::smLine);
        return;
    case ecMatchBracket:
        DoMatchBracket();
        return;
    default:
        break;
    }
    if (command >= ecGotoMarker0 && command <= ecGotoMarker9) {
        if (FBookMarkOpt.EnableKeys())
            GotoBookMark(command - ecGotoMarker0);
        return;
    }
    if (command >= ecSetMarker0 && command <= ecSetMarker9) {
        if (FBookMarkOpt.EnableKeys())
            DoSetMarker(command - ecSetMarker0);
        return;
    }
    if (FReadOnly)
        return;
    switch (command) {
    case ecCut:
        if (HasSelection())
            CutToClipboard();
        break;
    case ecPaste:
        PasteFromClipboard();
        break;
    case ecDeleteLastChar:
        DoDeleteLastChar();
        break;
    case ecDeleteChar:
        DoDeleteChar();
        break;
    case ecDeleteWord: {
        if (FLines->Count() == 0)
            break;
        TEditScope scope(*this);
        if (FCaretX > LineLength(FCaretY) + 1)
            InternalSetCaretXY({ LineLength(FCaretY) + 1, FCaretY }, true);
        DoDeleteRange({ FCaretX, FCaretY }, NextWordPos(), TQuillChangeReason::ukDeleteForward, true);
        break;
    }
    case ecDeleteEOL:
        if (FLines->Count() > 0) {
            TEditScope scope(*this);
            DoDeleteRange(
                { FCaretX, FCaretY }, { LineLength(FCaretY) + 1, FCaretY }, TQuillChangeReason::ukDeleteForward, true);
        }
        break;
    case ecDeleteLastWord:
        if (FLines->Count() > 0) {
            TEditScope scope(*this);
            DoDeleteRange(PrevWordPos(), { FCaretX, FCaretY }, TQuillChangeReason::ukDeleteBackward, true);
        }
        break;
    case ecDeleteBOL:
        if (FLines->Count() > 0) {
            TEditScope scope(*this);
            DoDeleteRange({ 1, FCaretY }, { FCaretX, FCaretY }, TQuillChangeReason::ukDeleteBackward, true);
        }
        break;
    case ecDeleteLine:
        DoDeleteLine();
        break;
    case ecClearAll:
        ClearAll();
        break;
    case ecLineBreak:
        DoLineBreak(true);
        break;
    case ecInsertLine:
        DoLineBreak(false);
        break;
    case ecChar:
        DoTypeChar(ch);
        break;
    case ecImeStr:
        if (const std::string* text = std::get_if<std::string>(&data))
            DoTypeString(*text, true);
        break;
    case ecUndo:
        Undo();
        break;
    case ecRedo:
        Redo();
        break;
    case ecBlockIndent:
        DoBlockIndent();
        break;
    case ecBlockUnindent:
        DoBlockUnindent();
        break;
    case ecTab:
        DoTab();
        break;
    default:
        // ecShiftTab and ecAutoCompletion have no action of their own.
        break;
    }
}

// --- deleting --------------------------------------------------------------------------------

int TCustomQuillEdit::LeftSpaces(std::string_view line) const
{
    if (!FOptions.Contains(TQuillEditorOption::eoAutoIndent))
        return 0;
    int n = 0;
    while (n < static_cast<int>(line.size())) {
        auto c = static_cast<unsigned char>(line[static_cast<std::size_t>(n)]);
        if (c < 1 || c > 32)
            break;
        ++n;
    }
    return n;
}

void TCustomQuillEdit::DoDeleteLastChar()
{
    TEditScope scope(*this);
    if (HasSelection()) {
        DeleteSelectionWithUndo(true);
        return;
    }
    if (FLines->Count() == 0)
        return;
    int x = FCaretX;
    int y = FCaretY;
    std::string_view s = LineView(y);
    int n = static_cast<int>(s.size());
    if (x > n + 1) {
        // In virtual space Backspace only steps left.
        TPastEolScope pastEol(*this);
        InternalSetCaretXY({ x - 1, y }, true);
        RecordChange(TQuillChangeReason::ukDeleteBackward, { x - 1, y }, { x, y }, {}, TQuillSelectionMode::smNormal);
        return;
    }
    if (x == 1) {
        if (y == 1)
            return;
        std::string joined(LineView(y - 1));
        int prevLength = static_cast<int>(joined.size());
        joined += s;
        {
            TLinesUpdateScope update(*FLines);
            DeleteLine(y);
            PutLine(y - 1, joined);
        }
        InternalSetCaretXY({ prevLength + 1, y - 1 }, true);
        RecordChange(TQuillChangeReason::ukDeleteBackward, { prevLength + 1, y - 1 }, { 1, y }, "\r\n",
            TQuillSelectionMode::smNormal);
        return;
    }
    int indent = LeftSpaces(s);
    auto before = static_cast<unsigned char>(s[static_cast<std::size_t>(x - 2)]);
    int from;
    if (before > 32 || x - 1 != indent) {
        from = static_cast<int>(utf8::Prev(s, static_cast<std::size_t>(x - 1))) + 1;
    } else {
        // Unindent to the indentation of the nearest line above that is indented less. The
        // blanks right before the caret go, so that what is left is this line's own start.
        int target = 0;
        for (int above = y - 1; above >= 1; --above) {
            int k = LeftSpaces(LineView(above));
            if (k < indent) {
                target = k;
                break;
            }
        }
        from = target + 1;
    }
    std::string removed(s.substr(static_cast<std::size_t>(from - 1), static_cast<std::size_t>(x - from)));
    SpliceLine(y, static_cast<std::size_t>(from - 1), removed.size(), {});
    InternalSetCaretXY({ from, y }, true);
    StatusChanged(stCaretColumn);
    RecordChange(
        TQuillChangeReason::ukDeleteBackward, { from, y }, { x, y }, std::move(removed), TQuillSelectionMode::smNormal);
}

void TCustomQuillEdit::DoDeleteChar()
{
    TEditScope scope(*this);
    if (HasSelection()) {
        DeleteSelectionWithUndo(true);
        return;
    }
    if (FLines->Count() == 0)
        return;
    int x = FCaretX;
    int y = FCaretY;
    int n = LineLength(y);
    if (x - 1 >= n) {
        if (y >= FLines->Count())
            return;
        PadLine(y, x - 1);
        std::string joined(LineView(y));
        joined += LineView(y + 1);
        {
            TLinesUpdateScope update(*FLines);
            DeleteLine(y + 1);
            PutLine(y, joined);
        }
        RecordChange(
            TQuillChangeReason::ukDeleteForward, { x, y }, { 1, y + 1 }, "\r\n", TQuillSelectionMode::smNormal);
        return;
    }
    std::string_view s = LineView(y);
    std::size_t length = utf8::SequenceLength(s, static_cast<std::size_t>(x - 1));
    std::string removed(s.substr(static_cast<std::size_t>(x - 1), length));
    SpliceLine(y, static_cast<std::size_t>(x - 1), length, {});
    RecordChange(TQuillChangeReason::ukDeleteForward, { x, y }, { x + static_cast<int>(length), y }, std::move(removed),
        TQuillSelectionMode::smNormal);
}

void TCustomQuillEdit::DoDeleteRange(TBufferCoord from, TBufferCoord to, TQuillChangeReason reason, bool caretToStart)
{
    if (!(from < to))
        return;
    TQuillSelectionMode mode = FSelectionMode;
    FSelectionMode = TQuillSelectionMode::smNormal;
    try {
        SetSelectionRaw(from, to);
        std::string text = SelectedTextIn(false);
        if (text.empty()) {
            SetSelAnchor({ FCaretX, FCaretY });
        } else {
            RecordChange(reason, from, to, std::move(text), TQuillSelectionMode::smNormal);
            TUndoLockScope lock(*this);
            SetSelTextPrimitive(TQuillSelectionMode::smNormal, {});
            if (caretToStart)
                InternalSetCaretXY(from, true);
        }
    } catch (...) {
        FSelectionMode = mode;
        throw;
    }
    FSelectionMode = mode;
}

void TCustomQuillEdit::DoDeleteLine()
{
    int count = FLines->Count();
    if (count == 0 || (count == 1 && LineLength(1) == 0))
        return;
    TEditScope scope(*this);
    SetSelAnchor({ FCaretX, FCaretY });
    int y = FCaretY;
    std::string s(LineView(y));
    if (count == 1) {
        RecordChange(TQuillChangeReason::ukDeleteToStart, { 1, 1 }, { static_cast<int>(s.size()) + 1, 1 }, s,
            TQuillSelectionMode::smNormal);
        PutLine(1, {});
    } else if (y < count) {
        RecordChange(
            TQuillChangeReason::ukDeleteToStart, { 1, y }, { 1, y + 1 }, s + "\r\n", TQuillSelectionMode::smNormal);
        DeleteLine(y);
    } else {
        // The last line goes with the line break before it, so that undo can put it back after
        // the line above instead of on a line of its own.
        int prevLength = LineLength(y - 1);
        RecordChange(TQuillChangeReason::ukDeleteToStart, { prevLength + 1, y - 1 },
            { static_cast<int>(s.size()) + 1, y }, "\r\n" + s, TQuillSelectionMode::smNormal);
        DeleteLine(y);
    }
    InternalSetCaretXY({ 1, y }, true);
}

void TCustomQuillEdit::ClearAll()
{
    TPaintLockScope lock(*this);
    FLines->Clear();
}

// --- line breaks -----------------------------------------------------------------------------

void TCustomQuillEdit::DoLineBreak(bool moveCaret)
{
    TEditScope scope(*this);
    TPastEolScope pastEol(*this);
    if (HasSelection())
        DeleteSelectionWithUndo(false);
    EnsureFirstLine();
    int x = FCaretX;
    int y = FCaretY;
    TBufferCoord before { x, y };
    std::string s(LineView(y));
    int n = static_cast<int>(s.size());
    if (n == 0) {
        int indent = 0;
        for (int above = y - 1; above >= 1; --above) {
            if (LineLength(above) > 0) {
                indent = LeftSpaces(LineView(above));
                break;
            }
        }
        RecordChange(TQuillChangeReason::ukLineBreak, before, before, {}, TQuillSelectionMode::smNormal);
        InsertLine(y, {});
        if (moveCaret)
            InternalSetCaretXY({ indent + 1, y + 1 }, true);
    } else if (x - 1 >= n) {
        int indent = LeftSpaces(s);
        RecordChange(TQuillChangeReason::ukLineBreak, before, before, {}, TQuillSelectionMode::smNormal);
        InsertLine(y + 1, moveCaret ? std::string(static_cast<std::size_t>(indent), ' ') : std::string());
        if (moveCaret)
            InternalSetCaretXY({ indent + 1, y + 1 }, true);
    } else if (x == 1) {
        InsertLine(y, {});
        RecordChange(TQuillChangeReason::ukLineBreak, before, before, s, TQuillSelectionMode::smNormal);
        if (moveCaret)
            InternalSetCaretXY({ 1, y + 1 }, true);
    } else {
        int indent = LeftSpaces(s);
        auto p = static_cast<std::size_t>(x - 1);
        std::string tail = s.substr(p);
        {
            TLinesUpdateScope update(*FLines);
            PutLine(y, std::string_view(s).substr(0, p));
            InsertLine(y + 1, std::string(static_cast<std::size_t>(indent), ' ') + tail);
        }
        RecordChange(TQuillChangeReason::ukLineBreak, before, before, std::move(tail), TQuillSelectionMode::smNormal);
        if (moveCaret)
            InternalSetCaretXY({ indent + 1, y + 1 }, true);
    }
    EnsureCursorPosVisible();
}

// --- typing ----------------------------------------------------------------------------------

void TCustomQuillEdit::DoTypeChar(TQuillChar ch)
{
    if (ch < 32 || ch == 127)
        return;
    std::string bytes = utf8::Encode(ch);
    if (!bytes.empty())
        DoTypeString(bytes, false);
}

void TCustomQuillEdit::DoTypeString(std::string_view bytes, bool asIme)
{
    if (bytes.empty())
        return;
    TEditScope scope(*this);
    TPastEolScope pastEol(*this);
    NormalizeSelection();
    if (HasSelection()) {
        RecordSelectionRemoval(TQuillChangeReason::ukDeleteSelection);
        TInsertion inserted;
        {
            TUndoLockScope lock(*this);
            inserted = SetSelTextPrimitive(TQuillSelectionMode::smNormal, bytes);
        }
        RecordChange(TQuillChangeReason::ukInsert, inserted.Start, inserted.End, {}, TQuillSelectionMode::smNormal);
    } else {
        EnsureFirstLine();
        int x = FCaretX;
        int y = FCaretY;
        PadLine(y, x - 1);
        std::string_view s = LineView(y);
        auto p = static_cast<std::size_t>(x - 1);
        std::size_t e = p;
        if (!FInsertMode) {
            // Overwriting replaces whole characters: one per typed character.
            std::size_t chars = asIme ? utf8::Decode(bytes).size() : 1;
            for (std::size_t k = 0; k < chars && e < s.size(); ++k)
                e = utf8::Next(s, e);
        }
        std::string overwritten(s.substr(p, e - p));
        SpliceLine(y, p, e - p, bytes);
        TBufferCoord end { x + static_cast<int>(bytes.size()), y };
        InternalSetCaretXY(end, true);
        RecordChange(
            TQuillChangeReason::ukInsert, { x, y }, end, std::move(overwritten), TQuillSelectionMode::smNormal);
    }
    StatusChanged(stCaretColumn);
    // Near the right edge the view jumps ahead by a chunk rather than a column per keystroke.
    if (DisplayColumn({ FCaretX, FCaretY }) >= FLeftChar + FCharsInWindow && FCharsInWindow > 1)
        SetLeftChar(FLeftChar + std::min(25, FCharsInWindow - 1));
}

// --- tabs and blocks -------------------------------------------------------------------------

int TCustomQuillEdit::SmartTabWidth() const
{
    // Columns here are cells with a tab counted as one cell, not expanded: a wide character
    // counts two so that the spaces reach the column where the word above shows, while tabs keep
    // the rule they always had here (a tab before the caret counts as one column).
    constexpr int tabAsOne = 1;
    const std::string_view caretLine = FCaretY >= 1 && FCaretY <= FLines->Count() ? LineView(FCaretY) : "";
    const auto caretByte = static_cast<std::size_t>(FCaretX - 1);
    long long column = CellOfByte(caretLine, caretByte, tabAsOne);
    if (caretByte > caretLine.size())
        column += static_cast<long long>(caretByte - caretLine.size());
    long long width = 0;
    if (FOptions.Contains(TQuillEditorOption::eoSmartTabs)) {
        for (int above = FCaretY - 1; above >= 1; --above) {
            std::string_view s = LineView(above);
            TCellSpot spot = CharAtCell(s, column, tabAsOne);
            if (spot.Length == 0)
                continue;
            // From the character at the caret's column, or the next one when the column lies
            // inside a wide character.
            std::size_t i = spot.Byte;
            long long cell = spot.Cell;
            if (cell < column) {
                i += spot.Length;
                cell += spot.Width;
            }
            auto step = [&] {
                int cells;
                i += CharCellsAt(s, i, cells);
                cell += cells;
            };
            while (i < s.size() && s[i] != ' ')
                step();
            while (i < s.size() && s[i] == ' ')
                step();
            width = cell - column;
            break;
        }
    }
    if (width == 0)
        width = FTabWidth - column % FTabWidth;
    return static_cast<int>(std::min<long long>(width, INT_MAX / 2));
}

void TCustomQuillEdit::DoTab()
{
    TEditScope scope(*this);
    TPastEolScope pastEol(*this);
    if (HasSelection())
        DeleteSelectionWithUndo(false);
    EnsureFirstLine();
    int width = SmartTabWidth();
    int x = FCaretX;
    int y = FCaretY;
    PadLine(y, x - 1);
    std::string_view s = LineView(y);
    auto p = static_cast<std::size_t>(x - 1);
    std::string line(s.substr(0, p));
    line.append(static_cast<std::size_t>(width), ' ');
    line += s.substr(p);
    PutLine(y, line);
    InternalSetCaretXY({ x + width, y }, true);
    RecordChange(TQuillChangeReason::ukInsert, { x, y }, { x + width, y }, {}, TQuillSelectionMode::smNormal);
    EnsureCursorPosVisible();
}

namespace {

std::string JoinRows(const std::vector<std::string>& rows)
{
    std::string out;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (i > 0)
            out += "\r\n";
        out += rows[i];
    }
    return out;
}

} // namespace

void TCustomQuillEdit::DoBlockIndent()
{
    NormalizeSelection();
    if (!HasSelection() || FLines->Count() == 0)
        return;
    TEditScope scope(*this);
    TBufferCoord start = SelectionStart();
    TBufferCoord stop = SelectionStop();
    bool backwards = FBlockEnd < FBlockBegin;
    int last = stop.X == 1 ? stop.Y - 1 : stop.Y;
    last = std::clamp(last, start.Y, FLines->Count());
    std::string indent(static_cast<std::size_t>(FTabWidth), ' ');
    std::vector<std::string> rows;
    {
        TLinesUpdateScope update(*FLines);
        for (int y = start.Y; y <= last; ++y) {
            rows.push_back(indent);
            PutLine(y, indent + std::string(LineView(y)));
        }
    }
    RecordChange(TQuillChangeReason::ukIndent, start, stop, JoinRows(rows), TQuillSelectionMode::smColumn);
    FEditSelects = true;
    TBufferCoord a { start.X + FTabWidth, start.Y };
    TBufferCoord b { stop.X == 1 ? 1 : stop.X + FTabWidth, stop.Y };
    if (backwards)
        SetSelectionRaw(b, a);
    else
        SetSelectionRaw(a, b);
}

void TCustomQuillEdit::DoBlockUnindent()
{
    NormalizeSelection();
    if (!HasSelection() || FLines->Count() == 0)
        return;
    TBufferCoord start = SelectionStart();
    TBufferCoord stop = SelectionStop();
    bool backwards = FBlockEnd < FBlockBegin;
    int last = stop.X == 1 ? stop.Y - 1 : stop.Y;
    last = std::clamp(last, start.Y, FLines->Count());
    std::vector<std::string> rows;
    bool any = false;
    for (int y = start.Y; y <= last; ++y) {
        std::string_view s = LineView(y);
        std::size_t k = 0;
        while (k < s.size() && k < static_cast<std::size_t>(FTabWidth) && s[k] == ' ')
            ++k;
        rows.emplace_back(k, ' ');
        any = any || k > 0;
    }
    if (!any)
        return;
    TEditScope scope(*this);
    {
        TLinesUpdateScope update(*FLines);
        for (int y = start.Y; y <= last; ++y) {
            std::size_t k = rows[static_cast<std::size_t>(y - start.Y)].size();
            if (k > 0)
                PutLine(y, LineView(y).substr(k));
        }
    }
    RecordChange(TQuillChangeReason::ukUnindent, start, stop, JoinRows(rows), TQuillSelectionMode::smColumn);
    FEditSelects = true;
    TBufferCoord a { std::max(1, start.X - static_cast<int>(rows.front().size())), start.Y };
    TBufferCoord b { stop.X == 1 ? 1 : std::max(1, stop.X - static_cast<int>(rows.back().size())), stop.Y };
    if (backwards)
        SetSelectionRaw(b, a);
    else
        SetSelectionRaw(a, b);
}

void TCustomQuillEdit::DoSetMarker(int bookmark)
{
    if (TQuillEditMark* mark = BookMark(bookmark)) {
        int line = mark->Line();
        ClearBookMark(bookmark);
        if (line != FCaretY)
            SetBookMark(bookmark, FCaretX, FCaretY);
    } else {
        SetBookMark(bookmark, FCaretX, FCaretY);
    }
}

} // namespace quillan
