#include "PropertyNames.h"
#include "ViewInterpreters.h"
#include "ViewableSources.h"
#include "dp/ReadWriteLock.h"
#include "ed/reader/Parser.h"
#include "kxk/ComponentNode.h"

namespace ed {

namespace {

enum class Interpretation { kViewableSource, kViewPoint, kViewState, kLayerGroup, kDropped, kGeneric };

// Only the lower-case name decides; the type id matters to the generic copy alone.
Interpretation Interpret(const du::Symbol& lowerName) {
    if (IsViewableSourceName(lowerName)) return Interpretation::kViewableSource;
    if (lowerName == names::kView) return Interpretation::kViewPoint;
    if (IsViewStateName(lowerName)) return Interpretation::kViewState;
    if (lowerName == names::kModelLayerGroup) return Interpretation::kLayerGroup;
    if (lowerName == names::kHtmlDoc || lowerName == names::kShapeType) return Interpretation::kDropped;
    return Interpretation::kGeneric;
}

bool IsWaiting(const PropertyInfo& property) {
    return property.named && !property.values.empty() && property.pending;
}

}  // namespace

// Every property the build walk left pending becomes host objects or one host property. Flags are not
// changed, so two nodes sharing one chain through a copy both receive everything on it.
void Parser::AddProperties(StructureNode* node, const du::SmartPtr<kxk::ComponentNode>& componentNode) {
    if (!node->firstProperty) return;
    dp::ScopedWriteLock lock(componentNode->GetLock());
    for (const PropertyInfo* property = node->firstProperty; property; property = property->next) {
        if (!IsWaiting(*property)) continue;
        switch (Interpret(property->lowerName)) {
            case Interpretation::kViewableSource:
                AddViewableSources(*this, *property, componentNode);
                break;
            case Interpretation::kViewPoint:
                if (!AddViewPoints(*property, componentNode)) CopyProperty(*property, *componentNode);
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
                CopyProperty(*property, *componentNode);
                break;
        }
    }
}

// The name as written, the type's name (null, and entered so, for a type no T record declared) and the
// first value only.
void Parser::CopyProperty(const PropertyInfo& property, kxk::ComponentNode& componentNode) {
    componentNode.GetProperties().AddProperty(property.name, GetPropertyType(property.typeId),
                                              property.values.front());
}

}  // namespace ed
