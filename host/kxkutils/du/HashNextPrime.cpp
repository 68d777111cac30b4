#include "du/HashNextPrime.h"

#include <array>
#include <cstdint>

namespace du {

namespace {

uint64_t MulMod(uint64_t a, uint64_t b, uint64_t m) {
    return static_cast<uint64_t>(static_cast<unsigned __int128>(a) * b % m);
}

uint64_t PowMod(uint64_t base, uint64_t exp, uint64_t m) {
    uint64_t result = 1;
    base %= m;
    while (exp) {
        if (exp & 1) result = MulMod(result, base, m);
        base = MulMod(base, base, m);
        exp >>= 1;
    }
    return result;
}

// Miller-Rabin with the first twelve primes as witnesses, which is exact for every 64-bit number.
bool IsPrime(uint64_t n) {
    static const uint64_t kWitnesses[] = {2, 3, 5, 7, 11, 13, 17, 19, 23, 29, 31, 37};
    if (n < 2) return false;
    for (uint64_t p : kWitnesses) {
        if (n % p == 0) return n == p;
    }
    uint64_t d = n - 1;
    int s = 0;
    while ((d & 1) == 0) d >>= 1, ++s;
    for (uint64_t a : kWitnesses) {
        uint64_t x = PowMod(a, d, n);
        if (x == 1 || x == n - 1) continue;
        bool composite = true;
        for (int i = 1; i < s && composite; ++i) {
            x = MulMod(x, x, n);
            if (x == n - 1) composite = false;
        }
        if (composite) return false;
    }
    return true;
}

constexpr uint64_t kLargestPrime = 18446744073709551557ULL;  // 2^64 - 59

uint64_t SmallestPrimeFrom(uint64_t n) {
    if (n <= 2) return 2;
    if (n >= kLargestPrime) return kLargestPrime;
    for (n |= 1;; n += 2) {
        if (IsPrime(n)) return n;
    }
}

// The sequence: 2, then the smallest prime above each power of two. A table that grows to
// HashNextPrime(count + 1) thus at least doubles, and is rebuilt a logarithmic number of times
// however it is filled.
struct Ladder {
    std::array<uint64_t, 64> primes;
    Ladder() {
        primes[0] = 2;
        for (int k = 1; k < 64; ++k) primes[k] = SmallestPrimeFrom((uint64_t(1) << k) + 1);
    }
};

}  // namespace

size_t HashNextPrime(size_t n) {
    static const Ladder ladder;
    for (uint64_t p : ladder.primes) {
        if (p >= n) return static_cast<size_t>(p);
    }
    // Past the last rung (above 2^63) no table can be; answer the exact prime, capped at the largest.
    return static_cast<size_t>(SmallestPrimeFrom(n));
}

}  // namespace du
