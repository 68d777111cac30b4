#pragma once

#include <cstddef>
#include <functional>

namespace dg {

// An RGBA colour, components as given (no range check). Plain value.
struct Color {
    float r = 0, g = 0, b = 0, a = 1;

    constexpr Color() = default;
    constexpr Color(float cr, float cg, float cb, float ca = 1) : r(cr), g(cg), b(cb), a(ca) {}
    void Set(float cr, float cg, float cb, float ca) {
        r = cr;
        g = cg;
        b = cb;
        a = ca;
    }
    bool operator==(const Color& o) const { return r == o.r && g == o.g && b == o.b && a == o.a; }
    bool operator!=(const Color& o) const { return !(*this == o); }
};

}  // namespace dg

template <>
struct std::hash<dg::Color> {
    size_t operator()(const dg::Color& c) const noexcept {
        std::hash<float> h;
        size_t seed = h(c.r);
        for (float f : {c.g, c.b, c.a}) seed ^= h(f) + 0x9e3779b97f4a7c15ull + (seed << 6) + (seed >> 2);
        return seed;
    }
};
