#pragma once

#include <cfloat>

#include "dg/Point3D.h"

namespace dg {

// An axis-aligned box given by its minimum and maximum corners. Default-constructed it is EMPTY:
// min at +FLT_MAX and max at -FLT_MAX, so that extending it by any point gives that point.
struct FBox {
    FPoint3D min{FLT_MAX, FLT_MAX, FLT_MAX};
    FPoint3D max{-FLT_MAX, -FLT_MAX, -FLT_MAX};

    constexpr FBox() = default;
    constexpr FBox(const FPoint3D& lo, const FPoint3D& hi) : min(lo), max(hi) {}

    // True when some minimum coordinate exceeds its maximum (EMPTY is).
    bool IsEmpty() const { return min.x > max.x || min.y > max.y || min.z > max.z; }
    bool operator==(const FBox& o) const { return min == o.min && max == o.max; }
    bool operator!=(const FBox& o) const { return !(*this == o); }

    static const FBox EMPTY;
};

}  // namespace dg
