#include "NodeCopies.h"

#include <set>
#include <utility>

namespace ed {

namespace {

// A property's identity for the copy: its name as written, by symbol handle (equal texts are one
// symbol), and its type id.
using PropertyKey = std::pair<const char*, int>;

bool HasKey(const PropertyInfo& property) {
    return property.named && !property.values.empty();
}

PropertyKey KeyOf(const PropertyInfo& property) {
    return PropertyKey(property.Name().c_str(), property.typeId);
}

void CopyInto(StructureNode& node, const StructureNode& source, RecordTable<PropertyInfo>& properties) {
    // The keys are taken once, before anything is copied: two source properties with the same key are
    // both copied when the node lacks that key.
    std::set<PropertyKey> ownKeys;
    for (const PropertyInfo* own = node.firstProperty; own; own = own->next) {
        if (HasKey(*own)) ownKeys.insert(KeyOf(*own));
    }
    // The copies go to the end of the node's chain. That end is never reached from the source's chain
    // unless both are one chain (a node that is its own source, or shares the source's chain), and
    // then every keyed property is already in the set, so this loop ends.
    for (const PropertyInfo* from = source.firstProperty; from; from = from->next) {
        if (!HasKey(*from) || ownKeys.count(KeyOf(*from))) continue;
        PropertyInfo* copy = properties.Make();
        copy->pending = from->pending;
        copy->typeId = from->typeId;
        copy->SetName(*from->names);
        copy->values = from->values;
        AppendProperty(node, *copy);
    }
}

}  // namespace

// Nothing here recurses: every chain is walked by a plain loop, and a copy of a copy sees its source
// as the earlier copies left it.
void ApplyCopies(const std::vector<StructureNode*>& copyNodes, RecordTable<PropertyInfo>& properties) {
    std::vector<const StructureNode*> takers;
    for (StructureNode* node : copyNodes) {
        const StructureNode* source = node->copySource;
        if (!source) continue;
        if (node->name.is_null()) node->name = source->name;
        if (!source->firstProperty) continue;
        if (!node->firstProperty) {
            node->firstProperty = source->firstProperty;
            node->lastProperty = source->lastProperty;
            takers.push_back(node);
            continue;
        }
        CopyInto(*node, *source, properties);
    }
    // A node that took a chain whole walks exactly its source's chain, whatever was appended to either
    // since, so marking what each taker reaches, once all copies are made, marks every record that
    // two nodes reach: the build relies on that (it takes values only from records nobody shares). A
    // walk ends at a marked record: everything after it is marked already.
    for (const StructureNode* taker : takers) {
        for (PropertyInfo* property = taker->firstProperty; property && !property->shared;
             property = property->next)
            property->shared = true;
    }
}

}  // namespace ed
