#include <algorithm>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "ed/check/CopyGrowth.h"
#include "ed/check/FileChecker.h"
#include "ed/check/Quoted.h"

namespace ed::check {

namespace {

std::string Line(uint64_t line) {
    return "line " + std::to_string(line);
}

std::string NodesBelow(uint32_t count) {
    if (count == 0) return "";
    return count == 1 ? ", nor the node below it" : ", nor the " + std::to_string(count) + " nodes below it";
}

}  // namespace

void FileChecker::CheckTree() {
    if (m_root == kNone) {
        ReportAt(1, 0, "no-root", Severity::kError,
                 "no C or X record declares a node with parent 0, so the file has no root: the loader "
                 "builds an empty structure");
        return;
    }
    m_propertiesFollowed = CheckCopyGrowth();
    ApplyCopies(m_propertiesFollowed);
    FindComponentIds();
    Walk();
    CheckUnbuiltNodes();
    CheckProperties();
}

// Copies of copies can give the nodes far more properties than the file has records, which the
// loader builds one by one: counted before any is made, here as in the loader. False when the check
// itself would make too many to follow the properties through the copies.
bool FileChecker::CheckCopyGrowth() {
    // Above both, the build takes seconds and memory out of all proportion to the file.
    constexpr uint64_t kManyProperties = 1000000;
    constexpr uint64_t kPropertiesPerRecord = 64;
    // The records the check itself makes for copied properties, at about 80 bytes each.
    constexpr uint64_t kMostFollowed = 4000000;
    if (m_copies.empty()) return true;
    const CopyGrowth growth = CountCopyGrowth(m_nodes, m_properties, m_copies);
    const bool follow = growth.made <= kMostFollowed;
    if (growth.properties <= kManyProperties || growth.properties <= kPropertiesPerRecord * m_recordLines ||
        growth.largestNode == kNone)
        return follow;
    const NodeRecord& largest = m_nodes[growth.largestNode];
    ReportAt(largest.declLine, 'X', "copies-multiply-properties", Severity::kWarning,
             "copies of copies give the nodes " + std::to_string(growth.properties) + " properties from " +
                 std::to_string(m_recordLines) + " records (node " + std::to_string(largest.id) +
                 ", made here, gets " + std::to_string(growth.largest) +
                 "): the loader builds every one, in time and memory to match" +
                 (follow ? "" : "; the check follows no property through the copies"));
    return follow;
}

// The copy step runs before the walk, in record order: a copy takes its source's name when it has
// none, and its properties (unless `properties` is false, when only a copy without properties of its
// own still shares its source's, which makes no record).
void FileChecker::ApplyCopies(bool properties) {
    for (const uint32_t node : m_copies) {
        const uint32_t source = m_nodes[node].copySource;
        const std::string copy = "node " + std::to_string(m_nodes[node].id);
        if (source == kNone) {
            ReportAt(m_nodes[node].declLine, 'X', "copy-source-undefined", Severity::kWarning,
                     copy + " copies nothing: its source id names no node, so it is built as a plain node");
            continue;
        }
        if (m_nodes[source].declLine == 0)
            ReportAt(m_nodes[node].declLine, 'X', "copy-source-undefined", Severity::kWarning,
                     copy + " copies node " + std::to_string(m_nodes[source].id) +
                         ", which no C or X record declares before the copy is made (a C record after the X "
                         "record makes a fresh node): the copy takes over only the name and properties that "
                         "I and P records give that id without declaring it");
        NodeRecord& copied = m_nodes[node];
        if (!copied.hasName && m_nodes[source].hasName) {
            copied.name = m_nodes[source].name;
            copied.nameCut = m_nodes[source].nameCut;
            copied.hasName = true;
        }
        if (properties || copied.firstProperty == kNone) MergeProperties(node, source);
    }
}

// The copy takes over its source's chain when it has none of its own; else it gets copies of the
// source's named, valued properties whose key (name as written and type) it lacks, after its own.
void FileChecker::MergeProperties(uint32_t node, uint32_t source) {
    const NodeRecord& from = m_nodes[source];
    NodeRecord& copy = m_nodes[node];
    if (from.firstProperty == kNone) return;
    if (copy.firstProperty == kNone) {
        copy.firstProperty = from.firstProperty;
        copy.lastProperty = from.lastProperty;
        return;
    }
    auto keyed = [](const PropertyRecord& property) { return property.named && property.hasValue; };
    std::set<std::pair<size_t, int>> own;
    for (uint32_t at = copy.firstProperty; at != kNone; at = m_properties[at].next)
        if (keyed(m_properties[at])) own.emplace(m_properties[at].nameHash, m_properties[at].typeId);
    for (uint32_t at = from.firstProperty; at != kNone; at = m_properties[at].next) {
        const PropertyRecord& property = m_properties[at];
        if (!keyed(property) || own.count({property.nameHash, property.typeId})) continue;
        const uint32_t made = m_properties.Append();
        PropertyRecord& copied = m_properties[made];
        copied = property;
        copied.next = kNone;
        copied.origin = Origin(at);
        Attach(node, made);
    }
}

// The build walk's order and its loop rule: depth first in file order, a link node is built as a
// proxy without its children, and a node already on the current path is not entered again.
void FileChecker::Walk() {
    struct Frame {
        uint32_t node;
        uint32_t next;
    };
    std::vector<Frame> stack;
    std::unordered_map<size_t, uint32_t> siblingIds;
    auto visit = [&](uint32_t node) {
        CheckBuilderScan(node);
        if (m_outline) Outline(node, static_cast<uint32_t>(stack.size()));
        NodeRecord& record = m_nodes[node];
        record.reached = true;
        if (record.isLink) {
            if (node == m_root)
                ReportAt(record.linkLine, 'L', "root-is-link", Severity::kError,
                         "the root, " + NodeLabel(node) +
                             ", becomes a link here: the loader builds only a proxy for it, no structure "
                             "root, and none of the nodes below it");
            else if (record.firstChild != kNone)
                ReportAt(record.linkLine, 'L', "link-hides-children", Severity::kWarning,
                         NodeLabel(node) +
                             " becomes a link here: the loader builds a proxy for it and none of the nodes "
                             "the file places below it");
            return;
        }
        record.onPath = true;
        stack.push_back(Frame{node, record.firstChild});
        siblingIds.clear();
        for (uint32_t child = record.firstChild; child != kNone; child = m_nodes[child].nextSibling) {
            if (m_nodes[child].componentId == 0) continue;
            const auto [first, inserted] = siblingIds.emplace(m_nodes[child].componentId, child);
            if (inserted) continue;
            m_nodes[child].idRefused = true;
            ReportAt(m_nodes[child].declLine, m_nodes[child].declRecord, "duplicate-component-id",
                     Severity::kWarning,
                     "the component id (kxCid) of " + NodeLabel(child) +
                         " is already taken under the same parent by " + NodeLabel(first->second) + " (" +
                         Line(m_nodes[first->second].declLine) +
                         "): the loader warns and adds this node without an id");
        }
    };
    visit(m_root);
    while (!stack.empty()) {
        Frame& top = stack.back();
        const uint32_t child = top.next;
        if (child == kNone) {
            m_nodes[top.node].onPath = false;
            stack.pop_back();
            continue;
        }
        top.next = m_nodes[child].nextSibling;
        if (!m_nodes[child].onPath) {
            visit(child);
            continue;
        }
        ReportAt(m_nodes[child].placeLine, 'C', "parent-cycle", Severity::kWarning,
                 NodeLabel(child) + " is placed under node " +
                     std::to_string(m_nodes[m_nodes[child].parent].id) +
                     ", which lies below it: the loader does not build it there a second time");
    }
}

// The first unbuilt node on the way up from `node`: its parent is missing, built (a link) or the way
// up runs in a loop. Remembered for every node on the way, so that the whole pass stays linear.
uint32_t FileChecker::UnbuiltTop(uint32_t node) {
    std::vector<uint32_t> path;
    uint32_t top = node;
    for (uint32_t at = node;;) {
        NodeRecord& record = m_nodes[at];
        if (record.top != kNone) {
            top = record.top;
            break;
        }
        if (record.onPath) {  // the way up runs in a loop, and `at` lies on it
            top = at;
            break;
        }
        record.onPath = true;
        path.push_back(at);
        if (record.parent == kNone || m_nodes[record.parent].reached) {
            top = at;
            break;
        }
        at = record.parent;
    }
    for (const uint32_t on : path) {
        m_nodes[on].top = top;
        m_nodes[on].onPath = false;
    }
    return top;
}

void FileChecker::CheckUnbuiltNodes() {
    RecordTable<NodeRecord>& nodes = m_nodes;
    std::vector<uint32_t> tops;
    std::unordered_map<uint32_t, uint32_t> unbuiltBelow;
    for (uint32_t i = 0; i < nodes.Size(); ++i) {
        if (m_outline && nodes[i].declLine != 0) ++m_outline->declared;
        if (nodes[i].reached || nodes[i].declLine == 0) continue;
        const uint32_t top = UnbuiltTop(i);
        if (unbuiltBelow.emplace(top, 0).second) tops.push_back(top);
        if (top != i) ++unbuiltBelow[top];
    }
    for (const uint32_t top : tops) {
        const uint32_t unbuilt = unbuiltBelow[top] + (nodes[top].declLine != 0 ? 1 : 0);
        const bool reported = ReportUnbuiltTop(top, unbuiltBelow[top]);
        if (m_outline) (reported ? m_outline->unbuiltReported : m_outline->unbuiltUnreported) += unbuilt;
    }
    for (uint32_t i = 0; i < nodes.Size(); ++i) {
        const NodeRecord& node = nodes[i];
        if (node.declLine != 0 || node.reached) continue;
        const uint32_t current = m_nodes.Current(node.id);
        const std::string why =
            current != i && current != kNone && m_nodes[current].declLine != 0
                ? "the C record of node " + std::to_string(node.id) + " at " +
                      Line(m_nodes[current].declLine) +
                      " makes a fresh node (the loader reuses a record only for the id it looked up last)"
                : "no C or X record declares node " + std::to_string(node.id);
        if (node.nameLine != 0)
            ReportAt(node.nameLine, node.nameRecord, "name-on-undefined-node", Severity::kWarning,
                     why + ": this record reaches no node that is built");
        if (node.propertyLine != 0)
            ReportAt(node.propertyLine, 'P', "property-on-undefined-node", Severity::kWarning,
                     why + ": " +
                         (node.propertyCount == 1 ? std::string("the property attached to it here is")
                                                  : "the " + std::to_string(node.propertyCount) +
                                                        " properties attached to it from here on are") +
                         " not built");
    }
}

bool FileChecker::ReportUnbuiltTop(uint32_t top, uint32_t below) {
    const NodeRecord& record = m_nodes[top];
    // The walk reported the children of a link (root-is-link, link-hides-children).
    if (record.parent != kNone && m_nodes[record.parent].reached) return m_nodes[record.parent].isLink;
    if (record.parent == kNone && record.declLine != 0) {
        ReportAt(record.declLine, record.declRecord, "unreachable-node", Severity::kWarning,
                 NodeLabel(top) + " hangs under no node (its parent id names nothing): it is not built" +
                     NodesBelow(below));
        return true;
    }
    if (record.parent == kNone) {
        const uint32_t current = m_nodes.Current(record.id);
        const std::string why =
            current != top && current != kNone && m_nodes[current].declLine != 0
                ? "the C record of node " + std::to_string(record.id) + " at " +
                      Line(m_nodes[current].declLine) +
                      " comes after this one and makes a fresh node (the loader reuses a record only for the "
                      "id "
                      "it looked up last), so this node stays under an earlier record that is never placed"
                : "its parent, node " + std::to_string(record.id) + ", is never declared by a C or X record";
        for (uint32_t child = record.firstChild; child != kNone; child = m_nodes[child].nextSibling) {
            std::string message = why + ": " + NodeLabel(child) + " is not built, nor anything below it";
            if (child == record.firstChild && below > 1)
                message += " (" + std::to_string(below) + " nodes in all under node " +
                           std::to_string(record.id) + ")";
            ReportAt(m_nodes[child].declLine, m_nodes[child].declRecord, "parent-undefined",
                     Severity::kWarning, std::move(message));
        }
        return record.firstChild != kNone;
    }
    // A loop: the parents lead back to `top` and never to the root.
    std::string members;
    uint64_t line = record.placeLine;
    uint32_t count = 0;
    uint32_t at = top;
    do {
        if (++count <= 5) members += (count > 1 ? ", " : "") + std::to_string(m_nodes[at].id);
        line = std::max(line, m_nodes[at].placeLine);
        at = m_nodes[at].parent;
    } while (at != top && at != kNone && count < 1000000);
    if (count > 5) members += ", ...";
    ReportAt(line, 'C', "parent-cycle", Severity::kWarning,
             "nodes " + members +
                 " lie below each other in a loop that no root reaches: the loader builds none of "
                 "them" +
                 NodesBelow(below + 1 > count ? below + 1 - count : 0));
    return true;
}

void FileChecker::CheckProperties() {
    for (uint32_t i = 0; i < m_properties.Size(); ++i) {
        const PropertyRecord& property = m_properties[i];
        const std::string name = "property " + std::to_string(property.id);
        if (!property.attached && (property.named || property.hasValue)) {
            ReportAt(property.firstLine, property.firstRecord, "property-never-attached", Severity::kWarning,
                     name +
                         " is named or given values, but no P record attaches this record to a node (a P "
                         "record takes over the record of an id only right after its N and V records): "
                         "its name and values are lost");
        } else if (property.attached && property.hasValue && !property.named &&
                   m_nodes[property.node].reached) {
            ReportAt(property.attachLine, 'P', "value-without-property", Severity::kWarning,
                     name + " has values but no N record names it: the loader passes it over");
        }
    }
    for (const auto& [type, line] : m_typeUses) {
        if (m_types.count(type)) continue;
        ReportAt(
            line, 'P', "property-type-undefined", Severity::kWarning,
            "type " + std::to_string(type) +
                " is declared by no T record: the plain properties of this type reach the structure with no "
                "type name");
    }
}

}  // namespace ed::check
