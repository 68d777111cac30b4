#include "DiffHtml.h"

#include <vector>

#include "DiffJson.h"
#include "HtmlWriter.h"

namespace eddiff {

namespace {

// The page reads the changes as [row, change, path, old path] and each row's state as a number.
Json DiffHead(const edload::LoadResult& old, const Comparison& comparison) {
    Json changes = Json::array();
    for (const Change& change : comparison.changes)
        changes.push_back({change.row, ChangeKindName(change.kind), change.path, change.oldPath});
    return {{"old", old.file},
            {"summary", SummaryJson(comparison.summary)},
            {"state", comparison.rowState},
            {"changes", std::move(changes)}};
}

}  // namespace

bool WriteDiffHtml(std::ostream& out, const edload::LoadResult& old, const edload::LoadResult& now,
                   const StructureIndex& oldIndex, const StructureIndex& newIndex,
                   const Comparison& comparison) {
    // The details of a changed row carry its differences.
    std::vector<const Change*> changeOfRow(comparison.rows.size(), nullptr);
    for (const Change& change : comparison.changes) changeOfRow[change.row] = &change;

    edload::HtmlRows rows;
    std::vector<edload::WalkStep> open;
    for (uint32_t r = 0; r < comparison.rows.size(); ++r) {
        const MergedRow& row = comparison.rows[r];
        while (open.size() > row.depth) {
            rows.Leave(open.back());
            open.pop_back();
        }
        const IndexEntry& entry = row.newEntry != kNone ? newIndex[row.newEntry] : oldIndex[row.oldEntry];
        open.push_back(edload::WalkStep{*entry.component, entry.instance, row.depth, entry.place});
        Json details = Json::object();
        if (const Change* change = changeOfRow[r]; change && !change->details.empty()) {
            Json list = Json::array();
            for (const Detail& detail : change->details) list.push_back(DetailJson(detail));
            details["changes"] = std::move(list);
        }
        rows.Enter(open.back(), std::move(details));
    }
    while (!open.empty()) {
        rows.Leave(open.back());
        open.pop_back();
    }
    Json head = edload::HtmlHead(now, edload::HtmlOptions{});
    head["diff"] = DiffHead(old, comparison);
    return rows.Write(out, std::move(head));
}

}  // namespace eddiff
