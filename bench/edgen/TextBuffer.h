#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace edgen {

// Appends text and numbers to a large buffer and writes it to a stdio stream in big blocks, only at
// line ends, so that the line being written can be looked at whole. Numbers are formatted by hand so
// that output is the same everywhere, whatever the C library's locale. The stream stays owned by the
// caller. Not thread-safe.
class TextBuffer {
  public:
    explicit TextBuffer(std::FILE* out);
    ~TextBuffer() { Flush(); }
    TextBuffer(const TextBuffer&) = delete;
    TextBuffer& operator=(const TextBuffer&) = delete;

    TextBuffer& Text(std::string_view text);
    TextBuffer& Char(char c);
    TextBuffer& Int(int64_t value);
    // `value` rounded to `decimals` places, trailing zeros (and a bare point) dropped.
    TextBuffer& Fixed(double value, int decimals);
    // The line written since the last EndLine.
    std::string_view Line() const { return std::string_view(m_buffer).substr(m_lineStart); }
    TextBuffer& EndLine();

    // Writes what is buffered; false once any write has failed.
    bool Flush();
    uint64_t BytesWritten() const { return m_written + m_buffer.size(); }

  private:
    std::FILE* m_out;
    std::string m_buffer;
    size_t m_lineStart = 0;
    uint64_t m_written = 0;
    bool m_failed = false;
};

}  // namespace edgen
