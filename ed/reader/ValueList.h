#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <new>
#include <utility>

#include "du/Symbol.h"

namespace ed {

// The values of one property in file order, in one tagged word of its record: nearly every property
// has exactly one value, held in the word itself, and only a list of two or more takes a block. A
// million properties then cost no allocation each, and their records 8 bytes less apiece, which at
// that size is 64 MiB of fresh memory the load does not touch.
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
    ~ValueList() { clear(); }

    bool empty() const { return m_word == kNone; }
    size_t size() const { return m_word == kNone ? 0 : Tag() == kBlockTag ? Block()->size : 1; }
    // The first value as a symbol, interned now if it is plain; null after TakeFront.
    du::Symbol Front() const;
    // The first value's text, valid as long as the value; null when that is a null symbol (TakeFront).
    const char* FrontText() const;
    bool IsPlain() const { return Tag() == kPlainTag; }
    // The value at `i` < size() as a symbol, interned now if it is plain.
    du::Symbol operator[](size_t i) const { return Tag() == kBlockTag ? Block()->values()[i] : Front(); }
    void push_back(du::Symbol value);
    // Makes `text` the only value, kept as it is: the list must be empty, and `text` outlive it and be
    // aligned to 4 bytes.
    void SetPlain(const char* text) { m_word = reinterpret_cast<uintptr_t>(text) | kPlainTag; }
    // The first value, leaving it null in the list: for a consumer that is the list's last reader,
    // so that the value changes hands without a count raised now and dropped at the list's end.
    du::Symbol TakeFront();
    void PrefetchFront() const {
        if (Tag() != kSymbolTag) return;
        du::Symbol front = du::Symbol::Attach(Text());
        front.PrefetchCount();
        front.Detach();
    }
    // No values any more.
    void clear();

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
    // Two values or more, the first included, behind their count and room.
    struct alignas(du::Symbol) MoreValues {
        size_t size;
        size_t capacity;
        du::Symbol* values() { return reinterpret_cast<du::Symbol*>(this + 1); }
    };
    // m_word is kNone for no values, kNullOne for a single null value, a symbol's handle
    // (du::Symbol::Detach) for that symbol alone, a plain text's address with kPlainTag for that text
    // alone, else the block of them all with kBlockTag.
    static constexpr uintptr_t kNone = 0;
    static constexpr uintptr_t kSymbolTag = 0;
    static constexpr uintptr_t kBlockTag = 1;
    static constexpr uintptr_t kPlainTag = 2;
    static constexpr uintptr_t kNullOne = 3;
    static constexpr uintptr_t kTagMask = 3;

    uintptr_t Tag() const { return m_word & kTagMask; }  // kNullOne alone has both bits
    const char* Text() const { return reinterpret_cast<const char*>(m_word & ~kTagMask); }
    MoreValues* Block() const { return reinterpret_cast<MoreValues*>(m_word & ~kTagMask); }
    void SetBlock(MoreValues* block) { m_word = reinterpret_cast<uintptr_t>(block) | kBlockTag; }
    static MoreValues* NewBlock(size_t capacity);
    static void FreeBlock(MoreValues* block) noexcept;

    uintptr_t m_word = kNone;
};
static_assert(sizeof(ValueList) == sizeof(uintptr_t));

inline du::Symbol ValueList::Front() const {
    switch (Tag()) {
        case kSymbolTag:
            return m_word == kNone ? du::Symbol() : du::Symbol::Copy(Text());
        case kPlainTag:
            return du::Symbol(Text());
        case kBlockTag:
            return Block()->values()[0];
        default:
            return du::Symbol();
    }
}

inline const char* ValueList::FrontText() const {
    switch (Tag()) {
        case kSymbolTag:
        case kPlainTag:
            return m_word == kNone ? nullptr : Text();
        case kBlockTag:
            return Block()->values()[0].c_str();
        default:
            return nullptr;
    }
}

inline du::Symbol ValueList::TakeFront() {
    switch (Tag()) {
        case kSymbolTag:
            if (m_word == kNone) return du::Symbol();
            return du::Symbol::Attach(reinterpret_cast<const char*>(std::exchange(m_word, kNullOne)));
        case kBlockTag:
            return std::move(Block()->values()[0]);
        default:
            return Front();
    }
}

inline void ValueList::clear() {
    switch (Tag()) {
        case kSymbolTag:
            du::Symbol::Attach(Text());
            break;
        case kBlockTag:
            FreeBlock(Block());
            break;
        default:
            break;
    }
    m_word = kNone;
}

inline ValueList::MoreValues* ValueList::NewBlock(size_t capacity) {
    void* memory = ::operator new(sizeof(MoreValues) + capacity * sizeof(du::Symbol));
    MoreValues* block = new (memory) MoreValues{0, capacity};
    for (size_t i = 0; i < capacity; ++i) new (&block->values()[i]) du::Symbol();
    return block;
}

inline void ValueList::FreeBlock(MoreValues* block) noexcept {
    for (size_t i = 0; i < block->capacity; ++i) block->values()[i].~Symbol();
    ::operator delete(block);
}

inline ValueList& ValueList::operator=(const ValueList& other) {
    if (this == &other) return *this;
    const size_t count = other.size();
    MoreValues* block = count > 1 ? NewBlock(count) : nullptr;
    for (size_t i = 0; block && i < count; ++i) block->values()[i] = other.Block()->values()[i];
    if (block) block->size = count;
    // A single value is copied after the block, which alone may throw.
    du::Symbol single = count == 1 && other.Tag() == kSymbolTag ? other.Front() : du::Symbol();
    clear();
    if (block)
        SetBlock(block);
    else if (!single.is_null())
        m_word = reinterpret_cast<uintptr_t>(single.Detach());
    else
        m_word = other.m_word;  // none, a single null value or a plain text, which the parser keeps
    return *this;
}

inline void ValueList::push_back(du::Symbol value) {
    if (m_word == kNone) {
        m_word = value.is_null() ? kNullOne : reinterpret_cast<uintptr_t>(value.Detach());
        return;
    }
    const size_t count = size();
    if (Tag() != kBlockTag) {
        // A plain first value is interned first: of the steps that may throw, the last leaves the list
        // as it was.
        du::Symbol first = IsPlain() ? Front() : du::Symbol();
        MoreValues* block = NewBlock(2);
        block->values()[0] = IsPlain() ? std::move(first) : TakeFront();
        block->size = 1;
        SetBlock(block);
    } else if (count == Block()->capacity) {
        MoreValues* block = NewBlock(count * 2);
        for (size_t i = 0; i < count; ++i) block->values()[i] = std::move(Block()->values()[i]);
        block->size = count;
        FreeBlock(Block());
        SetBlock(block);
    }
    Block()->values()[count] = std::move(value);
    Block()->size = count + 1;
}

}  // namespace ed
