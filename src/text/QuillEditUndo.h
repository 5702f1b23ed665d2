#pragma once

#include "base/QuillEditTypes.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace quillan {

// What an undo item records; the numbers are part of the item and must not be reordered.
enum class TQuillChangeReason : std::uint8_t {
    ukInsert = 0,
    ukPaste = 1,
    ukDropInsert = 2,
    ukDeleteToStart = 3,
    ukDeleteSelection = 4,
    ukLineBreak = 5,
    ukIndent = 6,
    ukUnindent = 7,
    ukDeleteBackward = 8,
    ukDeleteForward = 9,
};

// Bytes of one line, as 1-based columns: from Start up to, not including, End.
struct TQuillRowRange {
    int Start;
    int End;
    bool operator==(const TQuillRowRange&) const = default;
};

// One recorded change. Positions are editor positions (column and line from 1); the change text
// is the text the change removed and is owned by the item.
class TQuillEditUndoItem {
public:
    TQuillEditUndoItem(TQuillChangeReason reason, TBufferCoord startPos, TBufferCoord endPos, std::string changeStr,
        TQuillSelectionMode selMode, std::uint32_t changeNumber)
        : FChangeReason(reason)
        , FChangeSelMode(selMode)
        , FChangeNumber(changeNumber)
        , FChangeStartPos(startPos)
        , FChangeEndPos(endPos)
        , FChangeStr(std::move(changeStr))
    {
    }

    TQuillChangeReason ChangeReason() const { return FChangeReason; }
    TQuillSelectionMode ChangeSelMode() const { return FChangeSelMode; }
    TBufferCoord ChangeStartPos() const { return FChangeStartPos; }
    TBufferCoord ChangeEndPos() const { return FChangeEndPos; }
    const std::string& ChangeStr() const { return FChangeStr; }
    std::uint32_t ChangeNumber() const { return FChangeNumber; }

    // Recorded by the owner as a consequence of an edit (padding a line, trimming it, adding a
    // line), not as the edit itself. The caret after undo or redo is where the edit's own items
    // put it.
    bool Implicit() const { return FImplicit; }
    void SetImplicit(bool value) { FImplicit = value; }

    // A column block: for each row of the change text, from the start line down, the bytes that
    // row takes in its line. Rows of one block need not start at the same byte or be equally
    // long. Empty for every other item.
    const std::vector<TQuillRowRange>& RowRanges() const;
    void SetRowRanges(std::vector<TQuillRowRange> value);

private:
    friend class TQuillEditUndoList;

    // Ordered so that the item stays 64 bytes: a list may hold a million of them.
    TQuillChangeReason FChangeReason;
    TQuillSelectionMode FChangeSelMode;
    bool FImplicit = false;
    std::uint32_t FChangeNumber;
    TBufferCoord FChangeStartPos;
    TBufferCoord FChangeEndPos;
    std::string FChangeStr;
    // Only column blocks have rows; every other item keeps one pointer's worth for them.
    std::unique_ptr<std::vector<TQuillRowRange>> FRowRanges;
};

// A bounded stack of undo items. Items sharing a change number form one user-visible step: every
// item recorded outside a block gets a fresh number, every item recorded while a block is open (or
// while the owner has set a block change number from outside) shares the block's number.
class TQuillEditUndoList {
public:
    static constexpr int DefaultMaxUndo = 1024;

    TQuillEditUndoList() = default;
    TQuillEditUndoList(const TQuillEditUndoList&) = delete;
    TQuillEditUndoList& operator=(const TQuillEditUndoList&) = delete;

    // Does nothing while the list is locked.
    void AddChange(TQuillChangeReason reason, TBufferCoord startPos, TBufferCoord endPos, std::string changeStr,
        TQuillSelectionMode selMode);

    // AddChange for an item the caller has filled in: it is given its change number here.
    void AddItem(TQuillEditUndoItem item);

    // A null item is ignored. Applies the limit, then fires OnAdded.
    void PushItem(std::unique_ptr<TQuillEditUndoItem> item);
    // Newest item, or null when empty. PopItem hands ownership to the caller and fires nothing.
    std::unique_ptr<TQuillEditUndoItem> PopItem();
    const TQuillEditUndoItem* PeekItem() const;

    bool CanUndo() const { return !FItems.empty(); }
    int ItemCount() const { return static_cast<int>(FItems.size()); }
    // 0 is the oldest item.
    const TQuillEditUndoItem& Item(int index) const { return FItems.at(static_cast<std::size_t>(index)); }

    // Frees every item and clears the full flag; change numbers carry on, so a group that is
    // open across a clear still shares one number.
    void ClearList();

    void BeginBlock();
    void EndBlock();
    int BlockCount() const { return FBlockCount; }
    // 0 means no group is open. The editor's grouped undo sets the other list's number so that
    // everything it re-records there forms one step, and restores it afterwards.
    std::uint32_t BlockChangeNumber() const { return FBlockChangeNumber; }
    void SetBlockChangeNumber(std::uint32_t value) { FBlockChangeNumber = value; }

    std::uint32_t NextChangeNumber() const { return FNextChangeNumber; }
    // 0 is reserved for "no group" and is taken as 1.
    void SetNextChangeNumber(std::uint32_t value) { FNextChangeNumber = value == 0 ? 1 : value; }

    void Lock() { ++FLockCount; }
    void Unlock()
    {
        if (FLockCount > 0)
            --FLockCount;
    }
    bool IsLocked() const { return FLockCount > 0; }

    int MaxUndo() const { return FMaxUndo; }
    // A negative limit counts as 0, which keeps nothing.
    void SetMaxUndo(int value);

    // Set when items were discarded because of the limit: the document cannot be undone back to
    // its unmodified state any more.
    bool IsFull() const { return FFull; }

    std::function<void(TQuillEditUndoList* sender)> OnAdded;

private:
    void AdvanceChangeNumber();
    void Added();
    void EnforceMaxUndo();

    // A deque, so that dropping the oldest item under the limit costs the same whatever the limit.
    // Items are held by value: recording a keystroke then allocates nothing for short texts.
    std::deque<TQuillEditUndoItem> FItems;
    int FMaxUndo = DefaultMaxUndo;
    std::uint32_t FNextChangeNumber = 1;
    std::uint32_t FBlockChangeNumber = 0;
    int FBlockCount = 0;
    int FLockCount = 0;
    bool FFull = false;
};

} // namespace quillan
