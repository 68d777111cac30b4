#pragma once

#include <memory>

#include "dg/Location.h"
#include "du/SmartPtr.h"
#include "du/Symbol.h"
#include "kxg/Appearance.h"
#include "kxk/Component.h"
#include "kxk/MemoryPoolAllocated.h"

namespace kxk {

// One placement of a component under a parent ComponentNode, which owns it; it holds its component
// by counted reference. Each setting remembers whether it was ever made. Guarded by the parent's lock.
class ComponentInstance : public MemoryPoolAllocated, public du::RefCounted {
  public:
    ComponentInstance(const du::Symbol& id, const du::SmartPtr<Component>& component);
    ~ComponentInstance() override;

    const du::Symbol& GetId() const { return m_id; }
    const du::SmartPtr<Component>& GetComponent() const { return m_component; }

    // The flags of SetLocation and SetAppearanceOverride are part of the host's signature; the
    // stand-in keeps nothing of them.
    void SetLocation(const dg::Location& location, bool flag);
    void SetSavedLocation(const dg::Location& location);
    void SetAppearanceOverride(const du::SmartPtr<kxg::Appearance>& appearance, bool opaque, bool flag);
    void OverrideDefaultVisibility(int visibility);

    bool HasLocation() const { return m_hasLocation; }
    // IDENTITY when never set.
    const dg::Location& GetLocation() const { return m_hasLocation ? m_location : dg::Location::IDENTITY; }
    bool HasSavedLocation() const { return m_hasSavedLocation; }
    const dg::Location& GetSavedLocation() const {
        if (!m_hasSavedLocation) return dg::Location::IDENTITY;
        return m_otherSavedLocation ? *m_otherSavedLocation : m_location;
    }
    bool HasAppearanceOverride() const { return m_hasAppearance; }
    // May be empty even when set: the pointer is kept as given.
    const du::SmartPtr<kxg::Appearance>& GetAppearanceOverride() const { return m_appearance; }
    bool IsAppearanceOpaque() const { return m_opaque; }
    bool HasDefaultVisibility() const { return m_hasVisibility; }
    // -1 when never overridden.
    int GetDefaultVisibility() const { return m_visibility; }

  private:
    friend class DeferredRelease;  // takes the component of an instance about to go

    // First, so that it fills the space the reference count leaves before the next 8-byte field.
    int m_visibility = -1;
    du::Symbol m_id;
    du::SmartPtr<Component> m_component;
    dg::Location m_location;
    // The saved location is nearly always the current one, bit for bit, and then shares its storage;
    // only a different one takes room of its own.
    std::unique_ptr<dg::Location> m_otherSavedLocation;
    du::SmartPtr<kxg::Appearance> m_appearance;
    bool m_hasVisibility = false;
    bool m_hasLocation = false;
    bool m_hasSavedLocation = false;
    bool m_hasAppearance = false;
    bool m_opaque = false;
};

}  // namespace kxk
