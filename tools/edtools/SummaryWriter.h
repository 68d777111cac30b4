#pragma once

#include <cstddef>
#include <ostream>

#include "LoadSession.h"

namespace edload {

// Writes only numbers about one load: components by kind, instances, properties, sources by family,
// view points, view states, layer groups and traces, the time of each phase and the peak memory of
// the process. Then releases the structure and tells what the process held before the load and holds
// after the release.
void WriteSummary(std::ostream& out, LoadResult& result, size_t traceCount);

}  // namespace edload
