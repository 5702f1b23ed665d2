#include "text/QuillEditTextBufferParts.h"

#include <climits>
#include <cstdint>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <new>

namespace quillan {

namespace {

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

} // namespace

namespace linestore {

TExpandRoutine ExpandRoutineFor(int width)
{
    if (width <= 1)
        return &Expand<TabStopOne>;
    if ((width & (width - 1)) == 0)
        return &Expand<TabStopPow2>;
    return &Expand<TabStopAny>;
}

} // namespace linestore

// --- expanded lengths -----------------------------------------------------------------------

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

long long TQuillEditStringList::CellOfByte(int index, std::size_t byte) const
{
    return FCells.CellOfByte(GetView(index), byte, FTabWidth);
}

TCellSpot TQuillEditStringList::CharAtCell(int index, long long cell) const
{
    return FCells.CharAtCell(GetView(index), cell, FTabWidth);
}

bool TQuillEditStringList::ExpandedAfterSplice(const TQuillEditStringRec& rec, std::size_t pos, std::size_t count,
    std::string_view text, std::int32_t& length, std::uint8_t& flags) const
{
    if ((rec.LineFlags & expandedLengthStale) || rec.ExpandedLength < 0 || rec.ExpandedLength == INT32_MAX)
        return false;
    const std::string_view s(rec.LineText.Data(), rec.LineText.Size());
    // With plain bytes around the edit every character outside it stays as it was: none reaches
    // into the edit or out of it, so the text after it only moves.
    const std::size_t lo = pos >= 3 ? pos - 3 : 0;
    const std::size_t hi = std::min(s.size(), pos + count + 3);
    if (!IsAscii(s.substr(lo, hi - lo)) || !IsAscii(text))
        return false;
    const long long c0 = FCells.CellOfByte(s, pos, FTabWidth);
    const long long oldEnd = WalkToByte(s, { pos, c0 }, pos + count, FTabWidth).Cell;
    const long long newEnd = WalkToByte(text, { 0, c0 }, text.size(), FTabWidth).Cell;
    // The text after the edit moves by the edit's change in cells up to its first tab; that tab
    // ends on a stop, and from there on the rest moves by the difference of the two stops.
    long long delta = newEnd - oldEnd;
    const std::size_t tail = pos + count;
    const std::size_t tab = (rec.LineFlags & tabsAbsent) ? std::string_view::npos : s.find('\t', tail);
    if (tab != std::string_view::npos) {
        const long long before = WalkToByte(s, { tail, oldEnd }, tab, FTabWidth).Cell - oldEnd;
        delta = NextTabStop(newEnd + before, FTabWidth) - NextTabStop(oldEnd + before, FTabWidth);
    }
    const long long result = static_cast<long long>(rec.ExpandedLength) + delta;
    if (result < 0 || result >= INT32_MAX)
        return false;
    length = static_cast<std::int32_t>(result);
    const bool tabs = !(rec.LineFlags & tabsAbsent) || text.find('\t') != std::string_view::npos;
    flags = tabs ? tabsPresent : tabsAbsent;
    return true;
}

void TQuillEditStringList::SetTabWidth(int value)
{
    if (value == FTabWidth)
        return;
    FTabWidth = value;
    FCells.Clear();
    FExpand = linestore::ExpandRoutineFor(value);
    InvalidateLongest();
    for (int i = 0; i < FCount; ++i) {
        TQuillEditStringRec& rec = Rec(i);
        rec.ExpandedLength = -1;
        rec.LineFlags = static_cast<std::uint8_t>((rec.LineFlags & ~tabsAbsent) | expandedLengthStale);
    }
}

} // namespace quillan
