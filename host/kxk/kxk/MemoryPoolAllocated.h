#pragma once

#include <cstddef>

#include "du/SmallBlockAlloc.h"

namespace kxk {

// Base of host objects that live in the host's memory pool. The stand-in pool is the global heap
// with a count of the bytes its objects hold, so tests can see that pool objects were freed.
// Thread-safe.
class MemoryPoolAllocated {
  public:
    static void* operator new(size_t size);
    static void operator delete(void* p, size_t size) noexcept;

    // Bytes held right now by objects allocated through this class.
    static size_t LiveBytes();
};

// The chunk allocator the host gives to small-block pools (du::DefaultBlockAllocator()).
du::BlockAllocator* GetBlockAllocator();

}  // namespace kxk
