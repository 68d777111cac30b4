// The host's utilities: interned texts (identity, lifetime, sweeps, batches, threads) and the memory
// they and the structure model come from (primes for hash tables, small blocks, regions, pages, slabs).
#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <set>
#include <sstream>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "du/Env.h"
#include "du/HashNextPrime.h"
#include "du/PagePool.h"
#include "du/Regions.h"
#include "du/SlabHeap.h"
#include "du/SmallBlockAlloc.h"
#include "du/Symbol.h"
#include "du/SymbolInternBatch.h"

namespace {

using du::Symbol;
using namespace std::string_view_literals;

// Equal texts share one pointer whatever the source; null is neither empty nor equal to it; the
// comparisons look at the whole text.
TEST(SymbolTest, InterningIdentityNullAndComparisons) {
    std::string text = "a.b.ed";
    Symbol s("a.b.ed"), b(text), c(text.c_str(), 6), d(s);
    for (const Symbol& same : {b, c, d}) EXPECT_EQ(s.c_str(), same.c_str());
    EXPECT_NE(s.c_str(), Symbol("A.b.ed").c_str());
    EXPECT_STREQ("a.b", Symbol("a.b.ed", 3).c_str());
    Symbol none, fromNull(static_cast<const char*>(nullptr));
    EXPECT_TRUE(fromNull.is_null() && !Symbol::EMPTY.is_null());
    EXPECT_STREQ("", none.safe_c_str());
    EXPECT_EQ(Symbol::EMPTY, Symbol(""));
    EXPECT_NE(Symbol::EMPTY, none);
    EXPECT_FALSE(none == "" || none == std::string());
    EXPECT_FALSE(s == "a.b.e" || s == "a.b.edx");
    std::ostringstream out;
    out << s << none << s;
    EXPECT_EQ("a.b.eda.b.ed", out.str());
}

// Lengths on both sides of the hash's and the slabs' boundaries, past the largest slab block, and
// zero bytes inside.
TEST(SymbolTest, TextsOfAnyLengthKeepEveryByte) {
    const size_t before = Symbol::LiveCount();
    for (size_t length : {0, 1, 2, 3, 4, 5, 7, 8, 9, 15, 16, 17, 31, 33, 243, 244, 245, 4096, 100000}) {
        std::string text(length, '\0');
        for (size_t i = 0; i < length; ++i) text[i] = static_cast<char>(i % 3 ? 'a' + i % 26 : 0);
        const Symbol s(text.data(), length);
        ASSERT_EQ(length, s.length());
        EXPECT_TRUE(s == text);
        EXPECT_EQ('\0', s.c_str()[length]);
        EXPECT_EQ(s.c_str(), Symbol(text).c_str());
        EXPECT_NE(s, Symbol(text + 'a'));
        for (size_t i = 0; i < length; i += 1 + length / 64) {
            std::string other = text;
            other[i] ^= 1;
            EXPECT_NE(s, Symbol(other)) << "length " << length << ", byte " << i;
        }
    }
    EXPECT_EQ(before, Symbol::LiveCount());
}

TEST(SymbolTest, LastHolderFreesTheText) {
    size_t before = Symbol::LiveCount();
    {
        Symbol a("LastHolderFreesTheText-1"), b = a, c("LastHolderFreesTheText-2");
        EXPECT_EQ(before + 2, Symbol::LiveCount());
        a = c;
        b = std::move(c);
        Symbol& alias = a;  // self-assignment without the compiler's warning about it
        a = alias;
        EXPECT_EQ(before + 1, Symbol::LiveCount());
    }
    EXPECT_EQ(before, Symbol::LiveCount());
}

// Copies from a batch hold their texts like any copy, past the originals, and the stock that the
// batch took goes back: with more texts than entries, and more copies of one than a stock.
TEST(SymbolTest, CopyBatchCopiesHoldTheirTextsAndItsStockGoesBack) {
    const size_t before = Symbol::LiveCount();
    std::vector<Symbol> copies;
    {
        std::vector<Symbol> originals;
        for (int i = 0; i < 300; ++i) originals.emplace_back("CopyBatch-" + std::to_string(i));
        du::SymbolCopyBatch batch;
        for (int i = 0; i < 6000; ++i)
            copies.push_back(batch.Copy(originals[i % 10 == 0 ? (i / 10) % 300 : 0]));
        EXPECT_TRUE(batch.Copy(Symbol()).is_null());
        originals.clear();
        EXPECT_EQ(before + 300, Symbol::LiveCount());
        EXPECT_EQ("CopyBatch-0", copies[1]);
    }
    EXPECT_EQ(before + 300, Symbol::LiveCount());
    copies.clear();
    EXPECT_EQ(before, Symbol::LiveCount());
}

// An env that has no thread to give.
class NoThreads : public du::Env {
  public:
    std::thread StartThread(std::function<void()>) override {
        throw std::system_error(EAGAIN, std::generic_category(), "no thread");
    }
};

// Many texts of one length, so that some share their whole hash. Half of them go, texts of other
// lengths take their room, and a sweep frees the dropped ones from the table; through rebuilds and
// the sweep every held text stays where it is and is found again. The table is large enough for a
// sweep to take a second thread: the first sweep has none to be had, the last one has.
TEST(SymbolTest, SweepAndRebuildsKeepEveryHeldText) {
    const size_t before = Symbol::LiveCount();
    const size_t regions = du::PagePool::Get().RegionCount();
    const auto text = [](int i) {
        std::string t = "text-" + std::to_string(i);
        t.resize(12, '.');
        return t;
    };
    constexpr int kTexts = 200000;
    std::vector<Symbol> symbols;
    for (int i = 0; i < kTexts; ++i) symbols.emplace_back(text(i));
    EXPECT_EQ(before + kTexts, Symbol::LiveCount());
    const auto later = [&](int i) { return i % 2 ? text(i) + std::string(i % 300, '+') : text(i); };
    for (int i = 1; i < kTexts; i += 2) symbols[i] = Symbol();
    EXPECT_EQ(before + kTexts / 2, Symbol::LiveCount());
    for (int i = 1; i < kTexts; i += 2) symbols[i] = Symbol(later(i));
    NoThreads noThreads;
    du::Env::Set(&noThreads);
    Symbol::Sweep();
    du::Env::Set(nullptr);
    for (int i = 0; i < kTexts; ++i) {
        ASSERT_EQ(later(i), std::string(symbols[i])) << i;
        ASSERT_EQ(symbols[i].c_str(), Symbol(later(i)).c_str());
        ASSERT_EQ(text(i), std::string(Symbol(text(i)))) << i;
    }
    symbols.clear();
    Symbol::Sweep();
    EXPECT_EQ(before, Symbol::LiveCount());
    EXPECT_LE(du::PagePool::Get().RegionCount(), regions + 1) << "dead texts left in the table";
}

// An env that has no region to give.
class NoRegions : public du::Env {
  public:
    void* Map(size_t) noexcept override { return nullptr; }
};

// Room made ahead for many texts, in one block of regions or, when the system gives none, shard by
// shard: every text interned into it is found again, and it goes when the texts do.
TEST(SymbolTest, ReservedSlotsTakeTextsWithOrWithoutRegions) {
    const size_t before = Symbol::LiveCount();
    NoRegions noRegions;
    for (du::Env* env : {static_cast<du::Env*>(&noRegions), static_cast<du::Env*>(nullptr)}) {
        const size_t texts = env ? 300000 : 1200000;
        du::Env::Set(env);
        Symbol::Reserve(texts);
        du::Env::Set(nullptr);
        std::vector<Symbol> symbols;
        for (size_t i = 0; i < texts / 8; ++i) symbols.emplace_back("reserved-" + std::to_string(i));
        for (size_t i = 0; i < symbols.size(); ++i)
            ASSERT_EQ(symbols[i].c_str(), Symbol("reserved-" + std::to_string(i)).c_str()) << i;
        symbols.clear();
        Symbol::Sweep();
        EXPECT_EQ(before, Symbol::LiveCount());
    }
}

// Texts hashed ahead intern as single lookups do, one at a time or in batches: several batches' worth
// (the batch runs when full), repeats within one, texts too long for the slabs, the empty text.
TEST(SymbolTest, HashedTextsInternAsSingleLookupsDo) {
    const size_t before = Symbol::LiveCount();
    for (const std::string_view text : {"batch-3"sv, "hashed ahead"sv, ""sv}) {
        Symbol::PrefetchSlot(Symbol::Hash(text.data(), text.size()));
        EXPECT_EQ(Symbol(std::string(text)),
                  Symbol(text.data(), text.size(), Symbol::Hash(text.data(), text.size())));
    }
    std::vector<std::string> texts;
    for (int i = 0; i < 5000; ++i)
        texts.push_back(i % 3 ? "batched-" + std::to_string(i % 1700) + std::string(i % 7 * 50, 'y') : "");
    std::vector<Symbol> batched(texts.size());
    du::SymbolInternBatch batch;
    for (size_t i = 0; i < texts.size(); ++i)
        batch.Add(texts[i].data(), texts[i].size(), Symbol::Hash(texts[i].data(), texts[i].size()),
                  batched[i]);
    batch.Finish();
    for (size_t i = 0; i < texts.size(); ++i) ASSERT_EQ(Symbol(texts[i]), batched[i]) << i;
    batched.clear();
    Symbol::Sweep();
    EXPECT_EQ(before, Symbol::LiveCount());
}

// Eight threads intern, copy and drop the same few texts and texts of their own at once, so that a
// last release regularly meets a lookup of the same text.
TEST(SymbolTest, ConcurrentInterningAgreesAndLeaksNothing) {
    // Held throughout: a thread that ended before the last one started would otherwise free the text,
    // and the next would rightly get a new one.
    const Symbol kept("shared-kept");
    size_t before = Symbol::LiveCount();
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([t, &wrong, &kept] {
            if (Symbol("shared-kept").c_str() != kept.c_str()) ++wrong;
            for (int i = 0; i < 20000; ++i) {
                // Some shared texts are too long for the slabs.
                Symbol shared("shared-" + std::to_string(i % 7) + std::string(i % 2 * 300, 'x'));
                Symbol copy = shared;
                Symbol own("own-" + std::to_string(t) + "-" + std::to_string(i % 100));
                if (copy != shared || own.substr(0, 4) != "own-") ++wrong;
                if (i % 100 == 0) {
                    // And in batches, which hold a shard's lock for several texts.
                    std::vector<std::string> texts;
                    for (int k = 0; k < 40; ++k)
                        texts.push_back((k % 2 ? "own-" : "shared-") + std::to_string(k % 9));
                    std::vector<Symbol> batched(texts.size());
                    du::SymbolInternBatch batch;
                    for (size_t k = 0; k < texts.size(); ++k)
                        batch.Add(texts[k].data(), texts[k].size(),
                                  Symbol::Hash(texts[k].data(), texts[k].size()), batched[k]);
                    batch.Finish();
                    for (size_t k = 0; k < texts.size(); ++k)
                        if (batched[k] != Symbol(texts[k])) ++wrong;
                }
            }
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(0, wrong.load());
    EXPECT_EQ(before, Symbol::LiveCount());
}

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
    // Blocks larger than a chunk, and than the step in which a chunk is made present.
    du::SmallBlockAllocBase big("big", du::DefaultBlockAllocator(), 300000, 0, true, true);
    for (int i = 0; i < 40; ++i) std::memset(big.Allocate(), i, 300000);
    big.DeallocateAll();
    big.DeallocateAll();
    EXPECT_NE(nullptr, big.Allocate());
}

// A chunk goes back once all its blocks are retired, in any order, except the first and the one being
// filled; the walk over the blocks skips the chunks given back and still finds every other block.
TEST(SmallBlockAllocTest, RetiredChunksGoBackAndLeaveTheWalk) {
    CountingAllocator chunks;
    du::SmallBlockAlloc<du::UnlockedSmallBlockAllocPolicy, 1, 1> pool("test", &chunks, 40, 0, true, true, 8);
    std::vector<char*> blocks;
    for (int i = 0; i < 300000; ++i) blocks.push_back(static_cast<char*>(pool.Allocate()));
    const int before = chunks.live;
    ASSERT_GE(before, 5);
    // Backwards, so that the chunk of a block is seldom the last one's; every 1,000th block stays.
    std::set<char*> kept;
    for (size_t i = blocks.size(); i-- > 0;) {
        if (i % 1000 == 999)
            kept.insert(blocks[i]);
        else
            pool.Retire(blocks[i]);
    }
    EXPECT_EQ(kept.size(), pool.BlocksInUse());
    EXPECT_EQ(before, chunks.live);  // a kept block holds every chunk
    for (char* block : kept) pool.Retire(block);
    EXPECT_EQ(2, chunks.live);  // the first and the last
    std::set<char*> walked;
    pool.ForEachBlock([&](void* block) { walked.insert(static_cast<char*>(block)); });
    EXPECT_EQ(1u, walked.count(blocks.front()));
    EXPECT_EQ(1u, walked.count(blocks.back()));
    EXPECT_EQ(0u, walked.count(blocks[blocks.size() / 2]));
    pool.DeallocateAll();
    EXPECT_LE(chunks.live, 1);
}

// Every byte of the rounded size is ours and zeroed, and making pages present keeps what they hold,
// for heap memory too, whose range need not start or end at a page.
TEST(RegionsTest, WholeAlignedZeroedRegionsKeepTheirBytesWhenPrefaulted) {
    for (size_t bytes : {size_t(1), du::kRegionSize, du::kRegionSize + 1}) {
        char* memory = static_cast<char*>(du::AllocateRegions(bytes));
        ASSERT_TRUE(memory && Aligned(memory, du::kRegionSize));
        const size_t whole = (bytes + du::kRegionSize - 1) / du::kRegionSize * du::kRegionSize;
        EXPECT_EQ(0, memory[0] | memory[whole - 1]);
        memory[whole / 2] = 7;
        du::Prefault(memory, whole);
        EXPECT_EQ(7, memory[whole / 2]);
        std::memset(memory, 1, whole);
        du::FreeRegions(memory, bytes);
    }
    std::vector<char> heap(3 * du::kPrefaultStep + 5, 'h');
    du::Prefault(heap.data() + 3, heap.size() - 4);
    EXPECT_EQ(std::string(heap.size(), 'h'), std::string(heap.begin(), heap.end()));
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
    std::set<uintptr_t> regions;
    for (auto& own : pages)
        for (void* page : own) {
            EXPECT_TRUE(Aligned(page, du::PagePool::kPageSize) && distinct.insert(page).second);
            regions.insert(reinterpret_cast<uintptr_t>(page) / du::kRegionSize);
        }
    // A region's first page holds its header.
    EXPECT_LE(2 * kPages / (du::kRegionSize / du::PagePool::kPageSize - 1) + 1, regions.size());
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
