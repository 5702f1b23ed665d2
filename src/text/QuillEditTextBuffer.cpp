#include "text/QuillEditTextBuffer.h"

#include "base/QuillEditStrConst.h"
#include "text/QuillEditFiler.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <new>
#include <stdexcept>
#include <sys/mman.h>
#include <unistd.h>
#include <utility>

namespace quillan {

namespace {

constexpr TQuillEditStringRec NewRec(QuillStringRep text, std::intptr_t data = 0)
{
    return { text, data, RangeUnknown, -1, expandedLengthStale };
}

// Beyond this many Puts between two LongestLineLength queries a full walk is as cheap.
constexpr std::size_t MaxRememberedPuts = 16;

std::int32_t ClampLength(std::uint64_t n)
{
    return n > INT32_MAX ? INT32_MAX : static_cast<std::int32_t>(n);
}

// Tab expansion, three ways. Each returns the line itself when it holds no tab; otherwise it
// measures the result in one pass, allocates it once and fills it in a second pass, copying
// the text after the last tab in one run.
struct TabStopOne {
    static std::uint64_t Next(std::uint64_t column, int) { return column + 1; }
};
struct TabStopPow2 {
    static std::uint64_t Next(std::uint64_t column, int width)
    {
        return (column + static_cast<std::uint64_t>(width)) & ~static_cast<std::uint64_t>(width - 1);
    }
};
struct TabStopAny {
    static std::uint64_t Next(std::uint64_t column, int width)
    {
        auto w = static_cast<std::uint64_t>(width);
        return column + (w - column % w);
    }
};

template <class Stop> std::uint64_t ExpandedSize(std::string_view line, int width, std::size_t firstTab)
{
    std::uint64_t column = firstTab;
    for (std::size_t i = firstTab; i < line.size(); ++i)
        column = line[i] == '\t' ? Stop::Next(column, width) : column + 1;
    return column;
}

template <class Stop> QuillString Expand(const QuillString& line, int width, bool& hasTabs)
{
    std::string_view text = line;
    std::size_t firstTab = text.find('\t');
    hasTabs = firstTab != std::string_view::npos;
    if (!hasTabs)
        return line;
    std::uint64_t total = ExpandedSize<Stop>(text, width, firstTab);
    if (total > SIZE_MAX)
        throw std::bad_alloc();
    QuillStringBlock* block = QuillStringBlock::Allocate(static_cast<std::size_t>(total));
    char* out = block->Bytes();
    std::memcpy(out, text.data(), firstTab);
    std::uint64_t column = firstTab;
    std::size_t i = firstTab;
    for (;;) {
        std::uint64_t next = Stop::Next(column, width);
        std::memset(out + column, ' ', static_cast<std::size_t>(next - column));
        column = next;
        ++i;
        std::size_t tab = text.find('\t', i);
        std::size_t runEnd = tab == std::string_view::npos ? text.size() : tab;
        std::memcpy(out + column, text.data() + i, runEnd - i);
        column += runEnd - i;
        i = runEnd;
        if (tab == std::string_view::npos)
            break;
    }
    QuillString result = QuillString::Carve(block, 0, static_cast<std::size_t>(total));
    QuillStringBlock::Release(block);
    return result;
}

// Whether a line holds a byte of 0x80 or above and whether it holds a tab, in one pass of
// 16-byte loads (the last one overlapping): the longest-line walk asks it of every line, and a
// plain memchr for the tab alone is all it had to pay before lines were measured in cells.
void Classify(std::string_view s, bool& ascii, bool& tabs)
{
    const char* p = s.data();
    const std::size_t n = s.size();
#if defined(__SSE2__)
    if (n >= 16) {
        const __m128i tab = _mm_set1_epi8('\t');
        __m128i last = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + n - 16));
        __m128i all = last, found = _mm_cmpeq_epi8(last, tab);
        for (std::size_t i = 0; i + 16 < n; i += 16) {
            __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
            all = _mm_or_si128(all, v);
            found = _mm_or_si128(found, _mm_cmpeq_epi8(v, tab));
        }
        ascii = _mm_movemask_epi8(all) == 0;
        tabs = _mm_movemask_epi8(found) != 0;
        return;
    }
    if (n >= 8) {
        const __m128i v = _mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)),
            _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p + n - 8)));
        ascii = _mm_movemask_epi8(v) == 0;
        tabs = _mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_set1_epi8('\t'))) != 0;
        return;
    }
#endif
    unsigned high = 0;
    tabs = false;
    for (std::size_t i = 0; i < n; ++i) {
        high |= static_cast<unsigned char>(p[i]);
        tabs = tabs || p[i] == '\t';
    }
    ascii = (high & 0x80) == 0;
}

// Lengths are display cells: a line of plain ASCII is as long as it has bytes, but a UTF-8
// character is one cell (an East Asian wide one two) and its tab stops count in cells too, so
// that the horizontal scroll range fits what painting shows.
std::uint64_t MeasureExpanded(std::string_view text, int width, bool& hasTabs)
{
    bool ascii = false;
    Classify(text, ascii, hasTabs);
    if (!ascii)
        return static_cast<std::uint64_t>(LineCells(text, width, &hasTabs));
    if (!hasTabs)
        return text.size();
    auto firstTab = text.find('\t');
    if (width <= 1)
        return ExpandedSize<TabStopOne>(text, width, firstTab);
    if ((width & (width - 1)) == 0)
        return ExpandedSize<TabStopPow2>(text, width, firstTab);
    return ExpandedSize<TabStopAny>(text, width, firstTab);
}

// Tab expansion of a line that holds UTF-8 characters: the stops are counted in cells.
QuillString ExpandCells(const QuillString& line, int width, bool& hasTabs)
{
    std::string_view text = line;
    std::size_t firstTab = text.find('\t');
    hasTabs = firstTab != std::string_view::npos;
    if (!hasTabs)
        return line;
    std::string out(text.substr(0, firstTab));
    AppendExpanded(out, text.substr(firstTab), CellOfByte(text, firstTab, width), width);
    return QuillString(out);
}

using ExpandRoutine = QuillString (*)(const QuillString&, int, bool&);

ExpandRoutine RoutineFor(int width)
{
    if (width <= 1)
        return &Expand<TabStopOne>;
    if ((width & (width - 1)) == 0)
        return &Expand<TabStopPow2>;
    return &Expand<TabStopAny>;
}

// Large record arrays get mappings of their own: growing one remaps its pages instead of
// copying them (loading a million lines grows the array some fifty times), and huge pages cut
// the cost of first touching them. Small arrays stay with malloc.
constexpr std::size_t MapThreshold = std::size_t(1) << 20;

constexpr std::size_t HugePage = std::size_t(2) << 20;

// Mapped arrays are sized in whole huge pages, so that growing one never leaves a partly
// used huge-page window behind that had to be filled with small pages.
std::size_t HugeRound(std::size_t bytes)
{
    return (bytes + HugePage - 1) / HugePage * HugePage;
}

void AdviseHuge(void* p, std::size_t bytes)
{
#ifdef MADV_HUGEPAGE
    ::madvise(p, HugeRound(bytes), MADV_HUGEPAGE);
#else
    (void)p;
    (void)bytes;
#endif
}

// A fresh mapping that starts on a huge-page boundary, so that the kernel can back it with
// huge pages from the first touch.
void* MapRecords(std::size_t bytes)
{
    std::size_t size = HugeRound(bytes);
    void* raw = ::mmap(nullptr, size + HugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED)
        throw std::bad_alloc();
    auto start = reinterpret_cast<std::uintptr_t>(raw);
    std::uintptr_t aligned = (start + HugePage - 1) & ~(HugePage - 1);
    if (aligned > start)
        ::munmap(raw, aligned - start);
    std::size_t tail = start + size + HugePage - (aligned + size);
    if (tail > 0)
        ::munmap(reinterpret_cast<void*>(aligned + size), tail);
    void* p = reinterpret_cast<void*>(aligned);
    AdviseHuge(p, size);
    return p;
}

void FreeRecords(void* p, std::size_t bytes) noexcept
{
    if (!p)
        return;
    if (bytes >= MapThreshold)
        ::munmap(p, HugeRound(bytes));
    else
        std::free(p);
}

void* AllocRecords(std::size_t bytes)
{
    if (bytes >= MapThreshold)
        return MapRecords(bytes);
    void* p = std::malloc(bytes);
    if (!p)
        throw std::bad_alloc();
    return p;
}

// Keeps the first min(oldBytes, newBytes) bytes.
void* ResizeRecords(void* p, std::size_t oldBytes, std::size_t newBytes)
{
    if (!p)
        return AllocRecords(newBytes);
    bool oldMapped = oldBytes >= MapThreshold;
    bool newMapped = newBytes >= MapThreshold;
    if (!oldMapped && !newMapped) {
        void* q = std::realloc(p, newBytes);
        if (!q)
            throw std::bad_alloc();
        return q;
    }
    if (oldMapped && newMapped) {
        if (newBytes <= oldBytes) {
            if (::mremap(p, HugeRound(oldBytes), HugeRound(newBytes), 0) == MAP_FAILED)
                throw std::bad_alloc();
            return p;
        }
        // Move the pages (no copy) into a new aligned mapping of the full size: the same path
        // whatever happens to lie after the old mapping.
        void* q = MapRecords(newBytes);
        if (::mremap(p, HugeRound(oldBytes), HugeRound(oldBytes), MREMAP_MAYMOVE | MREMAP_FIXED, q) == MAP_FAILED) {
            ::munmap(q, HugeRound(newBytes));
            throw std::bad_alloc();
        }
        return q;
    }
    void* q = AllocRecords(newBytes);
    std::memcpy(q, p, std::min(oldBytes, newBytes));
    FreeRecords(p, oldBytes);
    return q;
}

} // namespace

TQuillEditStringList::TQuillEditStringList()
    : FExpand(RoutineFor(8))
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
    for (int i = index; i < index + count; ++i) {
        QuillStringBlock* block = Rec(i).LineText.Block;
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

namespace {

// Runs body inside BeginUpdate/EndUpdate; the bracket closes also when body throws.
template <class Body> void Bracketed(TQuillEditStringList& list, Body&& body)
{
    list.BeginUpdate();
    try {
        body();
    } catch (...) {
        list.EndUpdate();
        throw;
    }
    list.EndUpdate();
}

} // namespace

void TQuillEditStringList::FireLine(const TIndexEvent& event, int index)
{
    if (event)
        event(this, index);
}

// --- record storage -------------------------------------------------------------------------

TQuillEditStringRec& TQuillEditStringList::Rec(int index) const
{
    // FHead + index + gap stays below twice the capacity, so one subtraction wraps it.
    std::size_t slot = static_cast<std::size_t>(FHead) + static_cast<std::size_t>(index)
        + (index >= FGapPos ? static_cast<std::size_t>(FCapacity - FCount) : 0);
    if (slot >= static_cast<std::size_t>(FCapacity))
        slot -= static_cast<std::size_t>(FCapacity);
    return FRecords[slot];
}

namespace {

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

void TQuillEditStringList::CheckIndex(int index, int limit) const
{
    if (index < 0 || index > limit)
        throw EQuillEditStringList(index);
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

// --- longest line cache ---------------------------------------------------------------------

void TQuillEditStringList::InvalidateLongest() const
{
    FLongestValid = false;
    FPutSinceLongest.clear();
}

void TQuillEditStringList::NoteLineChanged(int index) const
{
    if (!FLongestValid)
        return;
    if (FPutSinceLongest.size() < MaxRememberedPuts)
        FPutSinceLongest.push_back(index);
    else
        InvalidateLongest();
}

void TQuillEditStringList::ComputeExpanded(TQuillEditStringRec& rec) const
{
    std::string_view text(rec.LineText.Data(), rec.LineText.Size());
    if (text.empty()) {
        rec.ExpandedLength = 0;
        rec.LineFlags = tabsAbsent;
        return;
    }
    bool hasTabs = false;
    rec.ExpandedLength = ClampLength(MeasureExpanded(text, FTabWidth, hasTabs));
    rec.LineFlags = hasTabs ? tabsPresent : tabsAbsent;
}

int TQuillEditStringList::LongestLineLength() const
{
    auto lengthOf = [this](int i) {
        TQuillEditStringRec& rec = Rec(i);
        if (rec.LineFlags & expandedLengthStale)
            ComputeExpanded(rec);
        return rec.ExpandedLength;
    };
    if (FLongestValid && !FPutSinceLongest.empty()) {
        // Only the lines put since the last walk can have changed. If the longest one shrank,
        // some untouched line may have overtaken it, and only a walk can tell.
        bool walk = false;
        for (int i : FPutSinceLongest) {
            if (i == FLongestIndex) {
                int len = lengthOf(i);
                if (len < FLongestLength)
                    walk = true;
                else
                    FLongestLength = len;
            }
        }
        if (!walk) {
            for (int i : FPutSinceLongest) {
                int len = lengthOf(i);
                if (len > FLongestLength || (len > 0 && len == FLongestLength && i < FLongestIndex)) {
                    FLongestLength = len;
                    FLongestIndex = i;
                }
            }
        }
        FPutSinceLongest.clear();
        FLongestValid = !walk;
    }
    if (!FLongestValid) {
        int best = 0;
        int bestIndex = -1;
        for (int i = 0; i < FCount; ++i) {
            int len = lengthOf(i);
            if (len > best) {
                best = len;
                bestIndex = i;
            }
        }
        FLongestIndex = bestIndex;
        FLongestLength = best;
        FLongestValid = true;
    }
    if (FLongestIndex < 0 || FLongestIndex >= FCount)
        return 0;
    return Rec(FLongestIndex).ExpandedLength;
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

QuillString TQuillEditStringList::ExpandedString(int index) const
{
    if (index < 0 || index >= FCount)
        return QuillString();
    TQuillEditStringRec& rec = Rec(index);
    QuillString text = QuillString::FromRep(rec.LineText);
    if (rec.LineFlags & tabsAbsent)
        return text;
    if (text.empty()) {
        rec.ExpandedLength = 0;
        rec.LineFlags = tabsAbsent;
        return text;
    }
    bool hasTabs = false;
    if (IsAscii(text)) {
        QuillString expanded = FExpand(text, FTabWidth, hasTabs);
        rec.ExpandedLength = ClampLength(expanded.size());
        rec.LineFlags = hasTabs ? tabsPresent : tabsAbsent;
        return expanded;
    }
    QuillString expanded = ExpandCells(text, FTabWidth, hasTabs);
    rec.ExpandedLength = ClampLength(static_cast<std::uint64_t>(LineCells(expanded, FTabWidth)));
    rec.LineFlags = hasTabs ? tabsPresent : tabsAbsent;
    return expanded;
}

int TQuillEditStringList::GetExpandedLength(int index) const
{
    if (index < 0 || index >= FCount)
        return 0;
    TQuillEditStringRec& rec = Rec(index);
    if (rec.LineFlags & expandedLengthStale)
        ComputeExpanded(rec);
    return rec.ExpandedLength;
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
        QuillStringBlock::Release(Rec(index).LineText.Block);
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

void TQuillEditStringList::SetTabWidth(int value)
{
    if (value == FTabWidth)
        return;
    FTabWidth = value;
    FExpand = RoutineFor(value);
    InvalidateLongest();
    for (int i = 0; i < FCount; ++i) {
        TQuillEditStringRec& rec = Rec(i);
        rec.ExpandedLength = -1;
        rec.LineFlags = static_cast<std::uint8_t>((rec.LineFlags & ~tabsAbsent) | expandedLengthStale);
    }
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

// --- files ----------------------------------------------------------------------------------

void TQuillEditStringList::LoadFromFile(const std::string& fileName)
{
    TQuillEditFileReader reader(fileName);
    Bracketed(*this, [&] {
        Clear();
        constexpr std::size_t batchSize = 256;
        QuillStringRep batch[batchSize];
        while (std::size_t n = reader.ReadLines(batch, batchSize)) {
            if (!OnLineAdded) {
                AppendReps(batch, n);
                continue;
            }
            std::size_t i = 0;
            try {
                for (; i < n; ++i) {
                    int index = FCount;
                    QuillStringRep line = std::exchange(batch[i], QuillStringRep { nullptr, 0, 0 });
                    InsertRec(index, line); // owns the reference now, also when it throws
                    FireLine(OnLineAdded, index);
                }
            } catch (...) {
                for (; i < n; ++i)
                    QuillStringBlock::Release(batch[i].Block);
                throw;
            }
        }
        FLineBreakStyle = reader.LineBreakStyle();
    });
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

void TQuillEditStringList::SaveToFile(const std::string& fileName, bool syncToDisk)
{
    TQuillEditFileWriter writer(fileName, syncToDisk);
    writer.SetLineBreakStyle(FLineBreakStyle);
    for (int i = 0; i < FCount; ++i) {
        const QuillStringRep& text = Rec(i).LineText;
        writer.WriteLine({ text.Data(), text.Size() });
    }
    writer.Commit();
}

} // namespace quillan
