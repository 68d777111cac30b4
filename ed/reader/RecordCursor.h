#pragma once

#include <cstddef>
#include <vector>

#include "ed/reader/RecordScan.h"

namespace ed {

// Hands each line of a block the record that the block's scan found for it, if any. The parse is the
// same without one: a line without a record is scanned by its handler. One per block, on the stack
// of its driver, so that it lives in registers.
//
//   RecordCursor records(lines.Records());
//   for (size_t line = 0; line < lines.Ends().size(); ++line)
//       ParseLine(..., records.Take(line));
class RecordCursor {
  public:
    explicit RecordCursor(std::vector<RecordScan>& records)
        : m_next(records.data()), m_end(records.data() + records.size()) {}

    // The record of line `line` of the block, else null; lines are taken in order, each once.
    RecordScan* Take(size_t line) {
        if (m_next == m_end || m_next->line != line) return nullptr;
        return m_next++;
    }

  private:
    RecordScan* m_next;  // the first record not taken
    RecordScan* m_end;
};

}  // namespace ed
