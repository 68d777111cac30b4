#include "kxk/MemoryPoolAllocated.h"

#include <atomic>
#include <mutex>
#include <new>

#include "du/SlabHeap.h"
#include "du/SpinLock.h"

namespace kxk {

namespace {

std::atomic<size_t> g_liveBytes{0};

// Host objects are small and made by the million for a large structure: they share slabs carved
// from huge-page regions, so that a large load is not first touched a 4 KiB page at a time.
struct ObjectHeap {
    du::SpinLock lock;
    du::SlabHeap slabs;
};

// Constant-initialised and never destroyed: static host objects may be freed during exit.
union HeapStorage {
    constexpr HeapStorage() : heap() {}
    ~HeapStorage() {}
    ObjectHeap heap;
};
HeapStorage theHeap;

}  // namespace

void* MemoryPoolAllocated::operator new(size_t size) {
    return AllocateHostBlock(size);
}

void MemoryPoolAllocated::operator delete(void* p, size_t size) noexcept {
    if (p) ReleaseHostBlock(p, size);
}

size_t MemoryPoolAllocated::LiveBytes() {
    return g_liveBytes.load(std::memory_order_relaxed);
}

void* AllocateHostBlock(size_t size) {
    void* p;
    if (size <= du::SlabHeap::kMaxBlock) {
        std::lock_guard<du::SpinLock> guard(theHeap.heap.lock);
        p = theHeap.heap.slabs.Allocate(size);
    } else {
        p = ::operator new(size);
    }
    g_liveBytes.fetch_add(size, std::memory_order_relaxed);
    return p;
}

void ReleaseHostBlock(void* p, size_t size) noexcept {
    g_liveBytes.fetch_sub(size, std::memory_order_relaxed);
    if (size <= du::SlabHeap::kMaxBlock) {
        std::lock_guard<du::SpinLock> guard(theHeap.heap.lock);
        theHeap.heap.slabs.Release(p);
    } else {
        ::operator delete(p);
    }
}

du::BlockAllocator* GetBlockAllocator() {
    return du::DefaultBlockAllocator();
}

}  // namespace kxk
