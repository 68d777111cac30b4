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
// A first value that the build reads only as numbers may be held as a plain text instead of a symbol
// (SetPlain): the parser keeps it (ed/reader/PlainTexts.h), and it is interned only if something
// takes it as a symbol after all. A million location texts then never enter the symbol table.
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
    size_t size() const { return m_more == kNone ? 0 : IsSingle() ? 1 : Block()->size; }
    // The first value as a symbol, interned now if it is plain; null after TakeFront.
    du::Symbol Front() const { return IsPlain() ? du::Symbol(PlainText()) : m_first; }
    // The first value's text, valid as long as the value; null when that is a null symbol (TakeFront).
    const char* FrontText() const { return IsPlain() ? PlainText() : m_first.c_str(); }
    bool IsPlain() const { return (m_more & kTagMask) == kPlainTag; }
    // The value at `i` < size() as a symbol, interned now if it is plain.
    du::Symbol operator[](size_t i) const { return i == 0 ? Front() : Block()->values()[i - 1]; }
    void push_back(du::Symbol value);
    // Makes `text` the only value, kept as it is: the list must be empty, and `text` outlive it and be
    // aligned to 4 bytes.
    void SetPlain(const char* text) { m_more = reinterpret_cast<uintptr_t>(text) | kPlainTag; }
    // The first value, leaving it null in the list: for a consumer that is the list's last reader,
    // so that the value changes hands without a count raised now and dropped at the list's end.
    du::Symbol TakeFront() { return IsPlain() ? du::Symbol(PlainText()) : std::move(m_first); }
    void PrefetchFront() const {
        if (!IsPlain()) m_first.PrefetchCount();
    }
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
        using pointer = void;
        using reference = du::Symbol;

        const_iterator(const ValueList* list, size_t index) : m_list(list), m_index(index) {}
        reference operator*() const { return (*m_list)[m_index]; }
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
    // m_more is kNone for no values, kOne for the first alone, a plain text's address with kPlainTag
    // for that text alone (m_first null), else the block of the further ones.
    static constexpr uintptr_t kNone = 0;
    static constexpr uintptr_t kOne = 1;
    static constexpr uintptr_t kPlainTag = 2;
    static constexpr uintptr_t kTagMask = 3;

    bool IsSingle() const { return m_more == kOne || IsPlain(); }
    const char* PlainText() const { return reinterpret_cast<const char*>(m_more & ~kTagMask); }

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
    if (m_more == kNone || IsSingle()) return;
    MoreValues* block = Block();
    for (size_t i = 0; i < block->capacity; ++i) block->values()[i].~Symbol();
    ::operator delete(block);
    m_more = kOne;
}

inline ValueList& ValueList::operator=(const ValueList& other) {
    if (this == &other) return *this;
    const size_t count = other.size();
    MoreValues* block = count > 1 ? NewBlock(count, count - 1) : nullptr;
    for (size_t i = 1; i < count; ++i) block->values()[i - 1] = other.Block()->values()[i - 1];
    FreeBlock();
    m_first = other.m_first;
    m_more = block ? reinterpret_cast<uintptr_t>(block) : other.m_more;
    return *this;
}

inline void ValueList::push_back(du::Symbol value) {
    // Further values go to the block behind a first one held as a symbol.
    if (IsPlain()) {
        m_first = Front();
        m_more = kOne;
    }
    if (m_more == kNone) {
        m_first = std::move(value);
        m_more = kOne;
        return;
    }
    const size_t count = size();
    if (m_more == kOne || count - 1 == Block()->capacity) {
        MoreValues* block = NewBlock(count, m_more == kOne ? 2 : Block()->capacity * 2);
        for (size_t i = 1; i < count; ++i) block->values()[i - 1] = std::move(Block()->values()[i - 1]);
        FreeBlock();
        m_more = reinterpret_cast<uintptr_t>(block);
    }
    Block()->values()[count - 1] = std::move(value);
    Block()->size = count + 1;
}

}  // namespace ed
