#include "du/SmallBlockAlloc.h"

#include "du/Env.h"
#include "du/PagePool.h"
#include "du/Regions.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <new>

namespace du {

namespace {

constexpr size_t kAlignment = alignof(std::max_align_t);
static_assert(__STDCPP_DEFAULT_NEW_ALIGNMENT__ >= kAlignment, "heap chunks come aligned as they are");
constexpr size_t kChunkBytes = 64 * 1024;
constexpr size_t kMinBlocksPerChunk = 16;

// Chunks of whole regions are mapped as regions, smaller ones (the first of each pool) from the heap.
class RegionBlockAllocator : public BlockAllocator {
  public:
    void* AllocateChunk(size_t size) override {
        if (size % kRegionSize) return Env::Get().Allocate(size);
        if (void* chunk = AllocateRegions(size)) return chunk;
        Env::NoteAndThrow();
    }
    // A pool's region serves the page pool next, if that has no spare: a large load retires record
    // chunks while the structure it builds takes pages.
    void FreeChunk(void* chunk, size_t size) override {
        if (size % kRegionSize)
            Env::Get().Free(chunk);
        else if (size == kRegionSize)
            PagePool::Get().Adopt(chunk);
        else
            FreeRegions(chunk, size);
    }
};

size_t RoundUp(size_t n, size_t to) {
    return (n + to - 1) / to * to;
}

}  // namespace

BlockAllocator* DefaultBlockAllocator() {
    // Never destroyed: pools in static objects may free their chunks during exit.
    static BlockAllocator* allocator = new RegionBlockAllocator;
    return allocator;
}

SmallBlockAllocBase::SmallBlockAllocBase(const char* name, BlockAllocator* allocator, size_t blockSize,
                                         size_t, bool, bool, size_t alignment)
    : m_name(name),
      m_allocator(allocator ? allocator : DefaultBlockAllocator()),
      // Chunks are aligned for any scalar type, so blocks of a multiple of `alignment` keep it.
      m_blockSize(RoundUp(std::max<size_t>(blockSize, 1), std::clamp<size_t>(alignment, 1, kAlignment))),
      m_chunkSize(std::max(kChunkBytes, m_blockSize * kMinBlocksPerChunk)),
      m_largeChunkSize(RoundUp(m_blockSize * kMinBlocksPerChunk, kRegionSize)),
      m_next(nullptr),
      m_limit(nullptr),
      m_chunkEnd(nullptr),
      m_blocksInUse(0) {}

SmallBlockAllocBase::~SmallBlockAllocBase() {
    FreeChunks(0);
}

void SmallBlockAllocBase::FreeChunks(size_t from) noexcept {
    for (size_t i = from; i < m_chunks.size(); ++i)
        if (m_chunks[i]) m_allocator->FreeChunk(m_chunks[i], ChunkSize(i));
}

// The first chunk is small, for the many small files; a pool that outgrows it is a large one and
// grows in whole regions.
size_t SmallBlockAllocBase::ChunkSize(size_t index) const {
    return index == 0 ? m_chunkSize : m_largeChunkSize;
}

// Keeps the first chunk, so that a pool emptied after every load does not go back to the allocator
// for the next one.
void SmallBlockAllocBase::DeallocateAll() {
    FreeChunks(1);
    if (m_chunks.size() > 1) m_chunks.resize(1);
    m_retired.assign(m_chunks.size(), 0);
    m_byAddress.clear();
    ForgetRetiring();
    m_next = m_chunks.empty() ? nullptr : static_cast<char*>(m_chunks.front());
    m_limit = m_chunkEnd = m_chunks.empty() ? nullptr : m_next + m_chunkSize;
    m_blocksInUse = 0;
}

// A large chunk's blocks are made present a step ahead of those handed out, as a pool fills its
// chunks in order; the small first chunk, from the heap, is left as it comes.
void SmallBlockAllocBase::Grow() {
    if (static_cast<size_t>(m_chunkEnd - m_next) < m_blockSize) return NewChunk();
    const size_t step =
        std::min(std::max(kPrefaultStep, m_blockSize), static_cast<size_t>(m_chunkEnd - m_limit));
    Prefault(m_limit, step);
    m_limit += step;
}

void SmallBlockAllocBase::FindRetiring(const char* block) noexcept {
    if (m_byAddress.size() != m_chunks.size()) {
        m_byAddress.clear();
        for (size_t i = 0; i < m_chunks.size(); ++i)
            m_byAddress.emplace_back(static_cast<const char*>(m_chunks[i]), i);
        std::sort(m_byAddress.begin(), m_byAddress.end());
    }
    // The last chunk that starts at or below the block.
    auto after = std::upper_bound(m_byAddress.begin(), m_byAddress.end(), std::make_pair(block, SIZE_MAX));
    m_retiring = std::prev(after)->second;
    m_retiringStart = static_cast<const char*>(m_chunks[m_retiring]);
    m_retiringEnd = m_retiringStart + ChunkSize(m_retiring);
    const bool kept = m_retiring == 0 || m_retiring + 1 == m_chunks.size();
    m_retiringBlocks = kept ? SIZE_MAX : ChunkSize(m_retiring) / m_blockSize;
}

void SmallBlockAllocBase::GiveBackRetiring() noexcept {
    m_allocator->FreeChunk(m_chunks[m_retiring], ChunkSize(m_retiring));
    m_chunks[m_retiring] = nullptr;
    ForgetRetiring();
}

void SmallBlockAllocBase::ForgetRetiring() noexcept {
    m_retiringStart = m_retiringEnd = nullptr;
    m_retiringBlocks = 0;
}

void SmallBlockAllocBase::NewChunk() {
    // Reserve the slots first, so that a failing push_back cannot lose a chunk.
    m_chunks.reserve(m_chunks.size() + 1);
    m_retired.reserve(m_chunks.size() + 1);
    m_byAddress.reserve(m_chunks.size() + 1);  // so that Retire never allocates
    const size_t index = m_chunks.size();
    const size_t size = ChunkSize(index);
    char* chunk = static_cast<char*>(m_allocator->AllocateChunk(size));
    m_chunks.push_back(chunk);
    m_retired.push_back(0);
    ForgetRetiring();  // the chunk that was being filled may go back now
    m_next = chunk;
    m_chunkEnd = chunk + size;
    m_limit = index == 0 ? m_chunkEnd : chunk;
    if (index > 0) Grow();
}

}  // namespace du
