#include "text/LineSnapshot.h"

#include "text/QuillEditTextBuffer.h"

#include <utility>

namespace quillan {

namespace {

// Consecutive lines almost always share their block (a loaded file is carved from 64 KiB
// blocks), so counting per run touches each block once instead of once a line.
template <typename Apply> void ForEachBlockRun(const QuillStringRep* lines, std::size_t n, Apply&& apply)
{
    QuillStringBlock* run = nullptr;
    std::size_t count = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const QuillStringRep& r = lines[i];
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
    , FCount(std::exchange(other.FCount, 0))
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
        FCount = std::exchange(other.FCount, 0);
        FTextBytes = std::exchange(other.FTextBytes, 0);
        FLineBreakStyle = other.FLineBreakStyle;
    }
    return *this;
}

void TLineSnapshot::Take(const TQuillEditStringList& lines)
{
    Release();
    const int n = lines.Count();
    // Grown only: clearing a kept array of a million records would cost as much as filling it.
    if (FLines.size() < static_cast<std::size_t>(n))
        FLines.resize(static_cast<std::size_t>(n));
    QuillStringRep* out = FLines.data();
    std::uint64_t bytes = 0;
    QuillStringBlock* run = nullptr;
    std::size_t runLength = 0;
    for (int i = 0; i < n; ++i) {
        const QuillStringRep& r = lines.Rec(i).LineText;
        out[i] = r;
        bytes += r.Size();
        if (r.Block != run) {
            if (run)
                run->RefCount += runLength;
            run = r.Block;
            runLength = 0;
        }
        ++runLength;
    }
    if (run)
        run->RefCount += runLength;
    FCount = static_cast<std::size_t>(n);
    FLineBreakStyle = lines.LineBreakStyle();
    const std::uint64_t breakBytes = FLineBreakStyle == TQuillEditLineBreakStyle::lbCRLF ? 2 : 1;
    FTextBytes = bytes + breakBytes * static_cast<std::uint64_t>(n);
}

void TLineSnapshot::Release() noexcept
{
    ForEachBlockRun(FLines.data(), FCount,
        [](QuillStringBlock* block, std::size_t count) { QuillStringBlock::Release(block, count); });
    FCount = 0;
    FTextBytes = 0;
}

} // namespace quillan
