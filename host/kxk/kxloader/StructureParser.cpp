#include "kxloader/StructureParser.h"

namespace kxloader {

StructureParser::~StructureParser() = default;

uint64_t StructureParser::LoadRequest(const du::SmartPtr<kxk::Structure>&, const du::Symbol&,
                                      kxk::AsyncEvent*) {
    return 0;
}

void StructureParser::CompleteImmediately(const du::SmartPtr<kxk::Structure>&, const du::Symbol&,
                                          kxk::AsyncEvent*) {}

void StructureParser::SetViewableSourceInfo(const du::SmartPtr<kxk::ViewableSource>&, const du::Symbol&) {}

bool StructureParser::LoadVaduveroveSourceSbom(const du::SmartPtr<kxk::Structure>&, const du::Symbol&) {
    return false;
}

bool StructureParser::LoadSbomFromEbom(const du::SmartPtr<kxk::Structure>&, const du::Symbol&) {
    return false;
}

}  // namespace kxloader
