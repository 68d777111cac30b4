#include "kxg/AppearancePool.h"

#include <cstring>

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
    if (!entry) {
        entry = new Appearance(color);
        entry->m_pooled = true;
    }
    // Taking the reference under the lock may revive an appearance whose count just reached zero;
    // Forget sees that and keeps it.
    return du::SmartPtr<Appearance>(entry);
}

size_t AppearancePool::Size() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_entries.size();
}

// Runs with the one reference that du::Release added back. When a lookup revived the appearance in
// the meantime, that extra reference is dropped here again, since the release stops at a false answer;
// if the reviver let go as well, this call is the last one after all.
bool AppearancePool::Forget(const Appearance* appearance) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (appearance->ReferenceCount() > 1) {
        if (appearance->RemoveReference(this) != 0) return false;
        appearance->AddReference(this);
    }
    auto it = m_entries.find(KeyOf(appearance->GetColor()));
    if (it != m_entries.end() && it->second == appearance) m_entries.erase(it);
    return true;
}

AppearancePool& GetAppearancePool() {
    static AppearancePool* pool = new AppearancePool;
    return *pool;
}

}  // namespace kxg
