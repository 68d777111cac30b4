#pragma once

#include <cstddef>

#include "du/SlabHeap.h"
#include "du/SmallBlockAlloc.h"

namespace kxk {

// Base of host objects that live in the host's memory pool: objects up to du::SlabHeap::kMaxBlock bytes
// share slabs carved from regions (du/PagePool.h), larger ones come from the global heap. The pool counts the
// bytes its objects hold, so tests can see that pool objects were freed. Thread-safe; objects need no more
// than 8-byte alignment.
class MemoryPoolAllocated {
  public:
    static void* operator new(size_t size);
    static void operator delete(void* p, size_t size) noexcept;

    // Bytes held right now by objects allocated through this class and by AllocateHostBlock.
    static size_t LiveBytes();
};

// Raw blocks from the same pool, for host-side arrays (property lists) that would otherwise take a
// malloc'd block each. `size` is given back to Release as it was given to Allocate.
void* AllocateHostBlock(size_t size);
void ReleaseHostBlock(void* p, size_t size) noexcept;
// Starts loading what releasing the block will touch besides the block itself; changes nothing.
inline void PrefetchHostBlockRelease(const void* p, size_t size) noexcept {
    if (size <= du::SlabHeap::kMaxBlock) du::SlabHeap::PrefetchRelease(p);
}

// The chunk allocator the host gives to small-block pools (du::DefaultBlockAllocator()).
du::BlockAllocator* GetBlockAllocator();

}  // namespace kxk
