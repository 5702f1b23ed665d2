#pragma once

#include "base/QuillEditTypes.h"
#include "text/QuillString.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace quillan {

class TQuillEditStringList;

// The text of a line store frozen at one moment, for writing it out on another thread while the
// editor goes on changing the store.
//
// Taking one copies each line's (block, offset, length) and takes the block references in runs
// of lines from the same block, so a million lines cost one walk and no allocation per line. Line bytes never change
// once written, so another thread may read them; the reference counts are not atomic, though, so
// Take and Release belong to the thread that owns the store and nothing else touches them.
class TLineSnapshot {
public:
    TLineSnapshot() = default;
    ~TLineSnapshot() { Release(); }
    TLineSnapshot(const TLineSnapshot&) = delete;
    TLineSnapshot& operator=(const TLineSnapshot&) = delete;
    TLineSnapshot(TLineSnapshot&& other) noexcept;
    TLineSnapshot& operator=(TLineSnapshot&& other) noexcept;

    // Owner's thread only. Drops what the snapshot held before; keeps its capacity.
    void Take(const TQuillEditStringList& lines);
    void Release() noexcept;

    int Count() const { return static_cast<int>(FCount); }
    bool Empty() const { return FCount == 0; }
    TQuillEditLineBreakStyle LineBreakStyle() const { return FLineBreakStyle; }
    // What ForEachChunk produces: every line followed by its break.
    std::uint64_t TextBytes() const { return FTextBytes; }
    std::string_view Line(int index) const
    {
        const QuillStringRep& r = FLines[static_cast<std::size_t>(index)];
        return { r.Data(), r.Size() };
    }

    // Any thread. Hands the text to `sink` in pieces of about `chunk` bytes (lines longer than
    // that go whole); stops and returns false as soon as `sink` does.
    template <typename Sink> bool ForEachChunk(std::size_t chunk, Sink&& sink) const
    {
        const bool crlf = LineBreakStyle() == TQuillEditLineBreakStyle::lbCRLF;
        const std::size_t breakSize = crlf ? 2 : 1;
        // Filled with plain copies: this loop runs once per line of a million-line text.
        std::unique_ptr<char[]> buffer(new char[chunk + 2]);
        std::size_t used = 0;
        for (std::size_t i = 0; i < FCount; ++i) {
            const QuillStringRep& r = FLines[i];
            std::size_t n = r.Size();
            if (used + n + breakSize > chunk) {
                if (used > 0 && !sink(std::string_view(buffer.get(), used)))
                    return false;
                used = 0;
                if (n + breakSize > chunk) {
                    if (!sink(std::string_view(r.Data(), n)))
                        return false;
                    n = 0;
                }
            }
            std::memcpy(buffer.get() + used, r.Data(), n);
            used += n;
            if (crlf)
                buffer[used++] = '\r';
            buffer[used++] = '\n';
        }
        return used == 0 || sink(std::string_view(buffer.get(), used));
    }

private:
    // The first FCount hold a block reference taken by Take; the rest is room kept for the next.
    std::vector<QuillStringRep> FLines;
    std::size_t FCount = 0;
    std::uint64_t FTextBytes = 0;
    TQuillEditLineBreakStyle FLineBreakStyle = TQuillEditLineBreakStyle::lbCRLF;
};

} // namespace quillan
