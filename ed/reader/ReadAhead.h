#pragma once

#include <condition_variable>
#include <deque>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "du/Symbol.h"

namespace du {
class FileReader;
}  // namespace du

namespace ed {

// A text of the current line that was interned ahead: the handler that scans exactly these bytes (the
// same address and length, so no conversion took place) takes `symbol` instead of interning them.
struct AheadText {
    const char* data = nullptr;
    size_t size = 0;
    du::Symbol* symbol = nullptr;
};

// Hands out a file's lines like du::LineReader (writable, zero-terminated, line feed kept, valid
// until the next ReadLine), but one thread of its own reads the file in blocks, splits them into
// lines and interns the names of I records and the values of V records ahead, while the caller
// handles the lines of an earlier block. A few blocks are in flight at most, recycled. The thread is
// joined by the destructor, wherever the reading stopped; an exception on it reaches the caller at
// the ReadLine that would have needed its block. A read error ends the input, as in LineReader.
class ReadAhead {
  public:
    // `reader` must outlive this object and is used by the reading thread alone.
    ReadAhead(du::FileReader* reader, size_t blockSize, bool intern);
    ~ReadAhead();
    ReadAhead(const ReadAhead&) = delete;
    ReadAhead& operator=(const ReadAhead&) = delete;

    bool ReadLine() {
        if (m_savedAt) *m_savedAt = m_savedByte;
        m_savedAt = nullptr;
        if (m_block && ++m_index < m_block->lines.size()) {
            TakeLine();
            return true;
        }
        return NextBlock();
    }
    char* GetBuffer() { return m_line; }
    size_t GetLength() const { return m_lineLength; }
    // The rest of the current block, as du::LineReader::Ahead.
    std::string_view Ahead() const {
        return std::string_view(m_line + m_lineLength, m_block->size - (m_line + m_lineLength - m_block->bytes.get()));
    }
    // The current line's text interned ahead, or null.
    AheadText* Text() { return m_text.symbol ? &m_text : nullptr; }

  private:
    struct Line {
        size_t end;        // one past its line feed
        uint32_t text;     // from the line's start
        uint32_t textSize;
        uint32_t symbol;   // index in Block::symbols, kNone when nothing was interned
    };
    struct Block {
        std::unique_ptr<char[]> bytes;
        size_t capacity = 0;
        size_t size = 0;
        std::vector<Line> lines;
        std::vector<du::Symbol> symbols;
    };
    static constexpr uint32_t kNone = UINT32_MAX;

    void TakeLine() {
        const Line& line = m_block->lines[m_index];
        char* bytes = m_block->bytes.get();
        const size_t begin = m_index ? m_block->lines[m_index - 1].end : 0;
        m_line = bytes + begin;
        m_lineLength = line.end - begin;
        m_savedAt = bytes + line.end;  // a block keeps a spare byte past its bytes
        m_savedByte = *m_savedAt;
        *m_savedAt = '\0';
        m_text = line.symbol == kNone ? AheadText{}
                                      : AheadText{m_line + line.text, line.textSize, &m_block->symbols[line.symbol]};
    }
    bool NextBlock();

    // On the reading thread.
    void Run();
    bool Fill(Block& block);
    void Split(Block& block);
    void Look(Block& block, Line& line, size_t begin);

    du::FileReader* m_reader;
    const size_t m_blockSize;
    const bool m_intern;

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<std::unique_ptr<Block>> m_free;    // for the reader to fill
    std::deque<std::unique_ptr<Block>> m_filled;  // in file order, for the caller
    bool m_stop = false;
    bool m_done = false;
    std::exception_ptr m_error;

    // The reading thread's own.
    std::string m_carry;  // the unfinished line at the end of the last block
    bool m_eof = false;

    // The caller's own.
    std::unique_ptr<Block> m_block;
    size_t m_index = 0;
    char* m_line = nullptr;
    size_t m_lineLength = 0;
    char m_savedByte = 0;
    char* m_savedAt = nullptr;
    AheadText m_text;

    std::thread m_thread;  // last: started once everything above is in place
};

}  // namespace ed
