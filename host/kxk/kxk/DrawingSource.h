#pragma once

#include <cstdint>
#include <vector>

#include "du/SmartPtr.h"
#include "du/Symbol.h"
#include "kxk/ViewableSource.h"

namespace kxk {

class DrawingSheetSource;

// A 2D drawing file viewable beside the node. Immutable; held by counted reference.
class DrawingSource : public ViewableSource {
  public:
    // Always makes a source and returns true. The two flags and the sheet list are part of the
    // host's signature; loaders pass false, false and null, and the stand-in keeps none of them.
    static bool Create(du::SmartPtr<DrawingSource>& out, const du::Symbol& fileName,
                       const du::Symbol& displayName, uint8_t flag, bool flag1, bool flag2,
                       const std::vector<du::SmartPtr<DrawingSheetSource>>* sheets);

  private:
    DrawingSource(const du::Symbol& fileName, const du::Symbol& displayName, uint8_t flag)
        : ViewableSource(DRAWING, fileName, displayName, flag) {}
};

}  // namespace kxk
