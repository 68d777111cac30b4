#include "BuildWalk.h"
#include "NodeCopies.h"
#include "ed/reader/Parser.h"
#include "kxk/Structure.h"

// The builder's members of ed::Parser: they hand the parser's tables to the builder.
namespace ed {

void Parser::BuildStructure() {
    if (!m_root) return;
    XeroxCopyNodes();
    if (!BuildWalk(*m_structure, *m_root, m_properties, m_propertyTypes, m_fileName, m_nodes.Count()).Run())
        m_failed = true;
    m_propertyTypes.ForEach(
        [this](int, const du::Symbol& typeName) { m_structure->SetPropertyGroupLoaded(typeName); });
}

void Parser::XeroxCopyNodes() {
    ApplyCopies(m_copyNodes, m_properties);
}

}  // namespace ed
