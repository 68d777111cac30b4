#include <strings.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>

#include "ed/builder/BuilderValues.h"
#include "ed/builder/NumberScan.h"
#include "ed/builder/PropertyNames.h"
#include "ed/check/FileChecker.h"
#include "ed/check/Quoted.h"

namespace ed::check {

namespace {

// The builder properties in the order the build walk tests a name, with the spelling it compares
// (the lower-cased name or the name as written) and, for a value it reads, what it expects and what
// the node lacks when the value does not read.
struct BuilderName {
    const du::Symbol& name;
    bool lowerCase;
    const char* expected;  // null for a value taken as it is
    const char* lost;
};

const BuilderName kBuilderNames[] = {
    {names::kLengthUnit, true, "one of M, MM, CM or INCH, in capitals",
     "the children's translations stay in millimetres"},
    {names::kLocation, true, "three angles in degrees, then optionally three translation numbers and a scale",
     "the node is not placed"},
    {names::kColor, true, "at least three numbers: r g b, then optionally alpha", "the node gets no colour"},
    {names::kKxCid, false, nullptr, nullptr},
    {names::kShapeSource, false, nullptr, nullptr},
    {names::kBBox, false, "six numbers, then optionally a unit word", "the shape source gets no box"},
    {names::kModelThumbnail, false, nullptr, nullptr},
    {names::kShapeSourceIndex, false, "a whole number, not negative, and nothing else",
     "the shape source index stays 0"},
    {names::kRenderEnable, true, "a whole number", "the node keeps the default visibility"},
};
static_assert(sizeof(kBuilderNames) / sizeof(kBuilderNames[0]) == kBuilderCount);
constexpr signed char kLengthUnitIndex = 0;
constexpr signed char kComponentIdIndex = 3;
constexpr signed char kBoxIndex = 5;

const du::Symbol* const kWellKnownNames[] = {
    &names::kDocument,
    &names::kDrawing,
    &names::kEcad,
    &names::kEcadSchematic,
    &names::kEcadPcb,
    &names::kIllustration,
    &names::kIllustration3d,
    &names::kImage,
    &names::kOleDoc,
    &names::kFile,
    &names::kHtmlDoc,
    &names::kShapeType,
    &names::kView,
    &names::kModelViewState,
    &names::kModelExplodeState,
    &names::kModelAlternateRep,
    &names::kModelSectionCut,
    &names::kModelLayerGroup,
    &names::kLengthUnit,
    &names::kLocation,
    &names::kColor,
    &names::kKxCid,
    &names::kShapeSource,
    &names::kBBox,
    &names::kModelThumbnail,
    &names::kShapeSourceIndex,
    &names::kRenderEnable,
};

// No well-known name is this long, CRs included.
constexpr size_t kLongestName = 32;

// As the reader lower-cases a name: A to Z only, byte by byte. Into a buffer of the caller's, as
// every property name of a file comes through here.
std::string_view Lower(std::string_view text, char (&buffer)[kLongestName]) {
    std::transform(text.begin(), text.end(), buffer,
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
    return std::string_view(buffer, text.size());
}

// Eight bytes at a time: every name and value of a file comes through here, and most are ASCII.
bool HasHighByte(std::string_view text) {
    size_t i = 0;
    for (; i + 8 <= text.size(); i += 8) {
        uint64_t word;
        std::memcpy(&word, text.data() + i, sizeof word);
        if (word & 0x8080808080808080u) return true;
    }
    for (; i < text.size(); ++i)
        if (static_cast<unsigned char>(text[i]) >= 0x80) return true;
    return false;
}

bool IsUtf8(std::string_view text) {
    size_t i = 0;
    while (i < text.size()) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        const int follow = c < 0x80                ? 0
                           : c >= 0xC2 && c < 0xE0 ? 1
                           : c >= 0xE0 && c < 0xF0 ? 2
                           : c >= 0xF0 && c < 0xF5 ? 3
                                                   : -1;
        if (follow < 0 || text.size() - i <= static_cast<size_t>(follow)) return false;
        for (int k = 1; k <= follow; ++k)
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
        i += static_cast<size_t>(follow) + 1;
    }
    return true;
}

bool Accepts(signed char builder, const char* value) {
    NodeSettings settings;
    switch (builder) {
        case 0:
            return ReadLengthUnit(value, settings);
        case 1:
            return ReadLocation(value, 0.001f, settings);
        case 2:
            return ReadColor(value, settings);
        case 5:
            return ReadBBox(value, settings);
        case 7:
            return ReadShapeSourceIndex(value, settings);
        case 8:
            return ReadRenderEnable(value, settings);
        default:
            return true;
    }
}

// The word after a box's six numbers, which the builder knows by its first letters only.
std::string BoxUnitWord(const char* value) {
    float n[6];
    NumberScan plain(value);
    int read = 0;
    while (read < 6 && plain.Next(n[read])) ++read;
    int consumed = read == 6 ? plain.Consumed() : 0;
    if (read < 6 &&
        std::sscanf(value, " %f %f %f %f %f %f%n", &n[0], &n[1], &n[2], &n[3], &n[4], &n[5], &consumed) < 6)
        return "";
    std::string_view rest(value + consumed);
    const size_t start = rest.find_first_not_of(" \t\r\n\f\v");
    if (start == std::string_view::npos) return "";
    rest.remove_prefix(start);
    return std::string(rest.substr(0, rest.find_first_of(" \t\r\n\f\v")));
}

}  // namespace

void FileChecker::CheckEncoding(FieldScan& scan) {
    const std::string name(scan.Text());
    if (name.empty() || strcasecmp(name.c_str(), "utf8") == 0 || strcasecmp(name.c_str(), "utf-8") == 0) {
        m_converter.reset();
        m_conversionOffLine = m_lineNumber;
        return;
    }
    if (m_converter && strcasecmp(m_converter->GetFromEncoding().safe_c_str(), name.c_str()) == 0) return;
    m_converter.reset(new du::EncodingConverter(du::Symbol(name), du::EncodingConverter::UTF8()));
    if (m_converter->IsGood()) return;
    m_converter.reset();
    m_conversionOffLine = m_lineNumber;
    Report("unknown-encoding", Severity::kWarning, 3,
           "the loader knows no encoding " + Quoted(name) +
               ": from here on it converts no text, and non-ASCII names and values reach the structure "
               "as their bytes are");
}

std::string_view FileChecker::CheckText(std::string_view text) {
    if (!HasHighByte(text)) return text;
    if (m_converter) {
        m_convertBuffer.assign(text);
        if (m_converter->Convert(m_convertBuffer, m_convertBuffer, nullptr)) return m_convertBuffer;
        Report("text-not-in-encoding", Severity::kWarning, 0,
               "the text " + Quoted(text) + " is not valid " +
                   std::string(m_converter->GetFromEncoding().safe_c_str()) +
                   ": the loader keeps its bytes unconverted; fix the J record or the text");
        return text;
    }
    if (IsUtf8(text)) return text;
    Report("text-not-in-encoding", Severity::kWarning, 0,
           "the text " + Quoted(text) + " is not UTF-8, and the J record at line " +
               std::to_string(m_conversionOffLine) +
               " left the loader with no conversion: its bytes reach the structure as they are");
    return text;
}

int BuilderIndex(std::string_view name) {
    if (name.empty() || name.size() > kLongestName) return -1;
    char buffer[kLongestName];
    const std::string_view lower = Lower(name, buffer);
    for (int i = 0; i < kBuilderCount; ++i) {
        const BuilderName& entry = kBuilderNames[i];
        if ((entry.lowerCase ? lower : name) == std::string_view(entry.name.c_str(), entry.name.length()))
            return i;
    }
    return -1;
}

signed char FileChecker::ClassifyName(std::string_view name, uint32_t column) {
    if (const int builder = BuilderIndex(name); builder >= 0) return static_cast<signed char>(builder);
    if (name.empty() || name.size() > kLongestName) return -1;
    char buffer[kLongestName];
    const std::string_view lower = Lower(name, buffer);
    for (int i = 0; i < kBuilderCount; ++i) {
        const BuilderName& entry = kBuilderNames[i];
        if (entry.lowerCase || lower.size() != entry.name.length() ||
            strncasecmp(lower.data(), entry.name.c_str(), lower.size()) != 0)
            continue;
        Report("builder-name-case", Severity::kWarning, column,
               Quoted(name) + " is not the builder property " + Quoted(entry.name.c_str()) +
                   ", whose name the loader matches in exact case: it is copied as a plain property");
        return -1;
    }
    if (!lower.empty() && lower.back() == '\r') {
        const std::string_view bare = lower.substr(0, lower.find_last_not_of('\r') + 1);
        for (const du::Symbol* known : kWellKnownNames) {
            if (bare != known->c_str()) continue;
            Report("name-ends-in-cr", Severity::kError, column,
                   Quoted(name) + " is not the property " + Quoted(known->c_str()) +
                       ": the line ends in CR (the file has CRLF line endings), so the loader takes it for a "
                       "plain property of that name, CR included");
            return -1;
        }
    }
    return -1;
}

void FileChecker::CheckBuilderValue(uint32_t property, std::string_view value, uint32_t column) {
    PropertyRecord& record = m_properties[property];
    const signed char builder = record.builder;
    std::string& text = m_valueBuffer;
    text.assign(value);
    // 0 stands for no id; a hash that comes out 0 is taken as 1.
    if (builder == kComponentIdIndex && !value.empty())
        record.valueHash = std::max<size_t>(1, std::hash<std::string_view>()(value));
    if (!Accepts(builder, text.c_str())) {
        record.verdict = Verdict::kRejected;
        m_rejectedValues[property] =
            RejectedValue{m_lineNumber, column, Quoted(value), !text.empty() && text.back() == '\r'};
        return;
    }
    record.verdict = Verdict::kAccepted;
    if (builder != kBoxIndex) return;
    const std::string word = BoxUnitWord(text.c_str());
    if (word.empty() || word == "M" || word == "CM" || word == "INCH" || word == "mm") return;
    Report("bbox-unit-word", Severity::kWarning, column,
           "the box's unit word " + Quoted(word) +
               " is known by its first letters only: anything starting with M is metres, INCH inches, CM "
               "centimetres, anything else millimetres; write M, CM, INCH or no word for millimetres");
}

// The build walk's property scan over one node's chain: the first property of each builder name
// whose value reads is taken; one whose value does not read stays a plain property, and so does
// every later one of a name already taken. A chain shared by copies reports each record once.
void FileChecker::CheckBuilderScan(uint32_t node) {
    uint32_t taken[kBuilderCount];
    std::fill(std::begin(taken), std::end(taken), kNone);
    uint32_t rejected = kNone;  // the first rejected record, when any
    for (uint32_t at = m_nodes[node].firstProperty; at != kNone; at = m_properties[at].next) {
        const PropertyRecord& property = m_properties[at];
        if (property.builder < 0 || !property.named || !property.hasValue) continue;
        uint32_t& slot = taken[property.builder];
        if (slot != kNone)
            ReportRepeatedProperty(node, at, slot);
        else if (property.verdict == Verdict::kRejected)
            rejected = rejected == kNone ? at : rejected;
        else
            slot = at;
    }
    if (rejected == kNone) return;
    for (uint32_t at = rejected; at != kNone; at = m_properties[at].next) {
        const PropertyRecord& property = m_properties[at];
        if (property.builder >= 0 && property.named && property.hasValue &&
            property.verdict == Verdict::kRejected)
            ReportRejectedValue(node, at, taken[property.builder]);
    }
}

void FileChecker::ReportRejectedValue(uint32_t node, uint32_t property, uint32_t acceptedInstead) {
    PropertyRecord& origin = m_properties[Origin(property)];
    if (origin.reported) return;
    origin.reported = true;
    const RejectedValue& rejected = m_rejectedValues.at(Origin(property));
    const BuilderName& entry = kBuilderNames[origin.builder];
    std::string message = Quoted(entry.name.c_str()) + " value " + rejected.value + " of " + NodeLabel(node) +
                          " does not read as " + entry.expected;
    const char* code = origin.builder == kLengthUnitIndex ? "unknown-length-unit" : "builder-value-rejected";
    Severity severity = Severity::kError;
    if (acceptedInstead != kNone) {
        code = "builder-value-retried";
        severity = Severity::kWarning;
        message += ": the loader copies it as a plain property and takes the one at line " +
                   std::to_string(m_properties[Origin(acceptedInstead)].attachLine) + " instead";
    } else {
        message += std::string(": ") + entry.lost + ", and the loader copies the property as a plain one";
    }
    if (rejected.endsInCr) message += "; the line ends in CR (CRLF line endings)";
    m_report.Add(Diagnostic{code, severity, rejected.line, rejected.column, 'V', std::move(message)});
}

void FileChecker::ReportRepeatedProperty(uint32_t node, uint32_t property, uint32_t accepted) {
    PropertyRecord& origin = m_properties[Origin(property)];
    if (origin.reported) return;
    origin.reported = true;
    ReportAt(origin.attachLine, 'P', "builder-property-repeated", Severity::kWarning,
             NodeLabel(node) + " already has its " + Quoted(kBuilderNames[origin.builder].name.c_str()) +
                 " from the property at line " + std::to_string(m_properties[Origin(accepted)].attachLine) +
                 ": the loader reads only that one and copies this one as a plain property");
}

// The build takes a node's component id from the first kxCid property on its chain, once the copies
// are made: a copy without one of its own has its source's.
void FileChecker::FindComponentIds() {
    for (uint32_t i = 0; i < m_nodes.Size(); ++i) {
        NodeRecord& node = m_nodes[i];
        for (uint32_t at = node.firstProperty; at != kNone; at = m_properties[at].next) {
            const PropertyRecord& property = m_properties[at];
            if (property.builder != kComponentIdIndex || !property.named || !property.hasValue) continue;
            node.componentId = property.valueHash;
            node.idUnknown = property.verdict == Verdict::kUnknown;
            break;
        }
    }
}

// The occurrences of each builder property on the node's chain, less the one the scan above takes:
// the first whose value is not rejected.
void FileChecker::Outline(uint32_t node, uint32_t depth) {
    const NodeRecord& record = m_nodes[node];
    if (node == m_root && record.isLink) m_outline->rootIsLink = true;
    BuildOutline::Node& outlined = m_outline->visited.emplace_back();
    outlined.depth = depth;
    outlined.isLink = record.isLink;
    outlined.idKnown = !record.idUnknown && m_propertiesFollowed;
    outlined.builderKnown = m_propertiesFollowed;
    outlined.placedWithId = record.componentId != 0 && !record.idRefused;
    outlined.nameKnown = !record.nameCut && !HasHighByte(record.name);
    if (record.hasName) outlined.name = record.name;
    bool* const taken = outlined.taken;
    for (uint32_t at = record.firstProperty; at != kNone; at = m_properties[at].next) {
        const PropertyRecord& property = m_properties[at];
        if (property.builder < 0 || !property.named || !property.hasValue) continue;
        if (property.verdict == Verdict::kUnknown) outlined.builderKnown = false;
        if (!taken[property.builder] && property.verdict != Verdict::kRejected)
            taken[property.builder] = true;
        else
            ++outlined.plainBuilders[property.builder];
    }
}

}  // namespace ed::check
