#pragma once

#include <ostream>
#include <vector>

#include "LoadSession.h"
#include "dp/KXTracer.h"

namespace edload {

// Writes one load as a single JSON document: the file, the loaded state, the event, what the loader
// reported to the structure, the component tree from the root and the traces. The tree is streamed
// while the structure is walked, so the document may nest a million levels deep without recursion.
void WriteJson(std::ostream& out, const LoadResult& result, const std::vector<dp::TraceMessage>& traces);

}  // namespace edload
