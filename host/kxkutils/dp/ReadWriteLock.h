#pragma once

#include <shared_mutex>

namespace dp {

// A read-write lock: many readers or one writer. Not recursive.
class ReadWriteLock {
public:
    void ReadLock() { m_mutex.lock_shared(); }
    void ReadUnlock() { m_mutex.unlock_shared(); }
    void WriteLock() { m_mutex.lock(); }
    void WriteUnlock() { m_mutex.unlock(); }

private:
    std::shared_mutex m_mutex;
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
