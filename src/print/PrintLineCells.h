#pragma once

#include "text/QuillString.h"

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace quillan {

// One line of text as the printed column grid sees it, measured as the editor measures it
// (DecodeCharAt, CellWidthOf): a character takes one cell, an East Asian wide one two. Rows are
// cut only between characters, so a multi-byte sequence is never split across rows or cells.
// Pure ASCII lines (the usual case) are handled without any tables.
class TPrintLineCells {
public:
    void Assign(std::string_view text);

    int CharCount() const { return FChars; }
    int CellCount() const { return FSimple ? FChars : static_cast<int>(FCells.back()); }
    // Cells before character k, for 0 <= k <= CharCount.
    int CellAt(int k) const { return FSimple ? k : static_cast<int>(FCells[static_cast<std::size_t>(k)]); }
    // Byte offset of character k (the text's size for k = CharCount).
    std::size_t ByteAt(int k) const
    {
        return FSimple ? static_cast<std::size_t>(k) : FBytes[static_cast<std::size_t>(k)];
    }
    // The first character that starts at or after byte b (CharCount past the end).
    int CharAtByte(std::size_t b) const;
    // True when every character is one byte and one cell.
    bool Simple() const { return FSimple; }

private:
    bool FSimple = true;
    int FChars = 0;
    std::vector<std::uint32_t> FBytes;
    std::vector<std::uint32_t> FCells;
};

// Where rows end when a line is wrapped to maxCol cells: each entry is the number of characters
// up to and including the last one of a row (so also the index of the first character of the next
// row); the last row is not listed. Breaks go after a character of `breakChars` (ASCII only);
// false, with `positions` as it was, when some row has none.
bool FindWrapPositions(const TPrintLineCells& cells, std::string_view text, std::string_view breakChars, int maxCol,
    std::vector<int>& positions);
// Rows of at most maxCol cells, at least one character each.
void HardWrapPositions(const TPrintLineCells& cells, int maxCol, std::vector<int>& positions);
// Break sets first, then second, then hard breaks.
void WrapPositions(const TPrintLineCells& cells, std::string_view text, int maxCol, std::vector<int>& positions);

} // namespace quillan
