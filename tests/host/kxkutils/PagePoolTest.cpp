#include "du/PagePool.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <set>
#include <thread>
#include <vector>

#include "du/HugeRegions.h"

namespace {

bool Aligned(const void* p, size_t to) {
    return reinterpret_cast<uintptr_t>(p) % to == 0;
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

}  // namespace
