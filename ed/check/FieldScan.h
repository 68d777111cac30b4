#pragma once

#include <cstdint>
#include <string_view>

namespace ed::check {

// One integer field as the reader's scanner reads it, with what the scan passed over on the way.
struct IdField {
    int value = 0;
    uint32_t column = 0;        // of the first digit, 0 when the line has no further number
    std::string_view digits;    // as written
    bool wraps = false;         // the digits do not fit 32 bits as a positive id
    bool sign = false;          // a '-' or '+' right before the digits was skipped
    std::string_view trailing;  // letters glued to the digits, which the next scan skips
};

// Scans the fields of one line in place, left to right, like the reader's handlers.
class FieldScan {
  public:
    FieldScan(const char* line, const char* end) : m_line(line), m_end(end), m_cursor(line + 1) {}

    IdField Id();
    void Skip(int count);
    // The text field: the rest of the line after blanks, up to the line feed or zero byte.
    std::string_view Text();
    const char* Line() const { return m_line; }
    uint32_t ColumnOf(const char* p) const { return static_cast<uint32_t>(p - m_line) + 1; }

  private:
    const char* m_line;
    const char* m_end;  // the line's line feed, terminator or first zero byte, whichever comes first
    const char* m_cursor;
};

}  // namespace ed::check
