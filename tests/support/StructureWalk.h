#pragma once

#include <string>

#include "edtools/StructureWalk.h"
#include "kxk/ComponentNode.h"

namespace edtest {

using edload::WalkStep;

// ed-load's walk, handing `enter` each component in document order.
template <class Function>
void WalkStructure(const kxk::Structure& structure, Function enter) {
    struct Visitor : edload::StructureVisitor {
        explicit Visitor(Function& f) : enter(f) {}
        void Enter(const WalkStep& step) override { enter(step); }
        Function& enter;
    } visitor(enter);
    edload::WalkStructure(structure, visitor);
}

// The structure as text, a line per component in document order: depth, name, the instance's
// translation and whether it overrides the colour, then the properties (with their group in
// brackets).
inline std::string Dump(const kxk::Structure& structure) {
    std::string dump;
    WalkStructure(structure, [&](const WalkStep& step) {
        dump += std::to_string(step.depth) + " " + step.component.GetName().safe_c_str();
        if (step.instance)
            dump += " @" + std::to_string(step.instance->GetLocation().GetTranslation().x) + " " +
                    std::to_string(step.instance->HasAppearanceOverride());
        if (step.component.GetKind() == kxk::Component::NODE)
            for (const auto& p :
                 static_cast<const kxk::ComponentNode&>(step.component).GetProperties().GetAll())
                dump +=
                    " " + std::string(p.name) + "[" + std::string(p.typeName) + "]=" + std::string(p.value);
        dump += "\n";
    });
    return dump;
}

}  // namespace edtest
