#pragma once

#include <cstddef>
#include <cstring>
#include <new>
#include <type_traits>

#include "du/Env.h"
#include "du/Regions.h"
#include "ed/reader/IdTable.h"

namespace ed {

// Records by id (ids of 1 and above). Ids in real files run densely from 1, so every id up to a bound
// that grows with the count of ids seen indexes a plain array, zero-filled memory in 2 MiB regions, a
// region a segment: a lookup is two loads, and the array grows a segment at a time without copying
// what it holds (a copying array touched twice the memory it kept: 64 MiB more at eight million ids).
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
    static_assert(std::is_trivially_copyable<Value>::value, "segments are zero-filled memory");
    static constexpr size_t kSegmentValues = du::kRegionSize / sizeof(Value);
    static constexpr size_t kStep = du::kPrefaultStep / sizeof(Value);
    static_assert((kSegmentValues & (kSegmentValues - 1)) == 0 && kSegmentValues % kStep == 0,
                  "a step of pages made present never crosses a segment's end");

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
    size_t Capacity() const { return m_segmentCount * kSegmentValues; }
    Value& At(size_t index) { return m_segments[index / kSegmentValues][index % kSegmentValues]; }

    Value& Dense(size_t index) {
        Value& value = At(index);
        m_denseCount += value == Value();
        return value;
    }

    // Ids past the present part of the array. Kept out of the lookups, whose callers it would
    // otherwise burden with the registers and stack frame of the growth and the hash table.
    [[gnu::noinline]] Value& LookupElsewhere(int id) {
        const size_t index = static_cast<size_t>(id);
        if ((index < Capacity() || index <= DenseBound()) && Reach(index)) return Dense(index);
        return m_sparse.Lookup(id);
    }

    // Makes the array reach `index` and its pages present up to the step that holds it; false when
    // the array must grow and cannot.
    bool Reach(size_t index) {
        if (index >= Capacity() && !Grow(index)) return false;
        const size_t present = (index / kStep + 1) * kStep;
        for (; m_present < present; m_present += kStep) du::Prefault(&At(m_present), du::kPrefaultStep);
        return true;
    }

    // Adds segments until the array holds `index`; false when the memory cannot be had, and the id
    // goes to the hash table. Ids the hash table already holds move into the array, so each id has one
    // place.
    bool Grow(size_t index) {
        const size_t before = Capacity();
        while (index >= Capacity() && AddSegment()) {
        }
        if (Capacity() > before && !m_sparse.Empty()) MoveSparseBelow(Capacity());
        return index < Capacity();
    }

    bool AddSegment() {
        if (m_segmentCount == m_segmentSlots && !GrowSegmentTable()) return false;
        Value* segment = static_cast<Value*>(du::AllocateRegions(du::kRegionSize));
        if (!segment) return false;
        m_segments[m_segmentCount++] = segment;
        return true;
    }

    bool GrowSegmentTable() {
        const size_t slots = m_segmentSlots ? 2 * m_segmentSlots : 16;
        Value** grown;
        try {
            grown = static_cast<Value**>(du::Env::Get().Allocate(slots * sizeof(Value*)));
        } catch (const std::bad_alloc&) {
            return false;
        }
        if (m_segmentCount) std::memcpy(grown, m_segments, m_segmentCount * sizeof(Value*));
        du::Env::Get().Free(m_segments);
        m_segments = grown;
        m_segmentSlots = slots;
        return true;
    }

    void MoveSparseBelow(size_t capacity) {
        IdTable<Value> rest(1);
        m_sparse.ForEach([&](int id, const Value& value) {
            if (static_cast<size_t>(id) < capacity) {
                At(static_cast<size_t>(id)) = value;
                ++m_denseCount;
            } else {
                rest.Lookup(id) = value;
            }
        });
        m_sparse.Swap(rest);
    }

    void FreeDense() {
        for (size_t i = 0; i < m_segmentCount; ++i) du::FreeRegions(m_segments[i], du::kRegionSize);
        du::Env::Get().Free(m_segments);
        m_segments = nullptr;
        m_segmentCount = m_segmentSlots = 0;
        m_present = 0;
        m_denseCount = 0;
    }

    Value** m_segments = nullptr;  // m_segmentCount segments of kSegmentValues values; index 0 unused
    size_t m_segmentCount = 0;
    size_t m_segmentSlots = 0;
    size_t m_present = 0;     // entries whose pages are present
    size_t m_denseCount = 0;  // values set in the array
    IdTable<Value> m_sparse;
};

}  // namespace ed
