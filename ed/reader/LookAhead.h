#pragma once

#include <cstddef>
#include <vector>

#include "ed/reader/RecordScan.h"

namespace ed {

// Hands each record's handler the fields that its block's scan found (BlockLines), and prefetches the
// symbol-table entries of the texts that the next records will intern (the names of I records and the
// values of V records), so that interning finds them in the cache instead of waiting on two memory
// loads for each. The parse is the same with or without it: a line without a scan is scanned by its
// handler. One per parser, not thread-safe.
//
//   LookAhead lookAhead;
//   while (lines.ReadLine()) {
//       lookAhead.Advance(lines.Index(), lines.Records());
//       ParseLine(lines.GetBuffer());  // its handler asks lookAhead.Scanned()
//   }
class LookAhead {
  public:
    // Called once per line, after the line was read, with its index in its block and the block's
    // scans (BlockLines). Inline, as it runs once a line.
    void Advance(size_t line, const std::vector<RecordScan>& records) {
        m_line = line;
        if (m_line == 0) Restart(records);
        while (m_current != m_end && m_current->line < m_line) PrefetchAfter(++m_current);
    }
    // The fields of the current line when its record was scanned, else null.
    const RecordScan* Scanned() const {
        return m_current != m_end && m_current->line == m_line ? m_current : nullptr;
    }

  private:
    // How many records ahead a text's slot is prefetched, and its text once the slot has come in.
    static constexpr ptrdiff_t kSlotsAhead = 24;
    static constexpr ptrdiff_t kTextsAhead = 12;

    // Starts on the block of the current line.
    void Restart(const std::vector<RecordScan>& records);
    // Prefetches for the records kSlotsAhead and kTextsAhead after `record`.
    void PrefetchAfter(const RecordScan* record) const;

    // The current block's scans: the first at or after the current line, and the end.
    const RecordScan* m_current = nullptr;
    const RecordScan* m_end = nullptr;
    size_t m_line = 0;  // the current line's index in its block
};

}  // namespace ed
