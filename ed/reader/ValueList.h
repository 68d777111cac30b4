#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <new>
#include <utility>

#include "du/Symbol.h"

namespace ed {

// The values of one property in file order. Nearly every property has exactly one value, so the
// first is held inline and only the further ones take a block of their own: a million properties
// cost no allocation each, and the list takes 16 bytes of its record.
//
//   ValueList values;
//   values.push_back(du::Symbol("Steel"));
//   for (const du::Symbol& value : values) ...
//
// A plain value type; not thread-safe.
class ValueList {
  public:
    ValueList() = default;
    ValueList(const ValueList& other) { *this = other; }
    ValueList& operator=(const ValueList& other);
    ~ValueList() { FreeBlock(); }

    bool empty() const { return m_more == kNone; }
    size_t size() const { return m_more == kNone ? 0 : m_more == kOne ? 1 : Block()->size; }
    const du::Symbol& front() const { return m_first; }
    du::Symbol& operator[](size_t i) { return i == 0 ? m_first : Block()->values()[i - 1]; }
    const du::Symbol& operator[](size_t i) const { return i == 0 ? m_first : Block()->values()[i - 1]; }
    void push_back(du::Symbol value);
    // The first value, leaving it null in the list: for a consumer that is the list's last reader,
    // so that the value changes hands without a count raised now and dropped at the list's end.
    du::Symbol TakeFront() { return std::move(m_first); }
    // No values any more.
    void clear() {
        FreeBlock();
        m_first = du::Symbol();
        m_more = kNone;
    }

    class const_iterator {
      public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = du::Symbol;
        using difference_type = std::ptrdiff_t;
        using pointer = const du::Symbol*;
        using reference = const du::Symbol&;

        const_iterator(const ValueList* list, size_t index) : m_list(list), m_index(index) {}
        reference operator*() const { return (*m_list)[m_index]; }
        pointer operator->() const { return &(*m_list)[m_index]; }
        const_iterator& operator++() {
            ++m_index;
            return *this;
        }
        bool operator==(const const_iterator& o) const { return m_index == o.m_index; }
        bool operator!=(const const_iterator& o) const { return m_index != o.m_index; }

      private:
        const ValueList* m_list;
        size_t m_index;
    };
    const_iterator begin() const { return const_iterator(this, 0); }
    const_iterator end() const { return const_iterator(this, size()); }

  private:
    // Values from the second on, behind their count and room.
    struct alignas(du::Symbol) MoreValues {
        size_t size;  // of the whole list, the first value included
        size_t capacity;
        du::Symbol* values() { return reinterpret_cast<du::Symbol*>(this + 1); }
    };
    // m_more is kNone for no values, kOne for the first alone, else the block of the further ones.
    static constexpr uintptr_t kNone = 0;
    static constexpr uintptr_t kOne = 1;

    MoreValues* Block() const { return reinterpret_cast<MoreValues*>(m_more); }
    static MoreValues* NewBlock(size_t size, size_t capacity);
    void FreeBlock();

    du::Symbol m_first;
    uintptr_t m_more = kNone;
};

inline ValueList::MoreValues* ValueList::NewBlock(size_t size, size_t capacity) {
    void* memory = ::operator new(sizeof(MoreValues) + capacity * sizeof(du::Symbol));
    MoreValues* block = new (memory) MoreValues{size, capacity};
    for (size_t i = 0; i < capacity; ++i) new (&block->values()[i]) du::Symbol();
    return block;
}

inline void ValueList::FreeBlock() {
    if (m_more == kNone || m_more == kOne) return;
    MoreValues* block = Block();
    for (size_t i = 0; i < block->capacity; ++i) block->values()[i].~Symbol();
    ::operator delete(block);
    m_more = kOne;
}

inline ValueList& ValueList::operator=(const ValueList& other) {
    if (this == &other) return *this;
    const size_t count = other.size();
    MoreValues* block = count > 1 ? NewBlock(count, count - 1) : nullptr;
    for (size_t i = 1; i < count; ++i) block->values()[i - 1] = other[i];
    FreeBlock();
    m_first = other.m_first;
    m_more = block ? reinterpret_cast<uintptr_t>(block) : other.m_more;
    return *this;
}

inline void ValueList::push_back(du::Symbol value) {
    if (m_more == kNone) {
        m_first = std::move(value);
        m_more = kOne;
        return;
    }
    const size_t count = size();
    if (m_more == kOne || count - 1 == Block()->capacity) {
        MoreValues* block = NewBlock(count, m_more == kOne ? 2 : Block()->capacity * 2);
        for (size_t i = 1; i < count; ++i) block->values()[i - 1] = std::move((*this)[i]);
        FreeBlock();
        m_more = reinterpret_cast<uintptr_t>(block);
    }
    Block()->values()[count - 1] = std::move(value);
    Block()->size = count + 1;
}

}  // namespace ed
