#pragma once

#include <atomic>
#include <cstdint>

namespace du {

// A mutex as cheap as a spin lock while free: one atomic operation to take it and one to give it back,
// inline. A waiter spins briefly, then sleeps in the kernel until woken, so the holder may make system
// calls (map memory, free it) under it, which a spin lock must never cover. Constant-initialised, for
// objects used before any dynamic initialisation. Not recursive.
//
//   du::LightMutex mutex;
//   std::lock_guard<du::LightMutex> guard(mutex);
class LightMutex {
  public:
    constexpr LightMutex() = default;
    LightMutex(const LightMutex&) = delete;
    LightMutex& operator=(const LightMutex&) = delete;

    void lock() {
        uint32_t free = kFree;
        if (!m_state.compare_exchange_strong(free, kTaken, std::memory_order_acquire,
                                             std::memory_order_relaxed))
            LockContended();
    }
    // False at once when the mutex is taken.
    bool try_lock() {
        uint32_t free = kFree;
        return m_state.compare_exchange_strong(free, kTaken, std::memory_order_acquire,
                                               std::memory_order_relaxed);
    }
    void unlock() {
        if (m_state.exchange(kFree, std::memory_order_release) == kWaitedFor) WakeOne();
    }

  private:
    static constexpr uint32_t kFree = 0;
    static constexpr uint32_t kTaken = 1;
    static constexpr uint32_t kWaitedFor = 2;  // taken, and a thread may be asleep on it

    void LockContended();
    void WakeOne();

    std::atomic<uint32_t> m_state{kFree};
};

}  // namespace du
