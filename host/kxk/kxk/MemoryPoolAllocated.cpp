#include "kxk/MemoryPoolAllocated.h"

#include <atomic>
#include <new>

namespace kxk {

namespace {
std::atomic<size_t> g_liveBytes{0};
}  // namespace

void* MemoryPoolAllocated::operator new(size_t size) {
    void* p = ::operator new(size);
    g_liveBytes.fetch_add(size, std::memory_order_relaxed);
    return p;
}

void MemoryPoolAllocated::operator delete(void* p, size_t size) noexcept {
    if (!p) return;
    g_liveBytes.fetch_sub(size, std::memory_order_relaxed);
    ::operator delete(p);
}

size_t MemoryPoolAllocated::LiveBytes() {
    return g_liveBytes.load(std::memory_order_relaxed);
}

du::BlockAllocator* GetBlockAllocator() {
    return du::DefaultBlockAllocator();
}

}  // namespace kxk
