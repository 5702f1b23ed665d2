#include "base/QuillEditStrConst.h"
#include "editor/QuillEdit.h"
#include "editor/QuillEditPrivate.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

namespace quillan {

namespace {

constexpr int ScrollTimerInterval = 100;

// Character classes for word selection without a highlighter: a run of one class is a word; a tab
// is a class of its own width one.
int CharClass(unsigned char c)
{
    if (c == '\t')
        return 0;
    if (c == ' ')
        return 1;
    if (c >= 0x80 || std::isalnum(c) || c == '_')
        return 2;
    return 3;
}

int FloorDiv(int a, int b)
{
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}

} // namespace

TBufferCoord TCustomQuillEdit::PixelsToRowColumn(int x, int y) const
{
    int row = FloorDiv(y, FLineHeight);
    // The partly visible row at the bottom belongs to the last whole one.
    if (FLinesInWindow > 0 && row >= FLinesInWindow)
        row = FLinesInWindow - 1;
    const int line = std::clamp(FTopLine + row, 1, std::max(1, FLines->Count()));
    // A click on the left half of a character lands before it, on the right half after it; a
    // wide character's halves are its two cells.
    return { ColumnForPixel(line, x + (FLeftChar - 1) * FCharWidth - FGutterWidth - 2), line };
}

bool TCustomQuillEdit::IsPointInSelection(TBufferCoord pos) const
{
    if (!HasSelection())
        return false;
    const TBufferCoord start = SelectionStart(), stop = SelectionStop();
    if (pos.Y < start.Y || pos.Y > stop.Y)
        return false;
    switch (FSelectionMode) {
    case TQuillSelectionMode::smLine:
        return true;
    case TQuillSelectionMode::smColumn:
        return InColumnBlock(pos);
    case TQuillSelectionMode::smNormal:
        break;
    }
    if (pos.Y == start.Y && pos.X < start.X)
        return false;
    return !(pos.Y == stop.Y && pos.X >= stop.X);
}

void TCustomQuillEdit::SetWordBlock(TBufferCoord pos)
{
    if (FOptions.Contains(TQuillEditorOption::eoNoSelection))
        return;
    const int count = FLines->Count();
    pos.Y = std::clamp(pos.Y, 1, std::max(1, count));
    const std::string_view s = count > 0 ? LineView(pos.Y) : std::string_view {};
    const int length = static_cast<int>(s.size());
    pos.X = std::max(1, pos.X);
    TPaintLockScope lock(*this);
    if (pos.X > length) {
        TBufferCoord end { length + 1, pos.Y };
        SetCaretPos(end);
        SetSelAnchor(end);
        return;
    }
    auto at = [&](int column) { return static_cast<unsigned char>(s[static_cast<std::size_t>(column - 1)]); };
    int start = pos.X, stop = pos.X;
    if (FHighlighter) {
        while (stop <= length && IsIdentChar(at(stop)))
            ++stop;
        while (start > 1 && IsIdentChar(at(start - 1)))
            --start;
    } else {
        const int cls = CharClass(at(pos.X));
        stop = pos.X + 1;
        if (cls != 0) {
            while (stop <= length && CharClass(at(stop)) == cls)
                ++stop;
            while (start > 1 && CharClass(at(start - 1)) == cls)
                --start;
        }
    }
    start = SnapColumn(pos.Y, start);
    stop = SnapColumn(pos.Y, stop);
    SetSelAnchor({ start, pos.Y });
    SetCaretPos({ stop, pos.Y });
    SetSelEnd({ stop, pos.Y });
    StatusChanged(stSelection);
}

void TCustomQuillEdit::MouseDown(TMouseButton button, TShiftState shift, int x, int y)
{
    const bool hadSelection = HasSelection();
    if (button == TMouseButton::mbLeft && (shift & ssDouble)) {
        // The first press of the pair already placed the caret.
        if (x >= FGutterWidth) {
            SetWordBlock(CaretPos());
            FDblClicked = true;
            if (FHost)
                FHost->ReleaseCapture();
        }
        return;
    }
    if (button == TMouseButton::mbRight && hadSelection)
        return;
    if (button == TMouseButton::mbLeft && hadSelection)
        FMouseDownPoint = { x, y };
    TPaintLockScope lock(*this);
    const TBufferCoord pos = PixelsToRowColumn(x, y);
    SetCaretPos(pos);
    if (button != TMouseButton::mbLeft)
        return;
    if (FHost)
        FHost->SetCapture();
    FLastMouse = { x, y };
    FLastShift = shift;
    if (hadSelection && FOptions.Contains(TQuillEditorOption::eoDragDropEditing) && x > FGutterWidth + 2
        && FSelectionMode == TQuillSelectionMode::smNormal && IsPointInSelection(CaretPos())) {
        FWaitForDragging = true;
        return;
    }
    if (!FDblClicked) {
        if (shift & ssShift) {
            SetSelEnd(CaretPos());
        } else {
            SetSelAnchor(CaretPos());
            if (FOptions.Contains(TQuillEditorOption::eoAltSetsColumnMode)
                && FSelectionMode != TQuillSelectionMode::smLine)
                SetSelectionMode((shift & ssAlt) ? TQuillSelectionMode::smColumn : TQuillSelectionMode::smNormal);
        }
    }
    // Taken from this press rather than from the last press with a selection, so that a gutter
    // click is recognised also when nothing was selected.
    FGutterPressed = x < FGutterWidth;
    if (FHost)
        FHost->SetFocus();
}

void TCustomQuillEdit::ComputeScrollDeltas(int x, int y)
{
    const int xt = x - FGutterWidth;
    int d = xt - FCharsInWindow * FCharWidth;
    if (d > 0)
        d += FCharWidth;
    int dx = std::max(d / FCharWidth, 0);
    if (dx == 0 && xt < 0)
        dx = std::min((xt - FCharWidth) / FCharWidth, 0);
    d = y - FLinesInWindow * FLineHeight;
    if (d > 0)
        d += FLineHeight;
    int dy = std::max(d / FLineHeight, 0);
    if (dy == 0 && y < 0)
        dy = std::min((y - FLineHeight) / FLineHeight, 0);
    FScrollDeltaX = dx;
    FScrollDeltaY = dy;
    const bool on = dx != 0 || dy != 0;
    if (on != FScrollTimerOn && FHost) {
        if (on)
            FHost->SetTimer(ScrollTimerInterval);
        else
            FHost->KillTimer();
    }
    FScrollTimerOn = on;
}

void TCustomQuillEdit::MouseMove(TShiftState shift, int x, int y)
{
    FLastMouse = { x, y };
    FLastShift = shift;
    const bool captured = FHost && FHost->HasCapture();
    if (captured && FWaitForDragging) {
        const TSize threshold = FHost->DragThreshold();
        if (std::abs(x - FMouseDownPoint.X) < threshold.Width && std::abs(y - FMouseDownPoint.Y) < threshold.Height)
            return;
        FWaitForDragging = false;
        // A drag the host runs may end anywhere, in another program too, and its release never
        // comes here: the press is over. A read-only control may still give its text away.
        if (HasSelection() && FHost->BeginTextDrag(SelectedText())) {
            FDblClicked = false;
            FGutterPressed = false;
            return;
        }
        FDragging = !FReadOnly;
    }
    if (FDragging) {
        // The caret shows where the text would land.
        if (captured)
            SetCaretPos(PixelsToRowColumn(x, y));
        return;
    }
    if (!captured || !(shift & ssLeft) || FDblClicked)
        return;
    TPaintLockScope lock(*this);
    if (x >= FGutterWidth && x < FClientSize.Width && y >= 0 && y < FClientSize.Height)
        SetCaretPos(PixelsToRowColumn(x, y));
    SetSelEnd(CaretPos());
    ComputeScrollDeltas(x, y);
}

void TCustomQuillEdit::TimerTick()
{
    if (FScrollDeltaX == 0 && FScrollDeltaY == 0)
        return;
    const TBufferCoord m = PixelsToRowColumn(FLastMouse.X, FLastMouse.Y);
    TPaintLockScope lock(*this);
    if (FScrollDeltaX != 0) {
        SetLeftChar(FLeftChar + FScrollDeltaX);
        const int display = FLeftChar + (FScrollDeltaX > 0 ? FCharsInWindow : 0);
        SetCaretPos({ ColumnForDisplay(m.Y, display), m.Y });
        SetSelEnd(CaretPos());
    }
    if (FScrollDeltaY != 0) {
        SetTopLine(FTopLine + ((FLastShift & ssShift) ? FScrollDeltaY * FLinesInWindow : FScrollDeltaY));
        const int line = FTopLine + (FScrollDeltaY > 0 ? FLinesInWindow - 1 : 0);
        SetCaretPos({ m.X, line });
        SetSelEnd(CaretPos());
    }
}

void TCustomQuillEdit::MouseUp(TMouseButton button, TShiftState shift, int x, int y)
{
    if (FScrollTimerOn && FHost)
        FHost->KillTimer();
    FScrollTimerOn = false;
    FScrollDeltaX = FScrollDeltaY = 0;
    if (button != TMouseButton::mbLeft)
        return;
    if (FHost)
        FHost->ReleaseCapture();
    if (FDragging) {
        FDragging = false;
        DropSelection(PixelsToRowColumn(x, y), (shift & ssCtrl) != 0);
    } else if (FGutterPressed && x < FGutterWidth) {
        const int line = PixelsToRowColumn(x, y).Y;
        if (OnGutterClick && line <= FLines->Count()) {
            TQuillEditMarks marks {};
            FMarkList.GetMarksForLine(line, marks);
            TQuillEditMark* clicked = nullptr;
            int sum = 0;
            for (TQuillEditMark* mark : marks) {
                if (!mark)
                    break;
                sum += FBookMarkOpt.Xoffset();
                if (sum > x) {
                    clicked = mark;
                    break;
                }
            }
            OnGutterClick(this, x, y, line, clicked);
        }
    } else if (FWaitForDragging && !FDblClicked) {
        TPaintLockScope lock(*this);
        SetCaretPos(PixelsToRowColumn(x, y));
        SetSelAnchor(CaretPos());
    }
    FWaitForDragging = false;
    FDblClicked = false;
    FGutterPressed = false;
}

void TCustomQuillEdit::MouseCaptureLost()
{
    if (FScrollTimerOn && FHost)
        FHost->KillTimer();
    FScrollTimerOn = false;
    FScrollDeltaX = FScrollDeltaY = 0;
    FWaitForDragging = false;
    FDragging = false;
    FDblClicked = false;
    FGutterPressed = false;
}

void TCustomQuillEdit::MouseWheel(int delta, int linesPerNotch, TShiftState shift, int, int)
{
    int lines = linesPerNotch;
    if (shift & ssCtrl)
        lines = FOptions.Contains(TQuillEditorOption::eoHalfPageScroll) ? FLinesInWindow / 2 : FLinesInWindow;
    else if (lines == -1 || lines > FLinesInWindow)
        lines = FLinesInWindow;
    lines = std::max(lines, 1);
    FWheelAccumulator += delta;
    const int notches = FWheelAccumulator / 120;
    FWheelAccumulator -= notches * 120;
    if (notches != 0)
        SetTopLine(FTopLine - notches * lines);
}

bool TCustomQuillEdit::DropSelection(TBufferCoord at, bool copy)
{
    if (FReadOnly || !HasSelection() || FSelectionMode != TQuillSelectionMode::smNormal)
        return false;
    const TBufferCoord start = SelectionStart(), stop = SelectionStop();
    at = ClampSelectionPos(at);
    if (!(at < start || stop < at))
        return false;
    const std::string text = SelectedText();
    TEditScope scope(*this);
    TPastEolScope pastEol(*this);
    if (!copy) {
        DeleteSelectionWithUndo(false);
        // The drop point moves with the text after the removed part.
        if (stop < at) {
            if (at.Y == stop.Y)
                at.X = at.X - stop.X + start.X;
            at.Y -= stop.Y - start.Y;
        }
    }
    InsertDropped(at, text, TQuillChangeReason::ukDropInsert);
    return true;
}

void TCustomQuillEdit::InsertDropped(TBufferCoord at, std::string_view text, TQuillChangeReason reason)
{
    InternalSetCaretXY(at, true);
    SetSelectionRaw(at, at);
    TInsertion inserted;
    {
        TUndoLockScope lock(*this);
        inserted = SetSelTextPrimitive(TQuillSelectionMode::smNormal, text);
    }
    RecordChange(reason, inserted.Start, inserted.End, {}, TQuillSelectionMode::smNormal);
    SetSelectionRaw(inserted.Start, inserted.End);
    InternalSetCaretXY(inserted.Start, true);
    FEditSelects = true;
}

TDropEffect TCustomQuillEdit::DropEffect(const TCustomQuillEdit* source, TShiftState shift) const
{
    if (FReadOnly)
        return TDropEffect::deNone;
    if (source == this)
        return (shift & ssCtrl) ? TDropEffect::deCopy : TDropEffect::deMove;
    // Text is taken from another control only where it may be; from another program never.
    if (source && (shift & ssShift) && !source->ReadOnly())
        return TDropEffect::deMove;
    return TDropEffect::deCopy;
}

TDropEffect TCustomQuillEdit::DragOver(const TCustomQuillEdit* source, TShiftState shift, int x, int y)
{
    const TDropEffect effect = DropEffect(source, shift);
    if (effect == TDropEffect::deNone)
        return effect;
    if (!FDragReturn)
        FDragReturn = CaretPos();
    TPaintLockScope lock(*this);
    SetCaretPos(PixelsToRowColumn(x, y));
    return effect;
}

void TCustomQuillEdit::DragLeave()
{
    if (!FDragReturn)
        return;
    const TBufferCoord back = *FDragReturn;
    FDragReturn.reset();
    TPaintLockScope lock(*this);
    SetCaretPos(back);
}

bool TCustomQuillEdit::DragDrop(TCustomQuillEdit* source, TShiftState shift, int x, int y)
{
    FDragReturn.reset();
    const TDropEffect effect = DropEffect(source, shift);
    if (!source || effect == TDropEffect::deNone || !source->HasSelection())
        return false;
    const TBufferCoord at = PixelsToRowColumn(x, y);
    if (source == this) {
        {
            TPaintLockScope lock(*this);
            SetCaretPos(at);
        }
        return DropSelection(at, effect == TDropEffect::deCopy);
    }
    const std::string text = source->SelectedText();
    {
        TEditScope scope(*this);
        TPastEolScope pastEol(*this);
        // The dropped text is a stream; selected in another mode it would show, and be deleted
        // next, as some other part of the text.
        SetSelectionMode(TQuillSelectionMode::smNormal);
        InsertDropped(ClampSelectionPos(at), text, TQuillChangeReason::ukInsert);
    }
    // Taken from the source only once it is safe here.
    if (effect == TDropEffect::deMove)
        source->ReplaceSelection({});
    return true;
}

bool TCustomQuillEdit::DropText(std::string_view text, int x, int y)
{
    FDragReturn.reset();
    if (FReadOnly || text.empty())
        return false;
    const TBufferCoord at = PixelsToRowColumn(x, y);
    TEditScope scope(*this);
    TPastEolScope pastEol(*this);
    SetSelectionMode(TQuillSelectionMode::smNormal);
    InsertDropped(ClampSelectionPos(at), text, TQuillChangeReason::ukInsert);
    return true;
}

void TCustomQuillEdit::DropFiles(int x, int y, const std::vector<std::string>& files)
{
    if (FOptions.Contains(TQuillEditorOption::eoDropFiles) && OnDropFiles)
        OnDropFiles(this, x, y, files);
}

TCursor TCustomQuillEdit::CursorAt(int x, int y)
{
    if (FDragging)
        return crDrag;
    if (x < FGutterWidth)
        return FGutter.Cursor() == crDefault ? crArrow : FGutter.Cursor();
    if (FOptions.Contains(TQuillEditorOption::eoDragDropEditing) && IsPointInSelection(PixelsToRowColumn(x, y)))
        return crArrow;
    return crDefault;
}

void TCustomQuillEdit::Scroll(TScrollBarKind bar, TScrollCode code, int pos)
{
    if (bar == TScrollBarKind::sbVertical) {
        const int page = std::max(1, FLinesInWindow - (FOptions.Contains(TQuillEditorOption::eoScrollByOneLess)));
        switch (code) {
        case TScrollCode::scLineUp:
            SetTopLine(FTopLine - 1);
            break;
        case TScrollCode::scLineDown:
            SetTopLine(FTopLine + 1);
            break;
        case TScrollCode::scPageUp:
            SetTopLine(FTopLine - page);
            break;
        case TScrollCode::scPageDown:
            SetTopLine(FTopLine + page);
            break;
        case TScrollCode::scTop:
            SetTopLine(1);
            break;
        case TScrollCode::scBottom:
            SetTopLine(FLines->Count());
            break;
        case TScrollCode::scTrack:
        case TScrollCode::scPosition: {
            // Scaled back with the same line total the bar was scaled with, so that the box at
            // its end shows the last lines.
            long long n = FLines->Count();
            if (FOptions.Contains(TQuillEditorOption::eoScrollPastEof))
                n += FLinesInWindow - 1;
            if (n > 32767)
                SetTopLine(static_cast<int>(static_cast<long long>(pos) * n / 32767));
            else
                SetTopLine(pos);
            if (FHost && FOptions.Contains(TQuillEditorOption::eoShowScrollHint))
                FHost->ShowScrollHint(FormatMessage("Top Line: %d", FTopLine), FClientSize.Width - 4, 10);
            break;
        }
        case TScrollCode::scEndScroll:
            if (FHost && FOptions.Contains(TQuillEditorOption::eoShowScrollHint))
                FHost->HideScrollHint();
            break;
        }
        return;
    }
    const int page = std::max(1, FCharsInWindow - (FOptions.Contains(TQuillEditorOption::eoScrollByOneLess)));
    switch (code) {
    case TScrollCode::scLineUp:
        SetLeftChar(FLeftChar - 1);
        break;
    case TScrollCode::scLineDown:
        SetLeftChar(FLeftChar + 1);
        break;
    case TScrollCode::scPageUp:
        SetLeftChar(FLeftChar - page);
        break;
    case TScrollCode::scPageDown:
        SetLeftChar(FLeftChar + page);
        break;
    case TScrollCode::scTop:
        SetLeftChar(1);
        break;
    case TScrollCode::scBottom:
        SetLeftChar(MaxLeftCharLimit());
        break;
    case TScrollCode::scTrack:
    case TScrollCode::scPosition:
        SetLeftChar(pos);
        break;
    case TScrollCode::scEndScroll:
        break;
    }
}

} // namespace quillan
