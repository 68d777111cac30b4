#pragma once

#include <cstdint>

#include "du/Symbol.h"
#include "ed/reader/NameCache.h"
#include "ed/reader/ValueList.h"

namespace ed {

struct PropertyInfo;

// One node of an ED file. Records live in the parser's node pool and are linked by plain pointers;
// the parser destroys them all in Clear. What the build keeps per node (ed/builder/) is kept by the
// build, by `index`.
struct StructureNode {
    bool isLink = false;
    uint32_t index = 0;  // the node's place in the order the nodes were made, from 0 (RecordTable)
    du::Symbol name;     // null until an I record names the node
    du::Symbol link;
    StructureNode* parent = nullptr;  // null for the root and for nodes never placed
    StructureNode* copySource = nullptr;
    StructureNode* firstChild = nullptr;
    StructureNode* lastChild = nullptr;
    PropertyInfo* firstProperty = nullptr;
    PropertyInfo* lastProperty = nullptr;
    StructureNode* nextSibling = nullptr;
};

// One property occurrence of an ED file, owned like StructureNode by the parser's property pool.
struct PropertyInfo {
    // Not yet consumed by the build.
    bool pending = true;
    bool named = false;
    bool attached = false;
    // On a chain that more than one node reaches (a copy took it whole): the build must leave its
    // values in place for the next node, instead of taking them.
    bool shared = false;
    int typeId = 0;
    // Held by the parser's NameCache until Clear, which outlives every record: a name costs no
    // reference count of its own, though a million properties share a few dozen names.
    const PropertyNames* names = nullptr;
    ValueList values;
    PropertyInfo* next = nullptr;

    // Null while unnamed.
    const du::Symbol& Name() const { return names ? names->name : NoName(); }
    // The very same symbol as Name() when the name has no upper-case letter.
    const du::Symbol& LowerName() const { return names ? names->lowerName : NoName(); }
    // `from` is one of the parser's NameCache entries.
    void SetName(const PropertyNames& from) {
        names = &from;
        named = true;
    }

  private:
    static const du::Symbol& NoName() {
        static const du::Symbol none;
        return none;
    }
};
// Eight million of them at a million nodes: each byte is 8 MB of memory to make present.
static_assert(sizeof(PropertyInfo) == 32);

// Called by RecordTable on every record it makes, with the number of records it made before.
inline void NumberRecord(StructureNode& node, uint32_t index) {
    node.index = index;
}

// Starts loading the reference counts of a record's texts, ahead of its destruction.
inline void PrefetchTexts(const StructureNode& node) {
    node.name.PrefetchCount();
    node.link.PrefetchCount();
}
inline void PrefetchTexts(const PropertyInfo& property) {
    property.values.PrefetchFront();
}

// Puts `property` at the end of the node's chain and marks it attached.
inline void AppendProperty(StructureNode& node, PropertyInfo& property) {
    property.attached = true;
    (node.lastProperty != nullptr ? node.lastProperty->next : node.firstProperty) = &property;
    node.lastProperty = &property;
}

}  // namespace ed
