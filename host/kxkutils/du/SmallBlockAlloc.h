#pragma once

#include <cstddef>
#include <utility>
#include <vector>

namespace du {

// Hands out large chunks of memory to the small-block pools. The host has one per process.
class BlockAllocator {
  public:
    virtual ~BlockAllocator() = default;
    virtual void* AllocateChunk(size_t size) = 0;
    virtual void FreeChunk(void* chunk, size_t size) = 0;
};

// A pool of equal-sized blocks carved from chunks; blocks are freed all at once with DeallocateAll, or
// retired one by one by an owner done with them, which gives a chunk back as soon as its every block
// is retired. The locking policy decides thread safety; the unlocked one takes no lock.
class SmallBlockAllocBase {
  public:
    // `name` labels the pool in diagnostics; `reserved` and the two flags are accepted for the host's
    // signature. `alignment` (a power of two up to that of any scalar type) is the blocks' own: a pool
    // of one record type passes the type's, so that a 40-byte record does not take 48.
    SmallBlockAllocBase(const char* name, BlockAllocator* allocator, size_t blockSize, size_t reserved,
                        bool flag1, bool flag2, size_t alignment = alignof(std::max_align_t));
    ~SmallBlockAllocBase();
    SmallBlockAllocBase(const SmallBlockAllocBase&) = delete;
    SmallBlockAllocBase& operator=(const SmallBlockAllocBase&) = delete;

    // A block of BlockSize() bytes, aligned as the constructor was told; `hint` is ignored. Inline: pools
    // serve one block per record of a file of millions.
    void* Allocate(void* = nullptr) {
        if (static_cast<size_t>(m_limit - m_next) < m_blockSize) Grow();
        void* block = m_next;
        m_next += m_blockSize;
        ++m_blocksInUse;
        return block;
    }
    // Returns every block at once; the blocks' contents are not destroyed.
    void DeallocateAll();
    // The owner will not use `block` (handed out since the last DeallocateAll, retired once) again.
    // Once every block of a chunk is retired, the chunk goes back to the allocator at once, unless it
    // is the first or the one being filled; its blocks' contents are not destroyed, so a retired block
    // must hold nothing that its destruction would have to give back.
    void Retire(void* block) noexcept {
        const char* at = static_cast<const char*>(block);
        if (at < m_retiringStart || at >= m_retiringEnd) FindRetiring(at);
        --m_blocksInUse;
        if (++m_retired[m_retiring] == m_retiringBlocks) GiveBackRetiring();
    }
    // Calls visit(block) for every block handed out since the last DeallocateAll, in the order they
    // were handed out, except those of chunks given back: chunk by chunk, so an owner that destroys
    // its blocks reads memory in sequence.
    template <class Visit>
    void ForEachBlock(Visit&& visit) const {
        for (size_t i = 0; i < m_chunks.size(); ++i) {
            if (!m_chunks[i]) continue;
            char* block = static_cast<char*>(m_chunks[i]);
            char* end = i + 1 < m_chunks.size() ? block + ChunkSize(i) / m_blockSize * m_blockSize : m_next;
            for (; block < end; block += m_blockSize) visit(static_cast<void*>(block));
        }
    }

    size_t BlockSize() const { return m_blockSize; }
    size_t BlocksInUse() const { return m_blocksInUse; }
    const char* Name() const { return m_name; }

  private:
    void Grow();
    void NewChunk();
    size_t ChunkSize(size_t index) const;
    // Makes the chunk that holds `block` the one retiring.
    void FindRetiring(const char* block) noexcept;
    void GiveBackRetiring() noexcept;
    void ForgetRetiring() noexcept;
    void FreeChunks(size_t from) noexcept;

    const char* m_name;
    BlockAllocator* m_allocator;
    size_t m_blockSize;
    size_t m_chunkSize;
    size_t m_largeChunkSize;
    std::vector<void*> m_chunks;    // null once given back
    std::vector<size_t> m_retired;  // blocks retired, per chunk
    // Chunks by address, for Retire: (start, index), made again when chunks were added.
    std::vector<std::pair<const char*, size_t>> m_byAddress;
    // The chunk of the last block retired (retirement mostly goes in order): its index, its blocks, and
    // the count at which it goes back (none for the first chunk and the one being filled).
    size_t m_retiring = 0;
    const char* m_retiringStart = nullptr;
    const char* m_retiringEnd = nullptr;
    size_t m_retiringBlocks = 0;
    char* m_next;
    char* m_limit;  // the end of the current chunk's blocks made present
    char* m_chunkEnd;
    size_t m_blocksInUse;
};

struct UnlockedSmallBlockAllocPolicy {};

template <class Policy, int A, int B>
class SmallBlockAlloc : public SmallBlockAllocBase {
  public:
    using SmallBlockAllocBase::SmallBlockAllocBase;
};

// The process-wide chunk allocator: chunks of whole regions (du/Regions.h) are mapped
// as such, others come from operator new.
BlockAllocator* DefaultBlockAllocator();

}  // namespace du
