#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <set>
#include <thread>
#include <vector>

#include "du/HashNextPrime.h"
#include "du/HugeRegions.h"
#include "du/PagePool.h"
#include "du/SlabHeap.h"
#include "du/SmallBlockAlloc.h"

namespace {

bool Aligned(const void* p, size_t to) {
    return reinterpret_cast<uintptr_t>(p) % to == 0;
}

// A prime not below the argument, a fixed point of the sequence, and not much more than twice the
// argument; checked by trial division.
TEST(HashNextPrimeTest, PrimeNotBelowItsArgument) {
    std::vector<size_t> arguments = {0, 1, 2, 3, 4, 100, 512, 513, 2048, 4096, 1000003, 100000000};
    for (size_t n = 5; n < 5000; n += 7) arguments.push_back(n);
    for (size_t n : arguments) {
        const size_t p = du::HashNextPrime(n);
        bool prime = p >= 2;
        for (size_t d = 2; d * d <= p; ++d) prime = prime && p % d != 0;
        EXPECT_TRUE(prime && p >= n && p < 2 * n + 100 && p == du::HashNextPrime(p)) << n << " -> " << p;
    }
}

class CountingAllocator : public du::BlockAllocator {
  public:
    void* AllocateChunk(size_t size) override {
        ++live;
        return du::DefaultBlockAllocator()->AllocateChunk(size);
    }
    void FreeChunk(void* chunk, size_t size) override {
        --live;
        du::DefaultBlockAllocator()->FreeChunk(chunk, size);
    }
    int live = 0;
};

// ASan catches a block that overruns its chunk; the counting allocator, chunks that are not returned.
TEST(SmallBlockAllocTest, BlocksAreAlignedDistinctAndReturnedAllAtOnce) {
    CountingAllocator chunks;
    {
        du::SmallBlockAlloc<du::UnlockedSmallBlockAllocPolicy, 1, 1> pool("test", &chunks, 24, 0, true, true);
        std::set<char*> blocks;
        for (int i = 0; i < 100000; ++i) {
            char* block = static_cast<char*>(pool.Allocate());
            ASSERT_TRUE(Aligned(block, alignof(std::max_align_t)));
            std::memset(block, i & 0xff, 24);
            blocks.insert(block);
        }
        EXPECT_EQ(100000u, blocks.size());
        EXPECT_EQ(100000u, pool.BlocksInUse());
        pool.DeallocateAll();
        EXPECT_EQ(0u, pool.BlocksInUse());
        EXPECT_LE(chunks.live, 1);
        // After DeallocateAll, blocks come from the kept memory again.
        EXPECT_EQ(1u, blocks.count(static_cast<char*>(pool.Allocate())));
    }
    EXPECT_EQ(0, chunks.live);
    // Blocks larger than a chunk.
    du::SmallBlockAllocBase big("big", du::DefaultBlockAllocator(), 200000, 0, true, true);
    std::memset(big.Allocate(), 1, 200000);
    std::memset(big.Allocate(), 2, 200000);
    big.DeallocateAll();
    big.DeallocateAll();
    EXPECT_NE(nullptr, big.Allocate());
}

// Every byte of the rounded size is ours and zeroed.
TEST(HugeRegionsTest, WholeAlignedZeroedRegions) {
    for (size_t bytes : {size_t(1), du::kRegionSize, du::kRegionSize + 1}) {
        char* memory = static_cast<char*>(du::AllocateRegions(bytes));
        ASSERT_TRUE(memory && Aligned(memory, du::kRegionSize));
        const size_t whole = (bytes + du::kRegionSize - 1) / du::kRegionSize * du::kRegionSize;
        EXPECT_EQ(0, memory[0] | memory[whole - 1]);
        std::memset(memory, 1, whole);
        du::FreeRegions(memory, bytes);
    }
}

// Two threads take pages across several regions and give them back in another order than they took
// them; the regions go back to the system except the spare.
TEST(PagePoolTest, PagesAreDistinctAndRegionsGoBack) {
    du::PagePool& pool = du::PagePool::Get();
    const size_t regionsBefore = pool.RegionCount();
    constexpr size_t kPages = du::kRegionSize / du::PagePool::kPageSize * 3;
    std::vector<void*> pages[2];
    std::thread threads[2];
    for (int t = 0; t < 2; ++t)
        threads[t] = std::thread([&own = pages[t], &pool] {
            for (size_t i = 0; i < kPages; ++i) {
                own.push_back(pool.Allocate());
                std::memset(own.back(), static_cast<int>(i), du::PagePool::kPageSize);
                if (i % 3 == 0) pool.Release(own[i / 2]), own[i / 2] = pool.Allocate();
            }
        });
    for (auto& thread : threads) thread.join();
    std::set<void*> distinct;
    for (auto& own : pages)
        for (void* page : own)
            EXPECT_TRUE(Aligned(page, du::PagePool::kPageSize) && distinct.insert(page).second);
    EXPECT_LE(regionsBefore + 6, pool.RegionCount());
    for (auto& own : pages)
        for (size_t i = own.size(); i-- > 0;) pool.Release(own[i]);
    EXPECT_GE(regionsBefore + 1, pool.RegionCount());
}

// Once all but one block are released, no slab but that block's is kept; the destructor frees that
// one (the sanitizer build counts).
TEST(SlabHeapTest, EmptySlabsGoBack) {
    du::SlabHeap slabs;
    std::vector<void*> blocks;
    for (size_t i = 0; i < 20000; ++i) blocks.push_back(slabs.Allocate(1 + i % du::SlabHeap::kMaxBlock));
    EXPECT_LT(2u, slabs.SlabCount());
    for (size_t i = 1; i < blocks.size(); ++i) slabs.Release(blocks[i]);
    EXPECT_EQ(1u, slabs.SlabCount());
}

}  // namespace
