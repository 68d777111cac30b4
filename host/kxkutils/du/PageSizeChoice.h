#pragma once

#include <atomic>
#include <cstddef>

namespace du {

// Whether new regions (du/Regions.h) ask for huge pages. A huge page is made present several times
// cheaper than 512 small ones, except on a virtual machine whose guest hands its free memory back to
// the hypervisor: there a huge page taken from such memory cost 3-8 ms to make present, where small
// pages made present in steps cost 0.5-1.4 ms a MiB. So regions ask for huge pages until two
// prefaults took longer than a huge page may, and for small pages from then on. Thread-safe.
//
//   if (choice.Huge()) madvise(region, size, MADV_HUGEPAGE);
//   choice.Record(cpuSeconds, regionsTouched);
class PageSizeChoice {
  public:
    // The CPU time a fresh huge page takes at most to be made present when the hypervisor is not
    // involved (0.1-0.2 ms were measured), with a margin.
    static constexpr double kSlowSeconds = 1.5e-3;
    static constexpr int kSlowPrefaultsToGiveUp = 2;

    bool Huge() const { return m_slow.load(std::memory_order_relaxed) < kSlowPrefaultsToGiveUp; }
    // A prefault that took `seconds` of the thread's CPU time over memory in `regions` regions.
    void Record(double seconds, size_t regions) {
        if (seconds > kSlowSeconds * static_cast<double>(regions))
            m_slow.fetch_add(1, std::memory_order_relaxed);
    }

  private:
    std::atomic<int> m_slow{0};
};

}  // namespace du
