#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

namespace ed {

// Copies of value texts that the parser keeps plain (ValueList::SetPlain) rather than interning: out of
// their block before the block is reused, until Clear. Packed in pages of the host's page pool
// (du/PagePool.h), a text costs its bytes and no header, slot or count, and its memory is of the
// regions the structure's objects come from. Not thread-safe.
class PlainTexts {
  public:
    // Longer texts are not kept plain.
    static constexpr size_t kMaxLength = 1024;

    PlainTexts() = default;
    ~PlainTexts() { Clear(); }
    PlainTexts(const PlainTexts&) = delete;
    PlainTexts& operator=(const PlainTexts&) = delete;

    // A zero-terminated copy of `text`, aligned to 4 bytes; null when `text` is longer than kMaxLength.
    // Throws std::bad_alloc.
    const char* Add(std::string_view text);
    // Gives every page back: the texts handed out are gone.
    void Clear() noexcept;

  private:
    static constexpr size_t kAlignment = 4;

    std::vector<void*> m_pages;
    char* m_next = nullptr;
    char* m_end = nullptr;
};

}  // namespace ed
