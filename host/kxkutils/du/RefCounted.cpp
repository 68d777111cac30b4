#include "du/RefCounted.h"

namespace du {

namespace {
std::atomic<size_t> g_live{0};
}  // namespace

RefCounted::RefCounted() noexcept : m_count(0) {
    g_live.fetch_add(1, std::memory_order_relaxed);
}

// A copy is a new object: it starts without references of its own.
RefCounted::RefCounted(const RefCounted&) noexcept : m_count(0) {
    g_live.fetch_add(1, std::memory_order_relaxed);
}

RefCounted::~RefCounted() {
    g_live.fetch_sub(1, std::memory_order_relaxed);
}

size_t RefCounted::LiveCount() {
    return g_live.load(std::memory_order_relaxed);
}

void ReleaseLastReference(const RefCounted* object, const void* holder) noexcept {
    // The hook runs with one reference back, so anything it does with SmartPtrs to the object
    // cannot bring the count to zero a second time underneath us.
    object->AddReference(holder);
    if (!object->ZeroReferenceCountHook()) return;
    if (object->RemoveReference(holder) == 0) delete object;
}

}  // namespace du
