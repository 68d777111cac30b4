#include <functional>
#include <string>

#include "ed/check/FileChecker.h"
#include "ed/check/Quoted.h"

namespace ed::check {

namespace {

constexpr size_t kNameKept = 15;

std::string Number(int value) {
    return std::to_string(value);
}

std::string Line(uint64_t line) {
    return "line " + std::to_string(line);
}

}  // namespace

template <class Effect>
bool FileChecker::CheckId(const IdField& field, const char* what, Effect effect) {
    if (field.value >= 1 && !field.wraps && !field.sign && field.trailing.empty()) return true;
    const std::string name(what);
    if (field.digits.empty()) {
        Report("id-ignored", Severity::kWarning, 0,
               "the record has no " + name + " id, which reads as 0 and names nothing: the loader drops it");
        return false;
    }
    const std::string asRead = Quoted(field.digits);
    if (field.wraps) {
        const std::string head = name + " id " + asRead + " wraps to " + Number(field.value);
        Report("id-wraps", Severity::kWarning, field.column,
               field.value < 1 ? head + ", below 1, which names nothing: the loader drops the record"
                               : head + " (ids are read modulo 2^32) and " + effect());
        return field.value >= 1;
    }
    if (field.sign)
        Report("id-sign-ignored", Severity::kWarning, field.column - 1,
               "the sign of " + name + " id " +
                   Quoted(std::string(1, field.digits.data()[-1]) + std::string(field.digits)) +
                   " is skipped like a blank: the id reads as " + Number(field.value) + " and " + effect());
    if (!field.trailing.empty())
        Report("id-trailing-text", Severity::kWarning, field.column,
               name + " id " + Quoted(std::string(field.digits) + std::string(field.trailing)) +
                   " reads as " + Number(field.value) + " (the loader skips " + Quoted(field.trailing) +
                   " as a separator) and " + effect());
    if (field.value < 1) {
        Report("id-ignored", Severity::kWarning, field.column,
               name + " id " + Number(field.value) + " names nothing: the loader drops the record");
        return false;
    }
    return true;
}

std::string FileChecker::NodeLabel(uint32_t node) {
    const NodeRecord& record = m_nodes[node];
    std::string label = "node " + Number(record.id);
    if (record.hasName) label += " (" + Quoted(record.nameCut ? record.name + "..." : record.name) + ")";
    return label;
}

void FileChecker::CheckNode(FieldScan& scan) {
    const IdField id = scan.Id();
    const IdField parent = scan.Id();
    CreateNode(id, parent);
}

void FileChecker::CheckCopy(FieldScan& scan) {
    const IdField id = scan.Id();
    const IdField parent = scan.Id();
    const IdField source = scan.Id();
    const uint32_t node = CreateNode(id, parent);
    if (node == kNone || m_stopped) return;
    m_copies.push_back(node);
    m_nodes[node].copySource = m_nodes.LookUp(source.value, false);
}

uint32_t FileChecker::CreateNode(const IdField& id, const IdField& parent) {
    if (!CheckId(id, "node", [&] { return "declares node " + Number(id.value); })) return kNone;
    if (parent.value < 0)
        Report("id-wraps", Severity::kWarning, parent.column,
               "parent id " + Quoted(parent.digits) + " wraps to " + Number(parent.value) +
                   ", below 1, which names nothing: node " + Number(id.value) + " is placed under no node");
    else if (parent.value > 0)
        CheckId(parent, "parent", [&] { return "places node " + Number(id.value) + " there"; });
    uint32_t displaced;
    const uint32_t node = m_nodes.LookUp(id.value, true, displaced);
    if (displaced != kNone && m_nodes[displaced].declLine != 0)
        Report("node-redeclared", Severity::kWarning, id.column,
               "node " + Number(id.value) + " is declared again (first at " +
                   Line(m_nodes[displaced].declLine) + "): the loader makes a second, separate node " +
                   Number(id.value) + ", and the I, L and P records that follow reach only the new one");
    if (parent.value == 0) {
        if (m_root != kNone) {
            Report("second-root", Severity::kError, parent.column,
                   "node " + Number(id.value) + " has parent 0, but " + NodeLabel(m_root) + " (" +
                       Line(m_nodes[m_root].declLine) +
                       ") is the root already: the loader stops reading here, builds nothing and the load "
                       "fails");
            m_stopped = true;
            return kNone;
        }
        m_root = node;
    } else if (const uint32_t parentNode = m_nodes.LookUp(parent.value, false); parentNode != kNone) {
        NodeRecord& placed = m_nodes[node];
        if (placed.parent != kNone && placed.parent != parentNode) {
            Report("node-redeclared", Severity::kWarning, id.column,
                   "node " + Number(id.value) + " is already under node " +
                       Number(m_nodes[placed.parent].id) + " (" + Line(placed.placeLine) +
                       "), and the loader reuses the record of the id looked up last: this record does not "
                       "move it under node " +
                       Number(parent.value));
        } else if (placed.parent == kNone) {
            NodeRecord& up = m_nodes[parentNode];
            (up.lastChild != kNone ? m_nodes[up.lastChild].nextSibling : up.firstChild) = node;
            up.lastChild = node;
            placed.parent = parentNode;
            placed.placeLine = m_lineNumber;
        }
    }
    NodeRecord& made = m_nodes[node];
    if (made.declLine == 0) {
        made.declLine = m_lineNumber;
        made.declRecord = m_letter;
    }
    return node;
}

void FileChecker::CheckNodeName(FieldScan& scan) {
    scan.Skip(1);
    const IdField id = scan.Id();
    scan.Skip(2);
    const std::string_view text = scan.Text();
    CheckText(text);
    const bool named = CheckId(id, "node", [&] {
        const uint32_t node = m_nodes.Current(id.value);
        return node != kNone && m_nodes[node].hasName ? "renames " + NodeLabel(node)
                                                      : "names node " + Number(id.value);
    });
    if (!named) return;
    NodeRecord& node = m_nodes[m_nodes.LookUp(id.value, false)];
    node.name.assign(text.substr(0, kNameKept));
    node.nameCut = text.size() > kNameKept;
    node.hasName = true;
    if (node.nameLine == 0) {
        node.nameLine = m_lineNumber;
        node.nameRecord = 'I';
    }
}

void FileChecker::CheckLink(FieldScan& scan) {
    scan.Skip(1);
    const IdField id = scan.Id();
    scan.Skip(2);
    scan.Text();
    if (!CheckId(id, "node", [&] { return "makes node " + Number(id.value) + " a link"; })) return;
    NodeRecord& node = m_nodes[m_nodes.LookUp(id.value, false)];
    node.isLink = true;
    node.linkLine = m_lineNumber;
    if (node.nameLine == 0) {
        node.nameLine = m_lineNumber;
        node.nameRecord = 'L';
    }
}

void FileChecker::CheckProperty(FieldScan& scan) {
    const IdField id = scan.Id();
    const IdField nodeId = scan.Id();
    const IdField typeId = scan.Id();
    const bool nodeOk =
        CheckId(nodeId, "node", [&] { return "attaches property " + Number(id.value) + " to it"; });
    if (!nodeOk) return;
    const uint32_t node = m_nodes.LookUp(nodeId.value, false);
    if (!CheckId(id, "property", [&] { return "attaches it to node " + Number(nodeId.value); })) return;
    uint32_t displaced;
    const uint32_t property = m_properties.LookUp(id.value, true, displaced);
    PropertyRecord& record = m_properties[property];
    if (record.firstLine == 0) {
        record.firstLine = m_lineNumber;
        record.firstRecord = 'P';
    }
    m_typeUses.emplace(typeId.value, m_lineNumber);
    // The reader gives the record this type before it finds the record attached.
    record.typeId = typeId.value;
    if (record.attached) {
        Report(
            "property-redefined", Severity::kWarning, id.column,
            "property " + Number(id.value) + " is already on node " + Number(m_nodes[record.node].id) + " (" +
                Line(record.attachLine) +
                "), and the loader reuses the record of the id looked up last: it stays there, with type " +
                Number(typeId.value) + " now, and node " + Number(nodeId.value) + " gets no property " +
                Number(id.value));
        return;
    }
    record.attachLine = m_lineNumber;
    NodeRecord& owner = m_nodes[node];
    if (owner.propertyLine == 0) owner.propertyLine = m_lineNumber;
    ++owner.propertyCount;
    Attach(node, property);
}

void FileChecker::Attach(uint32_t node, uint32_t property) {
    PropertyRecord& record = m_properties[property];
    record.attached = true;
    record.node = node;
    NodeRecord& owner = m_nodes[node];
    (owner.lastProperty != kNone ? m_properties[owner.lastProperty].next : owner.firstProperty) = property;
    owner.lastProperty = property;
}

void FileChecker::CheckPropertyName(FieldScan& scan) {
    scan.Skip(1);
    const IdField id = scan.Id();
    scan.Skip(2);
    const std::string_view text = scan.Text();
    const uint32_t column = scan.ColumnOf(text.data());
    // The loader keys and matches the name as converted.
    const std::string_view held = CheckText(text);
    if (!CheckId(id, "property", [&] { return "names property " + Number(id.value); })) return;
    PropertyRecord& record = m_properties[m_properties.LookUp(id.value, false)];
    if (record.firstLine == 0) {
        record.firstLine = m_lineNumber;
        record.firstRecord = 'N';
    }
    record.named = true;
    record.nameHash = std::hash<std::string_view>()(held);
    const signed char builder = ClassifyName(held, column);
    // A value read before a rename was judged for another name, or for none.
    if (builder != record.builder) record.verdict = Verdict::kUnknown;
    record.builder = builder;
}

void FileChecker::CheckPropertyValue(FieldScan& scan) {
    scan.Skip(1);
    const IdField id = scan.Id();
    // The reader looks the property up before it reads the rest of the line.
    const uint32_t property = id.value >= 1 ? m_properties.LookUp(id.value, false) : kNone;
    scan.Skip(2);
    const std::string_view text = scan.Text();
    const uint32_t column = scan.ColumnOf(text.data());
    // The builder reads the value as converted.
    const std::string_view held = CheckText(text);
    if (!CheckId(id, "property", [&] { return "adds a value to property " + Number(id.value); })) return;
    PropertyRecord& record = m_properties[property];
    if (record.firstLine == 0) {
        record.firstLine = m_lineNumber;
        record.firstRecord = 'V';
    }
    if (!record.hasValue) {
        record.hasValue = true;
        if (record.builder >= 0) CheckBuilderValue(property, held, column);
    }
}

void FileChecker::CheckPropertyType(FieldScan& scan) {
    const IdField id = scan.Id();
    CheckText(scan.Text());
    if (id.wraps)
        Report("id-wraps", Severity::kWarning, id.column,
               "type id " + Quoted(id.digits) + " wraps to " + Number(id.value) +
                   " (ids are read modulo 2^32) and names type " + Number(id.value));
    m_types.insert(id.value);
}

}  // namespace ed::check
