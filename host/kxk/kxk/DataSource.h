#pragma once

#include <cstdint>

#include "du/SmartPtr.h"
#include "du/Symbol.h"
#include "kxk/ViewableSource.h"

namespace kxk {

// A plain data file attached to the node, shown as a file. Immutable; held by counted reference.
class DataSource : public ViewableSource {
  public:
    // Always makes a source and returns true.
    static bool Create(du::SmartPtr<DataSource>& out, const du::Symbol& fileName,
                       const du::Symbol& displayName, uint8_t flag);

  private:
    DataSource(const du::Symbol& fileName, const du::Symbol& displayName, uint8_t flag)
        : ViewableSource(FILE, fileName, displayName, flag) {}
};

}  // namespace kxk
