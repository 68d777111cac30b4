#pragma once

#include <cstdint>
#include <vector>

#include "du/SmartPtr.h"
#include "du/Symbol.h"
#include "kxk/DrawingSheetSource.h"
#include "kxk/ViewableSource.h"

namespace kxk {

// A 2D drawing file viewable beside the node, with its sheets when known. Immutable; held by
// counted reference; it holds its sheets by counted reference.
class DrawingSource : public ViewableSource {
  public:
    // Always makes a source and returns true. `sheets` may be null (no sheet list); it is copied.
    static bool Create(du::SmartPtr<DrawingSource>& out, const du::Symbol& fileName,
                       const du::Symbol& displayName, uint8_t flag, bool flag1, bool flag2,
                       const std::vector<du::SmartPtr<DrawingSheetSource>>* sheets);

    bool GetFlag1() const { return m_flag1; }
    bool GetFlag2() const { return m_flag2; }
    bool HasSheetList() const { return m_hasSheets; }
    const std::vector<du::SmartPtr<DrawingSheetSource>>& GetSheets() const { return m_sheets; }

  private:
    DrawingSource(const du::Symbol& fileName, const du::Symbol& displayName, uint8_t flag)
        : ViewableSource(DRAWING, fileName, displayName, flag) {}

    bool m_flag1 = false;
    bool m_flag2 = false;
    bool m_hasSheets = false;
    std::vector<du::SmartPtr<DrawingSheetSource>> m_sheets;
};

}  // namespace kxk
