#include "ed/reader/Parser.h"
#include "ed/reader/ParserTracer.h"
#include "kxk/Structure.h"

namespace ed {

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
    AppendProperty(*node, *property);
}

// Nothing looks a node or property up by id after the last line: the ids' memory goes back before the
// build makes the structure.
void Parser::ReleaseIdTables() {
    m_nodes.ReleaseIds();
    m_properties.ReleaseIds();
}

void Parser::Clear() {
    m_nodes.Clear();
    m_properties.Clear();
    m_plainTexts.Clear();
    m_copyNodes.clear();

    m_root = nullptr;
    m_propertyTypes.Clear();
    m_nameCache.Clear();

    m_redirect.clear();
    m_structure = nullptr;
    m_convertBuffer.clear();
    m_converter = nullptr;
    m_converters.Clear();
}

}  // namespace ed
