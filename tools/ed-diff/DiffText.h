#pragma once

#include <ostream>

#include "Changes.h"

namespace eddiff {

// The changes for a person: a block per changed instance, its sign ('+' added, '-' removed,
// '~' changed, '>' re-parented), path and name, a line per difference, then a line of counts. What
// comes from the files is written with terminal controls made visible; `colour` adds the escapes
// that colour the signs.
void WriteDiffText(std::ostream& out, const Comparison& comparison, bool colour);

// One difference as its line says it, without the indent: `property Material: "A" -> "B"`.
std::string DetailText(const Detail& detail);

}  // namespace eddiff
