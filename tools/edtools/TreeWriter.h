#pragma once

#include <ostream>

#include "LoadSession.h"

namespace edload {

// Writes one load as an indented tree for a person: each component with what its instance says
// (id, placement, colour, visibility) and what the component carries (shape, thumbnail, viewables,
// view points, view states, layer groups, properties), then what the loader reported to the
// structure and a line of counts and the load time. Past a fixed depth the level is shown as a number
// instead of more indentation, so the output grows in proportion to the structure.
void WriteTree(std::ostream& out, const LoadResult& result);

}  // namespace edload
