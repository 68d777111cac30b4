#include "BuildWalk.h"
#include "XeroxCopy.h"
#include "kxk/Structure.h"

// The builder's members of ed::Parser: they hand the parser's tables to the builder.
namespace ed {

void Parser::BuildStructure() {
    if (!m_root) return;
    XeroxCopyNodes();
    if (!BuildWalk(*m_structure, *m_root, m_propertyTypes, m_fileName).Run()) m_failed = true;
    m_propertyTypes.ForEach(
        [this](int, const du::Symbol& typeName) { m_structure->SetPropertyGroupLoaded(typeName); });
}

void Parser::XeroxCopyNodes() {
    ed::XeroxCopyNodes(m_copyNodes, m_properties);
}

}  // namespace ed
