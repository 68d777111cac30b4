#pragma once

#include <cstddef>
#include <cstdint>

#include "du/Symbol.h"
#include "du/SymbolTable.h"

namespace du {

// Interns many texts with few locks, for one thread that has a block of them: the texts are
// gathered, their table slots loaded as they come, and interned a shard at a time when the batch is
// full or finished (du::SymbolTable::InternAll). Until then the symbols they go to stay null. Not
// thread-safe.
//
//   du::SymbolInternBatch batch;
//   for (Record& r : records) batch.Add(r.text, r.length, du::Symbol::Hash(r.text, r.length), r.symbol);
//   batch.Finish();   // every r.symbol holds its text now
class SymbolInternBatch {
  public:
    SymbolInternBatch() = default;
    SymbolInternBatch(const SymbolInternBatch&) = delete;
    SymbolInternBatch& operator=(const SymbolInternBatch&) = delete;

    // `into` must be null and stay where it is until Finish; `hash` is Symbol::Hash of the text. May
    // run the batch, and throw std::bad_alloc as Finish does.
    void Add(const char* text, size_t length, uint32_t hash, Symbol& into) {
        if (m_count == kCapacity) Finish();
        m_requests[m_count++] = SymbolTable::InternRequest{text, length, hash, &into.m_text};
        Symbol::PrefetchSlot(hash);
    }
    // Interns what was added. On std::bad_alloc the symbols not reached stay null, and the batch is
    // empty either way.
    void Finish();

  private:
    // Large enough that a shard takes a few texts a lock, small enough that the slots loaded first
    // are still in the cache when their turn comes.
    static constexpr size_t kCapacity = 1024;

    SymbolTable::InternRequest m_requests[kCapacity];
    size_t m_count = 0;
};

}  // namespace du
