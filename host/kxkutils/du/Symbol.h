#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <string>
#include <string_view>

namespace du {

// An immutable, interned string: equal texts share one pointer, so equality is a pointer compare.
//
//   du::Symbol a("Bolt"), b(std::string("Bolt"));
//   assert(a == b && a.c_str() == b.c_str());
//   du::Symbol none;            // null: no text at all
//   assert(none.safe_c_str()[0] == '\0' && !none.has_text());
//
// Interning is thread-safe (a sharded table, one short lock per shard). Each interned text is
// reference counted; copying and dropping a symbol is one atomic operation, the last drop included.
// A text nobody holds any more stays in the table until Sweep, or until its part of the table grows.
class Symbol {
  public:
    static const Symbol EMPTY;  // the empty text "" (not null)
    static constexpr size_t npos = std::string::npos;

    Symbol() noexcept : m_text(nullptr) {}
    Symbol(const char* text);
    Symbol(const char* text, size_t length);
    // Symbol(text, length) for a reader that has the text's Hash already, worked out ahead (perhaps on
    // another thread); `hash` must be Hash(text, length), or equal texts may not share one entry.
    Symbol(const char* text, size_t length, uint32_t hash);
    Symbol(const std::string& text);
    Symbol(const Symbol& other) noexcept : m_text(other.m_text) { Acquire(m_text); }
    Symbol(Symbol&& other) noexcept : m_text(other.m_text) { other.m_text = nullptr; }
    ~Symbol() { Release(m_text); }

    Symbol& operator=(const Symbol& other) noexcept {
        if (m_text != other.m_text) {
            Acquire(other.m_text);
            Release(m_text);
            m_text = other.m_text;
        }
        return *this;
    }
    Symbol& operator=(Symbol&& other) noexcept {
        if (this != &other) {
            Release(m_text);
            m_text = other.m_text;
            other.m_text = nullptr;
        }
        return *this;
    }

    // Null when the symbol holds no text.
    const char* c_str() const { return m_text; }
    // Never null: "" for a null symbol.
    const char* safe_c_str() const { return m_text ? m_text : ""; }
    bool is_null() const { return m_text == nullptr; }
    // True when the symbol holds at least one character.
    bool has_text() const { return m_text && *m_text; }
    size_t length() const { return m_text ? LengthOf(m_text) : 0; }

    size_t find(char c, size_t pos = 0) const;
    size_t find(const char* s, size_t pos = 0) const;
    std::string substr(size_t pos, size_t count = npos) const;
    operator std::string() const { return std::string(safe_c_str(), length()); }

    // Writes the text, or nothing for a null symbol.
    void Print(std::ostream& out) const;

    bool operator==(const Symbol& other) const { return m_text == other.m_text; }
    bool operator!=(const Symbol& other) const { return m_text != other.m_text; }
    bool operator==(const char* other) const;
    bool operator!=(const char* other) const { return !(*this == other); }
    // Orders by handle: stable within a process, not alphabetical.
    bool operator<(const Symbol& other) const { return m_text < other.m_text; }

    // A look-ahead for readers that know which texts they will intern soon. A lookup waits on two
    // memory loads, the table slot and then the text it points at; PrefetchSlot starts the first (the
    // second is du::SymbolInternBatch's). It takes the text's Hash, which any thread may work out
    // ahead; it only prefetches: it changes nothing, never waits for a lock, and may be skipped or
    // given texts that never come.
    static uint32_t Hash(const char* text, size_t length) noexcept;
    static void PrefetchSlot(uint32_t hash) noexcept;
    // Starts loading the text's reference count, for code about to copy or drop many symbols whose
    // texts are no longer in the cache; changes nothing.
    void PrefetchCount() const noexcept {
        if (m_text) __builtin_prefetch(&HeaderOf(m_text).count, 1);
    }

    // For containers that pack a symbol into a tagged word. A handle is the text's address, whose two
    // low bits are always clear. Detach takes the handle and its reference out of the symbol, leaving
    // it null; Attach makes a symbol of a detached handle, taking the reference back; Copy makes one of
    // a handle that stays held, raising the count.
    const char* Detach() noexcept {
        const char* handle = m_text;
        m_text = nullptr;
        return handle;
    }
    static Symbol Attach(const char* handle) noexcept {
        Symbol symbol;
        symbol.m_text = handle;
        return symbol;
    }
    static Symbol Copy(const char* handle) noexcept {
        Acquire(handle);
        return Attach(handle);
    }

    // Makes room for `texts` more texts, so that a reader that knows roughly how many new texts are
    // coming spares the table its growth steps on the way; throws std::bad_alloc.
    static void Reserve(size_t texts);
    // Number of distinct texts held right now (for leak checks).
    static size_t LiveCount();
    // Gives back the memory of the texts nobody holds any more; a host runs it when a structure goes.
    static void Sweep() noexcept;

  private:
    friend class SymbolTable;
    friend class SymbolReleaseBatch;
    friend class SymbolCopyBatch;
    friend class SymbolInternBatch;

    // Every interned text is preceded by its hash, its reference count and its length. A count that
    // reaches kSaturated stays there, so the text is never freed rather than freed too early; a length
    // of kLongText or more is kept in the 8 bytes before the header.
    // 12 bytes after 8-byte aligned memory: texts, and so handles, are aligned to 4 bytes.
    struct Header {
        uint32_t hash;
        std::atomic<uint32_t> count;
        uint32_t length;
    };
    static constexpr uint32_t kSaturated = uint32_t(1) << 31;
    static constexpr uint32_t kLongText = UINT32_MAX;

    static Header& HeaderOf(const char* text) {
        return *reinterpret_cast<Header*>(const_cast<char*>(text) - sizeof(Header));
    }
    static size_t LengthOf(const char* text) {
        const uint32_t length = HeaderOf(text).length;
        return length != kLongText ? length : LongLength(text);
    }
    static size_t LongLength(const char* text) noexcept;
    static void Acquire(const char* text, uint32_t references = 1) noexcept {
        if (!text) return;
        std::atomic<uint32_t>& count = HeaderOf(text).count;
        if (count.fetch_add(references, std::memory_order_relaxed) >= kSaturated)
            count.store(kSaturated, std::memory_order_relaxed);
    }
    static void Release(const char* text, uint32_t references = 1) noexcept {
        if (!text) return;
        std::atomic<uint32_t>& count = HeaderOf(text).count;
        if (count.fetch_sub(references, std::memory_order_release) >= kSaturated)
            count.store(kSaturated, std::memory_order_relaxed);
    }
    static const char* Intern(const char* text, size_t length);

    const char* m_text;
};

std::ostream& operator<<(std::ostream& out, const Symbol& symbol);

// Drops many references to a few texts with few atomic operations, for one thread that releases a
// large structure whose properties share their names: the drops of one text are added up and given
// back at once, when another text needs the entry or when the batch is flushed or destroyed. Until
// then the text stays alive. Not thread-safe.
//
//   du::SymbolReleaseBatch batch;
//   for (Property& p : properties) batch.Drop(p.name);   // each p.name is null now
//   batch.Flush();                                        // the counts are right again
class SymbolReleaseBatch {
  public:
    SymbolReleaseBatch() = default;
    ~SymbolReleaseBatch() { Flush(); }
    SymbolReleaseBatch(const SymbolReleaseBatch&) = delete;
    SymbolReleaseBatch& operator=(const SymbolReleaseBatch&) = delete;

    // Takes over the symbol's reference and leaves it null.
    void Drop(Symbol& symbol) noexcept {
        const char* text = symbol.m_text;
        if (!text) return;
        symbol.m_text = nullptr;
        Entry& entry = m_entries[(reinterpret_cast<uintptr_t>(text) * 0x9e3779b97f4a7c15ULL) >> kShift];
        if (entry.text == text && entry.references < kMaxReferences) {
            ++entry.references;
            return;
        }
        Symbol::Release(entry.text, entry.references);
        entry = Entry{text, 1};
    }
    void Flush() noexcept {
        for (Entry& entry : m_entries) {
            Symbol::Release(entry.text, entry.references);
            entry = Entry{};
        }
    }

  private:
    static constexpr unsigned kShift = 60;  // 16 entries
    // Far below the saturated count, which a text's count may reach and must not pass on the way down.
    static constexpr uint32_t kMaxReferences = uint32_t(1) << 20;
    struct Entry {
        const char* text = nullptr;
        uint32_t references = 0;
    };
    Entry m_entries[size_t(1) << (64 - kShift)];
};

// Copies a few texts many times with few atomic operations, for one thread that gives the same
// names to a million properties: a text's count is raised by a stock of references at once, and the
// copies are taken from the stock; what is left goes back when another text needs the entry or when
// the batch is flushed or destroyed. Each raise is a locked instruction, which waits for every store
// before it. Not thread-safe.
//
//   du::SymbolCopyBatch batch;
//   for (...) properties.push_back(batch.Copy(name));
class SymbolCopyBatch {
  public:
    SymbolCopyBatch() = default;
    ~SymbolCopyBatch() { Flush(); }
    SymbolCopyBatch(const SymbolCopyBatch&) = delete;
    SymbolCopyBatch& operator=(const SymbolCopyBatch&) = delete;

    Symbol Copy(const Symbol& symbol) noexcept {
        const char* text = symbol.m_text;
        if (!text) return Symbol();
        Entry& entry = EntryFor(text);
        if (entry.text != text || entry.left == 0) {
            Give(entry);
            Symbol::Acquire(text, kStock);
            entry = Entry{text, kStock};
        }
        --entry.left;
        Symbol copy;
        copy.m_text = text;
        return copy;
    }
    void Flush() noexcept {
        for (Entry& entry : m_entries) Give(entry);
    }

  private:
    static constexpr unsigned kShift = 56;  // 256 entries
    static constexpr size_t kProbes = 4;
    static constexpr uint32_t kStock = 1024;
    struct Entry {
        const char* text = nullptr;
        uint32_t left = 0;
    };
    // The text's entry, else a free one near it, else the one it evicts. Two names in turns on one
    // entry would each give their stock back at every copy.
    Entry& EntryFor(const char* text) noexcept {
        const size_t home = (reinterpret_cast<uintptr_t>(text) * 0x9e3779b97f4a7c15ULL) >> kShift;
        for (size_t probe = 0; probe < kProbes; ++probe) {
            Entry& entry = m_entries[(home + probe) % std::size(m_entries)];
            if (entry.text == text || !entry.text) return entry;
        }
        return m_entries[home];
    }
    static void Give(Entry& entry) noexcept {
        if (entry.left) Symbol::Release(entry.text, entry.left);
        entry = Entry{};
    }
    Entry m_entries[size_t(1) << (64 - kShift)];
};

// Comparisons with plain texts from either side, without interning them. A null symbol equals only
// a null pointer, never a std::string.
inline bool operator==(const char* text, const Symbol& symbol) {
    return symbol == text;
}
inline bool operator!=(const char* text, const Symbol& symbol) {
    return !(symbol == text);
}
inline bool operator==(const Symbol& symbol, const std::string& text) {
    return !symbol.is_null() && text.compare(0, std::string::npos, symbol.c_str(), symbol.length()) == 0;
}
inline bool operator!=(const Symbol& symbol, const std::string& text) {
    return !(symbol == text);
}
inline bool operator==(const std::string& text, const Symbol& symbol) {
    return symbol == text;
}
inline bool operator!=(const std::string& text, const Symbol& symbol) {
    return !(symbol == text);
}

}  // namespace du

template <>
struct std::hash<du::Symbol> {
    size_t operator()(const du::Symbol& s) const noexcept { return std::hash<const void*>()(s.c_str()); }
};
