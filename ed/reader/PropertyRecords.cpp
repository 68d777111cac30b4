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
    const du::Symbol name(ScanTail(true));
    if (PropertyInfo* property = GetProperty(propertyId, false)) SetName(property, name);
}

void Parser::AddPropValue() {
    ScanInt();
    PropertyInfo* property = GetProperty(ScanInt(), false);
    ScanInt();
    ScanInt();
    du::Symbol value(ScanTail(true));
    if (property != nullptr) property->values.push_back(std::move(value));
}

void Parser::AddPropType() {
    const int typeId = ScanInt();
    const du::Symbol name(ScanTail(true));
    GetPropertyType(typeId) = name;
}

}  // namespace ed
