#include "Comparison.h"

namespace eddiff {

namespace {

bool AddedOrBelow(uint8_t state) {
    return state == kAdded || state == kAddedBelow;
}

bool RemovedOrBelow(uint8_t state) {
    return state == kRemoved || state == kRemovedBelow;
}

}  // namespace

const char* ChangeKindName(ChangeKind kind) {
    static const char* const kNames[] = {"added", "removed", "changed", "reparented"};
    return kNames[static_cast<size_t>(kind)];
}

Comparison CompareStructures(const StructureIndex& old, const StructureIndex& now,
                             const Tolerance& tolerance) {
    const Matching matching = MatchInstances(old, now);
    Comparison comparison;
    comparison.rows = MergeRows(old, now, matching);
    comparison.rowState.resize(comparison.rows.size());
    Summary& summary = comparison.summary;
    for (uint32_t r = 0; r < comparison.rows.size(); ++r) {
        const MergedRow& row = comparison.rows[r];
        const uint8_t parentState =
            row.parentRow == kNone ? uint8_t{kSame} : comparison.rowState[row.parentRow];
        uint8_t& state = comparison.rowState[r];
        Change change{ChangeKind::kChanged, r, {}, {}, {}, {}};
        if (row.oldEntry == kNone) {
            state = AddedOrBelow(parentState) ? kAddedBelow : kAdded;
            change.kind = ChangeKind::kAdded;
        } else if (row.newEntry == kNone) {
            state = RemovedOrBelow(parentState) ? kRemovedBelow : kRemoved;
            change.kind = ChangeKind::kRemoved;
        } else {
            change.details = CompareInstances(old[row.oldEntry], now[row.newEntry], tolerance);
            const bool reparented = matching.reparented[row.newEntry] != 0;
            state = reparented               ? uint8_t{kReparented}
                    : change.details.empty() ? uint8_t{kSame}
                                             : uint8_t{kChanged};
            change.kind = reparented ? ChangeKind::kReparented : ChangeKind::kChanged;
        }
        if (state == kSame) ++summary.unchanged;
        if (state == kSame || state == kAddedBelow || state == kRemovedBelow) continue;
        const bool removed = state == kRemoved;
        change.path = removed ? old.Path(row.oldEntry) : now.Path(row.newEntry);
        if (state == kReparented) change.oldPath = old.Path(row.oldEntry);
        const IndexEntry& entry = removed ? old[row.oldEntry] : now[row.newEntry];
        change.name = edload::json::TextOrNull(entry.component->GetName());
        size_t* const counts[] = {&summary.added, &summary.removed, &summary.changed, &summary.reparented};
        ++*counts[static_cast<size_t>(change.kind)];
        comparison.changes.push_back(std::move(change));
    }
    return comparison;
}

}  // namespace eddiff
