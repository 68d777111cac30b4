#include "NumberScan.h"

#include <charconv>
#include <cstdint>
#include <limits>

namespace ed {

namespace {

bool IsSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// Adds the digits from `p` on to `value` and returns the end of them. Past 19 digits `value` wraps,
// which the callers' digit count catches.
const char* AccumulateDigits(const char* p, uint64_t& value) {
    for (unsigned digit; (digit = static_cast<unsigned char>(*p) - unsigned{'0'}) <= 9; ++p)
        value = value * 10 + digit;
    return p;
}

// Powers of ten that every binary format here holds exactly.
constexpr double kPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                   1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// The largest count of fraction digits, and the largest digit value, for which the quotient of two
// exact numbers is one correctly rounded operation (and so equals what strtof and strtod give).
template <class Number>
struct Exact;
template <>
struct Exact<float> {
    static constexpr int kMaxScale = 10;
    static constexpr uint64_t kMaxDigits = uint64_t(1) << 24;
};
template <>
struct Exact<double> {
    static constexpr int kMaxScale = 22;
    static constexpr uint64_t kMaxDigits = uint64_t(1) << 53;
};

}  // namespace

template <class Number>
bool NumberScan::Read(Number& out) {
    const char* p = m_cursor;
    while (IsSpace(*p)) ++p;
    const bool negative = *p == '-';
    if (*p == '-' || *p == '+') ++p;
    const char* const digits = p;
    uint64_t value = 0;
    p = AccumulateDigits(p, value);
    int count = static_cast<int>(p - digits), scale = 0;
    // Either side of the point may be empty ("54.", ".5"), as for sscanf, but not both.
    if (*p == '.') {
        const char* const fraction = ++p;
        p = AccumulateDigits(p, value);
        scale = static_cast<int>(p - fraction);
        count += scale;
    }
    if (count == 0) return false;
    if (*p != '\0' && !IsSpace(*p)) return false;
    if (count <= 19 && value <= Exact<Number>::kMaxDigits && scale <= Exact<Number>::kMaxScale) {
        out = static_cast<Number>(value) / static_cast<Number>(kPowersOfTen[scale]);
    } else {
        const auto result = std::from_chars(digits, p, out, std::chars_format::fixed);
        if (result.ec != std::errc() || result.ptr != p) return false;
    }
    if (negative) out = -out;
    m_cursor = p;
    return true;
}

bool NumberScan::Next(float& out) {
    return Read(out);
}

bool NumberScan::Next(double& out) {
    return Read(out);
}

bool NumberScan::AtEnd() const {
    const char* p = m_cursor;
    while (IsSpace(*p)) ++p;
    return *p == '\0';
}

}  // namespace ed
