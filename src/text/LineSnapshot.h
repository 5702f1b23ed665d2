#pragma once

#include "base/QuillEditTypes.h"
#include "text/QuillString.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace quillan {

class TQuillEditStringList;

// The text of a line store frozen at one moment, for writing it out on another thread while the
// editor goes on changing the store.
//
// Taking one copies each line's (block, offset, length) with a reference to its block,
// so a million lines cost one walk and no allocation per line. Line bytes never change
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

    int Count() const { return static_cast<int>(FLines.size()); }
    bool Empty() const { return FLines.empty(); }
    TQuillEditLineBreakStyle LineBreakStyle() const { return FLineBreakStyle; }
    // What AppendText/ForEachChunk produce: every line followed by its break.
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
        const std::string_view br = LineBreakStyle() == TQuillEditLineBreakStyle::lbCRLF ? "\r\n" : "\n";
        std::string buffer;
        buffer.reserve(chunk + br.size());
        for (const QuillStringRep& r : FLines) {
            const std::size_t n = r.Size();
            if (n >= chunk) {
                if (!buffer.empty() && !sink(std::string_view(buffer)))
                    return false;
                buffer.clear();
                if (!sink(std::string_view(r.Data(), n)))
                    return false;
            } else {
                if (buffer.size() + n > chunk) {
                    if (!sink(std::string_view(buffer)))
                        return false;
                    buffer.clear();
                }
                buffer.append(r.Data(), n);
            }
            buffer.append(br);
        }
        return buffer.empty() || sink(std::string_view(buffer));
    }

private:
    std::vector<QuillStringRep> FLines; // each holds a block reference taken by Take
    std::uint64_t FTextBytes = 0;
    TQuillEditLineBreakStyle FLineBreakStyle = TQuillEditLineBreakStyle::lbCRLF;
};

} // namespace quillan
