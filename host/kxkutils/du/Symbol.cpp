#include "du/Symbol.h"

#include <atomic>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <new>
#include <ostream>
#include <string_view>

namespace du {

namespace {

// Every interned text is one allocation: this header, then the characters and a terminating zero.
// A Symbol holds a pointer to the characters, so the header is found by stepping back.
struct Entry {
    std::atomic<size_t> count;
    Entry* next;  // chain in the shard's bucket
    size_t hash;
    size_t length;

    char* Text() { return reinterpret_cast<char*>(this + 1); }
    static Entry* Of(const char* text) { return reinterpret_cast<Entry*>(const_cast<char*>(text)) - 1; }
};
static_assert(sizeof(Entry) % alignof(Entry) == 0, "characters must follow the header directly");

// A fast 64-bit hash over 8-byte words; the final mix spreads every input bit over the shard and bucket
// bits, which are taken from opposite ends of the result.
inline uint64_t Mix(uint64_t h) {
    h ^= h >> 33;
    h *= 0xff51afd7ed558ccdULL;
    h ^= h >> 33;
    h *= 0xc4ceb9fe1a85ec53ULL;
    h ^= h >> 33;
    return h;
}

inline size_t HashBytes(const char* p, size_t n) {
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
    return static_cast<size_t>(Mix(h));
}

constexpr size_t kShardBits = 6;
constexpr size_t kShardCount = size_t(1) << kShardBits;
constexpr size_t kInitialBuckets = 64;

struct Shard {
    std::mutex mutex;
    Entry** buckets = nullptr;
    size_t bucketMask = 0;
    size_t size = 0;

    // Doubles the bucket array once the shard holds more texts than buckets. Called under the lock.
    void Grow() {
        size_t newCount = buckets ? (bucketMask + 1) * 2 : kInitialBuckets;
        Entry** fresh = new Entry*[newCount]();
        for (size_t i = 0; buckets && i <= bucketMask; ++i) {
            for (Entry* e = buckets[i]; e;) {
                Entry* next = e->next;
                Entry*& head = fresh[e->hash & (newCount - 1)];
                e->next = head;
                head = e;
                e = next;
            }
        }
        delete[] buckets;
        buckets = fresh;
        bucketMask = newCount - 1;
    }
};

struct Table {
    Shard shards[kShardCount];
    std::atomic<size_t> live{0};

    Shard& ShardOf(size_t hash) { return shards[hash >> (sizeof(size_t) * 8 - kShardBits)]; }
};

// Static Symbols anywhere (Symbol::EMPTY included) may be built before this file's statics, and
// released after them; so the table is built on first use and never destroyed.
Table& TheTable() {
    static Table* table = new Table;
    return *table;
}

const char* Intern(const char* text, size_t length) {
    size_t hash = HashBytes(text, length);
    Table& table = TheTable();
    Shard& shard = table.ShardOf(hash);
    std::lock_guard<std::mutex> lock(shard.mutex);
    if (shard.buckets) {
        for (Entry* e = shard.buckets[hash & shard.bucketMask]; e; e = e->next) {
            if (e->hash == hash && e->length == length && std::memcmp(e->Text(), text, length) == 0) {
                // Under the shard lock, so a release that is about to free this entry cannot
                // have brought the count to zero yet (see ReleaseText).
                e->count.fetch_add(1, std::memory_order_relaxed);
                return e->Text();
            }
        }
    }
    if (!shard.buckets || shard.size > shard.bucketMask) shard.Grow();
    void* memory = ::operator new(sizeof(Entry) + length + 1);
    Entry* e = new (memory) Entry;
    e->count.store(1, std::memory_order_relaxed);
    e->hash = hash;
    e->length = length;
    std::memcpy(e->Text(), text, length);
    e->Text()[length] = '\0';
    Entry*& head = shard.buckets[hash & shard.bucketMask];
    e->next = head;
    head = e;
    ++shard.size;
    table.live.fetch_add(1, std::memory_order_relaxed);
    return e->Text();
}

void AcquireText(const char* text) {
    if (text) Entry::Of(text)->count.fetch_add(1, std::memory_order_relaxed);
}

// Above one reference the count drops without the lock. The last reference is dropped under the
// shard lock, so a concurrent lookup either took its reference first (and the entry lives on) or
// finds the entry gone.
void ReleaseText(const char* text) {
    if (!text) return;
    Entry* e = Entry::Of(text);
    size_t count = e->count.load(std::memory_order_relaxed);
    while (count > 1) {
        if (e->count.compare_exchange_weak(count, count - 1, std::memory_order_acq_rel,
                                           std::memory_order_relaxed))
            return;
    }
    Table& table = TheTable();
    Shard& shard = table.ShardOf(e->hash);
    {
        std::lock_guard<std::mutex> lock(shard.mutex);
        if (e->count.fetch_sub(1, std::memory_order_acq_rel) != 1) return;
        for (Entry** link = &shard.buckets[e->hash & shard.bucketMask]; *link; link = &(*link)->next) {
            if (*link == e) {
                *link = e->next;
                break;
            }
        }
        --shard.size;
    }
    table.live.fetch_sub(1, std::memory_order_relaxed);
    e->~Entry();
    ::operator delete(e);
}

}  // namespace

const Symbol Symbol::EMPTY("");

Symbol::Symbol(const char* text) : m_text(text ? Intern(text, std::strlen(text)) : nullptr) {}

Symbol::Symbol(const char* text, size_t length) : m_text(text ? Intern(text, length) : nullptr) {}

Symbol::Symbol(const std::string& text) : m_text(Intern(text.data(), text.size())) {}

Symbol::Symbol(const Symbol& other) noexcept : m_text(other.m_text) {
    AcquireText(m_text);
}

Symbol::~Symbol() {
    ReleaseText(m_text);
}

Symbol& Symbol::operator=(const Symbol& other) noexcept {
    if (m_text != other.m_text) {
        AcquireText(other.m_text);
        ReleaseText(m_text);
        m_text = other.m_text;
    }
    return *this;
}

Symbol& Symbol::operator=(Symbol&& other) noexcept {
    if (this != &other) {
        ReleaseText(m_text);
        m_text = other.m_text;
        other.m_text = nullptr;
    }
    return *this;
}

size_t Symbol::length() const {
    return m_text ? Entry::Of(m_text)->length : 0;
}

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
