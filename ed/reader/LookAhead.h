#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace ed {

class BlockLines;

// A text record's fields as its handler reads them (I, N and V records: four numbers, then a text to
// the end of the line), found while the line was still ahead.
struct TextFields {
    const char* line = nullptr;  // the record's line
    int id = 0;                  // the second number
    size_t textBegin = 0;        // the text's bytes, as offsets into the line
    size_t textEnd = 0;
    bool highBytes = false;  // bytes above 0x7f, for the converter
};

// Reads each text record of the next lines once, so that its handler finds the fields scanned, and
// prefetches the symbol-table entries of the texts that they will intern (the names of I records and
// the values of V records), so that interning finds them in the cache instead of waiting on two
// memory loads for each. The parse is the same with or without it: a line it did not scan (the first
// of a block, one with a zero byte or without a line feed) is scanned by its handler. One per parser,
// not thread-safe.
//
//   LookAhead lookAhead;
//   while (lines.ReadLine()) {
//       lookAhead.Advance(lines);
//       ParseLine(lines.GetBuffer());  // its handler asks lookAhead.Scanned(line)
//   }
class LookAhead {
  public:
    // Called once per line, after the line was read.
    void Advance(const BlockLines& lines);
    // The fields of the current line when it was scanned ahead, else null.
    const TextFields* Scanned(const char* line) const {
        const TextFields& fields = m_fields[m_current % kSlots];
        return fields.line == line ? &fields : nullptr;
    }

  private:
    // How far ahead the lines are scanned and the slots prefetched; the texts follow kTexts texts
    // later, when their slots have come in.
    static constexpr size_t kLines = 24;
    static constexpr size_t kSlots = 32;  // more than kLines: a line's fields stay until it is read
    static constexpr uint32_t kTexts = 4;

    void Look(std::string_view line, size_t index);
    void Prefetch(const char* text, size_t length);

    TextFields m_fields[kSlots];  // by the line's index in its block
    size_t m_current = 0;         // the index of the line being read
    uint32_t m_hashes[kTexts] = {};  // of the texts whose slots were prefetched last, oldest at m_oldest
    uint32_t m_oldest = 0;
    uint32_t m_pending = 0;
};

}  // namespace ed
