#pragma once

#include <cstddef>
#include <vector>

#include "ed/reader/RecordScan.h"

namespace ed {

// Hands each record of a block its fields as the block's scan found them (BlockLines), and prefetches
// the symbol-table entries of the texts that the next records will intern (the names of I records and
// the values of V records), so that interning finds them in the cache instead of waiting on two
// memory loads for each. The parse is the same with or without it: a line without a scan is scanned
// by its handler. One per block, on the stack of its driver, so that it lives in registers.
//
//   LookAhead lookAhead(lines.Records());
//   for (size_t line = 0; line < lines.Ends().size(); ++line)
//       ParseLine(..., lookAhead.Take(line));
class LookAhead {
  public:
    // Prefetches the slots of the block's first records.
    explicit LookAhead(const std::vector<RecordScan>& records);

    // The fields of line `line` of the block if the scan found them, else null; lines are taken in
    // order, each once.
    const RecordScan* Take(size_t line) {
        if (m_next == m_end || m_next->line != line) return nullptr;
        PrefetchAfter(m_next);
        return m_next++;
    }

  private:
    // How many records ahead a text's slot is prefetched, and its text once the slot has come in.
    static constexpr ptrdiff_t kSlotsAhead = 24;
    static constexpr ptrdiff_t kTextsAhead = 12;

    // Prefetches for the records kSlotsAhead and kTextsAhead after `record`.
    void PrefetchAfter(const RecordScan* record) const;

    const RecordScan* m_next;  // the first record not taken
    const RecordScan* m_end;
};

}  // namespace ed
