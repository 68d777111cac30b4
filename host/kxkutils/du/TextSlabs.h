#pragma once

#include <cstddef>

namespace du {

// Size-classed slabs of small blocks for the texts of the symbol table, which keeps one per shard and
// uses it under the shard's lock; so it takes no lock of its own and is not thread-safe.
//
//   TextSlabs slabs;
//   void* block = slabs.Allocate(13);   // at least 13 bytes, 8-byte aligned
//   slabs.Release(block);
//
// A slab whose blocks are all released goes back to the system at once, except one kept spare, so
// that a text interned and dropped over and over does not allocate a slab each time.
class TextSlabs {
  public:
    static constexpr size_t kMaxBlock = 256;
    static constexpr size_t kSlabSize = 4096;

    TextSlabs() = default;
    ~TextSlabs();
    TextSlabs(const TextSlabs&) = delete;
    TextSlabs& operator=(const TextSlabs&) = delete;

    // A block of `size` bytes (1 to kMaxBlock) rounded up to a multiple of 8; throws std::bad_alloc.
    void* Allocate(size_t size);
    // `block` came from Allocate on this object.
    void Release(void* block) noexcept;

    // Slabs held, the spare included (for leak checks).
    size_t SlabCount() const { return m_slabCount; }

  private:
    static constexpr size_t kGranule = 8;
    struct Slab;

    Slab* NewSlab(size_t blockSize);
    void Link(Slab* slab) noexcept;
    void Unlink(Slab* slab) noexcept;

    // Per block size, the slabs with a block to hand out.
    Slab* m_open[kMaxBlock / kGranule] = {};
    Slab* m_spare = nullptr;
    size_t m_slabCount = 0;
};

}  // namespace du
