#pragma once

#include <utility>

#include "du/RefCounted.h"

namespace du {

// A counted reference to a RefCounted object; empty when it holds none.
//
//   du::SmartPtr<kxk::Structure> structure(new kxk::Structure);   // count 1
//   du::SmartPtr<kxk::Structure> other = structure;                // count 2
//   other = nullptr;                                               // count 1
//   // the last reference dropped deletes the object (see du::Release)
//
// Copying and destroying a SmartPtr on several threads is safe; the object it points at is not
// locked by it. ConstSmartPtr is the same for a const object.
template <class T>
class SmartPtr {
  public:
    SmartPtr() noexcept : m_object(nullptr) {}
    SmartPtr(std::nullptr_t) noexcept : m_object(nullptr) {}
    SmartPtr(T* object) noexcept : m_object(object) { Acquire(); }
    SmartPtr(const SmartPtr& other) noexcept : m_object(other.m_object) { Acquire(); }
    SmartPtr(SmartPtr&& other) noexcept : m_object(other.m_object) { other.m_object = nullptr; }
    template <class U>
    SmartPtr(const SmartPtr<U>& other) noexcept : m_object(other.get()) {
        Acquire();
    }
    ~SmartPtr() { Drop(); }

    SmartPtr& operator=(const SmartPtr& other) noexcept { return Reset(other.m_object); }
    SmartPtr& operator=(SmartPtr&& other) noexcept {
        if (this != &other) {
            Drop();
            m_object = other.m_object;
            other.m_object = nullptr;
        }
        return *this;
    }
    SmartPtr& operator=(T* object) noexcept { return Reset(object); }
    SmartPtr& operator=(std::nullptr_t) noexcept { return Reset(nullptr); }

    T* get() const noexcept { return m_object; }
    T* operator->() const noexcept { return m_object; }
    T& operator*() const noexcept { return *m_object; }
    explicit operator bool() const noexcept { return m_object != nullptr; }
    bool operator==(const SmartPtr& other) const noexcept { return m_object == other.m_object; }
    bool operator!=(const SmartPtr& other) const noexcept { return m_object != other.m_object; }

  private:
    // Takes the new reference before dropping the old, so assigning an object to itself is safe.
    SmartPtr& Reset(T* object) noexcept {
        if (object != m_object) {
            T* old = m_object;
            m_object = object;
            Acquire();
            if (old) Release(old, this);
        }
        return *this;
    }
    void Acquire() noexcept {
        if (m_object) m_object->AddReference(this);
    }
    void Drop() noexcept {
        if (m_object) Release(m_object, this);
        m_object = nullptr;
    }

    T* m_object;
};

template <class T>
using ConstSmartPtr = SmartPtr<const T>;

}  // namespace du
