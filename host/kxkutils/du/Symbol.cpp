#include "du/Symbol.h"

#include <cstdint>
#include <cstring>
#include <mutex>
#include <new>
#include <ostream>
#include <string_view>
#include <thread>

namespace du {

namespace {

// A fast 64-bit hash over 8-byte words; the final mix spreads every input bit over the shard and slot
// bits, which are taken from opposite ends of the result.
inline uint64_t Mix(uint64_t h) {
    h ^= h >> 33;
    h *= 0xff51afd7ed558ccdULL;
    h ^= h >> 33;
    h *= 0xc4ceb9fe1a85ec53ULL;
    h ^= h >> 33;
    return h;
}

inline uint64_t HashBytes(const char* p, size_t n) {
    const uint64_t m = 0x9e3779b97f4a7c15ULL;
    uint64_t h = 0x243f6a8885a308d3ULL ^ (n * m);
    while (n >= 8) {
        uint64_t w;
        std::memcpy(&w, p, 8);
        h = (h ^ Mix(w)) * m;
        h = (h << 29) | (h >> 35);
        p += 8;
        n -= 8;
    }
    uint64_t tail = 0;
    std::memcpy(&tail, p, n);
    h = (h ^ Mix(tail ^ n)) * m;
    return Mix(h);
}

// Critical sections here are a few dozen instructions, far shorter than putting a thread to sleep and
// waking it; a waiter spins briefly, then yields its core.
class SpinLock {
  public:
    void lock() {
        while (m_locked.exchange(true, std::memory_order_acquire)) {
            for (int spins = 0; m_locked.load(std::memory_order_relaxed); ++spins) {
                if (spins >= 64) std::this_thread::yield();
            }
        }
    }
    void unlock() { m_locked.store(false, std::memory_order_release); }

  private:
    std::atomic<bool> m_locked{false};
};

struct Slot {
    uint64_t hash;
    void* entry;  // the text's header; null for a free slot
};

// One shard: an open-addressing table with linear probing, so that a lookup reads one or two cache
// lines of hashes and touches a text only when its hash matches. Kept between 1/8 and 7/10 full.
struct alignas(64) Shard {
    SpinLock lock;
    Slot* slots = nullptr;
    size_t mask = 0;  // slot count - 1, when there are slots
    size_t size = 0;

    size_t Capacity() const { return slots ? mask + 1 : 0; }

    void Place(const Slot& slot) {
        size_t i = slot.hash & mask;
        while (slots[i].entry) i = (i + 1) & mask;
        slots[i] = slot;
    }

    void Grow() {
        const size_t capacity = slots ? Capacity() * 2 : kMinimumSlots;
        Rehash(new Slot[capacity](), capacity);
    }

    void Rehash(Slot* fresh, size_t capacity) {
        Slot* old = slots;
        const size_t oldCapacity = Capacity();
        slots = fresh;
        mask = capacity - 1;
        for (size_t i = 0; i < oldCapacity; ++i)
            if (old[i].entry) Place(old[i]);
        delete[] old;
    }

    // Removes the slot of `entry` and shifts later slots of the same run back into the gap, so that
    // no tombstones build up.
    void Remove(uint64_t hash, const void* entry) {
        size_t i = hash & mask;
        while (slots[i].entry != entry) i = (i + 1) & mask;
        for (size_t j = (i + 1) & mask; slots[j].entry; j = (j + 1) & mask) {
            const size_t home = slots[j].hash & mask;
            if (((j - home) & mask) >= ((j - i) & mask)) {
                slots[i] = slots[j];
                i = j;
            }
        }
        slots[i] = Slot{0, nullptr};
        --size;
        // Give back the slots of a table that emptied, e.g. after a large structure was released.
        if (Capacity() > kMinimumSlots && size * 8 < Capacity()) {
            // Without memory for the smaller array the larger one simply stays.
            if (Slot* fresh = new (std::nothrow) Slot[Capacity() / 2]()) Rehash(fresh, Capacity() / 2);
        }
    }

    static constexpr size_t kMinimumSlots = 64;
};

constexpr size_t kShardBits = 6;
constexpr size_t kShardCount = size_t(1) << kShardBits;

struct Table {
    Shard shards[kShardCount];
    std::atomic<size_t> live{0};

    Shard& ShardOf(uint64_t hash) { return shards[hash >> (64 - kShardBits)]; }
};

// Static Symbols anywhere (Symbol::EMPTY included) may be built before this file's statics, and
// released after them; so the table is built on first use and never destroyed.
Table& TheTable() {
    static Table* table = new Table;
    return *table;
}

}  // namespace

// A text found with a count of zero is being freed by its last holder, who removes it by identity
// as soon as it gets the shard lock; it is passed over, and the text is entered afresh if needed.
// Equal texts of live symbols therefore always share one entry.
const char* Symbol::Intern(const char* text, size_t length) {
    const uint64_t hash = HashBytes(text, length);
    Table& table = TheTable();
    Shard& shard = table.ShardOf(hash);
    std::lock_guard<SpinLock> guard(shard.lock);
    for (size_t i = hash & shard.mask; shard.slots && shard.slots[i].entry; i = (i + 1) & shard.mask) {
        if (shard.slots[i].hash != hash) continue;
        Header* header = static_cast<Header*>(shard.slots[i].entry);
        const char* found = reinterpret_cast<const char*>(header + 1);
        if (header->length != length || std::memcmp(found, text, length) != 0) continue;
        size_t count = header->count.load(std::memory_order_relaxed);
        while (count != 0) {
            if (header->count.compare_exchange_weak(count, count + 1, std::memory_order_relaxed))
                return found;
        }
    }
    if ((shard.size + 1) * 10 > shard.Capacity() * 7) shard.Grow();
    void* memory = ::operator new(sizeof(Header) + length + 1);
    Header* header = new (memory) Header;
    header->count.store(1, std::memory_order_relaxed);
    header->length = length;
    char* copy = reinterpret_cast<char*>(header + 1);
    std::memcpy(copy, text, length);
    copy[length] = '\0';
    shard.Place(Slot{hash, header});
    ++shard.size;
    table.live.fetch_add(1, std::memory_order_relaxed);
    return copy;
}

void Symbol::Free(const char* text) noexcept {
    Header* header = &HeaderOf(text);
    const uint64_t hash = HashBytes(text, header->length);
    Table& table = TheTable();
    Shard& shard = table.ShardOf(hash);
    {
        std::lock_guard<SpinLock> guard(shard.lock);
        shard.Remove(hash, header);
    }
    table.live.fetch_sub(1, std::memory_order_relaxed);
    header->~Header();
    ::operator delete(header);
}

const Symbol Symbol::EMPTY("");

Symbol::Symbol(const char* text) : m_text(text ? Intern(text, std::strlen(text)) : nullptr) {}

Symbol::Symbol(const char* text, size_t length) : m_text(text ? Intern(text, length) : nullptr) {}

Symbol::Symbol(const std::string& text) : m_text(Intern(text.data(), text.size())) {}

size_t Symbol::find(char c, size_t pos) const {
    return std::string_view(safe_c_str(), length()).find(c, pos);
}

size_t Symbol::find(const char* s, size_t pos) const {
    if (!s) return npos;
    return std::string_view(safe_c_str(), length()).find(s, pos);
}

std::string Symbol::substr(size_t pos, size_t count) const {
    // Throws std::out_of_range for a position past the end, as std::string::substr does.
    return std::string(std::string_view(safe_c_str(), length()).substr(pos, count));
}

void Symbol::Print(std::ostream& out) const {
    if (m_text) out.write(m_text, static_cast<std::streamsize>(length()));
}

// A null symbol equals only a null pointer; "" is the empty text, which is not null.
bool Symbol::operator==(const char* other) const {
    if (!m_text || !other) return m_text == other;
    size_t n = length();
    for (size_t i = 0; i < n; ++i) {
        if (other[i] != m_text[i] || other[i] == '\0') return false;
    }
    return other[n] == '\0';
}

size_t Symbol::LiveCount() {
    return TheTable().live.load(std::memory_order_relaxed);
}

std::ostream& operator<<(std::ostream& out, const Symbol& symbol) {
    symbol.Print(out);
    return out;
}

}  // namespace du
