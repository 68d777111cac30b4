#pragma once

#include <ostream>

#include "LoadSession.h"

namespace edload {

struct HtmlOptions {
    bool zUp = true;  // the structure's up axis is Z; otherwise Y, as the page's 3D view has it
};

// Writes one load as a single self-contained HTML page: the tree, the details of each component and
// its box in 3D, with the page's script and three.js inlined so that it opens from disk, offline. The
// structure goes in as one row per instance in walk order, compressed while the walk goes. False when
// the compressor failed; the page is incomplete then.
bool WriteHtml(std::ostream& out, const LoadResult& result, const HtmlOptions& options);

}  // namespace edload
