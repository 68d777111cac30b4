#include "kxk/ShapeSource.h"

namespace kxk {

bool ShapeSource::Create(du::SmartPtr<ShapeSource>& out, const du::Symbol& source, const dg::FBox& box,
                         unsigned int index) {
    out = new ShapeSource(source, box, index);
    return true;
}

}  // namespace kxk
