#pragma once

#include <atomic>
#include <cstddef>

namespace du {

// Base of every host object held by counted reference (see SmartPtr). The count is atomic, so
// references may be taken and dropped on several threads; the object itself is not locked.
class RefCounted {
  public:
    RefCounted() noexcept;
    RefCounted(const RefCounted&) noexcept;
    RefCounted& operator=(const RefCounted&) noexcept { return *this; }
    virtual ~RefCounted();

    // `holder` names who takes or drops the reference; the stand-in only counts.
    void AddReference(const void* /*holder*/) const noexcept {
        m_count.fetch_add(1, std::memory_order_relaxed);
    }
    // Returns the count left; does not delete (see Release).
    int RemoveReference(const void* /*holder*/) const noexcept {
        return m_count.fetch_sub(1, std::memory_order_acq_rel) - 1;
    }
    int ReferenceCount() const noexcept { return m_count.load(std::memory_order_acquire); }

    // Asked when the count reaches zero, with one reference added back; answering false keeps the
    // object alive (its owner then takes over its lifetime).
    virtual bool ZeroReferenceCountHook() const { return true; }

    // RefCounted objects alive right now (for leak checks).
    static size_t LiveCount();

  private:
    mutable std::atomic<int> m_count;
};

// The rest of the release rule, for an object whose count has just reached zero.
void ReleaseLastReference(const RefCounted* object, const void* holder) noexcept;

// The release rule: drop one reference; at zero add one back and ask ZeroReferenceCountHook;
// only when it agrees drop it again and, at zero, delete through the virtual destructor. Inline, as
// nearly every release leaves other references.
inline void Release(const RefCounted* object, const void* holder) noexcept {
    if (object && object->RemoveReference(holder) == 0) ReleaseLastReference(object, holder);
}

}  // namespace du
