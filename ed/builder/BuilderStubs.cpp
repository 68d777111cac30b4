#include "ed/reader/Parser.h"

// Placeholders until the structure builder lands: the reader links and runs, nothing is built.
namespace ed {

void Parser::BuildStructure() {}

void Parser::BuildStructureNode(StructureNode*, const du::SmartPtr<kxk::ComponentNode>&, float,
                                dg::Location*) {}

void Parser::XeroxCopyNodes() {}

void Parser::AddXeroxCopy() {}

void Parser::AddProperties(StructureNode*, const du::SmartPtr<kxk::ComponentNode>&) {}

}  // namespace ed
