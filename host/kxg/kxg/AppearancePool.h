#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <unordered_map>

#include "dg/Color.h"
#include "du/SmartPtr.h"
#include "kxg/Appearance.h"

namespace kxg {

// Hands out one shared Appearance per colour: the same colour gives the same object for as long as
// someone holds it. Entries are weak: the pool holds no reference, and an appearance removes its
// entry (through ZeroReferenceCountHook) when its last outside reference goes, so the pool does not
// keep objects alive and leak counts stay exact. Thread-safe (one mutex).
//
// A reference count cannot be raised "only if not zero", so a lookup that meets a release in
// progress must not revive the object: an entry whose count reads zero is replaced by a fresh
// appearance, and when the count read after taking a reference cannot tell whether a release
// crossed zero meanwhile, the pool keeps that reference itself (pins the entry) until the
// release's hook arrives. In the other reading (the holder simply let go after the lookup took
// its reference, which only concurrent releases of the same colour can cause) no hook comes, and
// the pinned appearance stays with the pool until ReleasePins.
//
//   du::SmartPtr<kxg::Appearance> red = kxg::GetAppearancePool().GetAppearanceFromColor(dg::Color(1, 0, 0,
//   1));
class AppearancePool {
  public:
    AppearancePool() = default;
    AppearancePool(const AppearancePool&) = delete;
    AppearancePool& operator=(const AppearancePool&) = delete;

    du::SmartPtr<Appearance> GetAppearanceFromColor(const dg::Color& color);
    // Colours with a live appearance right now.
    size_t Size() const;
    // Drops the pool's own references, freeing appearances nobody else holds. Only safe while no
    // other thread takes or drops appearances (for example after concurrent loads have finished).
    void ReleasePins();

  private:
    friend class Appearance;
    // Called by an appearance whose count reached zero; true when it may be deleted.
    bool Forget(const Appearance* appearance);

    // Colours are keyed by bit pattern (with -0 taken as 0), so that a NaN component still finds
    // its own entry again.
    struct ColorBits {
        uint32_t bits[4];
        bool operator==(const ColorBits& o) const;
    };
    struct ColorBitsHash {
        size_t operator()(const ColorBits& key) const;
    };
    static ColorBits KeyOf(const dg::Color& color);

    mutable std::mutex m_mutex;
    std::unordered_map<ColorBits, Appearance*, ColorBitsHash> m_entries;
};

// The process-wide pool. It is never destroyed, so appearances released during exit still find it.
AppearancePool& GetAppearancePool();

}  // namespace kxg
