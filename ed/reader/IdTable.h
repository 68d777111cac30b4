#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "du/HashNextPrime.h"

namespace ed {

// A hash table from 32-bit ids to values, with no removal of single entries.
//
//   IdTable<du::Symbol> types(100);
//   types.Lookup(3) = du::Symbol("Material");   // inserted on first lookup
//   types.ForEach([](int id, const du::Symbol& name) { ... });   // chain order
//
// All entries sit in one chain grouped by bucket; each bucket keeps the first and the last entry of
// its run of the chain. A key going into an empty bucket goes to the front of the chain, otherwise
// right behind its bucket's last entry, so the chain order (which callers observe) depends only on the
// keys and the order of first lookups. Entries live in one vector and link forward by index, 16 bytes
// for a pointer value, so a million entries cost no allocation each. Not thread-safe.
template <class Value>
class IdTable {
  public:
    explicit IdTable(size_t minimumBuckets) { SetBucketCount(du::HashNextPrime(minimumBuckets)); }
    IdTable(const IdTable&) = delete;
    IdTable& operator=(const IdTable&) = delete;

    // The value of `key`, value-initialised when the key is new. Grows the table first when a further
    // entry would exceed one per bucket, even when the key is already present. The reference is valid
    // until the next Lookup or Clear.
    Value& Lookup(int key) {
        GrowIfNeeded();
        Bucket& bucket = m_buckets[BucketOf(key)];
        if (bucket.first != kEnd) {
            for (uint32_t i = bucket.first;; i = m_entries[i].next) {
                if (m_entries[i].key == key) return m_entries[i].value;
                if (i == bucket.last) break;
            }
        }
        m_entries.push_back(Entry{Value(), key, kEnd});
        const uint32_t index = static_cast<uint32_t>(m_entries.size() - 1);
        Thread(index, bucket);
        return m_entries[index].value;
    }

    // The value of `key` or null; neither grows nor inserts.
    const Value* Find(int key) const {
        if (m_buckets.empty()) return nullptr;
        const Bucket& bucket = m_buckets[BucketOf(key)];
        if (bucket.first == kEnd) return nullptr;
        for (uint32_t i = bucket.first;; i = m_entries[i].next) {
            if (m_entries[i].key == key) return &m_entries[i].value;
            if (i == bucket.last) return nullptr;
        }
    }

    // Calls visit(key, value) for every entry in chain order.
    template <class Visit>
    void ForEach(Visit&& visit) {
        for (uint32_t i = m_head; i != kEnd; i = m_entries[i].next)
            visit(m_entries[i].key, m_entries[i].value);
    }
    template <class Visit>
    void ForEach(Visit&& visit) const {
        for (uint32_t i = m_head; i != kEnd; i = m_entries[i].next)
            visit(m_entries[i].key, m_entries[i].value);
    }

    size_t Size() const { return m_entries.size(); }
    bool Empty() const { return m_entries.empty(); }

    void Swap(IdTable& other) noexcept {
        m_entries.swap(other.m_entries);
        m_buckets.swap(other.m_buckets);
        std::swap(m_inverse, other.m_inverse);
        std::swap(m_head, other.m_head);
    }

    // Destroys every value and gives back all memory, buckets included; the next Lookup regrows.
    void Clear() {
        std::vector<Entry>().swap(m_entries);
        std::vector<Bucket>().swap(m_buckets);
        m_head = kEnd;
    }

  private:
    // Index of "no entry": the end of the chain. Tables never come near 2^32 entries.
    static constexpr uint32_t kEnd = UINT32_MAX;

    struct Entry {
        Value value;
        int key;
        uint32_t next;
    };
    struct Bucket {
        uint32_t first;
        uint32_t last;
    };
    static constexpr Bucket kEmptyBucket{kEnd, kEnd};

    size_t BucketOf(int key) const {
        // Ids are almost always positive and bucket counts below 2^32: then the remainder comes from
        // two multiplications by a precomputed inverse instead of a division, which would cost more
        // than the rest of a lookup.
        const size_t count = m_buckets.size();
        if (key >= 0 && count <= UINT32_MAX) {
            const uint64_t low = m_inverse * static_cast<uint32_t>(key);
            return static_cast<size_t>((static_cast<unsigned __int128>(low) * count) >> 64);
        }
        // Sign-extended so that ids that wrapped negative spread like the host's own tables.
        return static_cast<size_t>(static_cast<uint64_t>(static_cast<int64_t>(key)) % count);
    }

    void SetBucketCount(size_t count) {
        m_buckets.assign(count, kEmptyBucket);
        m_inverse = UINT64_MAX / count + 1;
    }

    void GrowIfNeeded() {
        const size_t wanted = m_entries.size() + 1;
        if (wanted <= m_buckets.size()) return;
        const size_t count = du::HashNextPrime(wanted);
        if (count > m_buckets.size()) Rebuild(count);
    }

    // Re-threads the old chain, from its front, into fresh buckets.
    void Rebuild(size_t bucketCount) {
        SetBucketCount(bucketCount);
        uint32_t i = m_head;
        m_head = kEnd;
        while (i != kEnd) {
            const uint32_t next = m_entries[i].next;
            Thread(i, m_buckets[BucketOf(m_entries[i].key)]);
            i = next;
        }
    }

    // Links entry `index` into the chain as the last entry of `bucket`, its key's bucket.
    void Thread(uint32_t index, Bucket& bucket) {
        if (bucket.first == kEnd) {
            m_entries[index].next = m_head;
            m_head = index;
            bucket.first = index;
        } else {
            m_entries[index].next = m_entries[bucket.last].next;
            m_entries[bucket.last].next = index;
        }
        bucket.last = index;
    }

    std::vector<Entry> m_entries;
    std::vector<Bucket> m_buckets;
    uint64_t m_inverse = 0;  // 2^64 / bucket count, rounded up
    uint32_t m_head = kEnd;
};

}  // namespace ed
