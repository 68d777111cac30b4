#pragma once

#include <cstdint>

#include "du/SmartPtr.h"
#include "du/Symbol.h"
#include "kxk/ViewableSource.h"

namespace kxk {

// An embedded office document viewable beside the node. Immutable; held by counted reference.
class OLESource : public ViewableSource {
  public:
    // Always makes a source and returns true.
    static bool Create(du::SmartPtr<OLESource>& out, const du::Symbol& fileName,
                       const du::Symbol& displayName, uint8_t flag);

  private:
    OLESource(const du::Symbol& fileName, const du::Symbol& displayName, uint8_t flag)
        : ViewableSource(OLEDOC, fileName, displayName, flag) {}
};

}  // namespace kxk
