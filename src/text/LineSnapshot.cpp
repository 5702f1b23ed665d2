#include "text/LineSnapshot.h"

#include "text/QuillEditTextBuffer.h"

#include <utility>

namespace quillan {

namespace {

// Consecutive lines almost always share their block (a loaded file is carved from 64 KiB
// blocks), so releasing per run touches each block once instead of once a line.
template <typename Apply> void ForEachBlockRun(const std::vector<QuillStringRep>& lines, Apply&& apply)
{
    QuillStringBlock* run = nullptr;
    std::size_t count = 0;
    for (const QuillStringRep& r : lines) {
        if (r.Block != run) {
            if (run)
                apply(run, count);
            run = r.Block;
            count = 0;
        }
        ++count;
    }
    if (run)
        apply(run, count);
}

} // namespace

TLineSnapshot::TLineSnapshot(TLineSnapshot&& other) noexcept
    : FLines(std::move(other.FLines))
    , FTextBytes(std::exchange(other.FTextBytes, 0))
    , FLineBreakStyle(other.FLineBreakStyle)
{
    other.FLines.clear();
}

TLineSnapshot& TLineSnapshot::operator=(TLineSnapshot&& other) noexcept
{
    if (this != &other) {
        Release();
        FLines = std::move(other.FLines);
        other.FLines.clear();
        FTextBytes = std::exchange(other.FTextBytes, 0);
        FLineBreakStyle = other.FLineBreakStyle;
    }
    return *this;
}

void TLineSnapshot::Take(const TQuillEditStringList& lines)
{
    Release();
    const int n = lines.Count();
    FLines.resize(static_cast<std::size_t>(n));
    std::uint64_t bytes = 0;
    for (int i = 0; i < n; ++i) {
        // Get takes the line's reference and ToRep hands it over: one count per line.
        QuillStringRep& r = FLines[static_cast<std::size_t>(i)];
        r = lines.Get(i).ToRep();
        bytes += r.Size();
    }
    FLineBreakStyle = lines.LineBreakStyle();
    const std::uint64_t breakBytes = FLineBreakStyle == TQuillEditLineBreakStyle::lbCRLF ? 2 : 1;
    FTextBytes = bytes + breakBytes * static_cast<std::uint64_t>(n);
}

void TLineSnapshot::Release() noexcept
{
    ForEachBlockRun(
        FLines, [](QuillStringBlock* block, std::size_t count) { QuillStringBlock::Release(block, count); });
    FLines.clear();
    FTextBytes = 0;
}

} // namespace quillan
