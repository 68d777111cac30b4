#include "du/Regions.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>

namespace du {

namespace {

size_t RoundUp(uintptr_t bytes, size_t to) {
    return (bytes + to - 1) & ~(to - 1);
}

}  // namespace

// The kernel aligns a mapping only to 4 KiB, so one region more is mapped and the unaligned head and
// tail are given back. No huge-page advice: on the virtual machines we measured, a fresh huge page
// cost 3.3-3.9 ms a MiB against 0.45 for 4 KiB pages made present in steps.
void* AllocateRegions(size_t bytes) noexcept {
    const size_t size = RoundUp(bytes, kRegionSize);
    if (size < bytes) return nullptr;
    void* mapped =
        mmap(nullptr, size + kRegionSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED) return nullptr;
    char* start = static_cast<char*>(mapped);
    char* aligned = reinterpret_cast<char*>(RoundUp(reinterpret_cast<uintptr_t>(start), kRegionSize));
    if (aligned > start) munmap(start, static_cast<size_t>(aligned - start));
    char* end = start + size + kRegionSize;
    if (end > aligned + size) munmap(aligned + size, static_cast<size_t>(end - (aligned + size)));
    return aligned;
}

void FreeRegions(void* memory, size_t bytes) noexcept {
    if (memory) munmap(memory, RoundUp(bytes, kRegionSize));
}

void Prefault(void* memory, size_t bytes) noexcept {
#ifdef MADV_POPULATE_WRITE
    static const size_t kPage = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    const uintptr_t begin = RoundUp(reinterpret_cast<uintptr_t>(memory), kPage);
    const uintptr_t end = (reinterpret_cast<uintptr_t>(memory) + bytes) & ~uintptr_t(kPage - 1);
    if (end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_POPULATE_WRITE);
#else
    (void)memory, (void)bytes;
#endif
}

}  // namespace du
