#pragma once

#include <cstdint>

namespace edgen {

// A small seeded generator (splitmix64) whose sequence is fixed by the seed alone, on every platform
// and standard library, so that a seed names one file for good.
class Random {
  public:
    explicit Random(uint64_t seed) : m_state(seed) {}

    uint64_t Next() {
        uint64_t z = (m_state += 0x9e3779b97f4a7c15ULL);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
        return z ^ (z >> 31);
    }
    // Uniform in [0, bound); bound > 0.
    uint64_t Below(uint64_t bound) { return Next() % bound; }
    // True with probability `p`.
    bool Chance(double p) { return Unit() < p; }
    // Uniform in [0, 1).
    double Unit() { return static_cast<double>(Next() >> 11) * (1.0 / 9007199254740992.0); }
    double Between(double lo, double hi) { return lo + (hi - lo) * Unit(); }

  private:
    uint64_t m_state;
};

}  // namespace edgen
