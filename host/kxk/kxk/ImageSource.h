#pragma once

#include <cstdint>

#include "du/SmartPtr.h"
#include "du/Symbol.h"
#include "kxk/ViewableSource.h"

namespace kxk {

// A raster image file viewable beside the node. Immutable; held by counted reference.
class ImageSource : public ViewableSource {
  public:
    // Always makes a source and returns true.
    static bool Create(du::SmartPtr<ImageSource>& out, const du::Symbol& fileName,
                       const du::Symbol& displayName, uint8_t flag);

  private:
    ImageSource(const du::Symbol& fileName, const du::Symbol& displayName, uint8_t flag)
        : ViewableSource(IMAGE, fileName, displayName, flag) {}
};

}  // namespace kxk
