#include <memory>

#include "BuildWalk.h"
#include "NodeCopies.h"
#include "Prescanner.h"
#include "ed/reader/Parser.h"
#include "kxk/Structure.h"

// The builder's members of ed::Parser: they hand the parser's tables to the builder.
namespace ed {

void Parser::BuildStructure(bool secondThread) {
    if (!m_root) return;
    XeroxCopyNodes();
    std::unique_ptr<Prescanner> prescanner;
    if (secondThread) prescanner = std::make_unique<Prescanner>(m_nodes, m_nameCache, m_options.prescanSlots);
    if (!BuildWalk(*m_structure, *m_root, m_properties, m_propertyTypes, m_fileName, m_nodes.Count(),
                   prescanner.get())
             .Run())
        m_failed = true;
    prescanner.reset();
    m_propertyTypes.ForEach(
        [this](int, const du::Symbol& typeName) { m_structure->SetPropertyGroupLoaded(typeName); });
}

void Parser::XeroxCopyNodes() {
    ApplyCopies(m_copyNodes, m_properties);
}

}  // namespace ed
