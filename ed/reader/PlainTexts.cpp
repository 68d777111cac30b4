#include "ed/reader/PlainTexts.h"

#include <cstring>

#include "du/Env.h"
#include "du/PagePool.h"

namespace ed {

const char* PlainTexts::Add(std::string_view text) {
    if (text.size() > kMaxLength) return nullptr;
    const size_t bytes = (text.size() + 1 + kAlignment - 1) & ~(kAlignment - 1);
    if (static_cast<size_t>(m_end - m_next) < bytes) {
        // Room for the page's address first, so that a page is never taken without being kept.
        m_pages.reserve(m_pages.size() + 1);
        if (!du::Env::Get().GrantPooled()) du::Env::NoteAndThrow();
        m_next = static_cast<char*>(du::PagePool::Get().Allocate());
        m_end = m_next + du::PagePool::kPageSize;
        m_pages.push_back(m_next);
    }
    char* copy = m_next;
    std::memcpy(copy, text.data(), text.size());
    copy[text.size()] = '\0';
    m_next += bytes;
    return copy;
}

void PlainTexts::Clear() noexcept {
    for (void* page : m_pages) du::PagePool::Get().Release(page);
    m_pages.clear();
    m_pages.shrink_to_fit();
    m_next = m_end = nullptr;
}

}  // namespace ed
