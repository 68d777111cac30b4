#pragma once

#include <cstddef>

namespace du {

// Bulk memory straight from the system in 2 MiB-aligned regions, whose pages the pools that fill them
// in order make present in steps (Prefault) instead of taking a fault per 4 KiB page. Regions ask
// for huge pages: on a virtual machine a small page costs a fault in the hypervisor at its first
// touch even once it is present, which made small pages the dearer choice however the memory had
// been used before (docs/performance.md). Thread-safe.
//
//   void* memory = du::AllocateRegions(5 << 20);   // three regions, 6 MiB, no page present yet
//   du::Prefault(memory, du::kPrefaultStep);
//   du::FreeRegions(memory, 5 << 20);
constexpr size_t kRegionSize = size_t(2) << 20;
constexpr size_t kPrefaultStep = size_t(256) << 10;

// At least `bytes` (rounded up to whole regions) of zeroed memory; null when the system has none left.
void* AllocateRegions(size_t bytes) noexcept;
// `memory` and `bytes` are as given to and returned by AllocateRegions.
void FreeRegions(void* memory, size_t bytes) noexcept;

// Makes the whole pages of [memory, memory + bytes), memory this process may write, present in one
// call, contents untouched. Best effort: where the system cannot, the pages fault in on first touch.
void Prefault(void* memory, size_t bytes) noexcept;

}  // namespace du
