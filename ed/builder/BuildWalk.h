#pragma once

#include <cstddef>
#include <vector>

#include "dg/Location.h"
#include "du/SmartPtr.h"
#include "du/Symbol.h"
#include "ed/reader/IdTable.h"
#include "ed/reader/RecordTable.h"
#include "ed/reader/Records.h"

namespace kxk {
class ComponentNode;
class Structure;
}  // namespace kxk

namespace ed {

// The depth-first walk that builds one host component per node reached from the root, on a heap
// stack so that the depth of the file's tree cannot exhaust the thread's stack. The host sees the
// same calls in the same order as from a recursive walk: a node is made, placed and given its
// properties before its first child is visited, and the root is set after its whole subtree. One walk
// per build; holds references to the tables it is given.
//
// A node is visited once at most (it hangs in one parent's list of children, and a node met again
// below itself is not entered), so the property records that its chain alone reaches are retired
// once it is built: their pool's memory goes back while the structure grows, rather than both
// peaking together at the end of the build.
class BuildWalk {
  public:
    // `nodeCount`: the nodes made, whose indexes are below it.
    BuildWalk(kxk::Structure& structure, StructureNode& root, RecordTable<PropertyInfo>& properties,
              IdTable<du::Symbol>& propertyTypes, const du::Symbol& fileName, size_t nodeCount);

    // False when a node could not be placed under its parent; the walk still finishes.
    bool Run();

  private:
    // One node whose ComponentNode exists and whose children are being built.
    struct Frame {
        StructureNode* node;
        du::SmartPtr<kxk::ComponentNode> componentNode;
        float unitFactor;                   // handed to the children
        const dg::Location* childLocation;  // non-null only for the root's children
        StructureNode* nextChild;           // the next child to build, in file order
    };

    void Visit(StructureNode& node, kxk::ComponentNode* parent, float unitFactor,
               const dg::Location* location);
    void Leave();
    // Gives back the records of the node's chain, unless a copy shares it.
    void RetireProperties(StructureNode& node);
    // Drops the values taken from retired records.
    void ReleaseValues() noexcept;

    kxk::Structure& m_structure;
    StructureNode& m_root;
    RecordTable<PropertyInfo>& m_properties;
    IdTable<du::Symbol>& m_propertyTypes;
    const du::Symbol& m_fileName;
    std::vector<Frame> m_stack;
    std::vector<bool> m_onPath;  // by node index: the walk is inside the node's subtree right now
    dg::Location m_rootLocation;
    bool m_failed = false;
    // The values of retired records that the build did not take (the builder properties'), dropped a
    // batch at a time: a drop is an atomic operation, which waits for the stores before it, and
    // between the walk's stores to new host objects each one waited for them all.
    static constexpr size_t kReleaseBatch = 256;
    du::Symbol m_released[kReleaseBatch];
    size_t m_releasedCount = 0;
    // Property and type names, a few dozen texts given to a million host properties, for the same
    // reason.
    du::SymbolCopyBatch m_names;
};

}  // namespace ed
