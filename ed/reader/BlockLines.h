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

#include "ed/reader/LoadOptions.h"
#include "ed/reader/RecordScan.h"

namespace du {
class FileReader;
}  // namespace du

namespace ed {

// Hands out a file's lines a block at a time (the lines that du::LineReader would give, line feeds
// kept), each block read, split into lines and scanned for the fields of its records
// (ed/reader/RecordScan.h), their texts interned, in one go. With `ownThread`, a thread of its own reads and
// scans the next blocks while the caller handles the lines of an earlier one, a few recycled blocks in flight
// at most; without it (or when no thread can be had) one block is read and scanned on the caller's thread
// when its lines are needed. The destructor joins the thread wherever the reading stopped; an exception on it
// reaches the caller at the NextBlock that needed its block. A read error is such an exception
// (du::ReadError), never the end of the input.
//
//   while (lines.NextBlock()) {
//       size_t begin = 0;
//       for (size_t end : lines.Ends()) Handle(lines.Bytes() + begin, end - begin), begin = end;
//   }
class BlockLines {
  public:
    // `reader` must outlive this object; with a thread of its own, only that thread uses it. The
    // options give the block size and the blocks in flight. Without `scanRecords` the blocks come with
    // no scans, and every handler reads its own line's fields; `readOnly`, when given, must outlive
    // this object too (ScanRecords).
    BlockLines(du::FileReader* reader, const LoadOptions& options, bool ownThread, bool scanRecords = true,
               const ReadOnlyNames* readOnly = nullptr);
    ~BlockLines();
    BlockLines(const BlockLines&) = delete;
    BlockLines& operator=(const BlockLines&) = delete;

    // Moves to the next block, if there is one; the last one stays valid until then.
    bool NextBlock() { return m_thread.joinable() ? NextBlockFromThread() : NextBlockHere(); }
    // The block's lines, writable, with one spare byte after the last.
    char* Bytes() const { return m_block->bytes.get(); }
    // One past each line's line feed (the last line may have none), in file order.
    const std::vector<size_t>& Ends() const { return m_block->ends; }
    // The scanned records of the block's lines, in line order; their handlers take their texts.
    std::vector<RecordScan>& Records() const { return m_block->records; }

  private:
    struct Block {
        std::unique_ptr<char[]> bytes;
        size_t capacity = 0;
        size_t size = 0;
        std::vector<size_t> ends;  // of its lines, one past each line feed
        std::vector<RecordScan> records;
        bool textsInterned = false;  // the records' texts are interned, or there are none to intern
    };

    bool NextBlockHere();
    bool NextBlockFromThread();
    // Reads, splits and scans the next block; false at the end of the input.
    bool ReadBlock(Block& block);
    // Interns the texts of the block's records, unless that is done.
    static void InternBlock(Block& block);

    // On the reading thread.
    void Run();
    // No filled block waits for the caller: it waits for one, or soon will.
    bool NothingFilled();
    bool Fill(Block& block);
    void Split(Block& block);

    du::FileReader* m_reader;
    const size_t m_blockSize;
    const size_t m_refillBlocks;
    const bool m_scanRecords;
    const ReadOnlyNames* const m_readOnly;

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

    std::thread m_thread;  // last: started once everything above is in place
};

}  // namespace ed
