#pragma once

#include <atomic>
#include <thread>

namespace du {

// A lock for critical sections of a few dozen instructions, far shorter than putting a thread to sleep
// and waking it: a waiter spins briefly, then yields its core. Constant-initialised, so that objects
// used before any dynamic initialisation (static symbols) can hold one.
class SpinLock {
  public:
    constexpr SpinLock() = default;

    void lock() {
        while (m_locked.exchange(true, std::memory_order_acquire)) {
            for (int spins = 0; m_locked.load(std::memory_order_relaxed); ++spins) {
                if (spins >= 64) std::this_thread::yield();
            }
        }
    }
    // False at once when the lock is taken.
    bool try_lock() {
        return !m_locked.load(std::memory_order_relaxed) &&
               !m_locked.exchange(true, std::memory_order_acquire);
    }
    void unlock() { m_locked.store(false, std::memory_order_release); }

  private:
    std::atomic<bool> m_locked{false};
};

}  // namespace du
