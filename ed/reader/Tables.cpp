#include <new>
#include <string>

#include "ed/reader/Parser.h"
#include "ed/reader/ParserTracer.h"
#include "kxk/Structure.h"

namespace ed {

namespace {

// The lookup shared by nodes and properties. The one-entry cache answers before anything else, even
// a fresh lookup: that is how a P record picks up the record its preceding N or V records made.
template <class Record>
Record* LookUpRecord(int id, bool fresh, IdTable<Record*>& table, int& cachedId, Record*& cached,
                     du::SmallBlockAllocBase& pool, std::vector<Record*>& displaced) {
    if (id < 1) return nullptr;
    if (id == cachedId) return cached;
    Record*& slot = table.Lookup(id);
    if (fresh || slot == nullptr) {
        Record* made = new (pool.Allocate(nullptr)) Record();
        if (slot != nullptr) displaced.push_back(slot);
        slot = made;
    }
    cachedId = id;
    cached = slot;
    return slot;
}

template <class Record>
void ListRecords(IdTable<Record*>& table, std::vector<Record*>& list) {
    list.reserve(list.size() + table.Size());
    table.ForEach([&list](int, Record* record) { list.push_back(record); });
    table.Clear();
}

template <class Record>
void Destroy(Record* record) {
    if (record != nullptr) record->~Record();
}

template <class Record>
void DestroyAll(std::vector<Record*>& records) {
    for (Record* record : records) Destroy(record);
    records.clear();
}

// Every record a table holds or once held, then the table itself, down to no buckets.
template <class Record>
void DestroyRecords(IdTable<Record*>& table, std::vector<Record*>& unindexed) {
    table.ForEach([](int, Record* record) { Destroy(record); });
    table.Clear();
    DestroyAll(unindexed);
}

}  // namespace

StructureNode* Parser::GetNodeFromId(int id, bool fresh) {
    return LookUpRecord(id, fresh, m_nodes, m_cachedNodeId, m_cachedNode, m_nodePool, m_unindexedNodes);
}

PropertyInfo* Parser::GetProperty(int id, bool fresh) {
    return LookUpRecord(id, fresh, m_properties, m_cachedPropertyId, m_cachedProperty, m_propertyPool,
                        m_unindexedProperties);
}

StructureNode* Parser::CreateNode(int id, int parentId) {
    StructureNode* node = GetNodeFromId(id, true);
    if (node == nullptr) return nullptr;
    if (parentId == 0) {
        if (m_root != nullptr) {
            m_failed = true;
        } else {
            m_root = node;
        }
        return node;
    }
    // A parent id that wrapped negative names no record; the node then stays unplaced (like a node
    // that no C record places) rather than failing a file whose other nodes may be fine.
    StructureNode* parent = GetNodeFromId(parentId, false);
    if (parent == nullptr || node->parent != nullptr) return node;
    // No cycle check here: the cache rule can hang a node under its own descendant (or itself), and
    // the build walk is the one place that must not follow such a loop.
    (parent->lastChild != nullptr ? parent->lastChild->nextSibling : parent->firstChild) = node;
    parent->lastChild = node;
    node->parent = parent;
    return node;
}

void Parser::AttachProperty(StructureNode* node, PropertyInfo* property) {
    if (property->attached) {
        if (!m_redefinitionReported) {
            m_redefinitionReported = true;
            kParserTracer(3, "Bad property redefinition in ED file \"%s\"\n", m_fileName.safe_c_str());
        }
        return;
    }
    property->attached = true;
    (node->lastProperty != nullptr ? node->lastProperty->next : node->firstProperty) = property;
    node->lastProperty = property;
}

void Parser::SetName(PropertyInfo* property, const du::Symbol& name) {
    property->name = name;
    property->named = true;
    property->lowerName = LowerName(name);
}

du::Symbol& Parser::GetPropertyType(int typeId) {
    return m_propertyTypes.Lookup(typeId);
}

// Nothing looks a node or property up by id after the last line, and at a million nodes the two
// tables take about three times what a plain list of their records does: the list is what Clear needs,
// and the memory goes back before the build makes the structure. The list keeps the chain order.
void Parser::ReleaseIdTables() {
    ListRecords(m_nodes, m_unindexedNodes);
    ListRecords(m_properties, m_unindexedProperties);
    ForgetCachedRecords();
}

void Parser::ForgetCachedRecords() {
    m_cachedNodeId = -1;
    m_cachedNode = nullptr;
    m_cachedPropertyId = -1;
    m_cachedProperty = nullptr;
}

void Parser::Clear() {
    DestroyRecords(m_nodes, m_unindexedNodes);
    DestroyRecords(m_properties, m_unindexedProperties);
    ForgetCachedRecords();

    m_copyNodes.clear();
    DestroyAll(m_copiedProperties);

    m_root = nullptr;
    m_propertyTypes.Clear();
    m_nameCache.Clear();

    m_redirect.clear();
    m_structure = nullptr;
    m_convertBuffer.clear();
    m_converter.reset();

    m_nodePool.DeallocateAll();
    m_propertyPool.DeallocateAll();
}

}  // namespace ed
