#include "ed/reader/LookAhead.h"

#include <cstring>

#include "du/Symbol.h"

namespace ed {

void LookAhead::Advance(std::string_view ahead) {
    const char* start = ahead.data();
    const char* end = start + ahead.size();
    // The bytes ahead only move forward within one buffer; anything else is a refill, and the lines
    // looked at so far are elsewhere now.
    const auto at = [](const char* p) { return reinterpret_cast<uintptr_t>(p); };
    if (at(start) < at(m_start) || at(m_next) < at(start) || at(m_next) > at(end)) {
        m_next = start;
        m_lines = 0;
        m_pending = 0;
    } else if (m_lines > 0) {
        --m_lines;
    }
    m_start = start;
    for (; m_lines < kLines; ++m_lines) {
        const void* feed = std::memchr(m_next, '\n', static_cast<size_t>(end - m_next));
        if (!feed) break;
        Look(m_next, static_cast<const char*>(feed));
        m_next = static_cast<const char*>(feed) + 1;
    }
}

// Finds the text as the record's handler will (four integer fields, then blanks) and prefetches its
// slot; the text whose slot was prefetched kTexts texts ago gets its own prefetch now.
void LookAhead::Look(const char* line, const char* end) {
    if (*line != 'I' && *line != 'V') return;
    // Bounded by the line feed: the bytes ahead are not terminated.
    const auto isDigit = [](char c) { return static_cast<unsigned char>(c - '0') < 10; };
    const char* p = line + 1;
    for (int field = 0; field < 4; ++field) {
        while (p < end && !isDigit(*p)) ++p;
        while (p < end && isDigit(*p)) ++p;
    }
    while (p < end && *p == ' ') ++p;
    const uint32_t hash = du::Symbol::PrefetchSlot(p, static_cast<size_t>(end - p));
    if (m_pending == kTexts) {
        du::Symbol::PrefetchText(m_hashes[m_oldest]);
        m_hashes[m_oldest] = hash;
        m_oldest = (m_oldest + 1) % kTexts;
    } else {
        m_hashes[(m_oldest + m_pending++) % kTexts] = hash;
    }
}

}  // namespace ed
