#pragma once

#include "base/QuillEditTypes.h"
#include "text/QuillEditCellCache.h"
#include "text/QuillString.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace quillan {

// Per-line flags of TQuillEditStringRec::LineFlags.
enum TQuillEditStringFlag : std::uint8_t {
    tabsPresent = 1, // the line holds a tab
    tabsAbsent = 2, // the line holds no tab: its expanded form is its own text
    expandedLengthStale = 4, // ExpandedLength must be recomputed
};

// One line. Plain data so that the list can move records as bytes; LineText owns one reference.
struct TQuillEditStringRec {
    QuillStringRep LineText;
    std::intptr_t LineData;
    TRangeState RangeState;
    std::int32_t ExpandedLength; // display cells after tab expansion; -1 when unknown
    std::uint8_t LineFlags;
};

// The text of one editor: an ordered list of lines indexed from 0, each with a caller value, the
// highlighter's range at its start and a cached expanded length. Every mutation runs inside an
// update bracket and reports itself through the line events, which the editor control uses to
// rescan ranges and repaint.
//
// Reading never raises: for an index outside the list Get, GetView and ExpandedString return the
// empty string, GetLineData, GetRange and GetExpandedLength 0. Mutations with a bad index raise
// EQuillEditStringList and change nothing. File errors come from the filer (EFOpenError,
// EFCreateError, EReadError, EWriteError).
class TQuillEditStringList {
public:
    using TNotifyEvent = std::function<void(TQuillEditStringList* sender)>;
    using TIndexEvent = std::function<void(TQuillEditStringList* sender, int index)>;

    TQuillEditStringList();
    ~TQuillEditStringList();
    TQuillEditStringList(const TQuillEditStringList&) = delete;
    TQuillEditStringList& operator=(const TQuillEditStringList&) = delete;

    // Brackets nest; only the outermost fires OnChanging (on entry) and OnChange (on exit).
    void BeginUpdate();
    void EndUpdate();
    int UpdateCount() const { return FUpdateCount; }

    int Count() const { return FCount; }
    int Capacity() const { return FCapacity; }
    // Reallocates to exactly `value` slots; a value below Count raises EQuillEditStringList.
    void SetCapacity(int value);

    // The line's text; the empty string outside the list.
    QuillString Get(int index) const;
    // The same without touching the reference count: valid until the line changes or goes.
    std::string_view GetView(int index) const;
    // Put at 0 on an empty list appends (and fires OnLineAdded, not OnLinePut).
    void Put(int index, std::string_view text);
    void Put(int index, const QuillString& text);
    // Replaces `count` bytes at byte `pos` of the line (both clamped to it) by `text`, firing
    // OnLinePut as Put does. The line's bytes are changed where they lie when nothing else
    // shares them, and a long line keeps room to grow, so typing into a line of megabytes costs
    // what the bytes after the edit take to move, not a copy of the line.
    void Splice(int index, std::size_t pos, std::size_t count, std::string_view text);
    int Add(std::string_view text);
    int Add(const QuillString& text);
    // 0..Count; Count appends. Fires OnLineInserted.
    void Insert(int index, std::string_view text);
    void Insert(int index, const QuillString& text);
    void Delete(int index);
    // n empty zero records at index (RangeState 0, ExpandedLength 0, no flags); one OnLineAdded.
    void InsertLines(int index, int numLines);
    // min(n, Count-index) lines from index; one OnLineDeleted.
    void DeleteLines(int index, int numLines);
    // Appends the other list's lines with their LineData; one OnLineAdded at the first new line.
    void AddStrings(const TQuillEditStringList& other);
    void AddStrings(const std::vector<std::string>& lines);
    void Clear();
    // Swaps two records whole; no line event.
    void Exchange(int index1, int index2);

    std::intptr_t GetLineData(int index) const;
    void PutLineData(int index, std::intptr_t value);
    // 0 outside the list; RangeUnknown for a line whose range was never stored.
    TRangeState GetRange(int index) const;
    void PutRange(int index, TRangeState range);

    // The line with tabs expanded to TabWidth stops; the line itself when it holds no tab. Stops
    // are counted in display cells (see CellOfByte), so UTF-8 text before a tab moves it by its
    // cells, not by its bytes.
    QuillString ExpandedString(int index) const;
    // Width of ExpandedString(index) in display cells (its byte length for ASCII), from the cache
    // when it is current; 0 outside the list.
    int GetExpandedLength(int index) const;
    // Expanded length of the longest line (the first of equals); 0 for no lines or empty lines.
    int LongestLineLength() const;
    // Cells of the line before its first character at or after `byte`, and the character that
    // covers a cell: CellOfByte and CharAtCell of QuillString.h on the line at TabWidth, quick
    // also far along a very long line.
    long long CellOfByte(int index, std::size_t byte) const;
    TCellSpot CharAtCell(int index, long long cell) const;

    int TabWidth() const { return FTabWidth; }
    void SetTabWidth(int value);

    // Line break that SaveToFile writes; LoadFromFile sets it from the file read.
    TQuillEditLineBreakStyle LineBreakStyle() const { return FLineBreakStyle; }
    void SetLineBreakStyle(TQuillEditLineBreakStyle value) { FLineBreakStyle = value; }

    // Every line followed by CR LF, the last one too.
    std::string GetText() const;
    // Replaces all lines; CR LF, CR and LF each end a line, a final break adds no empty line.
    void SetText(std::string_view text);

    // The file is opened before the list is touched, so a missing file leaves the lines as they
    // were; a read error after that leaves the lines read so far.
    void LoadFromFile(const std::string& fileName);
    // Atomic and durable: the old file is replaced only by a complete, flushed copy. With
    // syncToDisk false the fsync is skipped (benchmarks use this to time the write alone).
    void SaveToFile(const std::string& fileName) { SaveToFile(fileName, true); }
    void SaveToFile(const std::string& fileName, bool syncToDisk);

    TNotifyEvent OnChange;
    TNotifyEvent OnChanging;
    TIndexEvent OnLineAdded;
    TIndexEvent OnLineDeleted;
    TIndexEvent OnLineInserted;
    TIndexEvent OnLinePut;
    TNotifyEvent OnLinesCleared;

private:
    // Copies the records and takes their block references in bulk, for writing on another thread.
    friend class TLineSnapshot;

    using TExpandRoutine = QuillString (*)(const QuillString& line, int tabWidth, bool& hasTabs);

    // Inline below: every read and the record walks go through it.
    inline TQuillEditStringRec& Rec(int index) const;
    void MoveGap(int index);
    void Grow();
    void Reallocate(int capacity);
    // Room for n more lines at once, rounded up to 16, so that adding many lines moves the
    // records once.
    void ReserveForAppend(int n);
    void InsertRec(int index, QuillStringRep text);
    void AppendReps(QuillStringRep* lines, std::size_t n);
    void PutRep(int index, QuillStringRep text);
    void ReleaseLines(int index, int count) noexcept;
    // Gives the new length when it follows from the old one and the bytes near the edit, so that
    // an edit need not measure the whole line again; false when the line must be measured.
    bool ExpandedAfterSplice(const TQuillEditStringRec& rec, std::size_t pos, std::size_t count, std::string_view text,
        std::int32_t& length, std::uint8_t& flags) const;
    void CheckIndex(int index, int limit) const;
    void ComputeExpanded(TQuillEditStringRec& rec) const;
    inline void InvalidateLongest() const;
    void NoteLineChanged(int index) const;
    void FireLine(const TIndexEvent& event, int index);

    // Records form a ring of FCapacity slots with one gap of FCapacity - FCount free slots:
    // lines [0, FGapPos) start at slot FHead, lines [FGapPos, FCount) follow the gap. Edits near
    // the last edit move no records, and after a load (gap at the end, which in a ring is also
    // the start) inserting or deleting at line 0 moves none either.
    TQuillEditStringRec* FRecords = nullptr;
    int FCount = 0;
    int FCapacity = 0;
    int FHead = 0;
    int FGapPos = 0;
    int FUpdateCount = 0;
    int FTabWidth = 8;
    TExpandRoutine FExpand;
    TQuillEditLineBreakStyle FLineBreakStyle = TQuillEditLineBreakStyle::lbCRLF;
    // Longest line cache. Puts since the last computation are remembered (a few of them) so that
    // the next query looks at those lines only instead of walking the whole list.
    mutable bool FLongestValid = false;
    mutable int FLongestIndex = -1;
    mutable int FLongestLength = 0;
    mutable std::vector<int> FPutSinceLongest;
    mutable TLineCellCache FCells;
};

TQuillEditStringRec& TQuillEditStringList::Rec(int index) const
{
    // FHead + index + gap stays below twice the capacity, so one subtraction wraps it.
    std::size_t slot = static_cast<std::size_t>(FHead) + static_cast<std::size_t>(index)
        + (index >= FGapPos ? static_cast<std::size_t>(FCapacity - FCount) : 0);
    if (slot >= static_cast<std::size_t>(FCapacity))
        slot -= static_cast<std::size_t>(FCapacity);
    return FRecords[slot];
}

void TQuillEditStringList::InvalidateLongest() const
{
    FLongestValid = false;
    FPutSinceLongest.clear();
}

} // namespace quillan
