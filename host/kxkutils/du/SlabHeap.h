#pragma once

#include <cstddef>
#include <cstdint>

#include "du/PagePool.h"

namespace du {

// Size-classed slabs of small blocks, one page each from du::PagePool: the symbol table keeps one per
// shard for its texts, and host objects have one of their own. Each user holds it under its own lock,
// so it takes none and is not thread-safe.
//
//   SlabHeap slabs;
//   void* block = slabs.Allocate(13);   // at least 13 bytes, 8-byte aligned
//   slabs.Release(block);
//
// A slab whose blocks are all released goes back to the page pool at once; a spare is kept there, a
// region for all heaps, rather than a page in each, which would keep scattered regions alive.
class SlabHeap {
  public:
    static constexpr size_t kMaxBlock = 256;
    static constexpr size_t kSlabSize = PagePool::kPageSize;

    constexpr SlabHeap() = default;
    ~SlabHeap();
    SlabHeap(const SlabHeap&) = delete;
    SlabHeap& operator=(const SlabHeap&) = delete;

    // A block of `size` bytes (1 to kMaxBlock) rounded up to a multiple of 8; throws std::bad_alloc.
    void* Allocate(size_t size);
    // `block` came from Allocate on this object.
    void Release(void* block) noexcept;
    // Starts loading what Release(block) touches besides the block, for code about to release many
    // blocks whose slabs are no longer in the cache; changes nothing, and any address will do.
    static void PrefetchRelease(const void* block) noexcept {
        __builtin_prefetch(
            reinterpret_cast<const void*>(reinterpret_cast<uintptr_t>(block) & ~uintptr_t(kSlabSize - 1)), 1);
    }

    // Slabs held (for leak checks).
    size_t SlabCount() const { return m_slabCount; }

  private:
    static constexpr size_t kGranule = 8;
    struct Slab;

    Slab* NewSlab(size_t blockSize);
    static void FreeSlab(Slab* slab) noexcept;
    void Link(Slab* slab) noexcept;
    void Unlink(Slab* slab) noexcept;

    // Per block size, the slabs with a block to hand out.
    Slab* m_open[kMaxBlock / kGranule] = {};
    size_t m_slabCount = 0;
};

}  // namespace du
