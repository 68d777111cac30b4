#pragma once

#include <string>

#include "ed/check/BuildOutline.h"
#include "ed/check/DiagnosticReport.h"

namespace ed::check {

// Reads the ED file at `path` in a pass of its own, with line numbers, and reports every line whose
// record the loader skips, ignores, wraps, displaces, refuses or stops at, and what the build then
// makes of the tables. Builds nothing; the memory it takes is bounded by the file's records and is
// all given back on return. A file that cannot be opened gives an empty report: the load says why.
// With `outline`, also says there what it expects the load to build.
DiagnosticReport CheckFile(const std::string& path, BuildOutline* outline = nullptr);

}  // namespace ed::check
