#include "du/SymbolTable.h"

#include <cstring>
#include <iterator>
#include <mutex>
#include <new>
#include <thread>

#include "du/Env.h"
#include "du/Regions.h"
#include "du/TextHash.h"

namespace du {

namespace {

// Static Symbols anywhere (Symbol::EMPTY included) may be built before this file's dynamic
// initialisation and released after its statics are destroyed; so the table is initialised as a
// constant, before any code runs, and the union keeps it from ever being destroyed.
union TableStorage {
    constexpr TableStorage() : table() {}
    ~TableStorage() {}
    SymbolTable table;
};
TableStorage theTable;

// A slot does not hold its text's address as such, so a leak checker at exit would take the texts
// that nobody holds any more, still in the table, for leaks; they are freed when the process ends
// normally.
struct SweepAtExit {
    ~SweepAtExit() { theTable.table.SweepAlone(); }
} sweepAtExit;

}  // namespace

SymbolTable& SymbolTable::Get() {
    return theTable.table;
}

const char* SymbolTable::Intern(const char* text, size_t length) {
    return Intern(text, length, texthash::HashText(text, length));
}

// A text found dead is brought back: its count can only rise from zero here, under the shard lock,
// and only a rebuild, under the same lock, frees it. Equal texts therefore always share one entry.
const char* SymbolTable::Intern(const char* text, size_t length, uint32_t hash) {
    if (length > SIZE_MAX / 2) Env::NoteAndThrow();
    Shard& shard = ShardOf(hash);
    std::lock_guard<LightMutex> guard(shard.lock);
    return shard.FindOrAdd(text, length, hash);
}

// The requests are put in shard order by a counting sort over a piece at a time. Within a shard the
// header of the text kAheadTexts on is loaded ahead; the slots were loaded as the requests came.
void SymbolTable::InternAll(InternRequest* requests, size_t count) {
    constexpr size_t kPiece = 4096;
    constexpr size_t kAheadTexts = 8;
    constexpr size_t kShards = size_t(1) << kShardBits;
    for (size_t base = 0; base < count; base += kPiece) {
        InternRequest* piece = requests + base;
        const size_t size = count - base < kPiece ? count - base : kPiece;
        uint16_t starts[kShards + 1] = {};
        for (size_t i = 0; i < size; ++i) {
            if (piece[i].length > SIZE_MAX / 2) Env::NoteAndThrow();
            ++starts[ShardIndex(piece[i].hash) + 1];
        }
        for (size_t s = 0; s < kShards; ++s) starts[s + 1] += starts[s];
        uint16_t next[kShards];
        std::memcpy(next, starts, sizeof next);
        uint16_t order[kPiece];
        for (size_t i = 0; i < size; ++i) order[next[ShardIndex(piece[i].hash)]++] = static_cast<uint16_t>(i);
        for (size_t s = 0; s < kShards; ++s) {
            if (starts[s] == starts[s + 1]) continue;
            Shard& shard = m_shards[s];
            std::lock_guard<LightMutex> guard(shard.lock);
            for (size_t k = starts[s]; k < starts[s + 1]; ++k) {
                if (k + kAheadTexts < starts[s + 1]) shard.PrefetchHeader(piece[order[k + kAheadTexts]].hash);
                InternRequest& request = piece[order[k]];
                *request.into = shard.FindOrAdd(request.text, request.length, request.hash);
            }
        }
    }
}

const char* SymbolTable::Shard::FindOrAdd(const char* text, size_t length, uint32_t hash) {
    if (const char* found = Find(text, length, hash)) return found;
    if ((size + 1) * 10 > Capacity() * 7) {
        // Dead texts are dropped first; the slots double only when the live ones fill half of them,
        // so that a rebuild that stays the same size frees at least a fifth of its slots. While a
        // file loads there are seldom any dead: a sample that finds none spares the reads of every
        // text's header, to count the live and to drop the dead, and the few it missed stay dead
        // until the next rebuild or sweep.
        const bool noneDead = NoneDeadInSample();
        const size_t live = noneDead ? size : CountLive();
        size_t capacity = slots ? Capacity() : kMinimumSlots;
        if ((live + 1) * 2 > capacity) capacity *= 2;
        Rebuild(capacity, false, !noneDead);
    }
    return Add(text, length, hash);
}

size_t SymbolTable::CapacityFor(const Shard& shard, size_t more) {
    size_t capacity = shard.slots ? shard.Capacity() : kMinimumSlots;
    while ((shard.size + more + 1) * 10 > capacity * 7) capacity *= 2;
    return capacity;
}

// Each shard gets the slots that its share of the texts fills to the load limit that starts a rebuild,
// all in one block when they fill a region. A shard that grew in the meantime leaves its part of the
// block unused.
void SymbolTable::Reserve(size_t texts) {
    constexpr size_t kShards = size_t(1) << kShardBits;
    const size_t perShard = texts / kShards + 1;
    size_t capacities[kShards];
    size_t growing = 0;
    for (size_t s = 0; s < kShards; ++s) {
        std::lock_guard<LightMutex> guard(m_shards[s].lock);
        capacities[s] = CapacityFor(m_shards[s], perShard);
        if (capacities[s] > m_shards[s].Capacity()) growing += capacities[s];
    }
    SlotBlock* block = growing * sizeof(uint64_t) >= kRegionSize ? SlotBlock::New(growing) : nullptr;
    uint64_t* next = block ? block->slots : nullptr;
    for (size_t s = 0; s < kShards; ++s) {
        Shard& shard = m_shards[s];
        std::lock_guard<LightMutex> guard(shard.lock);
        if (capacities[s] <= shard.Capacity()) continue;
        if (!block) {
            shard.Rebuild(capacities[s], false, false);
            continue;
        }
        block->users.fetch_add(1, std::memory_order_relaxed);
        shard.MoveTo(next, block, capacities[s], false);
        next += capacities[s];
    }
    if (block) block->Release();
}

SymbolTable::SlotBlock* SymbolTable::SlotBlock::New(size_t slots) noexcept {
    SlotBlock* block = new (std::nothrow) SlotBlock{nullptr, slots * sizeof(uint64_t), {1}};
    if (!block) return nullptr;
    block->slots = static_cast<uint64_t*>(AllocateRegions(block->bytes));
    if (block->slots) return block;
    delete block;
    return nullptr;
}

void SymbolTable::SlotBlock::Release() noexcept {
    if (users.fetch_sub(1, std::memory_order_acq_rel) != 1) return;
    FreeRegions(slots, bytes);
    delete this;
}

void SymbolTable::PrefetchSlot(uint32_t hash) noexcept {
    const Shard& shard = ShardOf(hash);
    const uintptr_t slots = reinterpret_cast<uintptr_t>(shard.sharedSlots.load(std::memory_order_relaxed));
    const size_t slot = hash & shard.sharedMask.load(std::memory_order_relaxed);
    if (slots) __builtin_prefetch(reinterpret_cast<const void*>(slots + slot * sizeof(uint64_t)));
}

// The slot is read under the shard's lock, as a rebuild may free it. The first text with the hash's
// tag is nearly always the one looked for.
void SymbolTable::Shard::PrefetchHeader(uint32_t hash) const noexcept {
    if (!slots) return;
    for (size_t i = hash & mask; slots[i]; i = (i + 1) & mask) {
        if (SameTag(slots[i], hash)) {
            // Texts over 20 bytes may reach into the next line.
            const char* header = reinterpret_cast<const char*>(HeaderIn(slots[i]));
            __builtin_prefetch(header);
            __builtin_prefetch(header + 40);
            return;
        }
    }
}

size_t SymbolTable::LiveCount() {
    size_t live = 0;
    for (Shard& shard : m_shards) {
        std::lock_guard<LightMutex> guard(shard.lock);
        live += shard.CountLive();
    }
    return live;
}

// A large table is swept on two threads, a shard each in turn: the sweep waits on memory, a text's
// header at a time, and a second thread halves it (a million-node structure's texts: 0.16 -> 0.09 s).
// Without a second thread to be had, this one sweeps every shard.
void SymbolTable::Sweep() noexcept {
    size_t slots = 0;
    for (const Shard& shard : m_shards) slots += shard.sharedMask.load(std::memory_order_relaxed) + 1;
    std::thread helper;
    if (slots >= kSweepSlotsPerThread) {
        try {
            helper = Env::Get().StartThread([this] { SweepShards(1, 2); });
        } catch (...) {
        }
    }
    if (!helper.joinable()) return SweepShards(0, 1);
    SweepShards(0, 2);
    helper.join();
}

// Without memory for the smaller slot array a shard simply keeps its larger one.
void SymbolTable::SweepShards(size_t first, size_t step) noexcept {
    for (size_t index = first; index < std::size(m_shards); index += step) {
        Shard& shard = m_shards[index];
        std::lock_guard<LightMutex> guard(shard.lock);
        const size_t before = shard.size;
        shard.DropDead();
        if (shard.size == before) continue;
        size_t capacity = shard.Capacity();
        while (capacity > kMinimumSlots && shard.size * 8 < capacity) capacity /= 2;
        if (capacity < shard.Capacity()) shard.Rebuild(capacity, true, false);
    }
}

size_t SymbolTable::Shard::Home(uint64_t slot) const {
    return (mask >> kTagBits ? HeaderIn(slot)->hash : slot >> kTagShift) & mask;
}

void SymbolTable::Shard::Place(uint64_t slot) {
    size_t i = Home(slot);
    while (slots[i]) i = (i + 1) & mask;
    slots[i] = slot;
}

const char* SymbolTable::Shard::Find(const char* text, size_t length, uint32_t hash) {
    if (!slots) return nullptr;
    const uint32_t shortLength =
        length < Symbol::kLongText ? static_cast<uint32_t>(length) : Symbol::kLongText;
    for (size_t i = hash & mask; slots[i]; i = (i + 1) & mask) {
        const uint64_t slot = slots[i];
        if (!SameTag(slot, hash)) continue;
        Header* header = HeaderIn(slot);
        const char* found = reinterpret_cast<const char*>(header + 1);
        if (header->hash != hash || header->length != shortLength) continue;
        if ((shortLength == Symbol::kLongText && Symbol::LongLength(found) != length) ||
            !texthash::SameText(found, text, length))
            continue;
        uint32_t count = header->count.load(std::memory_order_relaxed);
        while (!header->count.compare_exchange_weak(count, count < Symbol::kSaturated ? count + 1 : count,
                                                    std::memory_order_relaxed)) {
        }
        return found;
    }
    return nullptr;
}

const char* SymbolTable::Shard::Add(const char* text, size_t length, uint32_t hash) {
    const uint32_t shortLength =
        length < Symbol::kLongText ? static_cast<uint32_t>(length) : Symbol::kLongText;
    Header* header = new (NewText(length)) Header{hash, {1}, shortLength};
    if (reinterpret_cast<uintptr_t>(header) >> 48 != 0) {
        DeleteText(header);
        Env::NoteAndThrow();
    }
    char* copy = reinterpret_cast<char*>(header + 1);
    std::memcpy(copy, text, length);
    copy[length] = '\0';
    Place(SlotOf(header, hash));
    ++size;
    return copy;
}

size_t SymbolTable::Shard::CountLive() const {
    size_t live = 0;
    for (size_t i = 0; i < Capacity(); ++i) live += slots[i] && !Dead(slots[i]);
    return live;
}

bool SymbolTable::Shard::NoneDeadInSample() const {
    constexpr size_t kSample = 64;
    const size_t step = Capacity() > kSample ? Capacity() / kSample : 1;
    for (size_t i = 0; i < Capacity(); i += step)
        if (slots[i] && Dead(slots[i])) return false;
    return true;
}

// One pass that reads each text's header once. Every text is taken out of its slot and placed again,
// in probe order from a slot that was empty: by the time a text is placed, every slot between its home
// and its old place has been settled, so no gap that a later removal opens can cut a text off from its
// home.
void SymbolTable::Shard::DropDead() noexcept {
    if (!slots) return;
    size_t start = 0;
    while (slots[start]) ++start;  // the load limit keeps a slot free
    for (size_t n = 1; n <= mask; ++n) {
        const size_t i = (start + n) & mask;
        if (const uint64_t ahead = slots[(i + kAheadSlots) & mask]) {
            __builtin_prefetch(HeaderIn(ahead));
            SlabHeap::PrefetchRelease(HeaderIn(ahead));
        }
        const uint64_t slot = slots[i];
        if (!slot) continue;
        slots[i] = 0;
        if (Dead(slot)) {
            DeleteText(HeaderIn(slot));
            --size;
        } else {
            Place(slot);
        }
    }
}

bool SymbolTable::Shard::Rebuild(size_t capacity, bool mayFail, bool dropDead) {
    uint64_t* fresh;
    try {
        fresh = static_cast<uint64_t*>(Env::Get().Allocate(capacity * sizeof(uint64_t)));
    } catch (const std::bad_alloc&) {
        if (mayFail) return false;
        throw;
    }
    std::memset(fresh, 0, capacity * sizeof(uint64_t));
    MoveTo(fresh, nullptr, capacity, dropDead);
    return true;
}

void SymbolTable::Shard::MoveTo(uint64_t* fresh, SlotBlock* block, size_t capacity, bool dropDead) noexcept {
    uint64_t* old = slots;
    SlotBlock* oldBlock = slotBlock;
    const size_t oldCapacity = Capacity();
    slots = fresh;
    slotBlock = block;
    mask = capacity - 1;
    sharedSlots.store(slots, std::memory_order_relaxed);
    sharedMask.store(mask, std::memory_order_relaxed);
    size = 0;
    // Telling the dead from the live, like placing texts in a shard too large for the tag to give their
    // home, reads each text's header, seldom in the cache: the headers are loaded a few slots ahead.
    const bool readsHeaders = dropDead || (mask >> kTagBits) != 0;
    for (size_t i = 0; i < oldCapacity; ++i) {
        if (readsHeaders && i + kAheadSlots < oldCapacity && old[i + kAheadSlots])
            __builtin_prefetch(HeaderIn(old[i + kAheadSlots]));
        if (!old[i]) continue;
        if (dropDead && Dead(old[i])) {
            DeleteText(HeaderIn(old[i]));
        } else {
            Place(old[i]);
            ++size;
        }
    }
    if (oldBlock)
        oldBlock->Release();
    else if (old)
        Env::Get().Free(old);
}

// Small texts live in the shard's slabs; a long one has its length in 8 bytes before the header.
void* SymbolTable::Shard::NewText(size_t length) {
    const size_t bytes = sizeof(Header) + length + 1;
    Env& env = Env::Get();
    if (bytes <= SlabHeap::kMaxBlock) {
        if (!env.GrantPooled()) Env::NoteAndThrow();
        return texts.Allocate(bytes);
    }
    if (length < Symbol::kLongText) return env.Allocate(bytes);
    char* memory = static_cast<char*>(env.Allocate(8 + bytes));
    std::memcpy(memory, &length, 8);
    return memory + 8;
}

void SymbolTable::Shard::DeleteText(Header* header) noexcept {
    const size_t length = Symbol::LengthOf(reinterpret_cast<const char*>(header + 1));
    header->~Header();
    if (sizeof(Header) + length + 1 <= SlabHeap::kMaxBlock)
        texts.Release(header);
    else if (length < Symbol::kLongText)
        Env::Get().Free(header);
    else
        Env::Get().Free(reinterpret_cast<char*>(header) - 8);
}

}  // namespace du
