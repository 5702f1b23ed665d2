#include "base/QuillEditStrConst.h"
#include "text/QuillEditTextBufferParts.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <stdexcept>

namespace quillan {

using linestore::AllocRecords;
using linestore::FreeRecords;
using linestore::ResizeRecords;

namespace {

constexpr TQuillEditStringRec NewRec(QuillStringRep text, std::intptr_t data = 0)
{
    return { text, data, RangeUnknown, -1, expandedLengthStale };
}

// Moves n records `shift` slots forward around a ring of `cap` slots, starting at slot src.
// Forward moves go from the last record back so that overlapping runs are not overwritten.
void RingShiftUp(TQuillEditStringRec* r, std::size_t cap, std::size_t src, std::size_t shift, std::size_t n)
{
    while (n > 0) {
        std::size_t sLast = (src + n - 1) % cap;
        std::size_t dLast = (src + shift + n - 1) % cap;
        std::size_t k = std::min({ n, sLast + 1, dLast + 1 });
        std::memmove(r + (dLast + 1 - k), r + (sLast + 1 - k), k * sizeof(TQuillEditStringRec));
        n -= k;
    }
}

void RingShiftDown(TQuillEditStringRec* r, std::size_t cap, std::size_t src, std::size_t shift, std::size_t n)
{
    std::size_t dst = (src + cap - shift) % cap;
    while (n > 0) {
        std::size_t k = std::min({ n, cap - src, cap - dst });
        std::memmove(r + dst, r + src, k * sizeof(TQuillEditStringRec));
        src = (src + k) % cap;
        dst = (dst + k) % cap;
        n -= k;
    }
}

} // namespace

void TQuillEditStringList::MoveGap(int index)
{
    const std::size_t cap = static_cast<std::size_t>(FCapacity);
    const std::size_t gap = static_cast<std::size_t>(FCapacity - FCount);
    if (gap == 0) {
        FGapPos = index;
        return;
    }
    auto head = [this] { return static_cast<std::size_t>(FHead); };
    auto moveDirect = [&](int to) {
        auto t = static_cast<std::size_t>(to);
        auto p = static_cast<std::size_t>(FGapPos);
        if (t < p)
            RingShiftUp(FRecords, cap, (head() + t) % cap, gap, p - t);
        else if (t > p)
            RingShiftDown(FRecords, cap, (head() + p + gap) % cap, gap, t - p);
        FGapPos = to;
    };
    // A gap after the last line is also a gap before the first one; going round the ring that
    // way is cheaper when the target is nearer the other end.
    int p = FGapPos;
    if (index < p) {
        if (p - index <= FCount - p + index) {
            moveDirect(index);
        } else {
            moveDirect(FCount);
            FHead = static_cast<int>((head() + cap - gap) % cap);
            FGapPos = 0;
            moveDirect(index);
        }
    } else if (index > p) {
        if (index - p <= static_cast<long long>(p) + FCount - index) {
            moveDirect(index);
        } else {
            moveDirect(0);
            FHead = static_cast<int>((head() + gap) % cap);
            FGapPos = FCount;
            moveDirect(index);
        }
    }
}

void TQuillEditStringList::Reallocate(int capacity)
{
    if (capacity == FCapacity)
        return;
    const std::size_t oldBytes = static_cast<std::size_t>(FCapacity) * sizeof(TQuillEditStringRec);
    const std::size_t newBytes = static_cast<std::size_t>(capacity) * sizeof(TQuillEditStringRec);
    if (capacity == 0) {
        FreeRecords(FRecords, oldBytes);
        FRecords = nullptr;
    } else if (FHead == 0 && (FGapPos == FCount || FCapacity == FCount)) {
        // Records in line order from slot 0, as appending leaves them: resize in place.
        FRecords = static_cast<TQuillEditStringRec*>(ResizeRecords(FRecords, oldBytes, newBytes));
    } else {
        auto* fresh = static_cast<TQuillEditStringRec*>(AllocRecords(newBytes));
        for (int i = 0; i < FCount; ++i)
            fresh[i] = Rec(i);
        FreeRecords(FRecords, oldBytes);
        FRecords = fresh;
    }
    FCapacity = capacity;
    FHead = 0;
    FGapPos = FCount;
}

void TQuillEditStringList::SetCapacity(int value)
{
    if (value < FCount)
        throw EQuillEditStringList(value);
    Reallocate(value);
}

void TQuillEditStringList::Grow()
{
    if (FCapacity == INT_MAX)
        throw std::length_error("too many lines");
    int delta = FCapacity > 64 ? FCapacity / 4 : 16;
    Reallocate(FCapacity > INT_MAX - delta ? INT_MAX : FCapacity + delta);
}

void TQuillEditStringList::ReserveForAppend(int n)
{
    if (FCapacity < FCount + n) {
        long long wanted = (static_cast<long long>(FCount) + n + 15) / 16 * 16;
        Reallocate(static_cast<int>(std::min<long long>(wanted, INT_MAX)));
    }
}

void TQuillEditStringList::InsertRec(int index, QuillStringRep text)
{
    try {
        if (FCount == FCapacity)
            Grow();
    } catch (...) {
        QuillStringBlock::Release(text.Block);
        throw;
    }
    if (index != FGapPos)
        MoveGap(index);
    std::size_t slot = static_cast<std::size_t>(FHead) + static_cast<std::size_t>(index);
    if (slot >= static_cast<std::size_t>(FCapacity))
        slot -= static_cast<std::size_t>(FCapacity);
    FRecords[slot] = NewRec(text);
    ++FCount;
    FGapPos = index + 1;
    InvalidateLongest();
}

// Appends lines whose references the caller hands over, with no event: what n Adds do when
// nobody listens for OnLineAdded, and the array grows through the same capacities.
void TQuillEditStringList::AppendReps(QuillStringRep* lines, std::size_t n)
{
    try {
        if (n > static_cast<std::size_t>(INT_MAX - FCount))
            throw std::length_error("too many lines");
        while (FCapacity - FCount < static_cast<int>(n))
            Grow();
    } catch (...) {
        for (std::size_t i = 0; i < n; ++i)
            QuillStringBlock::Release(lines[i].Block);
        throw;
    }
    if (FGapPos != FCount)
        MoveGap(FCount);
    auto cap = static_cast<std::size_t>(FCapacity);
    std::size_t slot = static_cast<std::size_t>(FHead) + static_cast<std::size_t>(FCount);
    if (slot >= cap)
        slot -= cap;
    for (std::size_t i = 0; i < n; ++i) {
        FRecords[slot] = NewRec(lines[i]);
        if (++slot == cap)
            slot = 0;
    }
    FCount += static_cast<int>(n);
    FGapPos = FCount;
    InvalidateLongest();
}

} // namespace quillan
