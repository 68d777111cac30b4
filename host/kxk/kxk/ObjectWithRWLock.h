#pragma once

#include "dp/ReadWriteLock.h"

namespace kxk {

// Carries the read-write lock that guards one or more host objects.
class RWLockHolder {
  public:
    dp::ReadWriteLock& GetLock() { return m_lock; }

  private:
    dp::ReadWriteLock m_lock;
};

// A host object guarded by the lock of a lock holder, which it does not own. Without a holder the
// object is unguarded and GetLock is null. Callers take the lock; the object never locks itself.
class ObjectWithRWLock {
  public:
    explicit ObjectWithRWLock(RWLockHolder* holder = nullptr) : m_lockHolder(holder) {}
    ObjectWithRWLock(const ObjectWithRWLock&) = delete;
    ObjectWithRWLock& operator=(const ObjectWithRWLock&) = delete;

    // The lock of the lock holder, or null when there is none.
    dp::ReadWriteLock* GetLock() const { return m_lockHolder ? &m_lockHolder->GetLock() : nullptr; }
    // The holder must outlive this object, or be replaced first; null removes it.
    void SetLockHolder(RWLockHolder* holder) { m_lockHolder = holder; }

  protected:
    ~ObjectWithRWLock() = default;

  private:
    RWLockHolder* m_lockHolder;
};

}  // namespace kxk
