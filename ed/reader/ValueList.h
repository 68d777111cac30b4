#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <utility>

#include "du/Symbol.h"

namespace ed {

// The values of one property in file order. Nearly every property has exactly one value, so the
// first is held inline and only the further ones take an array of their own: a million properties
// cost no allocation each.
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
    ~ValueList() { delete[] m_more; }

    bool empty() const { return m_size == 0; }
    size_t size() const { return m_size; }
    const du::Symbol& front() const { return m_first; }
    du::Symbol& operator[](size_t i) { return i == 0 ? m_first : m_more[i - 1]; }
    const du::Symbol& operator[](size_t i) const { return i == 0 ? m_first : m_more[i - 1]; }
    void push_back(du::Symbol value);

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
    const_iterator end() const { return const_iterator(this, m_size); }

  private:
    du::Symbol m_first;
    size_t m_size = 0;
    size_t m_capacity = 0;         // of m_more
    du::Symbol* m_more = nullptr;  // values 1 to size - 1
};

inline ValueList& ValueList::operator=(const ValueList& other) {
    if (this == &other) return *this;
    du::Symbol* more = other.m_size > 1 ? new du::Symbol[other.m_size - 1] : nullptr;
    for (size_t i = 1; i < other.m_size; ++i) more[i - 1] = other.m_more[i - 1];
    delete[] m_more;
    m_first = other.m_first;
    m_more = more;
    m_capacity = other.m_size > 1 ? other.m_size - 1 : 0;
    m_size = other.m_size;
    return *this;
}

inline void ValueList::push_back(du::Symbol value) {
    if (m_size == 0) {
        m_first = std::move(value);
        m_size = 1;
        return;
    }
    if (m_size - 1 == m_capacity) {
        const size_t capacity = m_capacity ? m_capacity * 2 : 2;
        du::Symbol* more = new du::Symbol[capacity];
        for (size_t i = 0; i < m_capacity; ++i) more[i] = std::move(m_more[i]);
        delete[] m_more;
        m_more = more;
        m_capacity = capacity;
    }
    m_more[m_size - 1] = std::move(value);
    ++m_size;
}

}  // namespace ed
