#include "BuildWalk.h"

#include <utility>

#include "AddProperties.h"
#include "BuilderScan.h"
#include "NodeComponent.h"
#include "ed/reader/ParserTracer.h"
#include "kxk/ComponentNode.h"
#include "kxk/Structure.h"

namespace ed {

namespace {

// Nodes whose length unit nobody gave are in millimetres.
constexpr float kDefaultUnitFactor = 0.001f;

}  // namespace

BuildWalk::BuildWalk(kxk::Structure& structure, StructureNode& root, RecordTable<PropertyInfo>& properties,
                     IdTable<du::Symbol>& propertyTypes, const du::Symbol& fileName, size_t nodeCount)
    : m_structure(structure),
      m_root(root),
      m_properties(properties),
      m_propertyTypes(propertyTypes),
      m_fileName(fileName),
      m_onPath(nodeCount) {}

// A node may hang below one of its own descendants (the lookup cache lets C 1 0 0, C 2 1 0, C 1 2 0
// put the root under node 2). Such a node is not entered a second time while it is on the path, which
// its flag, found by the node's index, tells without a set to look it up in.
bool BuildWalk::Run() {
    Visit(m_root, nullptr, kDefaultUnitFactor, nullptr);
    while (!m_stack.empty()) {
        Frame& top = m_stack.back();
        StructureNode* child = top.nextChild;
        if (!child) {
            Leave();
            continue;
        }
        top.nextChild = child->nextSibling;
        if (m_onPath[child->index]) {
            kParserTracer(
                "Loop in ED file \"%s\": node \"%s\" lies below itself and is not built there again\n",
                m_fileName.safe_c_str(), child->name.safe_c_str());
            continue;
        }
        // The frame holds the parent while its children are built, though Visit moves the frames.
        Visit(*child, top.componentNode.get(), top.unitFactor, top.childLocation);
    }
    return !m_failed;
}

void BuildWalk::Visit(StructureNode& node, kxk::ComponentNode* parent, float unitFactor,
                      const dg::Location* location) {
    // The node's name and most of its values are texts of their own, seldom still in the cache: the
    // counts that taking them will increment are all loaded at once rather than one by one.
    node.name.PrefetchCount();
    for (const PropertyInfo* property = node.firstProperty; property; property = property->next)
        property->values.PrefetchFront();
    NodeSettings settings;
    ScanBuilderProperties(node, unitFactor, settings);
    du::SmartPtr<kxk::ComponentNode> componentNode;
    du::SmartPtr<kxk::Component> component = MakeComponent(m_structure, node, settings, componentNode);
    const dg::Location* childLocation = nullptr;
    if (component && parent) {
        if (!PlaceComponent(*parent, component, settings, location)) m_failed = true;
    } else if (&node == &m_root) {
        ApplyRootAppearance(m_structure, settings);
        if (settings.locationGiven) {
            m_rootLocation = settings.location;
            childLocation = &m_rootLocation;
        }
    }
    if (componentNode) AddProperties(node, componentNode, m_propertyTypes, m_names);
    RetireProperties(node);
    if (!componentNode) return;
    m_onPath[node.index] = true;
    m_stack.push_back(
        Frame{&node, std::move(componentNode), settings.unitFactor, childLocation, node.firstChild});
}

// Every record on a chain that copies share is marked shared, and such a chain is shared whole
// (ed/builder/NodeCopies.h).
void BuildWalk::RetireProperties(StructureNode& node) {
    if (!node.firstProperty || node.firstProperty->shared) return;
    PropertyInfo* property = node.firstProperty;
    node.firstProperty = node.lastProperty = nullptr;
    while (property) {
        PropertyInfo* next = property->next;
        if (m_releasedCount == kReleaseBatch) ReleaseValues();
        if (!property->values.IsPlain()) m_released[m_releasedCount++] = property->values.TakeFront();
        property->values.clear();
        m_properties.Retire(*property);
        property = next;
    }
}

void BuildWalk::ReleaseValues() noexcept {
    constexpr size_t kAhead = 8;
    for (size_t i = 0; i < m_releasedCount; ++i) {
        if (i + kAhead < m_releasedCount) m_released[i + kAhead].PrefetchCount();
        m_released[i] = du::Symbol();
    }
    m_releasedCount = 0;
}

void BuildWalk::Leave() {
    Frame& top = m_stack.back();
    if (top.node == &m_root) m_structure.SetRoot(top.componentNode);
    m_onPath[top.node->index] = false;
    m_stack.pop_back();
}

}  // namespace ed
