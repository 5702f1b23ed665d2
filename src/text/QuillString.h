#pragma once

#include "base/Utf8.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iosfwd>
#include <string>
#include <string_view>

namespace quillan {

// A block of bytes shared by the strings carved out of it. The loader reads a file straight into
// such blocks and hands out every line as a (block, offset, length) triple, so a loaded line costs
// no allocation and no copy of its own; the block goes when its last line does.
// The count is not atomic: line text lives on the user-interface thread only.
struct QuillStringBlock {
    std::size_t RefCount;
    std::size_t Capacity; // bytes available after the header

    char* Bytes() noexcept { return reinterpret_cast<char*>(this + 1); }
    const char* Bytes() const noexcept { return reinterpret_cast<const char*>(this + 1); }

    // A block with one reference (the caller's). Throws std::bad_alloc.
    static QuillStringBlock* Allocate(std::size_t capacity);
    // Grows a block nobody else references, keeping its bytes; may move it.
    static QuillStringBlock* Reallocate(QuillStringBlock* block, std::size_t capacity);
    static void Retain(QuillStringBlock* block) noexcept
    {
        if (block)
            ++block->RefCount;
    }
    static void Release(QuillStringBlock* block) noexcept
    {
        if (block && --block->RefCount == 0)
            Free(block);
    }
    // Drops `count` references at once (a run of lines carved from one block).
    static void Release(QuillStringBlock* block, std::size_t count) noexcept
    {
        if (block && (block->RefCount -= count) == 0)
            Free(block);
    }

private:
    static void Free(QuillStringBlock* block) noexcept;
};

// The plain-data form of a string: what the line store keeps in its records so that it can move
// them with memmove. It owns one reference to Block unless Block is null (the empty string).
// Length == BigLength marks a string of 4 GiB or more, which then fills its own block from
// offset 0 and takes its length from the block.
struct QuillStringRep {
    QuillStringBlock* Block;
    std::uint32_t Offset;
    std::uint32_t Length;

    static constexpr std::uint32_t BigLength = 0xFFFFFFFFu;

    const char* Data() const noexcept { return Block ? Block->Bytes() + Offset : ""; }
    std::size_t Size() const noexcept { return Length != BigLength ? Length : Block->Capacity; }
};

// Reference-counted, immutable 8-bit string for line text. Copying shares the bytes; the bytes
// are never changed after construction, so a std::string_view taken from it stays valid for as
// long as any copy of the string (for example the line store's own) is alive.
class QuillString {
public:
    QuillString() noexcept
        : FRep { nullptr, 0, 0 }
    {
    }
    explicit QuillString(std::string_view text);
    QuillString(const QuillString& other) noexcept
        : FRep(other.FRep)
    {
        QuillStringBlock::Retain(FRep.Block);
    }
    QuillString(QuillString&& other) noexcept
        : FRep(other.FRep)
    {
        other.FRep = { nullptr, 0, 0 };
    }
    QuillString& operator=(const QuillString& other) noexcept
    {
        QuillStringBlock::Retain(other.FRep.Block);
        QuillStringBlock::Release(FRep.Block);
        FRep = other.FRep;
        return *this;
    }
    QuillString& operator=(QuillString&& other) noexcept
    {
        if (this != &other) {
            QuillStringBlock::Release(FRep.Block);
            FRep = other.FRep;
            other.FRep = { nullptr, 0, 0 };
        }
        return *this;
    }
    ~QuillString() { QuillStringBlock::Release(FRep.Block); }

    // Never null; the bytes are not NUL-terminated.
    const char* data() const noexcept { return FRep.Data(); }
    std::size_t size() const noexcept { return FRep.Size(); }
    std::size_t length() const noexcept { return FRep.Size(); }
    bool empty() const noexcept { return FRep.Length == 0; }
    char operator[](std::size_t i) const noexcept { return data()[i]; }
    std::string_view view() const noexcept { return { data(), size() }; }
    operator std::string_view() const noexcept { return view(); }
    std::string str() const { return std::string(view()); }

    // A piece of this string sharing its bytes (positions are clamped like std::string_view's).
    QuillString Sub(std::size_t pos, std::size_t count = std::string_view::npos) const;

    // A string of `length` bytes at `offset` inside `block`, taking a reference to the block.
    static QuillString Carve(QuillStringBlock* block, std::size_t offset, std::size_t length)
    {
        QuillString s;
        s.FRep = CarveRep(block, offset, length);
        return s;
    }
    // The same in plain form, holding its own reference; the loader's hot path.
    static QuillStringRep CarveRep(QuillStringBlock* block, std::size_t offset, std::size_t length)
    {
        if (length == 0)
            return { nullptr, 0, 0 };
        // The packed form only reaches 4 GiB; anything beyond gets a block of its own.
        if (offset > 0xFFFFFFFFu || length >= QuillStringRep::BigLength) [[unlikely]]
            return CopyRep(std::string_view(block->Bytes() + offset, length));
        ++block->RefCount;
        return { block, static_cast<std::uint32_t>(offset), static_cast<std::uint32_t>(length) };
    }
    // A fresh block holding a copy of text, in plain form.
    static QuillStringRep CopyRep(std::string_view text);

    // The plain form, for containers that move strings as bytes. ToRep hands over this string's
    // reference (the string becomes empty); FromRep takes a new reference.
    QuillStringRep ToRep() && noexcept
    {
        QuillStringRep rep = FRep;
        FRep = { nullptr, 0, 0 };
        return rep;
    }
    static QuillString FromRep(const QuillStringRep& rep) noexcept
    {
        QuillString s;
        s.FRep = rep;
        QuillStringBlock::Retain(rep.Block);
        return s;
    }
    const QuillStringRep& Rep() const noexcept { return FRep; }

    // How many strings share this one's bytes (0 for the empty string); for tests and benchmarks.
    std::size_t BlockUseCount() const noexcept { return FRep.Block ? FRep.Block->RefCount : 0; }

    friend bool operator==(const QuillString& a, const QuillString& b) noexcept { return a.view() == b.view(); }
    friend bool operator==(const QuillString& a, std::string_view b) noexcept { return a.view() == b; }

private:
    QuillStringRep FRep;
};

std::ostream& operator<<(std::ostream& os, const QuillString& s);

// --- characters on the text grid -------------------------------------------------------------
// Line text is bytes. For display a well-formed UTF-8 sequence is one character, and so is every
// byte that is not part of one (it shows as U+FFFD and stays in the text as it is). A character
// takes one cell of the grid, an East Asian wide or fullwidth one two; a tab reaches the next
// multiple of the tab width. The editor's painting, caret and mouse, the line store's expanded
// lengths and the print engine all measure with these, so that they agree cell for cell.

// Bytes and cells of the character at s[i] (i < s.size()); a tab counts as one cell here.
inline std::size_t CharCellsAt(std::string_view s, std::size_t i, int& cells)
{
    if (static_cast<unsigned char>(s[i]) < 0x80) {
        cells = 1;
        return 1;
    }
    char32_t c;
    std::size_t n = DecodeCharAt(s, i, c);
    cells = CellWidthOf(c);
    return n;
}

// How many bytes from s[from] on are ASCII other than tab: each of them is one character of one
// cell, which lets the walks below skip plain text eight bytes at a time.
std::size_t PlainRunLength(std::string_view s, std::size_t from = 0);
// True when no byte is 0x80 or above. Inline and with overlapping word loads instead of a byte
// loop for the tail: painting and the longest-line walk ask it of every line.
inline bool IsAscii(std::string_view s)
{
    const char* p = s.data();
    const std::size_t n = s.size();
    if (n < 8) {
        std::uint32_t acc = 0;
        if (n >= 4) {
            std::uint32_t a, b;
            std::memcpy(&a, p, 4);
            std::memcpy(&b, p + n - 4, 4);
            acc = a | b;
        } else {
            for (std::size_t i = 0; i < n; ++i)
                acc |= static_cast<unsigned char>(p[i]);
        }
        return (acc & 0x80808080u) == 0;
    }
    constexpr std::uint64_t high = 0x8080808080808080ull;
    std::uint64_t acc;
    std::memcpy(&acc, p + n - 8, 8);
    for (std::size_t i = 0; i + 8 < n; i += 8) {
        std::uint64_t w;
        std::memcpy(&w, p + i, 8);
        acc |= w;
        // A long line that is not ASCII is told early.
        if ((i & 63) == 56 && (acc & high))
            return false;
    }
    return (acc & high) == 0;
}

// The cell after a tab that starts at `cell`.
inline long long NextTabStop(long long cell, int tabWidth)
{
    return tabWidth <= 1 ? cell + 1 : (cell / tabWidth + 1) * tabWidth;
}

// Cells (from 0) before the first character that starts at or after byte `end`: a character
// that `end` falls inside is counted whole. `end` past the text gives the line's width.
long long CellOfByte(std::string_view s, std::size_t end, int tabWidth);

// A place on a line where a character starts (or its end) and the cell there. Walking on from
// one gives what a walk from the line's start would, so a long line can be measured from the
// nearest place already known instead of from its start.
struct TCellWalk {
    std::size_t Byte = 0;
    long long Cell = 0;
};
// From `from` to the first character that starts at or after byte `end` (or the line's end).
TCellWalk WalkToByte(std::string_view s, TCellWalk from, std::size_t end, int tabWidth);
// Width of the line in cells; `hasTabs` tells whether it holds a tab.
long long LineCells(std::string_view s, int tabWidth, bool* hasTabs = nullptr);

// Appends `text` to `out` with each tab turned into spaces up to its stop, `text` starting at
// cell `cell` of its line.
void AppendExpanded(std::string& out, std::string_view text, long long cell, int tabWidth);

// The character that covers a cell of a line.
struct TCellSpot {
    std::size_t Byte; // its first byte; the text's size past the end
    long long Cell; // its first cell; the line's width past the end
    int Width; // its cells (0 past the end)
    std::size_t Length; // its bytes (0 past the end)
};
// The character covering 0-based `cell` (cell >= 0).
TCellSpot CharAtCell(std::string_view s, long long cell, int tabWidth);
// The same, walking from a known place at or before that cell.
TCellSpot CharAtCellFrom(std::string_view s, TCellWalk from, long long cell, int tabWidth);

} // namespace quillan
