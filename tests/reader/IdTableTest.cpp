#include "ed/reader/IdTable.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "du/HashNextPrime.h"

namespace {

std::vector<int> Chain(const ed::IdTable<int>& table) {
    std::vector<int> keys;
    table.ForEach([&](int key, int) { keys.push_back(key); });
    return keys;
}

size_t BucketOf(int key, size_t buckets) {
    return static_cast<uint64_t>(static_cast<int64_t>(key)) % buckets;
}

// A plain model of the chain: each key goes to the front when its bucket holds no key yet, else right
// behind the last key of its bucket. Growth replays the old chain into the new bucket count.
struct ChainModel {
    size_t buckets;
    std::vector<int> order;

    void Insert(int key) {
        size_t at = 0;
        bool found = false;
        for (size_t i = 0; i < order.size(); ++i) {
            if (BucketOf(order[i], buckets) == BucketOf(key, buckets)) at = i + 1, found = true;
        }
        order.insert(order.begin() + static_cast<long>(found ? at : 0), key);
    }
    void Lookup(int key) {
        if (order.size() + 1 > buckets && du::HashNextPrime(order.size() + 1) > buckets) {
            std::vector<int> old;
            old.swap(order);
            buckets = du::HashNextPrime(old.size() + 1);
            for (int k : old) Insert(k);
        }
        for (int k : order) {
            if (k == key) return;
        }
        Insert(key);
    }
};

TEST(IdTableTest, ChainGroupsBucketsInReverseOrderOfFirstUse) {
    ed::IdTable<int> table(100);
    ASSERT_EQ(131u, du::HashNextPrime(100));
    // 1, 132, 263 share bucket 1; -1 sign-extends to bucket 64 and 0 and 131 share bucket 0.
    for (int key : {1, 132, 2, -1, 263, 0, 133, 131}) table.Lookup(key) = key * 10;
    EXPECT_EQ((std::vector<int>{0, 131, -1, 2, 133, 1, 132, 263}), Chain(table));
    EXPECT_EQ(-10, table.Lookup(-1));
}

TEST(IdTableTest, GrowsOnTheLookupAfterFillingEveryBucketAndKeepsEveryEntry) {
    ed::IdTable<int> table(1);
    ChainModel model{du::HashNextPrime(1), {}};
    std::vector<int> keys;
    uint32_t seed = 12345;
    for (int i = 0; i < 3000; ++i) {
        seed = seed * 1103515245u + 12345u;
        keys.push_back(static_cast<int>(seed) % 5000);  // negatives and repeats included
    }
    for (size_t i = 0; i < keys.size(); ++i) {
        table.Lookup(keys[i]) = keys[i];
        model.Lookup(keys[i]);
        if (i % 100 == 0) {
            ASSERT_EQ(model.order, Chain(table)) << i;
        }
    }
    EXPECT_EQ(model.order, Chain(table));
    for (int key : keys) ASSERT_EQ(key, table.Lookup(key));
}

}  // namespace
