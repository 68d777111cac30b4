#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "du/Regions.h"
#include "ed/reader/IdTable.h"

namespace ed::check {

constexpr uint32_t kNone = UINT32_MAX;

// What the check remembers of one node record of the reader's tables. Records are indices into a
// vector, never pointers, so that the vector may grow.
struct NodeRecord {
    int id = 0;
    uint32_t parent = kNone;
    uint32_t firstChild = kNone;
    uint32_t lastChild = kNone;
    uint32_t nextSibling = kNone;
    uint32_t copySource = kNone;
    uint32_t firstProperty = kNone;  // the property chain, as the reader links it
    uint32_t lastProperty = kNone;
    uint32_t propertyCount = 0;
    uint64_t declLine = 0;      // the C or X record that made it; 0 when only a lookup made it
    uint64_t placeLine = 0;     // the record that hung it under its parent
    uint64_t nameLine = 0;      // the first I or L record that reached it
    uint64_t linkLine = 0;      // the last L record that reached it
    uint64_t propertyLine = 0;  // the first P record that attached a property to it
    char declRecord = 0;
    char nameRecord = 0;
    bool isLink = false;
    bool hasName = false;
    bool nameCut = false;  // `name` holds only the beginning of the name
    bool reached = false;  // built by the walk
    bool onPath = false;
    uint32_t top = kNone;  // for an unbuilt record: the top of the unbuilt subtree it lies in
    // A hash of the value of the first kxCid property on the node's chain; 0 for none or an empty one.
    size_t componentId = 0;
    bool idUnknown = false;  // that property was named after its value came: the check does not judge it
    bool idRefused = false;  // a sibling has the same component id: the node is placed without it
    std::string name;        // short enough to need no allocation: it is only quoted in messages
};

// Whether the builder reads a property's first value, as far as the check knows it.
enum class Verdict : unsigned char { kUnknown, kAccepted, kRejected };

// What the check remembers of one property record, or of one record the copy step makes.
struct PropertyRecord {
    int id = 0;
    int typeId = 0;
    uint32_t node = kNone;
    uint32_t next = kNone;    // the next property of the same chain
    uint32_t origin = kNone;  // for a copied record, the record it copies; else the record itself
    uint64_t firstLine = 0;
    uint64_t attachLine = 0;
    size_t nameHash = 0;   // with typeId, the key under which the copy step compares properties
    size_t valueHash = 0;  // of the first value of a kxCid property, never 0 but for an empty one
    char firstRecord = 0;
    signed char builder = -1;  // the builder property its name matches, or -1
    Verdict verdict = Verdict::kUnknown;
    bool named = false;
    bool attached = false;
    bool hasValue = false;
    bool reported = false;  // its builder finding is out: a shared chain reports it once
};

// The reader's id lookup with its one-entry cache, over records kept by index: the same id sequence
// yields the same records, fresh ones and displaced ones included, so that the check's verdicts are
// the reader's. `displaced` receives the record a fresh lookup pushed out of the table, else kNone.
// Records and the id array live in the host's regions: a block of records, built whole, is made present
// in one call rather than faulted in every 4 KiB, while the id array is touched only where ids fall.
template <class Record>
class RecordTable {
  public:
    // Ids below `denseLimit` are looked up in an array indexed by id, reserved whole up front (its
    // untouched pages cost nothing); the others by hash.
    explicit RecordTable(uint32_t denseLimit)
        : m_dense(static_cast<uint32_t*>(denseLimit ? du::AllocateRegions(DenseBytes(denseLimit)) : nullptr)),
          m_denseLimit(m_dense ? denseLimit : 0) {}
    RecordTable(const RecordTable&) = delete;
    RecordTable& operator=(const RecordTable&) = delete;
    ~RecordTable() {
        for (Record* block : m_blocks) {
            std::destroy_n(block, kBlock);
            du::FreeRegions(block, kBlockBytes);
        }
        if (m_dense) du::FreeRegions(m_dense, DenseBytes(m_denseLimit));
    }

    uint32_t LookUp(int id, bool fresh, uint32_t& displaced) {
        displaced = kNone;
        if (id < 1) return kNone;
        if (id == m_cachedId) return m_cached;
        // The table holds index + 1, so that a new entry (0) holds no record.
        uint32_t& slot = static_cast<uint32_t>(id) < m_denseLimit ? m_dense[id] : m_ids.Lookup(id);
        if (fresh || slot == 0) {
            if (slot != 0) displaced = slot - 1;
            const uint32_t made = Append();
            (*this)[made].id = id;
            slot = made + 1;
        }
        m_cachedId = id;
        m_cached = slot - 1;
        return m_cached;
    }
    uint32_t LookUp(int id, bool fresh) {
        uint32_t displaced;
        return LookUp(id, fresh, displaced);
    }
    // A record that no id reaches, as the copy step makes them.
    uint32_t Append() {
        if (m_size % kBlock == 0) m_blocks.push_back(NewBlock());
        return m_size++;
    }
    // The record the table holds for `id` now, without touching the cache.
    uint32_t Current(int id) const {
        if (static_cast<uint32_t>(id) < m_denseLimit) return m_dense[id] - 1;
        const uint32_t* slot = m_ids.Find(id);
        return slot == nullptr ? kNone : *slot - 1;
    }
    Record& operator[](uint32_t index) { return m_blocks[index / kBlock][index % kBlock]; }
    uint32_t Size() const { return m_size; }

  private:
    // The most records, in a power of two, that one region holds: they never move once made.
    static constexpr uint32_t kBlock = [] {
        uint32_t count = 1;
        while (2 * count * sizeof(Record) <= du::kRegionSize) count *= 2;
        return count;
    }();
    static constexpr size_t kBlockBytes = kBlock * sizeof(Record);

    static size_t DenseBytes(uint32_t limit) { return size_t(limit) * sizeof(uint32_t); }
    static Record* NewBlock() {
        void* memory = du::AllocateRegions(kBlockBytes);
        if (memory == nullptr) throw std::bad_alloc();  // as operator new does
        du::Prefault(memory, kBlockBytes);
        Record* block = static_cast<Record*>(memory);
        std::uninitialized_value_construct_n(block, kBlock);
        return block;
    }

    std::vector<Record*> m_blocks;
    uint32_t m_size = 0;
    uint32_t* const m_dense;
    const uint32_t m_denseLimit;
    IdTable<uint32_t> m_ids{512};
    int m_cachedId = -1;
    uint32_t m_cached = kNone;
};

}  // namespace ed::check
