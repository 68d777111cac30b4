#include "du/PagePool.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <new>
#include <utility>

#include "du/Env.h"
#include "du/Regions.h"

namespace du {

// The first page of a region holds its header; a page finds its region by masking its address.
struct PagePool::Region {
    Region* prev;
    Region* next;
    char* released;  // released pages, each holding the address of the next
    char* fresh;     // the first page never handed out
    char* present;   // the end of the pages made present
    size_t used;
    bool open;

    char* End() { return reinterpret_cast<char*>(this) + kRegionSize; }
    bool Full() { return !released && fresh == End(); }
    static Region* Of(void* page) {
        return reinterpret_cast<Region*>(reinterpret_cast<uintptr_t>(page) & ~uintptr_t(kRegionSize - 1));
    }
};

namespace {
// Constant-initialised and trivially destroyed, so usable from any static object's lifetime.
PagePool thePool;
}  // namespace

PagePool& PagePool::Get() {
    return thePool;
}

// The pages a region has never handed out are made present a step at a time, and a new region is
// mapped and its first step made present, all outside the lock: a thread that takes one of those pages
// meanwhile merely faults it in itself, and no other thread waits on the faults.
void* PagePool::Allocate() {
    Region* mapped = nullptr;
    for (;;) {
        std::unique_lock<SpinLock> guard(m_lock);
        Region* region = m_open;
        if (!region) {
            if (m_spare) {
                region = std::exchange(m_spare, nullptr);
            } else if (mapped) {
                region = std::exchange(mapped, nullptr);
                ++m_regionCount;
            }
            if (region) Link(region);
        }
        if (region) {
            size_t prefault = 0;
            void* page = TakePage(region, prefault);
            guard.unlock();
            if (mapped) FreeRegions(mapped, kRegionSize);  // another region came free meanwhile
            if (prefault) Prefault(page, prefault);
            return page;
        }
        guard.unlock();
        mapped = NewRegion();
    }
}

PagePool::Region* PagePool::NewRegion() {
    void* memory = AllocateRegions(kRegionSize);
    if (!memory) Env::NoteAndThrow();
    Prefault(memory, kPrefaultStep);
    return Start(memory, kPrefaultStep);
}

PagePool::Region* PagePool::Start(void* memory, size_t present) noexcept {
    Region* region = static_cast<Region*>(memory);
    region->prev = region->next = nullptr;
    region->released = nullptr;
    region->fresh = reinterpret_cast<char*>(region) + kPageSize;
    region->present = reinterpret_cast<char*>(region) + present;
    region->used = 0;
    region->open = false;
    return region;
}

void PagePool::Adopt(void* memory) noexcept {
    {
        std::lock_guard<SpinLock> guard(m_lock);
        if (!m_spare) {
            m_spare = Start(memory, kRegionSize);
            ++m_regionCount;
            return;
        }
    }
    FreeRegions(memory, kRegionSize);
}

void* PagePool::TakePage(Region* region, size_t& prefault) noexcept {
    char* page = region->released;
    if (page) {
        std::memcpy(&region->released, page, sizeof(char*));
    } else {
        page = region->fresh, region->fresh += kPageSize;
        if (page == region->present) {
            prefault = std::min(kPrefaultStep, static_cast<size_t>(region->End() - page));
            region->present += prefault;
        }
    }
    ++region->used;
    if (region->Full()) Unlink(region);
    return page;
}

// A region that came free is unmapped once the lock is given up.
void PagePool::Release(void* page) noexcept {
    Region* region = Region::Of(page);
    Region* unused = nullptr;
    {
        std::lock_guard<SpinLock> guard(m_lock);
        std::memcpy(page, &region->released, sizeof(char*));
        region->released = static_cast<char*>(page);
        if (--region->used == 0) {
            if (region->open) Unlink(region);
            if (m_spare) {
                unused = region;
                --m_regionCount;
            } else {
                m_spare = region;
            }
        } else if (!region->open) {
            Link(region);
        }
    }
    if (unused) FreeRegions(unused, kRegionSize);
}

size_t PagePool::RegionCount() {
    std::lock_guard<SpinLock> guard(m_lock);
    return m_regionCount;
}

void PagePool::Link(Region* region) noexcept {
    region->prev = nullptr;
    region->next = m_open;
    if (m_open) m_open->prev = region;
    m_open = region;
    region->open = true;
}

void PagePool::Unlink(Region* region) noexcept {
    if (region->prev)
        region->prev->next = region->next;
    else
        m_open = region->next;
    if (region->next) region->next->prev = region->prev;
    region->open = false;
}

}  // namespace du
