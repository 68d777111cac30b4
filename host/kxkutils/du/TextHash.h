#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace du {

// The symbol table's hash and text comparison, both tuned for the short names and values of product
// structures, where most texts are under 32 bytes.
namespace texthash {

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

}  // namespace texthash

}  // namespace du
