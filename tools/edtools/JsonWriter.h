#pragma once

#include <ostream>
#include <vector>

#include "JsonValues.h"
#include "LoadSession.h"
#include "dp/KXTracer.h"

namespace edload {

// Writes one load as a single JSON document: the file, the loaded state, the event, what the loader
// reported to the structure, the component tree from the root, the traces and, when given, the
// diagnostics of --check. The tree is streamed while the structure is walked, so the document may nest
// a million levels deep without recursion.
void WriteJson(std::ostream& out, const LoadResult& result, const std::vector<dp::TraceMessage>& traces,
               const json::Json* diagnostics = nullptr);

}  // namespace edload
