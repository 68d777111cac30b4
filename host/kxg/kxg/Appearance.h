#pragma once

#include "dg/Color.h"
#include "du/RefCounted.h"

namespace kxg {

// A surface appearance; the stand-in keeps only its colour. Held by counted reference and immutable
// after construction, so it may be shared across threads. Appearances made by the AppearancePool
// are shared per colour and leave the pool when their last reference goes.
class Appearance : public du::RefCounted {
  public:
    explicit Appearance(const dg::Color& color) : m_color(color) {}
    ~Appearance() override;

    const dg::Color& GetColor() const { return m_color; }

    // Lets the pool drop its entry before the last reference is released.
    bool ZeroReferenceCountHook() const override;

  private:
    friend class AppearancePool;
    dg::Color m_color;
    bool m_pooled = false;  // written once by the pool, under its lock, before anyone else sees it
    bool m_pinned = false;  // the pool holds a reference of its own (see AppearancePool); under its lock
};

}  // namespace kxg
