#include "text/QuillEditUndo.h"
#include "tools/cli/Bench.h"
#include "tools/cli/CliCommand.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <malloc.h>
#include <memory>

namespace quillan::cli {

namespace {

constexpr int pushes = 1'000'000;

struct PushCost {
    double cold; // first run: every new page of the list is faulted in by the kernel
    double warm; // best later run: the allocator hands back pages this process already touched
};

double Now()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Pushes one typing-sized item per call, as the editor does. Only the pushes are timed: freeing a
// million items when the list goes away is not part of recording.
PushCost SecondsPerPush(int maxUndo)
{
    PushCost cost { 0, 1e30 };
    for (int run = 0; run < 4; ++run) {
        auto list = std::make_unique<TQuillEditUndoList>();
        list->SetMaxUndo(maxUndo);
        double start = Now();
        for (int i = 0; i < pushes; ++i)
            list->AddChange(TQuillChangeReason::ukInsert, { 1 + i % 80, 1 + i / 80 }, { 2 + i % 80, 1 + i / 80 }, "x",
                TQuillSelectionMode::smNormal);
        double perPush = (Now() - start) / pushes;
        if (run == 0)
            cost.cold = perPush;
        else
            cost.warm = std::min(cost.warm, perPush);
        if (list->ItemCount() != std::min(pushes, maxUndo))
            std::fprintf(stderr, "unexpected item count %d\n", list->ItemCount());
    }
    return cost;
}

// What the kernel charges for bringing the bytes of a million items into the process for the
// first time, per item: the floor under any list that really keeps a million items.
double FirstTouchPerItem()
{
    const std::size_t bytes = sizeof(TQuillEditUndoItem) * pushes;
    double best = 1e30;
    for (int run = 0; run < 3; ++run) {
        // mmap'd directly (above the threshold) so that every run starts from untouched pages.
        mallopt(M_MMAP_THRESHOLD, 1 << 20);
        double start = Now();
        char* block = static_cast<char*>(std::malloc(bytes));
        std::memset(block, 1, bytes);
        // Keeps the compiler from dropping a buffer that is written and never read.
        asm volatile("" : : "r"(block) : "memory");
        best = std::min(best, Now() - start);
        std::free(block);
    }
    return best / pushes;
}

int BenchUndo(const std::vector<std::string>&)
{
    double firstTouch = FirstTouchPerItem();
    // Keep freed memory in the process so that later runs measure the list, not the kernel.
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
    mallopt(M_MMAP_THRESHOLD, 1 << 30);

    // 1024 discards on nearly every push from a short list, 100,000 discards from a long one, and
    // 1,000,000 never discards: if dropping the oldest item depended on the limit, the first two
    // rows would differ.
    const int limits[] = { 1024, 100'000, 1'000'000 };
    PushCost cost[3];
    std::printf("%-48s %10s %10s\n", "1,000,000 pushes", "cold", "warm");
    for (int i = 0; i < 3; ++i) {
        cost[i] = SecondsPerPush(limits[i]);
        std::printf("%-48s %7.1f ns %7.1f ns\n", ("push, MaxUndo " + std::to_string(limits[i])).c_str(),
            cost[i].cold * 1e9, cost[i].warm * 1e9);
    }
    std::printf("%-48s %7.1f ns\n", "first touch of one item's bytes (malloc+memset)", firstTouch * 1e9);

    double slowest = 0, fastest = 1e30;
    for (const PushCost& c : cost) {
        slowest = std::max(slowest, c.warm);
        fastest = std::min(fastest, c.warm);
    }
    bench::ReportRatio("warm: slowest / fastest per push", slowest / fastest, 1.5);
    // Cold, the million-item list pays the first touch of its memory once; take that away and
    // compare what remains with the short list.
    double coldExcess = std::max(0.0, cost[2].cold - firstTouch);
    bench::ReportRatio("cold: (MaxUndo 1e6 - first touch) / MaxUndo 1024", coldExcess / cost[0].cold, 1.5);
    return 0;
}

} // namespace

} // namespace quillan::cli

QUILLAN_CLI_BENCH(undo, "undo", "  push 1,000,000 undo items under different limits", quillan::cli::BenchUndo);
