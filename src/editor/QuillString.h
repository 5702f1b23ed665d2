#pragma once

#include <cstddef>
#include <cstdint>
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

} // namespace quillan
