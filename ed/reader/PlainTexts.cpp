#include "ed/reader/PlainTexts.h"

#include <algorithm>
#include <cstring>

#include "du/Env.h"

namespace ed {

const char* PlainTexts::Add(std::string_view text) {
    const size_t bytes = (text.size() + 1 + kAlignment - 1) & ~(kAlignment - 1);
    if (static_cast<size_t>(m_end - m_next) < bytes) {
        // Room for the chunk's address first, so that a chunk is never taken without being kept.
        m_chunks.reserve(m_chunks.size() + 1);
        const size_t chunkBytes = std::max(bytes, kChunkBytes);
        m_next = static_cast<char*>(du::Env::Get().Allocate(chunkBytes));
        m_end = m_next + chunkBytes;
        m_chunks.push_back(m_next);
    }
    char* copy = m_next;
    std::memcpy(copy, text.data(), text.size());
    copy[text.size()] = '\0';
    m_next += bytes;
    return copy;
}

void PlainTexts::Clear() noexcept {
    for (char* chunk : m_chunks) du::Env::Get().Free(chunk);
    m_chunks.clear();
    m_chunks.shrink_to_fit();
    m_next = m_end = nullptr;
}

}  // namespace ed
