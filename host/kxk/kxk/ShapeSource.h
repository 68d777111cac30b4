#pragma once

#include "dg/Box.h"
#include "du/SmartPtr.h"
#include "du/Symbol.h"
#include "kxk/MemoryPoolAllocated.h"

namespace kxk {

// Where a node's geometry (or thumbnail) comes from: a source text, its bounding box and an index
// into the source. Immutable after creation; held by counted reference.
class ShapeSource : public MemoryPoolAllocated, public du::RefCounted {
  public:
    // Always makes a source and returns true.
    static bool Create(du::SmartPtr<ShapeSource>& out, const du::Symbol& source, const dg::FBox& box,
                       unsigned int index);

    const du::Symbol& GetSource() const { return m_source; }
    const dg::FBox& GetBox() const { return m_box; }
    unsigned int GetIndex() const { return m_index; }

  private:
    ShapeSource(const du::Symbol& source, const dg::FBox& box, unsigned int index)
        : m_source(source), m_box(box), m_index(index) {}

    du::Symbol m_source;
    dg::FBox m_box;
    unsigned int m_index;
};

}  // namespace kxk
