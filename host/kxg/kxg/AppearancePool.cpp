#include "kxg/AppearancePool.h"

#include <cstring>
#include <vector>

namespace kxg {

bool AppearancePool::ColorBits::operator==(const ColorBits& o) const {
    return std::memcmp(bits, o.bits, sizeof bits) == 0;
}

size_t AppearancePool::ColorBitsHash::operator()(const ColorBits& key) const {
    uint64_t h = 1469598103934665603ull;
    for (uint32_t b : key.bits) h = (h ^ b) * 1099511628211ull;
    return static_cast<size_t>(h);
}

AppearancePool::ColorBits AppearancePool::KeyOf(const dg::Color& color) {
    ColorBits key;
    const float components[4] = {color.r, color.g, color.b, color.a};
    for (int i = 0; i < 4; ++i) {
        float f = components[i] == 0 ? 0.0f : components[i];
        std::memcpy(&key.bits[i], &f, sizeof f);
    }
    return key;
}

du::SmartPtr<Appearance> AppearancePool::GetAppearanceFromColor(const dg::Color& color) {
    std::lock_guard<std::mutex> lock(m_mutex);
    Appearance*& entry = m_entries[KeyOf(color)];
    // Zero: its last holder is inside du::Release and will delete it; leave it to that holder.
    if (entry && entry->ReferenceCount() == 0) entry = nullptr;
    if (!entry) {
        entry = new Appearance(color);
        entry->m_pooled = true;
        return du::SmartPtr<Appearance>(entry);
    }
    du::SmartPtr<Appearance> result(entry);
    // One reference is ours alone only if the last other holder let go after the check above: either
    // before our reference (it then waits to run the hook) or after it (it is simply gone). Pin in
    // both cases, so that no release can cross zero before the hook has run.
    if (!entry->m_pinned && entry->ReferenceCount() == 1) {
        entry->m_pinned = true;
        entry->AddReference(this);
    }
    return result;
}

size_t AppearancePool::Size() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_entries.size();
}

void AppearancePool::ReleasePins() {
    std::vector<Appearance*> pinned;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (auto& entry : m_entries)
            if (entry.second->m_pinned) {
                entry.second->m_pinned = false;
                pinned.push_back(entry.second);
            }
    }
    // Released outside the lock: a last release runs the hook, which takes it.
    for (Appearance* appearance : pinned) du::Release(appearance, this);
}

// Runs with the one reference that du::Release added back; true lets the release delete the
// appearance. The hook of a pinned appearance is the release the pin waited for: the pin goes.
// Other references found here were taken by lookups; the added-back one is then dropped again,
// since the release stops at a false answer, unless those holders let go meanwhile.
bool AppearancePool::Forget(const Appearance* appearance) {
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_entries.find(KeyOf(appearance->GetColor()));
    bool listed = it != m_entries.end() && it->second == appearance;
    if (listed && appearance->m_pinned) {
        const_cast<Appearance*>(appearance)->m_pinned = false;
        appearance->RemoveReference(this);
    }
    if (appearance->ReferenceCount() > 1) {
        if (appearance->RemoveReference(this) != 0) return false;
        appearance->AddReference(this);
    }
    if (listed) m_entries.erase(it);
    return true;
}

AppearancePool& GetAppearancePool() {
    static AppearancePool* pool = new AppearancePool;
    return *pool;
}

}  // namespace kxg
