#pragma once

#include <cstddef>

namespace du {

// Bulk memory straight from the system in 2 MiB-aligned regions advised for transparent huge pages,
// so that a large structure is first touched in 2 MiB steps instead of 4 KiB ones. Thread-safe.
//
//   void* memory = du::AllocateRegions(5 << 20);   // three regions, 6 MiB
//   du::FreeRegions(memory, 5 << 20);
constexpr size_t kRegionSize = size_t(2) << 20;

// At least `bytes` (rounded up to whole regions) of zeroed memory; null when the system has none left.
void* AllocateRegions(size_t bytes) noexcept;
// `memory` and `bytes` are as given to and returned by AllocateRegions.
void FreeRegions(void* memory, size_t bytes) noexcept;

}  // namespace du
