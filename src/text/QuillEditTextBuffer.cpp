#include "text/QuillEditTextBuffer.h"

#include "base/QuillEditStrConst.h"
#include "text/QuillEditTextBufferParts.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <stdexcept>
#include <utility>

namespace quillan {

using linestore::Bracketed;
using linestore::FreeRecords;

TQuillEditStringList::TQuillEditStringList()
    : FExpand(linestore::ExpandRoutineFor(8))
{
}

TQuillEditStringList::~TQuillEditStringList()
{
    // Nobody hears about the teardown: the owner is usually being destroyed itself.
    OnChange = nullptr;
    OnChanging = nullptr;
    ReleaseLines(0, FCount);
    FreeRecords(FRecords, static_cast<std::size_t>(FCapacity) * sizeof(TQuillEditStringRec));
}

void TQuillEditStringList::ReleaseLines(int index, int count) noexcept
{
    // Neighbouring lines usually come from one block: give its references back in one go.
    QuillStringBlock* run = nullptr;
    std::size_t runLength = 0;
    const bool cached = !FCells.Empty();
    for (int i = index; i < index + count; ++i) {
        const QuillStringRep& rep = Rec(i).LineText;
        if (cached && rep.Size() >= TLineCellCache::MinLineBytes)
            FCells.Forget(rep.Data());
        QuillStringBlock* block = rep.Block;
        if (block == run) {
            ++runLength;
            continue;
        }
        QuillStringBlock::Release(run, runLength);
        run = block;
        runLength = 1;
    }
    QuillStringBlock::Release(run, runLength);
}

// --- update bracket -------------------------------------------------------------------------

void TQuillEditStringList::BeginUpdate()
{
    if (FUpdateCount == 0 && OnChanging)
        OnChanging(this);
    ++FUpdateCount;
}

void TQuillEditStringList::EndUpdate()
{
    if (FUpdateCount == 0)
        return; // unbalanced: a negative count would swallow every later OnChange
    if (--FUpdateCount == 0 && OnChange)
        OnChange(this);
}

void TQuillEditStringList::FireLine(const TIndexEvent& event, int index)
{
    if (event)
        event(this, index);
}

void TQuillEditStringList::CheckIndex(int index, int limit) const
{
    if (index < 0 || index > limit)
        throw EQuillEditStringList(index);
}

// --- reading --------------------------------------------------------------------------------

QuillString TQuillEditStringList::Get(int index) const
{
    if (index < 0 || index >= FCount)
        return QuillString();
    return QuillString::FromRep(Rec(index).LineText);
}

std::string_view TQuillEditStringList::GetView(int index) const
{
    if (index < 0 || index >= FCount)
        return {};
    const QuillStringRep& rep = Rec(index).LineText;
    return { rep.Data(), rep.Size() };
}

std::intptr_t TQuillEditStringList::GetLineData(int index) const
{
    return index >= 0 && index < FCount ? Rec(index).LineData : 0;
}

TRangeState TQuillEditStringList::GetRange(int index) const
{
    return index >= 0 && index < FCount ? Rec(index).RangeState : 0;
}

std::string TQuillEditStringList::GetText() const
{
    std::size_t total = 0;
    for (int i = 0; i < FCount; ++i)
        total += Rec(i).LineText.Size() + 2;
    std::string text;
    text.reserve(total);
    for (int i = 0; i < FCount; ++i) {
        const QuillStringRep& rep = Rec(i).LineText;
        text.append(rep.Data(), rep.Size());
        text.append("\r\n", 2);
    }
    return text;
}

// --- changing lines -------------------------------------------------------------------------

void TQuillEditStringList::PutRep(int index, QuillStringRep text)
{
    TQuillEditStringRec& rec = Rec(index);
    FCells.Forget(rec.LineText.Data());
    QuillStringBlock::Release(rec.LineText.Block);
    rec.LineText = text;
    rec.LineFlags = expandedLengthStale;
    NoteLineChanged(index);
}

void TQuillEditStringList::Put(int index, std::string_view text)
{
    Put(index, QuillString(text));
}

void TQuillEditStringList::Put(int index, const QuillString& text)
{
    if (index == 0 && FCount == 0) {
        Add(text);
        return;
    }
    CheckIndex(index, FCount - 1);
    Bracketed(*this, [&] {
        PutRep(index, QuillString(text).ToRep());
        FireLine(OnLinePut, index);
    });
}

void TQuillEditStringList::Splice(int index, std::size_t pos, std::size_t count, std::string_view text)
{
    if (index == 0 && FCount == 0) {
        Add(text);
        return;
    }
    CheckIndex(index, FCount - 1);
    Bracketed(*this, [&] {
        TQuillEditStringRec& rec = Rec(index);
        const QuillStringRep old = rec.LineText;
        const char* oldData = old.Data();
        const std::size_t size = old.Size();
        pos = std::min(pos, size);
        count = std::min(count, size - pos);
        const std::size_t newSize = size - count + text.size();
        // Text taken from the line itself must not be overwritten while it is copied.
        std::string own;
        if (old.Block && text.data() >= old.Block->Bytes() && text.data() < old.Block->Bytes() + old.Block->Capacity) {
            own.assign(text);
            text = own;
        }
        std::int32_t length = 0;
        std::uint8_t flags = 0;
        const bool known = ExpandedAfterSplice(rec, pos, count, text, length, flags);
        // Room to grow, so that typing at the end of a long line does not copy it every time.
        const std::size_t room = newSize / 8 + 16;
        if (newSize == 0) {
            FCells.Forget(oldData);
            QuillStringBlock::Release(old.Block);
            rec.LineText = { nullptr, 0, 0 };
        } else if (old.Block && old.Block->RefCount == 1 && old.Length != QuillStringRep::BigLength
            && newSize < QuillStringRep::BigLength) {
            QuillStringBlock* block = old.Block;
            if (old.Offset + newSize > block->Capacity)
                block = QuillStringBlock::Reallocate(block, old.Offset + newSize + room);
            char* bytes = block->Bytes() + old.Offset;
            std::memmove(bytes + pos + text.size(), bytes + pos + count, size - pos - count);
            if (!text.empty())
                std::memcpy(bytes + pos, text.data(), text.size());
            rec.LineText = { block, old.Offset, static_cast<std::uint32_t>(newSize) };
            FCells.Edited(oldData, { bytes, newSize }, pos);
        } else {
            QuillStringBlock* block = QuillStringBlock::Allocate(newSize + room);
            char* bytes = block->Bytes();
            std::memcpy(bytes, oldData, pos);
            if (!text.empty())
                std::memcpy(bytes + pos, text.data(), text.size());
            std::memcpy(bytes + pos + text.size(), oldData + pos + count, size - pos - count);
            const std::uint32_t packed
                = newSize < QuillStringRep::BigLength ? static_cast<std::uint32_t>(newSize) : QuillStringRep::BigLength;
            if (packed == QuillStringRep::BigLength)
                block = QuillStringBlock::Reallocate(block, newSize); // the big form takes its size from the block
            FCells.Forget(oldData);
            QuillStringBlock::Release(old.Block);
            rec.LineText = { block, 0, packed };
        }
        if (known) {
            rec.ExpandedLength = length;
            rec.LineFlags = flags;
        } else {
            rec.LineFlags = expandedLengthStale;
        }
        NoteLineChanged(index);
        FireLine(OnLinePut, index);
    });
}

int TQuillEditStringList::Add(std::string_view text)
{
    return Add(QuillString(text));
}

int TQuillEditStringList::Add(const QuillString& text)
{
    int index = FCount;
    Bracketed(*this, [&] {
        InsertRec(index, QuillString(text).ToRep());
        FireLine(OnLineAdded, index);
    });
    return index;
}

void TQuillEditStringList::Insert(int index, std::string_view text)
{
    Insert(index, QuillString(text));
}

void TQuillEditStringList::Insert(int index, const QuillString& text)
{
    CheckIndex(index, FCount);
    Bracketed(*this, [&] {
        InsertRec(index, QuillString(text).ToRep());
        FireLine(OnLineInserted, index);
    });
}

void TQuillEditStringList::Delete(int index)
{
    CheckIndex(index, FCount - 1);
    Bracketed(*this, [&] {
        MoveGap(index);
        ReleaseLines(index, 1);
        --FCount; // the slot after the gap joins it
        InvalidateLongest();
        FireLine(OnLineDeleted, index);
    });
}

void TQuillEditStringList::InsertLines(int index, int numLines)
{
    if (numLines <= 0)
        return;
    CheckIndex(index, FCount);
    if (numLines > INT_MAX - FCount)
        throw std::length_error("too many lines");
    Bracketed(*this, [&] {
        Reallocate(FCount + numLines);
        MoveGap(index);
        auto cap = static_cast<std::size_t>(FCapacity);
        for (int k = 0; k < numLines; ++k)
            FRecords[(static_cast<std::size_t>(FHead) + static_cast<std::size_t>(index + k)) % cap]
                = TQuillEditStringRec { { nullptr, 0, 0 }, 0, 0, 0, 0 };
        FCount += numLines;
        FGapPos = index + numLines;
        InvalidateLongest();
        FireLine(OnLineAdded, index);
    });
}

void TQuillEditStringList::DeleteLines(int index, int numLines)
{
    if (numLines <= 0)
        return;
    CheckIndex(index, FCount - 1);
    int n = std::min(numLines, FCount - index);
    Bracketed(*this, [&] {
        MoveGap(index);
        ReleaseLines(index, n);
        FCount -= n;
        InvalidateLongest();
        FireLine(OnLineDeleted, index);
    });
}

void TQuillEditStringList::AddStrings(const TQuillEditStringList& other)
{
    int n = other.FCount; // fixed first: other may be this list
    if (n == 0)
        return;
    if (n > INT_MAX - FCount)
        throw std::length_error("too many lines");
    Bracketed(*this, [&] {
        InvalidateLongest();
        int first = FCount;
        ReserveForAppend(n);
        for (int i = 0; i < n; ++i) {
            const TQuillEditStringRec& src = other.Rec(i);
            std::intptr_t data = src.LineData;
            QuillStringRep text = src.LineText;
            QuillStringBlock::Retain(text.Block);
            InsertRec(FCount, text);
            Rec(FCount - 1).LineData = data;
        }
        FireLine(OnLineAdded, first);
    });
}

void TQuillEditStringList::AddStrings(const std::vector<std::string>& lines)
{
    if (lines.empty())
        return;
    if (lines.size() > static_cast<std::size_t>(INT_MAX - FCount))
        throw std::length_error("too many lines");
    int n = static_cast<int>(lines.size());
    Bracketed(*this, [&] {
        InvalidateLongest();
        int first = FCount;
        ReserveForAppend(n);
        for (const std::string& line : lines)
            InsertRec(FCount, QuillString(line).ToRep());
        FireLine(OnLineAdded, first);
    });
}

void TQuillEditStringList::Clear()
{
    if (FCount > 0) {
        Bracketed(*this, [&] {
            ReleaseLines(0, FCount);
            FCount = 0;
            Reallocate(0);
            InvalidateLongest();
            if (OnLinesCleared)
                OnLinesCleared(this);
        });
    }
    InvalidateLongest();
}

void TQuillEditStringList::Exchange(int index1, int index2)
{
    CheckIndex(index1, FCount - 1);
    CheckIndex(index2, FCount - 1);
    Bracketed(*this, [&] {
        std::swap(Rec(index1), Rec(index2));
        auto follow = [&](int& i) {
            if (i == index1)
                i = index2;
            else if (i == index2)
                i = index1;
        };
        follow(FLongestIndex);
        for (int& i : FPutSinceLongest)
            follow(i);
    });
}

void TQuillEditStringList::PutLineData(int index, std::intptr_t value)
{
    CheckIndex(index, FCount - 1);
    Rec(index).LineData = value;
}

void TQuillEditStringList::PutRange(int index, TRangeState range)
{
    CheckIndex(index, FCount - 1);
    Bracketed(*this, [&] { Rec(index).RangeState = range; });
}

void TQuillEditStringList::SetText(std::string_view text)
{
    Bracketed(*this, [&] {
        Clear();
        if (text.empty())
            return;
        // All lines share one copy of the text, as loaded lines share the reader's blocks.
        QuillStringBlock* block = QuillStringBlock::Allocate(text.size());
        std::memcpy(block->Bytes(), text.data(), text.size());
        QuillString whole = QuillString::Carve(block, 0, text.size());
        QuillStringBlock::Release(block);
        std::size_t pos = 0;
        while (pos < text.size()) {
            std::size_t end = text.find_first_of("\r\n", pos);
            if (end == std::string_view::npos)
                end = text.size();
            Add(whole.Sub(pos, end - pos));
            pos = end;
            if (pos < text.size() && text[pos] == '\r')
                ++pos;
            if (pos < text.size() && text[pos] == '\n')
                ++pos;
        }
    });
}

} // namespace quillan
