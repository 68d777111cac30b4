#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "du/SmartPtr.h"
#include "du/Symbol.h"
#include "kxk/Component.h"
#include "kxk/ObjectWithRWLock.h"
#include "kxk/Properties.h"

namespace kxk {

class ComponentInstance;
class LayerGroup;
class ShapeSource;
class ViewPoint;
class ViewStateSource;
class ViewableSource;

// A component with children: each child is a ComponentInstance that places another component under
// this one. The node owns its instances, sources, view points, view states, layer groups and
// properties by counted reference. Not locked by itself: writers hold the write lock of the node's
// lock holder (GetLock); every node made by the stand-in has a holder of its own.
//
// Destroying a node never recurses through its subtree: the child nodes it alone held go to a
// per-thread queue that the outermost destructor drains (kxk/DeferredRelease.h), so a chain of any
// depth is freed on a flat stack, and nothing is allocated on the way.
class ComponentNode : public Component, public ObjectWithRWLock {
  public:
    explicit ComponentNode(const du::Symbol& name);
    ~ComponentNode() override;

    // Places `component` under this node with instance id `id`. Refuses (false, `out` left empty)
    // a null component or a non-empty id that another child already uses; empty and null ids are
    // never refused.
    bool AddChild(const du::SmartPtr<Component>& component, const du::Symbol& id,
                  du::SmartPtr<ComponentInstance>& out);

    void SetShapeSource(const du::SmartPtr<ShapeSource>& source);
    void SetThumbnailSource(const du::SmartPtr<ShapeSource>& source);
    // The Add operations keep every non-empty pointer in call order and ignore empty ones.
    void AddViewableSource(const du::SmartPtr<ViewableSource>& source);
    void AddViewPoint(const du::SmartPtr<ViewPoint>& viewPoint);
    void AddViewStateSource(const du::SmartPtr<ViewStateSource>& source);
    void AddLayerGroup(const du::SmartPtr<LayerGroup>& group);
    Properties& GetProperties();

    const std::vector<du::SmartPtr<ComponentInstance>>& GetChildren() const { return m_children; }
    // The child placed with that non-empty id, or null.
    ComponentInstance* FindChild(const du::Symbol& id) const;
    const du::SmartPtr<ShapeSource>& GetShapeSource() const { return m_shapeSource; }
    const du::SmartPtr<ShapeSource>& GetThumbnailSource() const;
    const std::vector<du::SmartPtr<ViewableSource>>& GetViewableSources() const;
    const std::vector<du::SmartPtr<ViewPoint>>& GetViewPoints() const;
    const std::vector<du::SmartPtr<ViewStateSource>>& GetViewStateSources() const;
    const std::vector<du::SmartPtr<LayerGroup>>& GetLayerGroups() const;
    const Properties& GetProperties() const;

  private:
    friend class DeferredRelease;
    struct Extras;
    Extras& GetExtras();
    static const Extras& NoExtras();

    RWLockHolder m_ownLockHolder;
    std::vector<du::SmartPtr<ComponentInstance>> m_children;
    du::SmartPtr<ShapeSource> m_shapeSource;
    // Most nodes have properties, so they are kept here and not among the extras.
    Properties m_properties;
    // Everything most nodes never get (the id table of a wide node among it), kept apart to keep
    // deep or wide trees small.
    std::unique_ptr<Extras> m_extras;
    ComponentNode* m_nextReleased = nullptr;  // in its thread's DeferredRelease queue
};

}  // namespace kxk
