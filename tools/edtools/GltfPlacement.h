#pragma once

#include "JsonValues.h"
#include "dg/Box.h"
#include "dg/Location.h"

// The transforms of glTF nodes. glTF and the structure agree on the order (scale, then rotation, then
// translation) and on the quaternion's meaning, so a placement carries over member by member.
namespace edload::gltf {

// Sets `node`'s translation, rotation and scale from `location`, leaving out the members that are at
// glTF's default. The rotation is written normalised, as the host uses it; values that are not finite
// are written as the identity's, since glTF allows no others.
void SetPlacement(json::Json& node, const dg::Location& location);

// Sets `node`'s translation and scale so that the unit box (-0.5 to 0.5 on each axis) fills `box`.
// The corners may come in either order on an axis.
void SetBoxPlacement(json::Json& node, const dg::FBox& box);

// Turns a Z-up structure to glTF's Y-up: a quarter turn about X.
void SetZUpToYUp(json::Json& node);

}  // namespace edload::gltf
