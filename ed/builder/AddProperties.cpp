#include "AddProperties.h"

#include "PropertyNames.h"
#include "ViewInterpreters.h"
#include "ViewableSources.h"
#include "dp/ReadWriteLock.h"
#include "kxk/ComponentNode.h"

namespace ed {

namespace {

enum class Interpretation : uint8_t {
    kViewableSource,
    kViewPoint,
    kViewState,
    kLayerGroup,
    kDropped,
    kGeneric
};

// Only the lower-case name decides; the type id matters to the generic copy alone.
Interpretation Interpret(const du::Symbol& lowerName) {
    if (IsViewableSourceName(lowerName)) return Interpretation::kViewableSource;
    if (lowerName == names::kView) return Interpretation::kViewPoint;
    if (IsViewStateName(lowerName)) return Interpretation::kViewState;
    if (lowerName == names::kModelLayerGroup) return Interpretation::kLayerGroup;
    if (lowerName == names::kHtmlDoc || lowerName == names::kShapeType) return Interpretation::kDropped;
    return Interpretation::kGeneric;
}

// Worked out once per name.
Interpretation InterpretationOf(const PropertyInfo& property) {
    const PropertyNames* names = property.names;
    if (!names) return Interpret(property.LowerName());
    if (names->interpretation == PropertyNames::kNotInterpreted)
        names->interpretation = static_cast<uint8_t>(Interpret(names->lowerName));
    return static_cast<Interpretation>(names->interpretation);
}

bool IsWaiting(const PropertyInfo& property) {
    return property.named && !property.values.empty() && property.pending;
}

// The name as written, the type's name and the first value only.
void CopyProperty(PropertyInfo& property, kxk::ComponentNode& componentNode,
                  IdTable<du::Symbol>& propertyTypes, du::SymbolCopyBatch& names) {
    du::Symbol typeName = names.Copy(propertyTypes.Lookup(property.typeId));
    componentNode.GetProperties().AddProperty(
        names.Copy(property.Name()), std::move(typeName),
        property.shared ? property.values.Front() : property.values.TakeFront());
}

// The generic properties of a node's chain (view values that do not read as view points come on top).
size_t CountGeneric(const StructureNode& node) {
    size_t count = 0;
    for (const PropertyInfo* property = node.firstProperty; property; property = property->next)
        count += IsWaiting(*property) && InterpretationOf(*property) == Interpretation::kGeneric;
    return count;
}

}  // namespace

void AddProperties(StructureNode& node, const du::SmartPtr<kxk::ComponentNode>& componentNode,
                   IdTable<du::Symbol>& propertyTypes, du::SymbolCopyBatch& names) {
    if (!node.firstProperty) return;
    dp::ScopedWriteLock lock(componentNode->GetLock());
    // Half the nodes of a real export carry five properties: grown 4, 8, their lists would take 192
    // bytes and a copy each.
    kxk::Properties& properties = componentNode->GetProperties();
    properties.Reserve(properties.Size() + CountGeneric(node));
    for (PropertyInfo* property = node.firstProperty; property; property = property->next) {
        if (!IsWaiting(*property)) continue;
        switch (InterpretationOf(*property)) {
            case Interpretation::kViewableSource:
                AddViewableSources(*property, componentNode);
                break;
            case Interpretation::kViewPoint:
                if (!AddViewPoints(*property, componentNode))
                    CopyProperty(*property, *componentNode, propertyTypes, names);
                break;
            case Interpretation::kViewState:
                AddViewStateSources(*property, componentNode);
                break;
            case Interpretation::kLayerGroup:
                AddLayerGroups(*property, componentNode);
                break;
            case Interpretation::kDropped:
                break;
            case Interpretation::kGeneric:
                CopyProperty(*property, *componentNode, propertyTypes, names);
                break;
        }
    }
}

}  // namespace ed
