#pragma once

#include <atomic>
#include <cstdint>
#include <thread>

namespace dp {

// A read-write lock: many readers or one writer. Not recursive. One word per lock (the writer bit and
// the count of readers), so that a structure of a million nodes, each with a lock, stays small, and
// taking and releasing the lock are one atomic operation each. Holders keep it for a few host calls,
// so a waiter spins briefly and then yields its core instead of sleeping.
class ReadWriteLock {
  public:
    void ReadLock() {
        for (int spins = 0;; ++spins) {
            uint32_t state = m_state.load(std::memory_order_relaxed);
            if (!(state & kWriter) &&
                m_state.compare_exchange_weak(state, state + kReader, std::memory_order_acquire,
                                              std::memory_order_relaxed))
                return;
            Wait(spins);
        }
    }
    void ReadUnlock() { m_state.fetch_sub(kReader, std::memory_order_release); }
    void WriteLock() {
        for (int spins = 0;; ++spins) {
            uint32_t unlocked = 0;
            if (m_state.compare_exchange_weak(unlocked, kWriter, std::memory_order_acquire,
                                              std::memory_order_relaxed))
                return;
            Wait(spins);
        }
    }
    // Readers never change the word while the writer bit is set, so the writer can simply clear it.
    void WriteUnlock() { m_state.store(0, std::memory_order_release); }

  private:
    static constexpr uint32_t kWriter = 1;
    static constexpr uint32_t kReader = 2;
    static void Wait(int spins) {
        if (spins >= 64) std::this_thread::yield();
    }

    std::atomic<uint32_t> m_state{0};
};

// Holds a write lock for a scope; a null lock means nothing to hold.
class ScopedWriteLock {
  public:
    explicit ScopedWriteLock(ReadWriteLock* lock) : m_lock(lock) {
        if (m_lock) m_lock->WriteLock();
    }
    ~ScopedWriteLock() {
        if (m_lock) m_lock->WriteUnlock();
    }
    ScopedWriteLock(const ScopedWriteLock&) = delete;
    ScopedWriteLock& operator=(const ScopedWriteLock&) = delete;

  private:
    ReadWriteLock* m_lock;
};

// Holds a read lock for a scope; a null lock means nothing to hold.
class ScopedReadLock {
  public:
    explicit ScopedReadLock(ReadWriteLock* lock) : m_lock(lock) {
        if (m_lock) m_lock->ReadLock();
    }
    ~ScopedReadLock() {
        if (m_lock) m_lock->ReadUnlock();
    }
    ScopedReadLock(const ScopedReadLock&) = delete;
    ScopedReadLock& operator=(const ScopedReadLock&) = delete;

  private:
    ReadWriteLock* m_lock;
};

}  // namespace dp
