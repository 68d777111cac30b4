#include "ed/reader/LookAhead.h"

#include "du/Symbol.h"

namespace ed {

void LookAhead::Restart(const std::vector<RecordScan>& records) {
    m_current = records.data();
    m_end = records.data() + records.size();
    // The first records of a block get their slots prefetched as late as they come.
    for (const RecordScan* record = m_current; record != m_end && record - m_current < kSlotsAhead; ++record)
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
