#pragma once

#include <cstddef>
#include <cstring>
#include <memory>
#include <string_view>

#include "du/FileReader.h"
#include "du/SmartPtr.h"

namespace du {

// Splits a FileReader's bytes into lines of any length. Each line is handed out as a writable,
// zero-terminated buffer that keeps its line feed (when the line had one) and stays valid until the
// next ReadLine. Lines are delivered in place from large reads, without a copy per line.
// Not thread-safe.
class LineReader {
  public:
    // `flags` is accepted for the host's signature (0: plain lines).
    LineReader(FileReader* reader, int flags = 0);
    LineReader(const LineReader&) = delete;
    LineReader& operator=(const LineReader&) = delete;

    // False at the end of the input (or on a read error). Inline, as it runs once a line and nearly
    // every line lies whole in the buffer already.
    bool ReadLine() {
        if (m_savedAt) *m_savedAt = m_savedByte;
        char* base = m_buffer.get();
        if (const void* feed = std::memchr(base + m_begin, '\n', m_end - m_begin)) {
            TakeLine(static_cast<size_t>(static_cast<const char*>(feed) - base) + 1);
            return true;
        }
        return ReadLineAcrossRefills();
    }
    char* GetBuffer() { return m_line; }
    // Bytes of the current line, line feed included, terminator excluded (zero bytes inside count).
    size_t GetLength() const { return m_lineLength; }
    // The bytes read beyond the current line, for a reader that looks ahead: the first reads as the
    // current line's terminator, and the last may be inside a line. Valid until the next ReadLine.
    std::string_view Ahead() const { return std::string_view(m_buffer.get() + m_begin, m_end - m_begin); }

  private:
    // The unread bytes hold no line feed: reads on until one comes or the input ends.
    bool ReadLineAcrossRefills();
    // Hands out the unread bytes up to `stop` as the current line.
    void TakeLine(size_t stop) {
        char* base = m_buffer.get();
        m_line = base + m_begin;
        m_lineLength = stop - m_begin;
        m_savedAt = base + stop;  // always inside the buffer: Refill keeps a spare byte past m_end
        m_savedByte = *m_savedAt;
        *m_savedAt = '\0';
        m_begin = stop;
    }
    bool Refill();
    size_t GrownSize() const;
    // Keeps the bytes read so far.
    void Grow(size_t capacity);

    SmartPtr<FileReader> m_reader;
    // Not zero-filled: a file-sized buffer would be written twice.
    std::unique_ptr<char[]> m_buffer;
    size_t m_capacity;
    size_t m_begin;  // first unread byte
    size_t m_end;    // one past the last byte read from the file
    bool m_eof;
    char* m_line;
    size_t m_lineLength;
    char m_savedByte;  // the byte our terminator overwrote, put back before the next line
    char* m_savedAt;
    size_t m_sizeHint;  // the file's size as the reader knew it at the start; 0 when unknown
};

}  // namespace du
