#include "du/Regions.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>

#include "du/Env.h"

namespace du {

namespace {

size_t RoundUp(uintptr_t bytes, size_t to) {
    return (bytes + to - 1) & ~(to - 1);
}

}  // namespace

// The kernel aligns a mapping only to 4 KiB, so one region more is mapped and the unaligned head and
// tail are given back.
void* AllocateRegions(size_t bytes) noexcept {
    const size_t size = RoundUp(bytes, kRegionSize);
    if (size < bytes) return nullptr;
    Env& env = Env::Get();
    void* mapped = env.Map(size + kRegionSize);
    if (!mapped) return nullptr;
    char* start = static_cast<char*>(mapped);
    char* aligned = reinterpret_cast<char*>(RoundUp(reinterpret_cast<uintptr_t>(start), kRegionSize));
    if (aligned > start) env.Unmap(start, static_cast<size_t>(aligned - start));
    char* end = start + size + kRegionSize;
    if (end > aligned + size) env.Unmap(aligned + size, static_cast<size_t>(end - (aligned + size)));
#ifdef MADV_HUGEPAGE
    madvise(aligned, size, MADV_HUGEPAGE);
#endif
    return aligned;
}

void FreeRegions(void* memory, size_t bytes) noexcept {
    if (memory) Env::Get().Unmap(memory, RoundUp(bytes, kRegionSize));
}

void Prefault(void* memory, size_t bytes) noexcept {
#ifdef MADV_POPULATE_WRITE
    static const size_t kPage = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    const uintptr_t begin = RoundUp(reinterpret_cast<uintptr_t>(memory), kPage);
    const uintptr_t end = (reinterpret_cast<uintptr_t>(memory) + bytes) & ~uintptr_t(kPage - 1);
    if (end <= begin) return;
    madvise(reinterpret_cast<void*>(begin), end - begin, MADV_POPULATE_WRITE);
#else
    (void)memory, (void)bytes;
#endif
}

}  // namespace du
