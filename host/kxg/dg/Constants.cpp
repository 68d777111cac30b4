#include <cfloat>

#include "dg/Box.h"
#include "dg/Location.h"
#include "dg/Point3D.h"

namespace dg {

const FBox FBox::EMPTY{FPoint3D(FLT_MAX, FLT_MAX, FLT_MAX), FPoint3D(-FLT_MAX, -FLT_MAX, -FLT_MAX)};
const Location Location::IDENTITY{};

}  // namespace dg
