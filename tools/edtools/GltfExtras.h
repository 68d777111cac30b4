#pragma once

#include <string>

#include "StructureWalk.h"

namespace edload::gltf {

// The extras of a component's glTF node as JSON text, "" when there are none: what glTF has no place
// for, for a viewer to show.
//
// The node's properties are the flat part, name to value text, so that viewers list them as they
// stand. A name that is already taken (a repeated property, or one of the keys below) gets the next
// free " [2]", " [3]"... after it, so every value is kept. What the structure itself knows comes
// first, under keys that begin with "ed:": the instance id, "ed:hidden" for an instance hidden by
// default, the link of a proxy, the shape source, the thumbnail, the viewables, view points, view
// states and layer groups. Absent and empty ones are left out.
std::string Extras(const WalkStep& step);

// The default visibility that hides an instance.
constexpr int kHidden = 3;

}  // namespace edload::gltf
