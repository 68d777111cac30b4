#include "ed/reader/BlockLines.h"

#include <emmintrin.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <utility>

#include "du/Env.h"
#include "du/FileReader.h"

namespace ed {

namespace {

// One past each line feed among the `size` bytes, 64 bytes to a step: lines are a few dozen bytes, so
// a search that starts afresh at each line (memchr) spends most of its time starting.
void AppendLineEnds(const char* bytes, size_t size, std::vector<size_t>& ends) {
    const __m128i feed = _mm_set1_epi8('\n');
    size_t at = 0;
    for (; at + 64 <= size; at += 64) {
        uint64_t feeds = 0;
        for (size_t part = 0; part < 4; ++part) {
            const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + at + 16 * part));
            const auto found = static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, feed)));
            feeds |= uint64_t{found} << (16 * part);
        }
        for (; feeds != 0; feeds &= feeds - 1) ends.push_back(at + static_cast<size_t>(__builtin_ctzll(feeds)) + 1);
    }
    for (; at < size; ++at)
        if (bytes[at] == '\n') ends.push_back(at + 1);
}

}  // namespace

// The caller hands a block back when it takes the next one, so the reader can wait for at most all but
// one of the blocks in flight.
BlockLines::BlockLines(du::FileReader* reader, const LoadOptions& options, bool ownThread, bool scanRecords,
                       const ReadOnlyNames* readOnly)
    : m_reader(reader),
      m_blockSize(std::max<size_t>(options.blockSize, 2)),
      m_refillBlocks(
          std::clamp<size_t>(options.refillBlocks, 1, std::max<size_t>(options.blocksInFlight, 2) - 1)),
      m_scanRecords(scanRecords),
      m_readOnly(readOnly) {
    if (!ownThread) return;
    const size_t blocks = std::max<size_t>(options.blocksInFlight, 2);
    // Room for every block, so that handing one back never allocates.
    m_free.reserve(blocks);
    for (size_t i = 0; i < blocks; ++i) m_free.push_back(std::make_unique<Block>());
    try {
        m_thread = du::Env::Get().StartThread([this] { Run(); });
    } catch (...) {
        // No thread to be had: the blocks are read here.
        m_free.clear();
    }
}

BlockLines::~BlockLines() {
    if (!m_thread.joinable()) return;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

bool BlockLines::NextBlockHere() {
    if (!m_block) m_block = std::make_unique<Block>();
    if (!ReadBlock(*m_block)) return false;
    InternBlock(*m_block);
    return true;
}

bool BlockLines::NextBlockFromThread() {
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        if (m_block) {
            m_free.push_back(std::move(m_block));
            if (m_free.size() == m_refillBlocks) m_changed.notify_all();
        }
        m_changed.wait(lock, [this] { return !m_filled.empty() || m_done; });
        if (m_filled.empty()) {
            if (m_error) std::rethrow_exception(std::exchange(m_error, nullptr));
            return false;
        }
        m_block = std::move(m_filled.front());
        m_filled.pop_front();
    }
    InternBlock(*m_block);
    return true;
}

void BlockLines::Run() {
    try {
        for (;;) {
            std::unique_ptr<Block> block;
            {
                std::unique_lock<std::mutex> lock(m_mutex);
                if (m_free.empty())
                    m_changed.wait(lock, [this] { return m_stop || m_free.size() >= m_refillBlocks; });
                if (m_stop) return;
                block = std::move(m_free.back());
                m_free.pop_back();
            }
            const bool more = ReadBlock(*block);
            if (more && !NothingFilled()) InternBlock(*block);
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                if (more) m_filled.push_back(std::move(block));
                m_done = !more;
            }
            m_changed.notify_all();
            if (!more) return;
        }
    } catch (...) {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_error = std::current_exception();
            m_done = true;
        }
        m_changed.notify_all();
    }
}

// With the reader ahead, the caller finds the block's texts interned; with the caller waiting (or
// about to wait) for the block, it interns them itself, which keeps both threads busy whichever of them is
// the slower for a file (interning is about a third of the reading thread's work when it runs there).
bool BlockLines::NothingFilled() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_filled.empty();
}

bool BlockLines::ReadBlock(Block& block) {
    if (!Fill(block)) return false;
    Split(block);
    block.textsInterned = !m_scanRecords;
    if (m_scanRecords) ScanRecords(block.bytes.get(), block.ends, block.records, m_readOnly);
    return true;
}

void BlockLines::InternBlock(Block& block) {
    if (block.textsInterned) return;
    InternRecordTexts(block.bytes.get(), block.ends, block.records);
    block.textsInterned = true;
}

// Starts the block with the line left unfinished by the last one and reads until it is full and
// holds a line feed, or the input ends. False when there is nothing left.
bool BlockLines::Fill(Block& block) {
    block.ends.clear();
    // One spare byte for the terminator of the block's last line.
    const size_t wanted = std::max(m_blockSize, m_carry.size() + 1) + 1;
    if (block.capacity < wanted) {
        block.bytes.reset(new char[wanted]);
        block.capacity = wanted;
    }
    std::memcpy(block.bytes.get(), m_carry.data(), m_carry.size());
    block.size = m_carry.size();
    m_carry.clear();
    size_t scanned = 0;
    for (;;) {
        if (!m_eof && block.size + 1 < block.capacity) {
            const size_t wanted = block.capacity - 1 - block.size;
            const size_t read = m_reader->ReadFully(block.bytes.get() + block.size, wanted);
            block.size += read;
            m_eof = read < wanted;
        }
        if (m_eof || std::memchr(block.bytes.get() + scanned, '\n', block.size - scanned)) break;
        // A line longer than the block: grow it, without searching the bytes searched already.
        scanned = block.size;
        std::unique_ptr<char[]> grown(new char[block.capacity * 2]);
        std::memcpy(grown.get(), block.bytes.get(), block.size);
        block.bytes = std::move(grown);
        block.capacity *= 2;
    }
    return block.size > 0;
}

// Splits the block into lines and keeps the unfinished last one for the next block.
void BlockLines::Split(Block& block) {
    const char* bytes = block.bytes.get();
    AppendLineEnds(bytes, block.size, block.ends);
    size_t begin = block.ends.empty() ? 0 : block.ends.back();
    if (begin < block.size && m_eof) {
        block.ends.push_back(block.size);  // a last line without a line feed is still a line
        begin = block.size;
    }
    m_carry.assign(bytes + begin, block.size - begin);
    block.size = begin;
}

}  // namespace ed
