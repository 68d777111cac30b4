#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace ed {

// Prefetches the symbol-table entries of the texts that the next lines will intern (the names of I
// records and the values of V records), so that interning finds them in the cache instead of waiting
// on two memory loads for each. It only reads the lines and prefetches: the parse is the same with or
// without it. One per parser, not thread-safe.
//
//   LookAhead lookAhead;
//   while (lines.ReadLine()) {
//       lookAhead.Advance(lines.Ahead());
//       ParseLine(lines.GetBuffer());
//   }
class LookAhead {
  public:
    // Called once per line with the bytes read beyond it (du::LineReader::Ahead).
    void Advance(std::string_view ahead);

  private:
    // How far ahead the slots are prefetched, in lines; the texts follow kTexts texts later, when
    // their slots have come in.
    static constexpr uint32_t kLines = 24;
    static constexpr uint32_t kTexts = 4;

    void Look(const char* line, const char* end);

    const char* m_next = nullptr;    // the first line not looked at yet
    const char* m_start = nullptr;   // where the bytes ahead began at the last call
    uint32_t m_lines = 0;            // lines between the current one and m_next
    uint32_t m_hashes[kTexts] = {};  // of the texts whose slots were prefetched last, oldest at m_oldest
    uint32_t m_oldest = 0;
    uint32_t m_pending = 0;
};

}  // namespace ed
