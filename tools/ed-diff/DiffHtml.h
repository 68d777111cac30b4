#pragma once

#include <ostream>

#include "Changes.h"
#include "LoadSession.h"
#include "StructureIndex.h"

namespace eddiff {

// The explorer page of the new structure with the comparison in it: every merged row, removed ones
// from the old structure among them, each with its state, and the changes with their old and new
// values. False when the compressor failed.
bool WriteDiffHtml(std::ostream& out, const edload::LoadResult& old, const edload::LoadResult& now,
                   const StructureIndex& oldIndex, const StructureIndex& newIndex,
                   const Comparison& comparison);

}  // namespace eddiff
