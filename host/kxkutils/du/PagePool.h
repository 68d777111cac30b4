#pragma once

#include <cstddef>
#include <cstdint>

#include "du/SpinLock.h"

namespace du {

// Pages for the slab heaps, carved from regions (du/Regions.h). A region whose pages are
// all free again goes back to the system, except one kept spare, so that the memory of a released
// structure is given back. Process-wide; thread-safe under one short lock, taken once per page.
//
//   void* page = du::PagePool::Get().Allocate();   // kPageSize bytes, aligned to kPageSize
//   du::PagePool::Get().Release(page);
class PagePool {
  public:
    static constexpr size_t kPageSize = 4096;

    constexpr PagePool() = default;
    PagePool(const PagePool&) = delete;
    PagePool& operator=(const PagePool&) = delete;

    // Never destroyed: static objects may release pages during exit.
    static PagePool& Get();

    // Throws std::bad_alloc.
    void* Allocate();
    // `page` came from Allocate.
    void Release(void* page) noexcept;
    // Takes over a whole region (du/Regions.h) that its owner no longer needs, as the spare if there is
    // none: its pages, present already, then serve the next pages asked for instead of fresh memory
    // made present. Otherwise the region goes back to the system.
    void Adopt(void* region) noexcept;

    // Regions held, the spare included (for leak checks).
    size_t RegionCount();

  private:
    struct Region;

    Region* NewRegion();
    // Makes `memory`, a region whose first `present` bytes are present, a region with no page used.
    static Region* Start(void* memory, size_t present) noexcept;
    // Sets `prefault` to the bytes from the page on that the caller should make present, if any.
    void* TakePage(Region* region, size_t& prefault) noexcept;
    void Link(Region* region) noexcept;
    void Unlink(Region* region) noexcept;

    SpinLock m_lock;
    Region* m_open = nullptr;  // regions with a page to hand out
    Region* m_spare = nullptr;
    size_t m_regionCount = 0;
};

}  // namespace du
