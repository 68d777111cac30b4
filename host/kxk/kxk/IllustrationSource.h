#pragma once

#include <cstdint>

#include "du/SmartPtr.h"
#include "du/Symbol.h"
#include "kxk/ViewableSource.h"

namespace kxk {

// A 2D illustration file viewable beside the node. Immutable; held by counted reference.
class IllustrationSource : public ViewableSource {
  public:
    // Always makes a source and returns true.
    static bool Create(du::SmartPtr<IllustrationSource>& out, const du::Symbol& fileName,
                       const du::Symbol& displayName, uint8_t flag);

  private:
    IllustrationSource(const du::Symbol& fileName, const du::Symbol& displayName, uint8_t flag)
        : ViewableSource(ILLUSTRATION, fileName, displayName, flag) {}
};

}  // namespace kxk
