#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <vector>

#include "du/SmartPtr.h"
#include "du/Symbol.h"
#include "kxg/Appearance.h"
#include "kxk/ComponentNode.h"
#include "kxk/ComponentProxy.h"

namespace kxk {

// A product structure: the components a loader created, the root among them, and what the loader
// reported about the load. Owns its root (and through it the tree) by counted reference; a
// component created but never placed lives as long as its creator holds it.
// Not locked: one thread fills it (the loader, on the thread that delivers the fetch) and others
// read it after the load's event; the creation counters alone are atomic.
class Structure : public du::RefCounted {
  public:
    Structure() = default;
    explicit Structure(const du::Symbol& fileSource) : m_fileSource(fileSource) {}
    ~Structure() override;

    // Factories; true and a new component in `out`. The host may refuse (false, `out` emptied); the
    // stand-in never does, and keeps nothing of the flags.
    bool CreateComponentNode(const du::Symbol& name, int flags, du::SmartPtr<ComponentNode>& out);
    bool CreateComponentProxy(const du::Symbol& name, const du::Symbol& link, const du::Symbol& extra,
                              int flags, du::SmartPtr<ComponentProxy>& out);

    void SetRoot(const du::SmartPtr<ComponentNode>& root);
    // The flag is part of the host's signature; the stand-in keeps nothing of it.
    void SetRootAppearanceOverride(const du::SmartPtr<kxg::Appearance>& appearance, bool opaque, bool flag);
    // Every call is kept, in order, duplicates and null names included.
    void SetPropertyGroupLoaded(const du::Symbol& group);
    void SetLoaded(int state);
    // The structure's own file, as the host named it.
    void GetFileSource(du::Symbol& out) const { out = m_fileSource; }
    // Every call is kept, in order.
    void SetAnnoSetTableFileSource(const du::Symbol& fileSource);

    const du::SmartPtr<ComponentNode>& GetRoot() const { return m_root; }
    size_t GetSetRootCalls() const { return m_setRootCalls; }
    bool HasRootAppearanceOverride() const { return m_hasRootAppearance; }
    const du::SmartPtr<kxg::Appearance>& GetRootAppearanceOverride() const { return m_rootAppearance; }
    bool IsRootAppearanceOpaque() const { return m_rootOpaque; }
    const std::vector<du::Symbol>& GetPropertyGroupsLoaded() const { return m_propertyGroups; }
    // 0 until SetLoaded is called, then the last value given.
    int GetLoaded() const { return m_loaded; }
    size_t GetSetLoadedCalls() const { return m_setLoadedCalls; }
    const du::Symbol& GetFileSource() const { return m_fileSource; }
    const std::vector<du::Symbol>& GetAnnoSetTableFileSources() const { return m_annoSetTableFileSources; }

    size_t GetNodesCreated() const { return m_nodesCreated.load(std::memory_order_relaxed); }
    size_t GetProxiesCreated() const { return m_proxiesCreated.load(std::memory_order_relaxed); }
    // Called on the creating thread with each component the factories make, before the loader places
    // it: the root comes first, so a host can walk the tree under the nodes' locks while it grows.
    // Set it before the load starts.
    void SetCreationObserver(std::function<void(const du::SmartPtr<Component>&)> observer) {
        m_creationObserver = std::move(observer);
    }

  private:
    du::SmartPtr<ComponentNode> m_root;
    size_t m_setRootCalls = 0;
    du::SmartPtr<kxg::Appearance> m_rootAppearance;
    bool m_hasRootAppearance = false;
    bool m_rootOpaque = false;
    std::vector<du::Symbol> m_propertyGroups;
    int m_loaded = 0;
    size_t m_setLoadedCalls = 0;
    du::Symbol m_fileSource;
    std::vector<du::Symbol> m_annoSetTableFileSources;
    std::atomic<size_t> m_nodesCreated{0};
    std::atomic<size_t> m_proxiesCreated{0};
    std::function<void(const du::SmartPtr<Component>&)> m_creationObserver;
};

}  // namespace kxk
