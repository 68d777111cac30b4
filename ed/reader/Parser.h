#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "du/EncodingConverter.h"
#include "du/SmallBlockAlloc.h"
#include "du/SmartPtr.h"
#include "du/Symbol.h"
#include "ed/reader/IdTable.h"
#include "ed/reader/NameCache.h"
#include "ed/reader/ValueList.h"

namespace kxk {
class ComponentNode;
class Structure;
}  // namespace kxk

namespace dg {
class Location;
}  // namespace dg

namespace ed {

struct PropertyInfo;

// One node of an ED file. Records live in the parser's node pool and are linked by plain pointers;
// the parser destroys them all in Clear.
struct StructureNode {
    bool isLink = false;
    bool onPath = false;  // the build walk is inside this node's subtree right now
    du::Symbol name;      // null until an I record names the node
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
    bool pending = true;  // not yet consumed by the builder
    bool named = false;
    bool attached = false;
    int typeId = 0;
    du::Symbol name;
    du::Symbol lowerName;  // the very same symbol as `name` when the name has no upper-case letter
    ValueList values;
    PropertyInfo* next = nullptr;
};

// Reads one ED file into node and property tables and builds a kxk::Structure from them.
// One parser serves one load on one thread; it owns its records, tables and converter and holds the
// structure only while Parse runs. Not thread-safe.
class Parser {
  public:
    Parser();
    ~Parser();
    // Not copyable: the record pools cannot be copied, and a memberwise copy would share records and
    // the converter with the original, so that both would destroy them.
    Parser(const Parser&) = delete;
    Parser& operator=(const Parser&) = delete;

    // Reads `fileName` into `structure`; false when the file cannot be opened, a line fails, a second
    // root appears or the build cannot place a node.
    bool Parse(const du::Symbol& fileName, const du::SmartPtr<kxk::Structure>& structure);

    // The name of the ED file given to Parse.
    const du::Symbol& GetFileName() const { return m_fileName; }
    // A file reference with "<!...!>" hidden segments: the file name keeps the hidden text and drops
    // the markers; the display name keeps only the visible text (EMPTY when there are no markers).
    du::Symbol GetFileName(const du::Symbol& value);
    du::Symbol GetDisplayName(const du::Symbol& value);

  private:
    friend class ParserInspector;
    using RecordPool = du::SmallBlockAlloc<du::UnlockedSmallBlockAllocPolicy, 1, 1>;
    using Handler = void (Parser::*)();

    // Driver and scanners. Scanners work in place on the current line buffer.
    void ParseLine(char* line);
    int ScanInt();
    const char* ScanTail(bool convert);
    // ScanTail with the length of the text.
    std::string_view ScanText(bool convert);
    const char* ScanName(bool convert);
    void NotYetImplemented(const char* what);

    // Tables. Lookups return null only for ids below 1.
    StructureNode* GetNodeFromId(int id, bool fresh);
    PropertyInfo* GetProperty(int id, bool fresh);
    StructureNode* CreateNode(int id, int parentId);
    void AttachProperty(StructureNode* node, PropertyInfo* property);
    void SetName(PropertyInfo* property, const du::Symbol& name);
    // The name of a property type, inserted null when the id is new; valid until the next type lookup.
    du::Symbol& GetPropertyType(int typeId);
    // Gives back the node and property tables once the last line is read, keeping their records.
    void ReleaseIdTables();
    // The one-entry caches in front of both tables answer nothing any more.
    void ForgetCachedRecords();
    void Clear();

    // Record handlers, one per record letter.
    void AddEncoding();
    void AddCharset();
    void AddNode();
    void AddNodeName();
    void AddBranchLink();
    void AddASTTable();
    void AddReloadNewED();
    void AddURLAnchor();
    void AddMarkupMode();
    void AddFileName();
    void AddEDAbsPath();
    void AddExtraInfo();
    void AddGetFileASP();
    void AddCheckout();
    void AddMetaParam();
    void AddWusQuery();
    void AddProp();
    void AddPropName();
    void AddPropValue();
    void AddPropType();
    void AddXeroxCopy();

    // Builder (ed/builder/).
    void BuildStructure();
    void BuildStructureNode(StructureNode* node, const du::SmartPtr<kxk::ComponentNode>& parent,
                            float parentUnitFactor, dg::Location* parentLocation);
    void XeroxCopyNodes();
    void AddProperties(StructureNode* node, const du::SmartPtr<kxk::ComponentNode>& componentNode);
    // Builder helpers that need the parser's scanner or type table.
    void AddViewStateSources(const PropertyInfo& property,
                             const du::SmartPtr<kxk::ComponentNode>& componentNode);
    void CopyProperty(const PropertyInfo& property, kxk::ComponentNode& componentNode);

    static Handler HandlerFor(char letter);
    du::Symbol ReRootLink(const du::Symbol& link) const;

    bool m_failed;
    bool m_redefinitionReported;
    char* m_line;
    char* m_cursor;
    std::string m_redirect;
    int m_cachedNodeId;
    StructureNode* m_cachedNode;
    StructureNode* m_root;
    IdTable<StructureNode*> m_nodes;
    int m_cachedPropertyId;
    PropertyInfo* m_cachedProperty;
    IdTable<PropertyInfo*> m_properties;
    IdTable<du::Symbol> m_propertyTypes;
    std::vector<StructureNode*> m_copyNodes;
    std::vector<PropertyInfo*> m_copiedProperties;
    RecordPool m_nodePool;
    RecordPool m_propertyPool;
    du::SmartPtr<kxk::Structure> m_structure;
    std::string m_convertBuffer;
    std::unique_ptr<du::EncodingConverter> m_converter;
    du::Symbol m_fileName;
    NameCache m_nameCache;

    // Live records that no id table lists: those a fresh lookup pushed out of their table (they may
    // still hang in the tree), and all of them once ReleaseIdTables has run. Clear destroys them with
    // the others.
    std::vector<StructureNode*> m_unindexedNodes;
    std::vector<PropertyInfo*> m_unindexedProperties;
};

// Inline, as every record handler calls it several times a line. Works on a local cursor: a member
// cursor would be stored back at every byte.
inline int Parser::ScanInt() {
    const auto isDigit = [](char c) { return static_cast<unsigned char>(c - '0') < 10; };
    char* p = m_cursor;
    while (!isDigit(*p) && *p != '\0') ++p;
    // Unsigned, so that overlong numbers wrap instead of overflowing; the bit pattern is the id.
    uint32_t value = 0;
    for (; isDigit(*p); ++p) value = value * 10u + static_cast<uint32_t>(*p - '0');
    m_cursor = p;
    return static_cast<int>(value);
}

}  // namespace ed
