#include "text/QuillEditTextBufferParts.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <sys/mman.h>
#include <unistd.h>

namespace quillan::linestore {

namespace {

// Large record arrays get mappings of their own: growing one remaps its pages instead of
// copying them (loading a million lines grows the array some fifty times), and huge pages cut
// the cost of first touching them. Small arrays stay with malloc.
constexpr std::size_t MapThreshold = std::size_t(1) << 20;

constexpr std::size_t HugePage = std::size_t(2) << 20;

// Mapped arrays are sized in whole huge pages, so that growing one never leaves a partly
// used huge-page window behind that had to be filled with small pages.
std::size_t HugeRound(std::size_t bytes)
{
    return (bytes + HugePage - 1) / HugePage * HugePage;
}

void AdviseHuge(void* p, std::size_t bytes)
{
#ifdef MADV_HUGEPAGE
    ::madvise(p, HugeRound(bytes), MADV_HUGEPAGE);
#else
    (void)p;
    (void)bytes;
#endif
}

// A fresh mapping that starts on a huge-page boundary, so that the kernel can back it with
// huge pages from the first touch.
void* MapRecords(std::size_t bytes)
{
    std::size_t size = HugeRound(bytes);
    void* raw = ::mmap(nullptr, size + HugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED)
        throw std::bad_alloc();
    auto start = reinterpret_cast<std::uintptr_t>(raw);
    std::uintptr_t aligned = (start + HugePage - 1) & ~(HugePage - 1);
    if (aligned > start)
        ::munmap(raw, aligned - start);
    std::size_t tail = start + size + HugePage - (aligned + size);
    if (tail > 0)
        ::munmap(reinterpret_cast<void*>(aligned + size), tail);
    void* p = reinterpret_cast<void*>(aligned);
    AdviseHuge(p, size);
    return p;
}

} // namespace

void FreeRecords(void* p, std::size_t bytes) noexcept
{
    if (!p)
        return;
    if (bytes >= MapThreshold)
        ::munmap(p, HugeRound(bytes));
    else
        std::free(p);
}

void* AllocRecords(std::size_t bytes)
{
    if (bytes >= MapThreshold)
        return MapRecords(bytes);
    void* p = std::malloc(bytes);
    if (!p)
        throw std::bad_alloc();
    return p;
}

// Keeps the first min(oldBytes, newBytes) bytes.
void* ResizeRecords(void* p, std::size_t oldBytes, std::size_t newBytes)
{
    if (!p)
        return AllocRecords(newBytes);
    bool oldMapped = oldBytes >= MapThreshold;
    bool newMapped = newBytes >= MapThreshold;
    if (!oldMapped && !newMapped) {
        void* q = std::realloc(p, newBytes);
        if (!q)
            throw std::bad_alloc();
        return q;
    }
    if (oldMapped && newMapped) {
        if (newBytes <= oldBytes) {
            if (::mremap(p, HugeRound(oldBytes), HugeRound(newBytes), 0) == MAP_FAILED)
                throw std::bad_alloc();
            return p;
        }
        // Move the pages (no copy) into a new aligned mapping of the full size: the same path
        // whatever happens to lie after the old mapping.
        void* q = MapRecords(newBytes);
        if (::mremap(p, HugeRound(oldBytes), HugeRound(oldBytes), MREMAP_MAYMOVE | MREMAP_FIXED, q) == MAP_FAILED) {
            ::munmap(q, HugeRound(newBytes));
            throw std::bad_alloc();
        }
        return q;
    }
    void* q = AllocRecords(newBytes);
    std::memcpy(q, p, std::min(oldBytes, newBytes));
    FreeRecords(p, oldBytes);
    return q;
}

} // namespace quillan::linestore
