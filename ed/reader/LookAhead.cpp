#include "ed/reader/LookAhead.h"

#include <vector>

#include "du/Symbol.h"
#include "ed/reader/BlockLines.h"

namespace ed {

void LookAhead::Advance(const BlockLines& lines) {
    m_line = lines.Index();
    if (m_line == 0) {
        const std::vector<RecordScan>& records = lines.Records();
        m_current = m_ahead = records.data();
        m_end = records.data() + records.size();
        m_pending = 0;
    }
    const RecordScan* current = m_current;
    while (current != m_end && current->line < m_line) ++current;
    m_current = current;
    const RecordScan* ahead = m_ahead;
    for (const size_t horizon = m_line + kLines; ahead != m_end && ahead->line <= horizon; ++ahead) {
        if (ahead->interned) Prefetch(ahead->hash);
    }
    m_ahead = ahead;
}

// Prefetches the text's slot; the text whose slot was prefetched kTexts texts ago gets its own
// prefetch now.
void LookAhead::Prefetch(uint32_t hash) {
    du::Symbol::PrefetchSlot(hash);
    if (m_pending == kTexts) {
        du::Symbol::PrefetchText(m_hashes[m_oldest]);
        m_hashes[m_oldest] = hash;
        m_oldest = (m_oldest + 1) % kTexts;
    } else {
        m_hashes[(m_oldest + m_pending++) % kTexts] = hash;
    }
}

}  // namespace ed
