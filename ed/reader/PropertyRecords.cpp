#include <utility>

#include "ed/reader/Parser.h"

namespace ed {

void Parser::AddProp() {
    int numbers[3];  // property, node, type
    ScanNumbers(numbers);
    StructureNode* node = GetNodeFromId(numbers[1], false);
    if (node == nullptr) return;
    PropertyInfo* property = GetProperty(numbers[0], true);
    if (property == nullptr) return;
    property->typeId = numbers[2];
    AttachProperty(node, property);
}

void Parser::AddPropName() {
    int propertyId;
    uint32_t hash;
    const std::string_view text = ScanTextRecord(propertyId, hash);
    const PropertyNames& names = m_nameCache.Get(text, hash);
    if (PropertyInfo* property = GetProperty(propertyId, false)) property->SetName(names);
}

void Parser::AddPropValue() {
    int propertyId;
    du::Symbol value = ScanTextSymbol(propertyId);
    if (PropertyInfo* property = GetProperty(propertyId, false)) property->values.push_back(std::move(value));
}

void Parser::AddPropType() {
    const int typeId = ScanInt();
    const std::string_view text = ScanText(true);
    du::Symbol name(text.data(), text.size());
    m_propertyTypes.Lookup(typeId) = std::move(name);
}

}  // namespace ed
