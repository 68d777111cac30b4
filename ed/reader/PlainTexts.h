#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

namespace ed {

// Copies of value texts that the parser keeps plain (ValueList::SetPlain) rather than interning: out of
// their block before the block is reused, until Clear. Packed in chunks from the host's heap (du::Env),
// a text costs its bytes and no header, slot or count. Not thread-safe.
class PlainTexts {
  public:
    PlainTexts() = default;
    ~PlainTexts() { Clear(); }
    PlainTexts(const PlainTexts&) = delete;
    PlainTexts& operator=(const PlainTexts&) = delete;

    // A zero-terminated copy of `text`, aligned to 4 bytes; throws std::bad_alloc.
    const char* Add(std::string_view text);
    // Gives every chunk back: the texts handed out are gone.
    void Clear() noexcept;

  private:
    static constexpr size_t kAlignment = 4;
    static constexpr size_t kChunkBytes = size_t{64} << 10;

    std::vector<char*> m_chunks;
    char* m_next = nullptr;
    char* m_end = nullptr;
};

}  // namespace ed
