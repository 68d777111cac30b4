#pragma once

#include <cstddef>
#include <vector>

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

    // False at the end of the input (or on a read error).
    bool ReadLine();
    char* GetBuffer() { return m_line; }
    // Bytes of the current line, line feed included, terminator excluded (zero bytes inside count).
    size_t GetLength() const { return m_lineLength; }

  private:
    bool Refill();
    size_t GrownSize() const;

    SmartPtr<FileReader> m_reader;
    std::vector<char> m_buffer;
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
