#include "kxk/ViewPoint.h"

namespace kxk {

bool ViewPoint::Create(du::SmartPtr<ViewPoint>& out, const du::Symbol& name,
                       const dg::Quaternion<float>& orientation) {
    out = new ViewPoint(name, orientation);
    return true;
}

}  // namespace kxk
