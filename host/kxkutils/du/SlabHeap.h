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

    // A block of `size` bytes (1 to kMaxBlock) rounded up to a multiple of 8, with a fresh slab from the
    // page pool when every slab of its size is full; throws std::bad_alloc.
    void* Allocate(size_t size);
    // The same without going to the page pool, which may map memory: for a user under a spin lock,
    // which fetches `page` from du::PagePool outside it when this answers null. A non-null `page` is
    // taken as the new slab when one is needed (and set null); a null one makes that case fail.
    void* Allocate(size_t size, void*& page) noexcept;
    // `block` came from Allocate on this object.
    void Release(void* block) noexcept;
    // The same, but a slab that the release empties is handed back, for the user to give to
    // du::PagePool::Release outside its lock; null when none emptied.
    [[nodiscard]] void* ReleaseKeepingSlab(void* block) noexcept;
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

    Slab* NewSlab(void* page, size_t blockSize) noexcept;
    // Makes the whole slab addressable again, for the page pool.
    static void* Unpoisoned(Slab* slab) noexcept;
    void Link(Slab* slab) noexcept;
    void Unlink(Slab* slab) noexcept;

    // Per block size, the slabs with a block to hand out.
    Slab* m_open[kMaxBlock / kGranule] = {};
    size_t m_slabCount = 0;
};

}  // namespace du
