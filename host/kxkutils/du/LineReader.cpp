#include "du/LineReader.h"

#include <algorithm>
#include <cstring>

namespace du {

namespace {
constexpr size_t kDefaultReadSize = 256 * 1024;
constexpr size_t kMaxFirstReadSize = 8 * 1024 * 1024;
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
    m_buffer.resize(std::max<size_t>(size, 2));
}

bool LineReader::ReadLine() {
    if (m_savedAt) {
        *m_savedAt = m_savedByte;
        m_savedAt = nullptr;
    }
    m_line = nullptr;
    m_lineLength = 0;
    // Bytes before `scanned` hold no line feed, so a long line is searched once, not once per read.
    size_t scanned = m_begin;
    for (;;) {
        char* base = m_buffer.data();
        const void* feed = std::memchr(base + scanned, '\n', m_end - scanned);
        size_t stop;
        if (feed) {
            stop = static_cast<const char*>(feed) - base + 1;
        } else if (m_eof) {
            // A last line without a line feed is still a line.
            if (m_begin == m_end) return false;
            stop = m_end;
        } else {
            scanned = m_end - m_begin;  // where the unread bytes end once Refill moved them to the front
            Refill();
            continue;
        }
        m_line = base + m_begin;
        m_lineLength = stop - m_begin;
        m_savedAt = base + stop;  // always inside the buffer: Refill keeps a spare byte past m_end
        m_savedByte = *m_savedAt;
        *m_savedAt = '\0';
        m_begin = stop;
        return true;
    }
}

// Moves the unread tail to the front and reads after it, growing the buffer when the tail fills it.
// Afterwards the unread bytes start at 0. False (with m_eof set) when nothing more came in.
bool LineReader::Refill() {
    size_t pending = m_end - m_begin;
    if (m_begin > 0) {
        std::memmove(m_buffer.data(), m_buffer.data() + m_begin, pending);
        m_begin = 0;
        m_end = pending;
    }
    // One byte is always kept free past m_end for the terminator.
    if (m_end + 1 >= m_buffer.size()) m_buffer.resize(GrownSize());
    long n = m_reader->Read(m_buffer.data() + m_end, m_buffer.size() - 1 - m_end);
    if (n <= 0) {
        // A read error ends the input like the end of the file; the reader's LastError tells which.
        m_eof = true;
        return false;
    }
    m_end += static_cast<size_t>(n);
    return true;
}

// Doubling, but no further than the whole file needs: a file that is one huge line would otherwise
// end in a buffer of up to twice its size. A file that grew while read goes on doubling.
size_t LineReader::GrownSize() const {
    const size_t doubled = m_buffer.size() * 2;
    const size_t whole = m_sizeHint + 2;
    return whole > m_buffer.size() && whole < doubled ? whole : doubled;
}

}  // namespace du
