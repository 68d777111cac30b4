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
    PropertyInfo* property = GetProperty(ScanValueId(), false);
    if (m_scan && m_scan->readOnlyValue) return AddReadOnlyValue(property);
    int propertyId;
    du::Symbol value = ScanTextSymbol(propertyId);
    if (property) property->values.push_back(std::move(value));
}

// A line that the block scan left out is read from its start again by the text's scanner, so its
// first two numbers are read twice; a scanned one has them already.
int Parser::ScanValueId() {
    if (m_scan) return m_scan->numbers[1];
    ScanInt();
    const int id = ScanInt();
    m_cursor = m_line + 1;
    return id;
}

// A value that the block scan left uninterned. The N record before it may have named another property
// than the one it gives a value, the property may have a value already, or the text may be too long
// to keep plain: then it is interned here.
void Parser::AddReadOnlyValue(PropertyInfo* property) {
    int propertyId;
    uint32_t hash;
    const std::string_view text = ScanTextRecord(propertyId, hash);
    if (property == nullptr) return;
    const bool plain = property->values.empty() && property->names && IsReadOnlyValueName(*property->names);
    if (const char* kept = plain ? m_plainTexts.Add(text) : nullptr)
        property->values.SetPlain(kept);
    else
        property->values.push_back(du::Symbol(text.data(), text.size(), hash));
}

void Parser::AddPropType() {
    const int typeId = ScanInt();
    const std::string_view text = ScanText(true);
    du::Symbol name(text.data(), text.size());
    m_propertyTypes.Lookup(typeId) = std::move(name);
}

}  // namespace ed
