#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "ed/reader/RecordScan.h"

namespace du {
class FileReader;
}  // namespace du

namespace ed {

// Hands out a file's lines like du::LineReader (writable, zero-terminated, line feed kept, valid
// until the next ReadLine), from blocks read, split into lines and scanned for the fields of their
// records (ed/reader/RecordScan.h) in one go. With `ownThread`, a thread of its own reads and scans
// the next blocks while the caller handles the lines of an earlier one, a few recycled blocks in
// flight at most; without it (or when no thread can be had) one block is read and scanned on the
// caller's thread when its lines are needed. The destructor joins the thread wherever the reading
// stopped; an exception on it reaches the caller at the ReadLine that needed its block. A read error
// ends the input, as in LineReader.
class BlockLines {
  public:
    // `reader` must outlive this object; with a thread of its own, only that thread uses it.
    BlockLines(du::FileReader* reader, size_t blockSize, bool ownThread);
    ~BlockLines();
    BlockLines(const BlockLines&) = delete;
    BlockLines& operator=(const BlockLines&) = delete;

    bool ReadLine() {
        if (m_savedAt) *m_savedAt = m_savedByte;
        m_savedAt = nullptr;
        if (m_block && ++m_index < m_block->ends.size()) {
            TakeLine();
            return true;
        }
        return NextBlock();
    }
    char* GetBuffer() { return m_line; }
    size_t GetLength() const { return m_lineLength; }
    // The current line's place in its block: 0 for the first line of each block.
    size_t Index() const { return m_index; }
    // The scanned records of the current line's block, in line order.
    const std::vector<RecordScan>& Records() const { return m_block->records; }

  private:
    struct Block {
        std::unique_ptr<char[]> bytes;
        size_t capacity = 0;
        size_t size = 0;
        std::vector<size_t> ends;  // of its lines, one past each line feed
        std::vector<RecordScan> records;
    };

    void TakeLine() {
        char* bytes = m_block->bytes.get();
        const size_t begin = m_index ? m_block->ends[m_index - 1] : 0;
        const size_t end = m_block->ends[m_index];
        m_line = bytes + begin;
        m_lineLength = end - begin;
        m_savedAt = bytes + end;  // a block keeps a spare byte past its bytes
        m_savedByte = *m_savedAt;
        *m_savedAt = '\0';
    }
    bool NextBlock();
    bool NextBlockFromThread();
    // Reads, splits and scans the next block; false at the end of the input.
    bool ReadBlock(Block& block);

    // On the reading thread.
    void Run();
    bool Fill(Block& block);
    void Split(Block& block);

    du::FileReader* m_reader;
    const size_t m_blockSize;

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<std::unique_ptr<Block>> m_free;   // for the reader to fill
    std::deque<std::unique_ptr<Block>> m_filled;  // in file order, for the caller
    bool m_stop = false;
    bool m_done = false;
    std::exception_ptr m_error;

    // The reader's own: the reading thread's, or the caller's without one.
    std::string m_carry;  // the unfinished line at the end of the last block
    bool m_eof = false;

    // The caller's own.
    std::unique_ptr<Block> m_block;
    size_t m_index = 0;
    char* m_line = nullptr;
    size_t m_lineLength = 0;
    char m_savedByte = 0;
    char* m_savedAt = nullptr;

    std::thread m_thread;  // last: started once everything above is in place
};

}  // namespace ed
