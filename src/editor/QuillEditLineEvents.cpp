#include "editor/EditTracking.h"
#include "editor/QuillEdit.h"
#include "editor/QuillEditPrivate.h"

#include <algorithm>
#include <climits>

namespace quillan {

// --- line events -----------------------------------------------------------------------------

void TCustomQuillEdit::LinesChanging()
{
    FLinesChanging = true;
}

void TCustomQuillEdit::LinesChanged()
{
    FLinesChanging = false;
    TPaintLockScope lock(*this);
    FScrollBarsPending = true;
    if (!FInTrimPass && FReplayDepth == 0)
        SetSelAnchor({ FCaretX, FCaretY });
    if (!FInvalidRect.IsEmpty()) {
        TRect r = FInvalidRect;
        FInvalidRect = {};
        if (FHost)
            FHost->InvalidateRect(&r);
    }
    FGutter.UpdateAutoSizeDigitCount(FLines->Count());
    if (!FOptions.Contains(TQuillEditorOption::eoScrollPastEof))
        SetTopLine(FTopLine);
}

void TCustomQuillEdit::LineAdded(int index)
{
    int added = FLines->Count() - FKnownLineCount;
    FKnownLineCount = FLines->Count();
    FTouched.LinesInserted(index, added);
    MarksLinesInserted(index + 1, added);
    if (FHighlighter && FLines->Count() > 0)
        TRangeRescan(*FLines, *FHighlighter).AfterLineCountChange(index);
    InvalidateLines(index + 1, INT_MAX);
    InvalidateGutterLines(index + 1, INT_MAX);
}

void TCustomQuillEdit::LineInserted(int index)
{
    int added = FLines->Count() - FKnownLineCount;
    FKnownLineCount = FLines->Count();
    FTouched.LinesInserted(index, added);
    MarksLinesInserted(index + 1, added);
    if (FHighlighter && FLines->Count() > 0)
        TRangeRescan(*FLines, *FHighlighter).AfterLineCountChange(index);
    InvalidateLines(index + 1, FTopLine + FLinesInWindow);
    InvalidateGutterLines(index + 1, FTopLine + FLinesInWindow);
}

void TCustomQuillEdit::LineDeleted(int index)
{
    int removed = FKnownLineCount - FLines->Count();
    FKnownLineCount = FLines->Count();
    FTouched.LinesDeleted(index, removed);
    MarksLinesDeleted(index, removed);
    if (FHighlighter && FLines->Count() > 0)
        TRangeRescan(*FLines, *FHighlighter).AfterLineCountChange(index);
    InvalidateLines(index + 1, INT_MAX);
    InvalidateGutterLines(index + 1, INT_MAX);
}

void TCustomQuillEdit::LinePut(int index)
{
    FTouched.LineWritten(index);
    if (FHighlighter) {
        int last = TRangeRescan(*FLines, *FHighlighter).AfterLinePut(index);
        InvalidateLines(index + 1, last + 1);
    } else {
        InvalidateLines(index + 1, index + 1);
    }
}

void TCustomQuillEdit::LinesCleared()
{
    FKnownLineCount = 0;
    FTouched.Clear();
    FUndoList->ClearList();
    FRedoList->ClearList();
    SyncUndoTrack(0);
    SyncUndoTrack(1);
    TPaintLockScope lock(*this);
    InternalSetCaretXY({ 1, 1 }, true);
    FBlockBegin = FBlockEnd = { 1, 1 };
    SetTopLine(1);
    SetLeftChar(1);
    InvalidateLines(-1, -1);
    InvalidateGutterLines(-1, -1);
    StatusChanged(stAll);
}

void TCustomQuillEdit::ScanAllRanges()
{
    if (!FHighlighter)
        return;
    TLinesUpdateScope update(*FLines);
    TRangeRescan(*FLines, *FHighlighter).All();
}

void TCustomQuillEdit::MarksLinesInserted(int line, int count)
{
    if (count <= 0)
        return;
    for (int i = 0; i < FMarkList.Count(); ++i) {
        TQuillEditMark* m = FMarkList.Items(i);
        if (m->Line() >= line)
            m->SetLine(m->Line() + count);
    }
}

void TCustomQuillEdit::MarksLinesDeleted(int afterLine, int count)
{
    if (count <= 0)
        return;
    for (int i = 0; i < FMarkList.Count(); ++i) {
        TQuillEditMark* m = FMarkList.Items(i);
        int line = m->Line();
        if (line >= afterLine + count)
            m->SetLine(std::max(1, line - count));
        else if (line > afterLine)
            m->SetLine(std::max(1, afterLine));
    }
}

} // namespace quillan
