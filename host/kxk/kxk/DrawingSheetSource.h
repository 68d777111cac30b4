#pragma once

#include "du/RefCounted.h"
#include "du/Symbol.h"

namespace kxk {

// One sheet of a drawing. Immutable; held by counted reference.
class DrawingSheetSource : public du::RefCounted {
  public:
    explicit DrawingSheetSource(const du::Symbol& name) : m_name(name) {}
    const du::Symbol& GetName() const { return m_name; }

  private:
    du::Symbol m_name;
};

}  // namespace kxk
