#include <vector>

#include "BuilderScan.h"
#include "NodeComponent.h"
#include "dg/Location.h"
#include "ed/reader/Parser.h"
#include "ed/reader/ParserTracer.h"
#include "kxk/ComponentNode.h"
#include "kxk/Structure.h"

namespace ed {

namespace {

// Nodes whose length unit nobody gave are in millimetres.
constexpr float kDefaultUnitFactor = 0.001f;

// One node of the walk whose ComponentNode exists and whose children are being built.
struct WalkFrame {
    StructureNode* node;
    du::SmartPtr<kxk::ComponentNode> componentNode;
    float unitFactor;                   // handed to the children
    const dg::Location* childLocation;  // non-null only for the root's children
    StructureNode* nextChild;           // the next child to build, in file order
};

}  // namespace

void Parser::BuildStructure() {
    if (!m_root) return;
    XeroxCopyNodes();
    BuildStructureNode(m_root, du::SmartPtr<kxk::ComponentNode>(), kDefaultUnitFactor, nullptr);
    if (m_propertyTypes.Empty()) return;
    m_propertyTypes.ForEach(
        [this](int, const du::Symbol& typeName) { m_structure->SetPropertyGroupLoaded(typeName); });
}

// Depth-first, on a heap stack so that the depth of the file's tree cannot exhaust the thread's stack.
// The host sees the same calls in the same order as from a recursive walk: a node is made, placed and
// given its properties before its first child is visited, and the root is set after its whole subtree.
void Parser::BuildStructureNode(StructureNode* node, const du::SmartPtr<kxk::ComponentNode>& parent,
                                float parentUnitFactor, dg::Location* parentLocation) {
    std::vector<WalkFrame> stack;
    // A node may hang below one of its own descendants (the lookup cache lets C 1 0 0, C 2 1 0, C 1 2 0
    // put the root under node 2). Such a node is not entered a second time while it is on the path,
    // which its own flag tells without a set to look it up in.
    dg::Location rootLocation;

    auto visit = [&](StructureNode* current, const du::SmartPtr<kxk::ComponentNode>& parentNode,
                     float unitFactor, const dg::Location* location) {
        NodeSettings settings;
        ScanBuilderProperties(*current, unitFactor, settings);
        du::SmartPtr<kxk::ComponentNode> componentNode;
        du::SmartPtr<kxk::Component> component =
            MakeComponent(*m_structure, *current, settings, componentNode);
        const dg::Location* childLocation = nullptr;
        if (component && parentNode) {
            if (!PlaceComponent(*parentNode, component, settings, location)) m_failed = true;
        } else if (current == m_root) {
            ApplyRootAppearance(*m_structure, settings);
            if (settings.locationGiven) {
                rootLocation = settings.location;
                childLocation = &rootLocation;
            }
        }
        if (!componentNode) return;
        AddProperties(current, componentNode);
        current->onPath = true;
        stack.push_back(WalkFrame{current, std::move(componentNode), settings.unitFactor, childLocation,
                                  current->firstChild});
    };

    visit(node, parent, parentUnitFactor, parentLocation);
    while (!stack.empty()) {
        WalkFrame& top = stack.back();
        StructureNode* child = top.nextChild;
        if (!child) {
            if (top.node == m_root) m_structure->SetRoot(top.componentNode);
            top.node->onPath = false;
            stack.pop_back();
            continue;
        }
        top.nextChild = child->nextSibling;
        if (child->onPath) {
            kParserTracer(
                "Loop in ED file \"%s\": node \"%s\" lies below itself and is not built there again\n",
                m_fileName.safe_c_str(), child->name.safe_c_str());
            continue;
        }
        const du::SmartPtr<kxk::ComponentNode> parentNode = top.componentNode;
        visit(child, parentNode, top.unitFactor, top.childLocation);
    }
}

}  // namespace ed
