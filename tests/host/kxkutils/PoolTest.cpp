#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <set>
#include <vector>

#include "du/HashNextPrime.h"
#include "du/SmallBlockAlloc.h"

namespace {

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
            ASSERT_EQ(0u, reinterpret_cast<uintptr_t>(block) % alignof(std::max_align_t));
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

}  // namespace
