#pragma once

#include "du/Symbol.h"
#include "kxk/Component.h"

namespace kxk {

// A component that stands for another structure file (`link`) without loading it. Immutable after
// creation (made by Structure::CreateComponentProxy); safe to read from any thread.
class ComponentProxy : public Component {
  public:
    ComponentProxy(const du::Symbol& name, const du::Symbol& link, const du::Symbol& extra)
        : Component(PROXY, name), m_link(link), m_extra(extra) {}

    const du::Symbol& GetLink() const { return m_link; }
    // The third text given at creation, kept as given.
    const du::Symbol& GetExtra() const { return m_extra; }

  private:
    du::Symbol m_link;
    du::Symbol m_extra;
};

}  // namespace kxk
