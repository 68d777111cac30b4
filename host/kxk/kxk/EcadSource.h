#pragma once

#include <cstdint>

#include "du/SmartPtr.h"
#include "du/Symbol.h"
#include "kxk/ViewableSource.h"

namespace kxk {

// Electronic-design data viewable beside the node: generic, a schematic or a board layout.
// Immutable; held by counted reference.
class EcadSource : public ViewableSource {
  public:
    enum EcadType { ECAD_GENERIC = 0, ECAD_SCHEMATIC = 1, ECAD_PCB = 2 };

    // Always makes a source and returns true.
    static bool Create(du::SmartPtr<EcadSource>& out, const du::Symbol& fileName,
                       const du::Symbol& displayName, uint8_t flag, EcadType type, const du::Symbol& extra);

    EcadType GetEcadType() const { return m_type; }
    const du::Symbol& GetExtra() const { return m_extra; }

  private:
    EcadSource(const du::Symbol& fileName, const du::Symbol& displayName, uint8_t flag, EcadType type,
               const du::Symbol& extra)
        : ViewableSource(ECAD, fileName, displayName, flag), m_type(type), m_extra(extra) {}

    EcadType m_type;
    du::Symbol m_extra;
};

}  // namespace kxk
