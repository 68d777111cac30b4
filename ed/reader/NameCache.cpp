#include "ed/reader/NameCache.h"

#include <cstdint>
#include <cstring>
#include <string>

namespace ed {

namespace {

bool IsUpper(char c) {
    return c >= 'A' && c <= 'Z';
}

}  // namespace

du::Symbol LowerName(const du::Symbol& name) {
    const char* text = name.safe_c_str();
    const char* upper = text;
    while (*upper != '\0' && !IsUpper(*upper)) ++upper;
    // Most names are lower case already; they share the symbol instead of interning a copy.
    if (*upper == '\0') return name;
    std::string lower(text);
    for (size_t i = static_cast<size_t>(upper - text); i < lower.size(); ++i) {
        if (IsUpper(lower[i])) lower[i] = static_cast<char>(lower[i] - 'A' + 'a');
    }
    return du::Symbol(lower);
}

const PropertyNames& NameCache::Get(std::string_view text, uint32_t hash) {
    Slot& slot = m_slots[hash % kSlots];
    if (slot.names && slot.length == text.size() &&
        std::memcmp(slot.names->name.c_str(), text.data(), text.size()) == 0)
        return *slot.names;
    du::Symbol name(text.data(), text.size(), hash);
    du::Symbol lowerName = LowerName(name);
    m_entries.push_back(PropertyNames{std::move(name), std::move(lowerName)});
    slot.names = &m_entries.back();
    slot.length = text.size();
    return *slot.names;
}

void NameCache::Clear() {
    for (Slot& slot : m_slots) slot = Slot();
    m_entries.clear();
    m_entries.shrink_to_fit();
}

}  // namespace ed
