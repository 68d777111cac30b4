#include "DiffJson.h"

namespace eddiff {

Json SummaryJson(const Summary& summary) {
    return {{"added", summary.added},
            {"removed", summary.removed},
            {"changed", summary.changed},
            {"reparented", summary.reparented},
            {"unchanged", summary.unchanged}};
}

Json DetailJson(const Detail& detail) {
    Json value = {{"what", detail.what}};
    if (!detail.name.is_null()) value["name"] = detail.name;
    // A name may be in more than one group; the group tells which property it is.
    if (!detail.group.is_null()) value["group"] = detail.group;
    value["old"] = detail.old;
    value["new"] = detail.now;
    return value;
}

Json ChangeJson(const Change& change) {
    Json value = {{"change", ChangeKindName(change.kind)}, {"path", change.path}};
    if (change.kind == ChangeKind::kReparented) value["oldPath"] = change.oldPath;
    value["name"] = change.name;
    Json details = Json::array();
    for (const Detail& detail : change.details) details.push_back(DetailJson(detail));
    value["details"] = std::move(details);
    return value;
}

void WriteDiffJson(std::ostream& out, const std::string& oldFile, const std::string& newFile,
                   const Comparison& comparison) {
    using edload::json::Dump;
    out << "{\"old\": " << Dump(oldFile) << ", \"new\": " << Dump(newFile)
        << ", \"summary\": " << Dump(SummaryJson(comparison.summary)) << ", \"changes\": [";
    const char* separator = "\n";
    for (const Change& change : comparison.changes) {
        out << separator << Dump(ChangeJson(change));
        separator = ",\n";
    }
    out << (comparison.changes.empty() ? "]}\n" : "\n]}\n");
}

}  // namespace eddiff
