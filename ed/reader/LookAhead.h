#pragma once

#include <cstddef>
#include <cstdint>

#include "ed/reader/RecordScan.h"

namespace ed {

class BlockLines;

// Hands each record's handler the fields that its block's scan found (BlockLines), and prefetches the
// symbol-table entries of the texts that the next lines will intern (the names of I records and the
// values of V records), so that interning finds them in the cache instead of waiting on two memory
// loads for each. The parse is the same with or without it: a line without a scan is scanned by its
// handler. One per parser, not thread-safe.
//
//   LookAhead lookAhead;
//   while (lines.ReadLine()) {
//       lookAhead.Advance(lines);
//       ParseLine(lines.GetBuffer());  // its handler asks lookAhead.Scanned()
//   }
class LookAhead {
  public:
    // Called once per line, after the line was read.
    void Advance(const BlockLines& lines);
    // The fields of the current line when its record was scanned, else null.
    const RecordScan* Scanned() const {
        return m_current != m_end && m_current->line == m_line ? m_current : nullptr;
    }

  private:
    // How far ahead the slots are prefetched, in lines; the texts follow kTexts texts later, when
    // their slots have come in.
    static constexpr size_t kLines = 24;
    static constexpr uint32_t kTexts = 4;

    void Prefetch(uint32_t hash);

    // The current block's scans: the first at or after the current line, the first whose text was not
    // prefetched yet, and the end.
    const RecordScan* m_current = nullptr;
    const RecordScan* m_ahead = nullptr;
    const RecordScan* m_end = nullptr;
    size_t m_line = 0;  // the current line's index in its block
    uint32_t m_hashes[kTexts] = {};  // of the texts whose slots were prefetched last, oldest at m_oldest
    uint32_t m_oldest = 0;
    uint32_t m_pending = 0;
};

}  // namespace ed
