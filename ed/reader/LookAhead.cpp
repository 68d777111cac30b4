#include "ed/reader/LookAhead.h"

#include "du/Symbol.h"

namespace ed {

// The first records of a block get their slots prefetched as late as they come.
LookAhead::LookAhead(const std::vector<RecordScan>& records)
    : m_next(records.data()), m_end(records.data() + records.size()) {
    for (const RecordScan* record = m_next; record != m_end && record - m_next < kSlotsAhead; ++record)
        if (record->interned) du::Symbol::PrefetchSlot(record->hash);
}

void LookAhead::PrefetchAfter(const RecordScan* record) const {
    const ptrdiff_t left = m_end - record;
    if (left > kSlotsAhead && record[kSlotsAhead].interned)
        du::Symbol::PrefetchSlot(record[kSlotsAhead].hash);
    if (left > kTextsAhead && record[kTextsAhead].interned)
        du::Symbol::PrefetchText(record[kTextsAhead].hash);
}

}  // namespace ed
