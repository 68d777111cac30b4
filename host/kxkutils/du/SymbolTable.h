#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "du/LightMutex.h"
#include "du/SlabHeap.h"
#include "du/Symbol.h"

namespace du {

// The process-wide table of texts behind du::Symbol: shards picked by the top bits of the 32-bit hash,
// each an open-addressing table with linear probing and its own slabs for the texts, all under one
// lock. Thread-safe.
//
// A text whose count fell to zero stays in its shard, dead, until the shard is rebuilt: when it must
// grow, or in Sweep. So the last release of a symbol takes no lock, and a lookup that meets a dead
// text of the same value brings it back instead of making a new one.
//
// A slot is 8 bytes: the header's address (8-byte aligned, below 2^48) over its low 45 bits, and the
// low 19 bits of the hash above. Those bits hold the home slot of every shard up to 2^19 slots, so
// neither a probe past other texts nor a rebuild reads any text but the one looked for, beyond
// telling the dead from the live; past that size the home comes from the header.
class SymbolTable {
  public:
    using Header = Symbol::Header;
    static_assert(sizeof(Header) == 12 && alignof(Header) == 4, "texts start right after the header");

    static SymbolTable& Get();

    // The interned copy of the text, its count raised; throws std::bad_alloc.
    const char* Intern(const char* text, size_t length);
    // The same, given the text's hash (texthash::HashText).
    const char* Intern(const char* text, size_t length, uint32_t hash);
    // One text for InternAll: the interned copy goes to *into.
    struct InternRequest {
        const char* text;
        size_t length;
        uint32_t hash;  // texthash::HashText of the text
        const char** into;
    };
    // Interns every request's text as Intern does, taking each shard's lock once for all the texts that
    // fall in it (the lock's two atomic operations, the second of which waits for the stores before
    // it, cost more than the rest of a lookup that hits). On std::bad_alloc, the requests not served
    // keep what *into held.
    void InternAll(InternRequest* requests, size_t count);
    // Symbol::Reserve.
    void Reserve(size_t texts);
    // Symbol::PrefetchSlot.
    void PrefetchSlot(uint32_t hash) noexcept;
    // Texts with at least one holder.
    size_t LiveCount();
    // Frees every dead text and shrinks shards that emptied.
    void Sweep() noexcept;
    // The same on this thread alone, as at exit, where no thread is to be started.
    void SweepAlone() noexcept { SweepShards(0, 1); }

  private:
    static constexpr unsigned kShardBits = 6;
    static constexpr unsigned kTagBits = 19;
    static constexpr unsigned kTagShift = 64 - kTagBits;
    static constexpr size_t kMinimumSlots = 64;
    // Slots between a scan and the header it loads ahead.
    static constexpr size_t kAheadSlots = 16;
    // Slots from which a sweep takes a second thread: below, starting one costs more than it saves.
    static constexpr size_t kSweepSlotsPerThread = size_t(1) << 18;

    // Slot arrays that Reserve lays side by side in regions of their own (du/Regions.h), on huge pages:
    // a large table's slots are read at random, and on small pages nearly every lookup also missed the
    // TLB (a million-node load: 9 % of its CPU time). The last shard to move its slots elsewhere
    // frees the block. Slot arrays come in powers of two, so the block fills its regions.
    struct SlotBlock {
        uint64_t* slots;
        size_t bytes;               // as given to AllocateRegions
        std::atomic<size_t> users;  // shards with slots in it, and Reserve while it hands them out
        // A block of `slots` slots with one user; null when the system has no regions to give.
        static SlotBlock* New(size_t slots) noexcept;
        void Release() noexcept;
    };

    struct alignas(64) Shard {
        // Not a spin lock: a rebuild and a new slab may take memory from the system under it.
        LightMutex lock;
        uint64_t* slots = nullptr;
        SlotBlock* slotBlock = nullptr;  // that `slots` lie in, if any; else they are the env's
        size_t mask = 0;                 // slot count - 1, when there are slots
        size_t size = 0;                 // dead texts included
        SlabHeap texts;
        // The slots and mask as the look-ahead reads them, without the lock: it only prefetches the
        // address they give, which is harmless even when a rebuild has just freed the slots.
        std::atomic<const uint64_t*> sharedSlots{nullptr};
        std::atomic<size_t> sharedMask{0};

        size_t Capacity() const { return slots ? mask + 1 : 0; }
        size_t Home(uint64_t slot) const;
        void Place(uint64_t slot);
        const char* Find(const char* text, size_t length, uint32_t hash);
        // Find, else Add after growing the slots if they are full; under the lock.
        const char* FindOrAdd(const char* text, size_t length, uint32_t hash);
        // Starts loading the header of the first text with the hash's tag; under the lock.
        void PrefetchHeader(uint32_t hash) const noexcept;
        const char* Add(const char* text, size_t length, uint32_t hash);
        size_t CountLive() const;
        // False when a few slots spread over the shard hold a dead text.
        bool NoneDeadInSample() const;
        // Frees the dead texts, keeping the slots.
        void DropDead() noexcept;
        // Moves the texts into `capacity` fresh slots, freeing the dead ones if `dropDead` says so
        // (else they stay, for a later rebuild or sweep); false (nothing changed) when `capacity`
        // slots cannot be had and `mayFail` says so.
        bool Rebuild(size_t capacity, bool mayFail, bool dropDead);
        // Rebuild into `capacity` zeroed slots at `fresh`, which lie in `block` unless that is null.
        void MoveTo(uint64_t* fresh, SlotBlock* block, size_t capacity, bool dropDead) noexcept;
        void* NewText(size_t length);
        void DeleteText(Header* header) noexcept;
    };

    // The capacity that takes `more` texts on top of the shard's without a rebuild; under its lock.
    static size_t CapacityFor(const Shard& shard, size_t more);
    // Sweeps the shards from `first`, `step` apart.
    void SweepShards(size_t first, size_t step) noexcept;

    static uint64_t SlotOf(const Header* header, uint32_t hash) {
        return reinterpret_cast<uintptr_t>(header) >> 3 | uint64_t(hash) << kTagShift;
    }
    static Header* HeaderIn(uint64_t slot) {
        return reinterpret_cast<Header*>(slot << kTagBits >> (kTagBits - 3));
    }
    static bool SameTag(uint64_t slot, uint32_t hash) {
        return slot >> kTagShift == (hash & ((uint32_t(1) << kTagBits) - 1));
    }
    static bool Dead(uint64_t slot) { return HeaderIn(slot)->count.load(std::memory_order_acquire) == 0; }
    static size_t ShardIndex(uint32_t hash) { return hash >> (32 - kShardBits); }
    Shard& ShardOf(uint32_t hash) { return m_shards[ShardIndex(hash)]; }

    Shard m_shards[size_t(1) << kShardBits];
};

}  // namespace du
