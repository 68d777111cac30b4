#pragma once

#include <cstdint>

#include "du/SmartPtr.h"
#include "du/Symbol.h"
#include "kxk/ViewableSource.h"

namespace kxk {

// A document file (text, spreadsheet, ...) viewable beside the node. Immutable; held by counted reference.
class DocumentSource : public ViewableSource {
  public:
    // Always makes a source and returns true.
    static bool Create(du::SmartPtr<DocumentSource>& out, const du::Symbol& fileName,
                       const du::Symbol& displayName, uint8_t flag);

  private:
    DocumentSource(const du::Symbol& fileName, const du::Symbol& displayName, uint8_t flag)
        : ViewableSource(DOCUMENT, fileName, displayName, flag) {}
};

}  // namespace kxk
