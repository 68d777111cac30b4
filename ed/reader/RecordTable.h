#pragma once

#include <cstddef>
#include <cstdint>
#include <new>

#include "du/SmallBlockAlloc.h"
#include "ed/reader/IdIndex.h"

namespace ed {

// Records whose texts are worth prefetching before their destruction overload this.
template <class Record>
inline void PrefetchTexts(const Record&) {}
// Records that keep their place in the order they were made overload this.
template <class Record>
inline void NumberRecord(Record&, uint32_t) {}

// The records of one kind (nodes or properties) and everything that finds them: the ids, the one-entry
// cache in front of them and the pool the records live in. Owns its records, those that no id names
// any more included; Clear destroys them all. Not thread-safe.
//
//   RecordTable<StructureNode> nodes("ed::StructureNode", allocator, 512);
//   StructureNode* node = nodes.Get(7, true);   // a new record under id 7
//   nodes.Get(7, false) == node;                 // found again
//   nodes.Clear();                               // every record destroyed
template <class Record>
class RecordTable {
  public:
    RecordTable(const char* poolName, du::BlockAllocator* allocator, size_t minimumBuckets)
        : m_ids(minimumBuckets),
          m_pool(poolName, allocator, sizeof(Record), 0, true, true, alignof(Record)) {}
    ~RecordTable() { Clear(); }
    RecordTable(const RecordTable&) = delete;
    RecordTable& operator=(const RecordTable&) = delete;

    // The record of `id`, made when the id is new or when `fresh` asks for a new one (the record it
    // replaces stays alive, unindexed, as it may hang in the tree); null for ids below 1. The cache
    // answers before anything else, even a fresh lookup: that is how a P record picks up the record
    // its preceding N or V records made.
    Record* Get(int id, bool fresh) {
        if (id < 1) return nullptr;
        if (id == m_cachedId) return m_cached;
        Record*& slot = m_ids.Lookup(id);
        if (fresh || slot == nullptr) slot = New();
        m_cachedId = id;
        m_cached = slot;
        return slot;
    }

    // A record that no id names, alive until Clear.
    Record* Make() { return New(); }
    // The owner is done with `record`, made by this table and looked up by id no more, and has left
    // nothing in it that its destruction would give back: its memory may go back before Clear.
    void Retire(Record& record) noexcept { m_pool.Retire(&record); }
    // Records made since the last Clear.
    size_t Count() const { return m_made; }
    // Calls visit(record) for every record, in the order they were made; nothing may make one meanwhile.
    template <class Visit>
    void ForEach(Visit&& visit) const {
        m_pool.ForEachBlock([&](void* block) { visit(*static_cast<Record*>(block)); });
    }

    // Gives back the ids: nothing looks a record up by id after the last line.
    void ReleaseIds() {
        m_ids.Clear();
        ForgetCached();
    }

    // The cache answers nothing any more.
    void ForgetCached() {
        m_cachedId = -1;
        m_cached = nullptr;
    }

    // Destroys every record, gives back the ids and the pool's memory. Every block the pool handed out
    // holds a record, so the pool's own walk finds them all, in the order they were made, without a
    // list of them or a walk over the ids. Each record is destroyed kLag records after its texts'
    // counts were prefetched (PrefetchTexts, found by argument-dependent lookup): after a large load
    // few of them are still in the cache, and one miss at a time would set the pace.
    void Clear() {
        m_ids.Clear();
        constexpr size_t kLag = 8;
        Record* lagging[kLag];
        size_t seen = 0;
        m_pool.ForEachBlock([&](void* block) {
            Record* record = static_cast<Record*>(block);
            PrefetchTexts(*record);
            Record*& slot = lagging[seen++ % kLag];
            if (seen > kLag) slot->~Record();
            slot = record;
        });
        for (size_t i = seen > kLag ? seen - kLag : 0; i < seen; ++i) lagging[i % kLag]->~Record();
        ForgetCached();
        m_pool.DeallocateAll();
        m_made = 0;
    }

  private:
    Record* New() {
        Record* record = new (m_pool.Allocate(nullptr)) Record();
        NumberRecord(*record, static_cast<uint32_t>(m_made++));
        return record;
    }

    IdIndex<Record*> m_ids;
    int m_cachedId = -1;
    Record* m_cached = nullptr;
    size_t m_made = 0;
    du::SmallBlockAlloc<du::UnlockedSmallBlockAllocPolicy, 1, 1> m_pool;
};

}  // namespace ed
