#pragma once

#include <ostream>
#include <string>

#include "Changes.h"

namespace eddiff {

// The pieces of ed-diff's JSON document, which the page carries too.
Json SummaryJson(const Summary& summary);
Json DetailJson(const Detail& detail);
Json ChangeJson(const Change& change);

// The document: {"old", "new", "summary", "changes": [...]}, one change a line, so that a large
// comparison is never one tree in memory.
void WriteDiffJson(std::ostream& out, const std::string& oldFile, const std::string& newFile,
                   const Comparison& comparison);

}  // namespace eddiff
