#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <type_traits>

#include "du/Regions.h"
#include "ed/reader/IdTable.h"

namespace ed {

// Records by id (ids of 1 and above). Ids in real files run densely from 1, so every id up to a bound
// that grows with the count of ids seen indexes a plain array, zero-filled memory from 2 MiB
// regions: a lookup is one load, and the array grows in 2 MiB steps without a per-entry allocation.
// Its pages are made present a step ahead of the ids that reach them: a lookup reads its entry before
// writing it, and a page first read is mapped read-only and faults again, at the cost of a TLB flush
// on every core the process runs on, when written.
// Ids far beyond the bound (sparse or hostile files) go to a hash table, so memory stays in proportion
// to the ids seen. Not thread-safe.
//
//   IdIndex<Record*> ids(512);
//   Record*& slot = ids.Lookup(7);   // null when 7 is new
template <class Value>
class IdIndex {
    static_assert(std::is_trivially_copyable<Value>::value, "the array is copied and zero-filled as bytes");

  public:
    // `minimumBuckets` sizes the hash table of the sparse ids.
    explicit IdIndex(size_t minimumBuckets) : m_sparse(minimumBuckets) {}
    ~IdIndex() { FreeDense(); }
    IdIndex(const IdIndex&) = delete;
    IdIndex& operator=(const IdIndex&) = delete;

    // The value of `id` (at least 1), value-initialised when the id is new; valid until the next
    // Lookup or Clear.
    Value& Lookup(int id) {
        const size_t index = static_cast<size_t>(id);
        return index < m_present ? Dense(index) : LookupElsewhere(id);
    }

    // Gives back all memory; the next Lookup starts afresh.
    void Clear() {
        FreeDense();
        m_sparse.Clear();
    }

  private:
    // A denser file grows the array; a count of ids this far below the id is a sparse one.
    size_t DenseBound() const { return 2 * (m_denseCount + m_sparse.Size()) + 4096; }

    Value& Dense(size_t index) {
        Value& value = m_dense[index];
        m_denseCount += value == Value();
        return value;
    }

    // Ids past the present part of the array. Kept out of the lookups, whose callers it would
    // otherwise burden with the registers and stack frame of the growth and the hash table.
    [[gnu::noinline]] Value& LookupElsewhere(int id) {
        const size_t index = static_cast<size_t>(id);
        if ((index < m_capacity || index <= DenseBound()) && Reach(index)) return Dense(index);
        return m_sparse.Lookup(id);
    }

    // Makes the array reach `index` and its pages present up to the step that holds it; false when
    // the array must grow and cannot.
    bool Reach(size_t index) {
        if (index >= m_capacity && !GrowDense(index)) return false;
        constexpr size_t kStep = du::kPrefaultStep / sizeof(Value);
        const size_t present = std::min(m_capacity, (index / kStep + 1) * kStep);
        du::Prefault(m_dense + m_present, (present - m_present) * sizeof(Value));
        m_present = present;
        return true;
    }

    // Grows the array past `index`; false when the memory cannot be had, and the id goes to the hash
    // table. Ids the hash table already holds move into the array, so each id has one place.
    bool GrowDense(size_t index) {
        size_t capacity = m_capacity ? m_capacity * 2 : du::kRegionSize / sizeof(Value);
        while (capacity <= index) capacity *= 2;
        Value* grown = static_cast<Value*>(du::AllocateRegions(capacity * sizeof(Value)));
        if (!grown) return false;
        const size_t copied = m_capacity;
        if (m_dense) {
            du::Prefault(grown, m_capacity * sizeof(Value));
            std::memcpy(static_cast<void*>(grown), m_dense, m_capacity * sizeof(Value));
        }
        const size_t denseCount = m_denseCount;
        FreeDense();
        m_denseCount = denseCount;
        m_dense = grown;
        m_capacity = capacity;
        m_present = copied;
        if (!m_sparse.Empty()) MoveSparseBelow(capacity);
        return true;
    }

    void MoveSparseBelow(size_t capacity) {
        IdTable<Value> rest(1);
        m_sparse.ForEach([&](int id, const Value& value) {
            if (static_cast<size_t>(id) < capacity) {
                m_dense[id] = value;
                ++m_denseCount;
            } else {
                rest.Lookup(id) = value;
            }
        });
        m_sparse.Swap(rest);
    }

    void FreeDense() {
        du::FreeRegions(m_dense, m_capacity * sizeof(Value));
        m_dense = nullptr;
        m_capacity = 0;
        m_present = 0;
        m_denseCount = 0;
    }

    Value* m_dense = nullptr;  // m_capacity values, index 0 unused
    size_t m_capacity = 0;
    size_t m_present = 0;     // entries whose pages are present
    size_t m_denseCount = 0;  // values set in the array
    IdTable<Value> m_sparse;
};

}  // namespace ed
