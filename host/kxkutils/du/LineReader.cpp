#include "du/LineReader.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace du {

namespace {
constexpr size_t kDefaultReadSize = 256 * 1024;
// Larger files are read in blocks of this size, small enough that the bytes a read has just copied
// are still in the cache when the lines are split and scanned (an 8 MiB block cost a few percent).
constexpr size_t kMaxFirstReadSize = 512 * 1024;
}  // namespace

LineReader::LineReader(FileReader* reader, int)
    : m_reader(reader),
      m_begin(0),
      m_end(0),
      m_eof(reader == nullptr),
      m_line(nullptr),
      m_lineLength(0),
      m_savedByte(0),
      m_savedAt(nullptr),
      m_sizeHint(reader ? reader->SizeHint() : 0) {
    // Small files are read in one go. Two bytes beyond the file: one for the terminator of a last line
    // without a line feed, one so that the read which finds the end needs no larger buffer.
    size_t size = m_sizeHint ? std::min(m_sizeHint + 2, kMaxFirstReadSize) : kDefaultReadSize;
    m_buffer.reset(new char[m_capacity = std::max<size_t>(size, 2)]);
}

bool LineReader::ReadLineAcrossRefills() {
    m_savedAt = nullptr;
    m_line = nullptr;
    m_lineLength = 0;
    for (;;) {
        if (m_eof) {
            // A last line without a line feed is still a line.
            if (m_begin == m_end) return false;
            TakeLine(m_end);
            return true;
        }
        // The bytes already searched are not searched again, so a long line costs one pass, not one
        // per read; Refill moves them to the front.
        const size_t scanned = m_end - m_begin;
        Refill();
        char* base = m_buffer.get();
        if (const void* feed = std::memchr(base + scanned, '\n', m_end - scanned)) {
            TakeLine(static_cast<size_t>(static_cast<const char*>(feed) - base) + 1);
            return true;
        }
    }
}

// Moves the unread tail to the front and reads after it, growing the buffer when the tail fills it.
// Afterwards the unread bytes start at 0. False (with m_eof set) when nothing more came in.
bool LineReader::Refill() {
    size_t pending = m_end - m_begin;
    if (m_begin > 0) {
        std::memmove(m_buffer.get(), m_buffer.get() + m_begin, pending);
        m_begin = 0;
        m_end = pending;
    }
    // One byte is always kept free past m_end for the terminator.
    if (m_end + 1 >= m_capacity) Grow(GrownSize());
    long n = m_reader->Read(m_buffer.get() + m_end, m_capacity - 1 - m_end);
    if (n <= 0) {
        // A read error ends the input like the end of the file; the reader's LastError tells which.
        m_eof = true;
        return false;
    }
    m_end += static_cast<size_t>(n);
    return true;
}

void LineReader::Grow(size_t capacity) {
    std::unique_ptr<char[]> grown(new char[capacity]);
    std::memcpy(grown.get(), m_buffer.get(), m_end);
    m_buffer = std::move(grown);
    m_capacity = capacity;
}

// Doubling, but no further than the whole file needs: a file that is one huge line would otherwise
// end in a buffer of up to twice its size. A file that grew while read goes on doubling.
size_t LineReader::GrownSize() const {
    const size_t doubled = m_capacity * 2;
    const size_t whole = m_sizeHint + 2;
    return whole > m_capacity && whole < doubled ? whole : doubled;
}

}  // namespace du
