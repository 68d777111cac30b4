#include "du/HugeRegions.h"

#include <sys/mman.h>

#include <cstdint>

namespace du {

namespace {

size_t RoundUp(size_t bytes) {
    return (bytes + kRegionSize - 1) & ~(kRegionSize - 1);
}

}  // namespace

// The kernel aligns a mapping only to 4 KiB, so one region more is mapped and the unaligned head and
// tail are given back. Where huge pages are off the advice is refused and plain pages serve.
void* AllocateRegions(size_t bytes) noexcept {
    const size_t size = RoundUp(bytes);
    if (size < bytes) return nullptr;
    void* mapped =
        mmap(nullptr, size + kRegionSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED) return nullptr;
    char* start = static_cast<char*>(mapped);
    char* aligned = reinterpret_cast<char*>(RoundUp(reinterpret_cast<uintptr_t>(start)));
    if (aligned > start) munmap(start, static_cast<size_t>(aligned - start));
    char* end = start + size + kRegionSize;
    if (end > aligned + size) munmap(aligned + size, static_cast<size_t>(end - (aligned + size)));
#ifdef MADV_HUGEPAGE
    madvise(aligned, size, MADV_HUGEPAGE);
#endif
    return aligned;
}

void FreeRegions(void* memory, size_t bytes) noexcept {
    if (memory) munmap(memory, RoundUp(bytes));
}

}  // namespace du
