#include <cfloat>

#include "dg/Box.h"
#include "dg/Location.h"
#include "dg/Point3D.h"
#include "dg/Vec3.h"

namespace dg {

const FPoint3D FPoint3D::ORIGIN{0, 0, 0};
const DPoint3D DPoint3D::ORIGIN{0, 0, 0};
const FVec3 FVec3::ZERO{0, 0, 0};
const DVec3 DVec3::ZERO{0, 0, 0};
const FBox FBox::EMPTY{FPoint3D(FLT_MAX, FLT_MAX, FLT_MAX), FPoint3D(-FLT_MAX, -FLT_MAX, -FLT_MAX)};
const Location Location::IDENTITY{};

}  // namespace dg
