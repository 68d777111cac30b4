#include "du/Symbol.h"

#include "du/TextSlabs.h"

#include <cstdint>
#include <cstring>
#include <mutex>
#include <new>
#include <ostream>
#include <string_view>
#include <thread>

namespace du {

namespace {

__extension__ typedef unsigned __int128 Product;

// The high and low halves of a 64x64-bit product folded together: every input bit reaches the middle
// of the product, and the fold brings it down to the low bits as well.
inline uint64_t Fold(uint64_t a, uint64_t b) {
    const Product p = static_cast<Product>(a) * b;
    return static_cast<uint64_t>(p) ^ static_cast<uint64_t>(p >> 64);
}

inline uint64_t Load64(const char* p) {
    uint64_t w;
    std::memcpy(&w, p, 8);
    return w;
}

inline uint64_t Load32(const char* p) {
    uint32_t w;
    std::memcpy(&w, p, 4);
    return w;
}

// One multiply for each 16 bytes; the last 16 (or fewer) are read as two words that may overlap, which
// the length, mixed in first, tells apart.
inline uint32_t HashText(const char* p, size_t n) {
    constexpr uint64_t k0 = 0x9e3779b97f4a7c15ULL, k1 = 0xbf58476d1ce4e5b9ULL, k2 = 0x94d049bb133111ebULL;
    uint64_t h = n ^ k0;
    uint64_t a = 0, b = 0;
    if (n > 16) {
        size_t rest = n;
        for (; rest > 16; p += 16, rest -= 16) h = Fold(Load64(p) ^ k1, Load64(p + 8) ^ h);
        a = Load64(p + rest - 16);
        b = Load64(p + rest - 8);
    } else if (n >= 8) {
        a = Load64(p);
        b = Load64(p + n - 8);
    } else if (n >= 4) {
        a = Load32(p);
        b = Load32(p + n - 4);
    } else if (n > 0) {
        a = uint64_t(uint8_t(p[0])) << 16 | uint64_t(uint8_t(p[n / 2])) << 8 | uint8_t(p[n - 1]);
    }
    h = Fold(a ^ k2, b ^ h);
    return static_cast<uint32_t>(h ^ (h >> 32));
}

// Short texts compare as they were hashed, in two loads each, without a call.
inline bool SameText(const char* a, const char* b, size_t n) {
    if (n > 16) return std::memcmp(a, b, n) == 0;
    if (n >= 8) return Load64(a) == Load64(b) && Load64(a + n - 8) == Load64(b + n - 8);
    if (n >= 4) return Load32(a) == Load32(b) && Load32(a + n - 4) == Load32(b + n - 4);
    return n == 0 || (a[0] == b[0] && a[n / 2] == b[n / 2] && a[n - 1] == b[n - 1]);
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

}  // namespace

// The process-wide table of texts: shards picked by the top bits of the 32-bit hash, each an
// open-addressing table with linear probing and its own slabs for the texts, all under one short lock.
//
// A slot is 8 bytes: the header's address (8-byte aligned, below 2^48) over its low 45 bits, and the
// low 19 bits of the hash above. Those bits hold the home slot of every shard up to 2^19 slots, so
// neither a probe past other texts, nor a move or a rehash, reads any text but the one looked for;
// beyond that the home comes from the header.
class SymbolTable {
  public:
    using Header = Symbol::Header;
    static_assert(sizeof(Header) == 12 && alignof(Header) == 4, "texts start right after the header");

    static constexpr unsigned kShardBits = 6;
    static constexpr unsigned kTagBits = 19;
    static constexpr unsigned kTagShift = 64 - kTagBits;
    static constexpr size_t kMinimumSlots = 64;

    static uint64_t SlotOf(const Header* header, uint32_t hash) {
        return reinterpret_cast<uintptr_t>(header) >> 3 | uint64_t(hash) << kTagShift;
    }
    static Header* HeaderIn(uint64_t slot) {
        return reinterpret_cast<Header*>(slot << kTagBits >> (kTagBits - 3));
    }
    static bool SameTag(uint64_t slot, uint32_t hash) {
        return slot >> kTagShift == (hash & ((uint32_t(1) << kTagBits) - 1));
    }
    static bool Fits(const Header* header) { return reinterpret_cast<uintptr_t>(header) >> 48 == 0; }

    struct alignas(64) Shard {
        SpinLock lock;
        uint64_t* slots = nullptr;
        size_t mask = 0;  // slot count - 1, when there are slots
        size_t size = 0;
        TextSlabs texts;

        size_t Capacity() const { return slots ? mask + 1 : 0; }
        size_t Home(uint64_t slot) const {
            return (mask >> kTagBits ? HeaderIn(slot)->hash : slot >> kTagShift) & mask;
        }
        void Place(uint64_t slot) {
            size_t i = Home(slot);
            while (slots[i]) i = (i + 1) & mask;
            slots[i] = slot;
        }
        void Rehash(uint64_t* fresh, size_t capacity) {
            uint64_t* old = slots;
            const size_t oldCapacity = Capacity();
            slots = fresh;
            mask = capacity - 1;
            for (size_t i = 0; i < oldCapacity; ++i)
                if (old[i]) Place(old[i]);
            delete[] old;
        }
        // Shifts later slots of the run back into the gap, so that no tombstones build up.
        void Remove(uint32_t hash, const Header* header) {
            const uint64_t gone = SlotOf(header, hash);
            size_t i = hash & mask;
            while (slots[i] != gone) i = (i + 1) & mask;
            for (size_t j = (i + 1) & mask; slots[j]; j = (j + 1) & mask) {
                if (((j - Home(slots[j])) & mask) >= ((j - i) & mask)) {
                    slots[i] = slots[j];
                    i = j;
                }
            }
            slots[i] = 0;
            --size;
            // Give back the slots of a table that emptied, e.g. after a large structure was released.
            if (Capacity() > kMinimumSlots && size * 8 < Capacity()) {
                // Without memory for the smaller array the larger one simply stays.
                if (uint64_t* fresh = new (std::nothrow) uint64_t[Capacity() / 2]())
                    Rehash(fresh, Capacity() / 2);
            }
        }
    };

    Shard shards[size_t(1) << kShardBits];

    Shard& ShardOf(uint32_t hash) { return shards[hash >> (32 - kShardBits)]; }

    static SymbolTable& Get();

    // Small texts live in the shard's slabs; a long one has its length in 8 bytes before the header.
    static void* NewText(Shard& shard, size_t length) {
        const size_t size = sizeof(Header) + length + 1;
        if (size <= TextSlabs::kMaxBlock) return shard.texts.Allocate(size);
        if (length < Symbol::kLongText) return ::operator new(size);
        char* memory = static_cast<char*>(::operator new(8 + size));
        std::memcpy(memory, &length, 8);
        return memory + 8;
    }
    static void DeleteText(Shard& shard, void* header, size_t length) noexcept {
        if (sizeof(Header) + length + 1 <= TextSlabs::kMaxBlock)
            shard.texts.Release(header);
        else if (length < Symbol::kLongText)
            ::operator delete(header);
        else
            ::operator delete(reinterpret_cast<char*>(header) - 8);
    }
};

static_assert(sizeof(Symbol) == sizeof(void*), "a symbol is one pointer");

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

}  // namespace

inline SymbolTable& SymbolTable::Get() {
    return theTable.table;
}

size_t Symbol::LongLength(const char* text) noexcept {
    size_t length;
    std::memcpy(&length, text - sizeof(Header) - 8, 8);
    return length;
}

// A text found with a count of zero is being freed by its last holder, who removes it by identity
// as soon as it gets the shard lock; it is passed over, and the text is entered afresh if needed.
// Equal texts of live symbols therefore always share one entry.
const char* Symbol::Intern(const char* text, size_t length) {
    if (length > SIZE_MAX / 2) throw std::bad_alloc();
    const uint32_t hash = HashText(text, length);
    const uint32_t shortLength = length < kLongText ? static_cast<uint32_t>(length) : kLongText;
    SymbolTable::Shard& shard = SymbolTable::Get().ShardOf(hash);
    std::lock_guard<SpinLock> guard(shard.lock);
    if (shard.slots) {
        for (size_t i = hash & shard.mask; shard.slots[i]; i = (i + 1) & shard.mask) {
            const uint64_t slot = shard.slots[i];
            if (!SymbolTable::SameTag(slot, hash)) continue;
            Header* header = SymbolTable::HeaderIn(slot);
            const char* found = reinterpret_cast<const char*>(header + 1);
            if (header->hash != hash || header->length != shortLength) continue;
            if ((shortLength == kLongText && LongLength(found) != length) || !SameText(found, text, length))
                continue;
            uint32_t count = header->count.load(std::memory_order_relaxed);
            while (count != 0) {
                const uint32_t next = count < kSaturated ? count + 1 : count;
                if (header->count.compare_exchange_weak(count, next, std::memory_order_relaxed)) return found;
            }
        }
    }
    if ((shard.size + 1) * 10 > shard.Capacity() * 7) {
        const size_t capacity = shard.slots ? shard.Capacity() * 2 : SymbolTable::kMinimumSlots;
        shard.Rehash(new uint64_t[capacity](), capacity);
    }
    void* memory = SymbolTable::NewText(shard, length);
    Header* header = new (memory) Header{hash, {1}, shortLength};
    if (!SymbolTable::Fits(header)) {
        SymbolTable::DeleteText(shard, memory, length);
        throw std::bad_alloc();
    }
    char* copy = reinterpret_cast<char*>(header + 1);
    std::memcpy(copy, text, length);
    copy[length] = '\0';
    shard.Place(SymbolTable::SlotOf(header, hash));
    ++shard.size;
    return copy;
}

void Symbol::Free(const char* text) noexcept {
    Header* header = &HeaderOf(text);
    const uint32_t hash = header->hash;
    SymbolTable::Shard& shard = SymbolTable::Get().ShardOf(hash);
    std::lock_guard<SpinLock> guard(shard.lock);
    shard.Remove(hash, header);
    const size_t length = LengthOf(text);
    header->~Header();
    SymbolTable::DeleteText(shard, header, length);
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
    size_t live = 0;
    for (SymbolTable::Shard& shard : SymbolTable::Get().shards) {
        std::lock_guard<SpinLock> guard(shard.lock);
        live += shard.size;
    }
    return live;
}

std::ostream& operator<<(std::ostream& out, const Symbol& symbol) {
    symbol.Print(out);
    return out;
}

}  // namespace du
