#include "kxk/Structure.h"

namespace kxk {

Structure::~Structure() = default;

bool Structure::CreateComponentNode(const du::Symbol& name, int, du::SmartPtr<ComponentNode>& out) {
    out = new ComponentNode(name);
    m_nodesCreated.fetch_add(1, std::memory_order_relaxed);
    if (m_creationObserver) m_creationObserver(out);
    return true;
}

bool Structure::CreateComponentProxy(const du::Symbol& name, const du::Symbol& link, const du::Symbol& extra,
                                     int, du::SmartPtr<ComponentProxy>& out) {
    out = new ComponentProxy(name, link, extra);
    m_proxiesCreated.fetch_add(1, std::memory_order_relaxed);
    if (m_creationObserver) m_creationObserver(out);
    return true;
}

void Structure::SetRoot(const du::SmartPtr<ComponentNode>& root) {
    m_root = root;
    ++m_setRootCalls;
}

void Structure::SetRootAppearanceOverride(const du::SmartPtr<kxg::Appearance>& appearance, bool opaque,
                                          bool) {
    m_rootAppearance = appearance;
    m_hasRootAppearance = true;
    m_rootOpaque = opaque;
}

void Structure::SetPropertyGroupLoaded(const du::Symbol& group) {
    m_propertyGroups.push_back(group);
}

void Structure::SetLoaded(int state) {
    m_loaded = state;
    ++m_setLoadedCalls;
}

void Structure::SetAnnoSetTableFileSource(const du::Symbol& fileSource) {
    m_annoSetTableFileSources.push_back(fileSource);
}

}  // namespace kxk
