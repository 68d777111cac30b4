#include <utility>

#include "ed/reader/Parser.h"

namespace ed {

void Parser::AddProp() {
    const int propertyId = ScanInt();
    const int nodeId = ScanInt();
    const int typeId = ScanInt();
    StructureNode* node = GetNodeFromId(nodeId, false);
    if (node == nullptr) return;
    PropertyInfo* property = GetProperty(propertyId, true);
    if (property == nullptr) return;
    property->typeId = typeId;
    AttachProperty(node, property);
}

void Parser::AddPropName() {
    ScanInt();
    const int propertyId = ScanInt();
    ScanInt();
    ScanInt();
    const PropertyNames& names = m_nameCache.Get(ScanText(true));
    if (PropertyInfo* property = GetProperty(propertyId, false)) property->SetName(names);
}

void Parser::AddPropValue() {
    ScanInt();
    PropertyInfo* property = GetProperty(ScanInt(), false);
    ScanInt();
    ScanInt();
    const std::string_view text = ScanText(true);
    du::Symbol value(text.data(), text.size());
    if (property != nullptr) property->values.push_back(std::move(value));
}

void Parser::AddPropType() {
    const int typeId = ScanInt();
    const std::string_view text = ScanText(true);
    du::Symbol name(text.data(), text.size());
    m_propertyTypes.Lookup(typeId) = std::move(name);
}

}  // namespace ed
