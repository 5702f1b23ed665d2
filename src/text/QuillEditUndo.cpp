#include "text/QuillEditUndo.h"

namespace quillan {

const std::vector<TQuillRowRange>& TQuillEditUndoItem::RowRanges() const
{
    static const std::vector<TQuillRowRange> none;
    return FRowRanges ? *FRowRanges : none;
}

void TQuillEditUndoItem::SetRowRanges(std::vector<TQuillRowRange> value)
{
    if (value.empty())
        FRowRanges.reset();
    else
        FRowRanges = std::make_unique<std::vector<TQuillRowRange>>(std::move(value));
}

void TQuillEditUndoList::AddChange(TQuillChangeReason reason, TBufferCoord startPos, TBufferCoord endPos,
    std::string changeStr, TQuillSelectionMode selMode)
{
    if (FLockCount > 0)
        return;
    std::uint32_t number = FBlockChangeNumber;
    if (number == 0) {
        number = FNextChangeNumber;
        AdvanceChangeNumber();
    }
    FItems.emplace_back(reason, startPos, endPos, std::move(changeStr), selMode, number);
    Added();
}

void TQuillEditUndoList::AddItem(TQuillEditUndoItem item)
{
    if (FLockCount > 0)
        return;
    item.FChangeNumber = FBlockChangeNumber;
    if (item.FChangeNumber == 0) {
        item.FChangeNumber = FNextChangeNumber;
        AdvanceChangeNumber();
    }
    FItems.push_back(std::move(item));
    Added();
}

void TQuillEditUndoList::PushItem(std::unique_ptr<TQuillEditUndoItem> item)
{
    if (!item)
        return;
    FItems.push_back(std::move(*item));
    Added();
}

void TQuillEditUndoList::Added()
{
    EnforceMaxUndo();
    if (OnAdded)
        OnAdded(this);
}

std::unique_ptr<TQuillEditUndoItem> TQuillEditUndoList::PopItem()
{
    if (FItems.empty())
        return nullptr;
    auto item = std::make_unique<TQuillEditUndoItem>(std::move(FItems.back()));
    FItems.pop_back();
    return item;
}

const TQuillEditUndoItem* TQuillEditUndoList::PeekItem() const
{
    return FItems.empty() ? nullptr : &FItems.back();
}

void TQuillEditUndoList::ClearList()
{
    FItems.clear();
    FFull = false;
}

void TQuillEditUndoList::BeginBlock()
{
    ++FBlockCount;
    FBlockChangeNumber = FNextChangeNumber;
}

void TQuillEditUndoList::EndBlock()
{
    if (FBlockCount == 0)
        return;
    if (--FBlockCount == 0) {
        FBlockChangeNumber = 0;
        AdvanceChangeNumber();
    }
}

void TQuillEditUndoList::SetMaxUndo(int value)
{
    if (value < 0)
        value = 0;
    if (value == FMaxUndo)
        return;
    FMaxUndo = value;
    EnforceMaxUndo();
}

void TQuillEditUndoList::AdvanceChangeNumber()
{
    // Unsigned arithmetic wraps to 0, which would read as "no group open".
    if (++FNextChangeNumber == 0)
        FNextChangeNumber = 1;
}

void TQuillEditUndoList::EnforceMaxUndo()
{
    auto limit = static_cast<std::size_t>(FMaxUndo);
    if (FItems.size() <= limit)
        return;
    FFull = true;
    while (FItems.size() > limit)
        FItems.pop_front();
}

} // namespace quillan
