#include "kxk/MemoryPoolAllocated.h"

#include <atomic>
#include <mutex>
#include <new>

#include "du/Env.h"
#include "du/LightMutex.h"
#include "du/SlabHeap.h"

namespace kxk {

namespace {

// Blocks too large for the slabs, which take no lock.
std::atomic<size_t> g_largeBytes{0};

// Host objects are small and made by the million for a large structure: they share slabs carved
// from regions made present in steps, so that a large load is not faulted in a 4 KiB page at a time. Their
// bytes are counted under the lock the slabs take anyway, which spares each block an atomic.
struct ObjectHeap {
    // Not a spin lock: a new slab may map memory and an emptied one unmap it.
    du::LightMutex lock;
    du::SlabHeap slabs;
    size_t bytes = 0;
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
    std::lock_guard<du::LightMutex> guard(theHeap.heap.lock);
    return theHeap.heap.bytes + g_largeBytes.load(std::memory_order_relaxed);
}

void* AllocateHostBlock(size_t size) {
    du::Env& env = du::Env::Get();
    if (size > du::SlabHeap::kMaxBlock) {
        void* p = env.Allocate(size);
        g_largeBytes.fetch_add(size, std::memory_order_relaxed);
        return p;
    }
    if (!env.GrantPooled()) du::Env::NoteAndThrow();
    std::lock_guard<du::LightMutex> guard(theHeap.heap.lock);
    void* p = theHeap.heap.slabs.Allocate(size);
    theHeap.heap.bytes += size;
    return p;
}

void ReleaseHostBlock(void* p, size_t size) noexcept {
    if (size > du::SlabHeap::kMaxBlock) {
        g_largeBytes.fetch_sub(size, std::memory_order_relaxed);
        du::Env::Get().Free(p);
        return;
    }
    std::lock_guard<du::LightMutex> guard(theHeap.heap.lock);
    theHeap.heap.slabs.Release(p);
    theHeap.heap.bytes -= size;
}

du::BlockAllocator* GetBlockAllocator() {
    return du::DefaultBlockAllocator();
}

}  // namespace kxk
