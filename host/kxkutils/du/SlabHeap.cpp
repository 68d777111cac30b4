#include "du/SlabHeap.h"

#include <cstdint>
#include <cstring>

#if defined(__SANITIZE_ADDRESS__)
#define DU_SLABS_POISON 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define DU_SLABS_POISON 1
#endif
#endif
#ifdef DU_SLABS_POISON
#include <sanitizer/asan_interface.h>
#endif

namespace du {

namespace {

// Under AddressSanitizer, blocks not handed out are poisoned, so that a text read after its last
// release is caught as it would be in a block of its own.
inline void Poison(void* p, size_t size) {
#ifdef DU_SLABS_POISON
    ASAN_POISON_MEMORY_REGION(p, size);
#else
    (void)p, (void)size;
#endif
}

inline void Unpoison(void* p, size_t size) {
#ifdef DU_SLABS_POISON
    ASAN_UNPOISON_MEMORY_REGION(p, size);
#else
    (void)p, (void)size;
#endif
}

}  // namespace

// Slabs are aligned to their size, so a block finds its slab by masking its address.
struct SlabHeap::Slab {
    Slab* prev;
    Slab* next;
    char* released;  // released blocks, each holding the address of the next
    char* fresh;     // the first block never handed out
    uint32_t blockSize;
    uint32_t used;
    bool open;  // in its list of slabs with a block to hand out

    char* End() { return reinterpret_cast<char*>(this) + kSlabSize; }
    bool Full() { return !released && fresh + blockSize > End(); }
    size_t SizeClass() const { return blockSize / kGranule - 1; }
    static Slab* Of(void* block) {
        return reinterpret_cast<Slab*>(reinterpret_cast<uintptr_t>(block) & ~uintptr_t(kSlabSize - 1));
    }
};

SlabHeap::~SlabHeap() {
    for (Slab*& list : m_open) {
        while (Slab* slab = list) {
            list = slab->next;
            FreeSlab(slab);
        }
    }
}

void* SlabHeap::Allocate(size_t size) {
    const size_t sizeClass = (size - 1) / kGranule;
    Slab* slab = m_open[sizeClass];
    if (!slab) {
        slab = NewSlab((sizeClass + 1) * kGranule);
        Link(slab);
    }
    char* block = slab->released;
    if (block) {
        Unpoison(block, slab->blockSize);
        std::memcpy(&slab->released, block, sizeof(char*));
    } else {
        block = slab->fresh;
        slab->fresh += slab->blockSize;
        Unpoison(block, slab->blockSize);
    }
    ++slab->used;
    if (slab->Full()) Unlink(slab);
    return block;
}

void SlabHeap::Release(void* block) noexcept {
    Slab* slab = Slab::Of(block);
    std::memcpy(block, &slab->released, sizeof(char*));
    slab->released = static_cast<char*>(block);
    Poison(block, slab->blockSize);
    if (--slab->used == 0) {
        if (slab->open) Unlink(slab);
        FreeSlab(slab);
        --m_slabCount;
    } else if (!slab->open) {
        Link(slab);
    }
}

SlabHeap::Slab* SlabHeap::NewSlab(size_t blockSize) {
    Slab* slab = static_cast<Slab*>(PagePool::Get().Allocate());
    ++m_slabCount;
    slab->prev = slab->next = nullptr;
    slab->released = nullptr;
    slab->fresh = reinterpret_cast<char*>(slab) + (sizeof(Slab) + kGranule - 1) / kGranule * kGranule;
    slab->blockSize = static_cast<uint32_t>(blockSize);
    slab->used = 0;
    slab->open = false;
    Poison(slab->fresh, slab->End() - slab->fresh);
    return slab;
}

void SlabHeap::FreeSlab(Slab* slab) noexcept {
    Unpoison(slab, kSlabSize);
    PagePool::Get().Release(slab);
}

void SlabHeap::Link(Slab* slab) noexcept {
    Slab*& head = m_open[slab->SizeClass()];
    slab->prev = nullptr;
    slab->next = head;
    if (head) head->prev = slab;
    head = slab;
    slab->open = true;
}

void SlabHeap::Unlink(Slab* slab) noexcept {
    if (slab->prev)
        slab->prev->next = slab->next;
    else
        m_open[slab->SizeClass()] = slab->next;
    if (slab->next) slab->next->prev = slab->prev;
    slab->open = false;
}

}  // namespace du
