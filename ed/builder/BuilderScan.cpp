#include "BuilderScan.h"

#include "PropertyNames.h"
#include "ed/reader/Parser.h"
#include "ed/reader/Records.h"

namespace ed {

namespace {

enum class Match { kLowerName, kName };

// One builder property: its name, which spelling of the property it is matched against, and either
// the reader of its value text or the setting that takes the value symbol as it is.
struct BuilderProperty {
    const du::Symbol& name;
    Match match;
    bool (*read)(const char* text, float parentUnitFactor, NodeSettings& settings);
    du::Symbol NodeSettings::*text;
};

bool ReadUnit(const char* text, float, NodeSettings& s) {
    return ReadLengthUnit(text, s);
}
bool ReadColour(const char* text, float, NodeSettings& s) {
    return ReadColor(text, s);
}
bool ReadBox(const char* text, float, NodeSettings& s) {
    return ReadBBox(text, s);
}
bool ReadIndex(const char* text, float, NodeSettings& s) {
    return ReadShapeSourceIndex(text, s);
}
bool ReadRender(const char* text, float, NodeSettings& s) {
    return ReadRenderEnable(text, s);
}

// The order of this table is the order in which a property's name is tested.
const BuilderProperty kBuilderProperties[] = {
    {names::kLengthUnit, Match::kLowerName, &ReadUnit, nullptr},
    {names::kLocation, Match::kLowerName, &ReadLocation, nullptr},
    {names::kColor, Match::kLowerName, &ReadColour, nullptr},
    {names::kKxCid, Match::kName, nullptr, &NodeSettings::componentId},
    {names::kShapeSource, Match::kName, nullptr, &NodeSettings::shapeSource},
    {names::kBBox, Match::kName, &ReadBox, nullptr},
    {names::kModelThumbnail, Match::kName, nullptr, &NodeSettings::thumbnail},
    {names::kShapeSourceIndex, Match::kName, &ReadIndex, nullptr},
    {names::kRenderEnable, Match::kLowerName, &ReadRender, nullptr},
};
constexpr int kBuilderPropertyCount = sizeof(kBuilderProperties) / sizeof(kBuilderProperties[0]);

// The builder properties whose value is read, as bits in table order: the build keeps none of their
// texts.
uint16_t ReadMatches() {
    uint16_t matches = 0;
    for (int i = 0; i < kBuilderPropertyCount; ++i)
        if (kBuilderProperties[i].read) matches |= uint16_t(1u << i);
    return matches;
}

// A text the settings keep is taken from a record that no other node reaches rather than copied:
// nothing reads the record's value again (a builder property is no host property), and a copy's
// atomic count waits for the walk's stores before it, as the drop of the value left behind would.
bool Accept(const BuilderProperty& entry, PropertyInfo& property, float parentUnitFactor,
            NodeSettings& settings) {
    if (entry.read) return entry.read(property.values.FrontText(), parentUnitFactor, settings);
    settings.*entry.text = property.shared ? property.values.Front() : property.values.TakeFront();
    return true;
}

bool IsCandidate(const PropertyInfo& property) {
    return property.named && !property.values.empty() && property.values.FrontText() != nullptr;
}

// The builder properties whose spelling of the property matches, one bit each in table order.
uint16_t MatchesOf(const PropertyNames& names) {
    if (names.builderMatches == PropertyNames::kNotMatched) {
        uint16_t matches = 0;
        for (int i = 0; i < kBuilderPropertyCount; ++i) {
            const BuilderProperty& entry = kBuilderProperties[i];
            const du::Symbol& spelling = entry.match == Match::kLowerName ? names.lowerName : names.name;
            if (spelling == entry.name) matches |= uint16_t(1u << i);
        }
        names.builderMatches = matches;
    }
    return names.builderMatches;
}

}  // namespace

void ScanBuilderProperties(const StructureNode& node, float parentUnitFactor, NodeSettings& settings) {
    bool found[kBuilderPropertyCount] = {};
    int remaining = kBuilderPropertyCount;
    for (PropertyInfo* property = node.firstProperty; property && remaining > 0; property = property->next) {
        if (!IsCandidate(*property)) continue;
        // The first builder property not found yet that the name matches, as a walk over the table.
        for (uint32_t matches = MatchesOf(*property->names); matches != 0; matches &= matches - 1) {
            const int i = __builtin_ctz(matches);
            if (found[i]) continue;
            const BuilderProperty& entry = kBuilderProperties[i];
            if (Accept(entry, *property, parentUnitFactor, settings)) {
                found[i] = true;
                property->pending = false;
                --remaining;
            }
            break;
        }
    }
}

// The spellings of the table, which the lower-case matches also take for their own.
const ReadOnlyNames& Parser::ReadOnlyValueNames() {
    static const ReadOnlyNames names = [] {
        ReadOnlyNames readOnly;
        for (const BuilderProperty& entry : kBuilderProperties)
            if (entry.read) readOnly.Add(std::string_view(entry.name.c_str(), entry.name.length()));
        return readOnly;
    }();
    return names;
}

bool Parser::IsReadOnlyValueName(const PropertyNames& names) {
    static const uint16_t readMatches = ReadMatches();
    return (MatchesOf(names) & readMatches) != 0;
}

}  // namespace ed
