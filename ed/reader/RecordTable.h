#pragma once

#include <cstddef>
#include <new>
#include <vector>

#include "du/SmallBlockAlloc.h"
#include "ed/reader/IdTable.h"

namespace ed {

// The records of one kind (nodes or properties) and everything that finds them: the id table, the
// one-entry cache in front of it, the pool the records live in and the list of live records that no
// id names. Owns its records; Clear destroys them all. Not thread-safe.
//
//   RecordTable<StructureNode> nodes("ed::StructureNode", allocator, 512);
//   StructureNode* node = nodes.Get(7, true);   // a new record under id 7
//   nodes.Get(7, false) == node;                 // found again
//   nodes.Clear();                               // every record destroyed
template <class Record>
class RecordTable {
  public:
    RecordTable(const char* poolName, du::BlockAllocator* allocator, size_t minimumBuckets)
        : m_ids(minimumBuckets), m_pool(poolName, allocator, sizeof(Record), 0, true, true) {}
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
        if (fresh || slot == nullptr) {
            Record* made = New();
            if (slot != nullptr) m_unindexed.push_back(slot);
            slot = made;
        }
        m_cachedId = id;
        m_cached = slot;
        return slot;
    }

    // A record that no id names, alive until Clear.
    Record* Make() {
        Record* record = New();
        m_unindexed.push_back(record);
        return record;
    }

    // Gives back the id table, keeping its records (in chain order) with the unindexed ones: nothing
    // looks a record up by id after the last line.
    void ReleaseIds() {
        m_unindexed.reserve(m_unindexed.size() + m_ids.Size());
        m_ids.ForEach([this](int, Record* record) { m_unindexed.push_back(record); });
        m_ids.Clear();
        ForgetCached();
    }

    // The cache answers nothing any more.
    void ForgetCached() {
        m_cachedId = -1;
        m_cached = nullptr;
    }

    // Destroys every record, gives back the table down to no buckets, and the pool's memory.
    void Clear() {
        m_ids.ForEach([](int, Record* record) { Destroy(record); });
        m_ids.Clear();
        for (Record* record : m_unindexed) Destroy(record);
        m_unindexed.clear();
        ForgetCached();
        m_pool.DeallocateAll();
    }

  private:
    Record* New() { return new (m_pool.Allocate(nullptr)) Record(); }
    // A slot is null when the allocation after its insertion failed.
    static void Destroy(Record* record) {
        if (record != nullptr) record->~Record();
    }

    IdTable<Record*> m_ids;
    int m_cachedId = -1;
    Record* m_cached = nullptr;
    du::SmallBlockAlloc<du::UnlockedSmallBlockAllocPolicy, 1, 1> m_pool;
    // Live records that the id table does not list: those a fresh lookup pushed out (they may still
    // hang in the tree), those made without an id, and all of them once ReleaseIds has run.
    std::vector<Record*> m_unindexed;
};

}  // namespace ed
