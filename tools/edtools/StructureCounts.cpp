#include "StructureCounts.h"

#include <numeric>

#include "StructureWalk.h"
#include "kxk/ComponentNode.h"

namespace edload {

namespace {

class Counter : public StructureVisitor {
  public:
    explicit Counter(StructureCounts& counts) : m_counts(counts) {}

    void Enter(const WalkStep& step) override {
        if (step.instance) ++m_counts.instances;
        if (step.component.GetKind() == kxk::Component::PROXY) {
            ++m_counts.proxies;
            return;
        }
        ++m_counts.nodes;
        CountNode(static_cast<const kxk::ComponentNode&>(step.component));
    }

  private:
    void CountNode(const kxk::ComponentNode& node) {
        m_counts.properties += node.GetProperties().Size();
        if (node.GetShapeSource()) ++m_counts.shapeSources;
        if (node.GetThumbnailSource()) ++m_counts.thumbnails;
        for (const auto& source : node.GetViewableSources()) ++m_counts.viewables[source->GetFamily()];
        m_counts.viewPoints += node.GetViewPoints().size();
        m_counts.viewStates += node.GetViewStateSources().size();
        m_counts.layerGroups += node.GetLayerGroups().size();
    }

    StructureCounts& m_counts;
};

}  // namespace

size_t StructureCounts::Sources() const {
    return std::accumulate(viewables.begin(), viewables.end(), shapeSources + thumbnails);
}

StructureCounts CountStructure(const kxk::Structure& structure) {
    StructureCounts counts;
    Counter counter(counts);
    WalkStructure(structure, counter);
    return counts;
}

}  // namespace edload
