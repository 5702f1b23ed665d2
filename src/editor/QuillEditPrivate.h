#pragma once

// Helpers shared by the editor control's source files; not part of its interface.

#include "editor/QuillEdit.h"

#include <exception>
#include <string_view>
#include <vector>

namespace quillan {

// The rows of a text: CR LF, CR and LF each end one. The part after the last break is always a
// row, possibly empty, so "a\r\n" gives "a" and "".
std::vector<std::string_view> SplitRows(std::string_view text);

// The undo item that takes a text created from no lines at all back to no lines.
inline constexpr TBufferCoord FirstLineMarkStart { 1, 1 };
inline constexpr TBufferCoord FirstLineMarkEnd { 1, 0 };

inline bool IsFirstLineMark(const TQuillEditUndoItem& item)
{
    return item.ChangeReason() == TQuillChangeReason::ukInsert && item.ChangeSelMode() == TQuillSelectionMode::smLine
        && item.ChangeStartPos() == FirstLineMarkStart && item.ChangeEndPos() == FirstLineMarkEnd;
}

// One line-store bracket; closes also when the body throws.
class TLinesUpdateScope {
public:
    explicit TLinesUpdateScope(TQuillEditStringList& lines)
        : FLines(lines)
    {
        FLines.BeginUpdate();
    }
    ~TLinesUpdateScope() noexcept(false)
    {
        if (std::uncaught_exceptions() > FUnwinding) {
            try {
                FLines.EndUpdate();
            } catch (...) {
            }
        } else {
            FLines.EndUpdate();
        }
    }
    TLinesUpdateScope(const TLinesUpdateScope&) = delete;
    TLinesUpdateScope& operator=(const TLinesUpdateScope&) = delete;

private:
    TQuillEditStringList& FLines;
    int FUnwinding = std::uncaught_exceptions();
};

class TCustomQuillEdit::TPaintLockScope {
public:
    explicit TPaintLockScope(TCustomQuillEdit& edit)
        : FEdit(edit)
    {
        FEdit.IncPaintLock();
    }
    // Releasing the lock reports status changes, whose handler may throw.
    ~TPaintLockScope() noexcept(false)
    {
        if (std::uncaught_exceptions() > FUnwinding) {
            try {
                FEdit.DecPaintLock();
            } catch (...) {
            }
        } else {
            FEdit.DecPaintLock();
        }
    }
    TPaintLockScope(const TPaintLockScope&) = delete;
    TPaintLockScope& operator=(const TPaintLockScope&) = delete;

private:
    TCustomQuillEdit& FEdit;
    int FUnwinding = std::uncaught_exceptions();
};

// One user-visible edit: a paint lock, one undo group, and the trimming of the lines it wrote.
class TCustomQuillEdit::TEditScope {
public:
    explicit TEditScope(TCustomQuillEdit& edit)
        : FEdit(edit)
    {
        FEdit.IncPaintLock();
        FEdit.BeginEdit();
    }
    ~TEditScope() noexcept(false)
    {
        bool unwinding = std::uncaught_exceptions() > FUnwinding;
        try {
            FEdit.EndEdit(unwinding);
        } catch (...) {
            FEdit.DecPaintLock();
            if (unwinding)
                return;
            throw;
        }
        if (unwinding) {
            try {
                FEdit.DecPaintLock();
            } catch (...) {
            }
        } else {
            FEdit.DecPaintLock();
        }
    }
    TEditScope(const TEditScope&) = delete;
    TEditScope& operator=(const TEditScope&) = delete;

private:
    TCustomQuillEdit& FEdit;
    int FUnwinding = std::uncaught_exceptions();
};

// Lets the caret stand past line ends for the duration, as typing and undo need.
class TCustomQuillEdit::TPastEolScope {
public:
    explicit TPastEolScope(TCustomQuillEdit& edit)
        : FEdit(edit)
    {
        ++FEdit.FAllowPastEol;
    }
    ~TPastEolScope() { --FEdit.FAllowPastEol; }
    TPastEolScope(const TPastEolScope&) = delete;
    TPastEolScope& operator=(const TPastEolScope&) = delete;

private:
    TCustomQuillEdit& FEdit;
};

// Compound edits record their own items and lock both lists around the steps beneath them.
class TCustomQuillEdit::TUndoLockScope {
public:
    explicit TUndoLockScope(TCustomQuillEdit& edit)
        : FEdit(edit)
    {
        FEdit.FUndoList->Lock();
        FEdit.FRedoList->Lock();
    }
    ~TUndoLockScope()
    {
        FEdit.FUndoList->Unlock();
        FEdit.FRedoList->Unlock();
    }
    TUndoLockScope(const TUndoLockScope&) = delete;
    TUndoLockScope& operator=(const TUndoLockScope&) = delete;

private:
    TCustomQuillEdit& FEdit;
};

// Undo and redo replay recorded items exactly: no trimming, no padding records, the caret free to
// stand anywhere.
class TCustomQuillEdit::TReplayScope {
public:
    explicit TReplayScope(TCustomQuillEdit& edit)
        : FEdit(edit)
    {
        ++FEdit.FReplayDepth;
        ++FEdit.FAllowPastEol;
        ++FEdit.FExactPositions;
    }
    ~TReplayScope()
    {
        --FEdit.FReplayDepth;
        --FEdit.FAllowPastEol;
        --FEdit.FExactPositions;
    }
    TReplayScope(const TReplayScope&) = delete;
    TReplayScope& operator=(const TReplayScope&) = delete;

private:
    TCustomQuillEdit& FEdit;
};

// Where replay leaves the caret and the selection is for the user: on character boundaries.
class TCustomQuillEdit::TSnapScope {
public:
    explicit TSnapScope(TCustomQuillEdit& edit)
        : FEdit(edit)
        , FSaved(edit.FExactPositions)
    {
        FEdit.FExactPositions = 0;
    }
    ~TSnapScope() { FEdit.FExactPositions = FSaved; }
    TSnapScope(const TSnapScope&) = delete;
    TSnapScope& operator=(const TSnapScope&) = delete;

private:
    TCustomQuillEdit& FEdit;
    int FSaved;
};

} // namespace quillan
