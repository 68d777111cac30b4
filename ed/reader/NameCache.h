#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string_view>

#include "du/Symbol.h"

namespace ed {

// A property name and its lower-case form, as SetName makes them.
struct PropertyNames {
    static constexpr uint16_t kNotMatched = 0x8000;
    static constexpr uint8_t kNotInterpreted = 0xff;

    du::Symbol name;
    du::Symbol lowerName;  // the very same symbol as `name` when the name has no upper-case letter
    // The builder properties that the name stands for, one bit each, filled in by the build the first
    // time it meets the name (ed/builder/BuilderScan.cpp): a million properties share a few dozen names.
    mutable uint16_t builderMatches = kNotMatched;
    // How the build adds a property of this name to its component, filled in likewise
    // (ed/builder/AddProperties.cpp).
    mutable uint8_t interpretation = kNotInterpreted;
};

// The lower-case form of a property name: A to Z lowered byte by byte, every other byte kept; the
// name itself when nothing changes.
du::Symbol LowerName(const du::Symbol& name);

// The names of recent N records. A file uses a few dozen property names on a million properties, so
// an N record mostly finds its name here and costs two reference counts instead of interning and
// lower-casing. Direct-mapped. Every entry it hands out, those its slots have since forgotten
// included, stays in place until Clear, so records may point at it. One per parser, not thread-safe.
class NameCache {
  public:
    // `hash` is the text's du::Symbol::Hash.
    const PropertyNames& Get(std::string_view text, uint32_t hash);
    // Calls visit(names) for every entry handed out since Clear.
    template <class Visit>
    void ForEach(Visit&& visit) const {
        for (const PropertyNames& names : m_entries) visit(names);
    }
    void Clear();

  private:
    struct Slot {
        const PropertyNames* names = nullptr;
        size_t length = 0;
    };
    static constexpr size_t kSlots = 512;

    Slot m_slots[kSlots];
    std::deque<PropertyNames> m_entries;  // a deque keeps its elements where they are as it grows
};

}  // namespace ed
