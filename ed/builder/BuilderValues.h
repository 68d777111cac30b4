#pragma once

#include "dg/Box.h"
#include "dg/Color.h"
#include "dg/Location.h"
#include "dg/Quaternion.h"
#include "dg/Vec3.h"
#include "du/Symbol.h"

namespace ed {

// The working values of one node visit of the build walk, with their defaults. Every reader below
// takes the first value text of one builder property and answers accepted or rejected; a rejected
// value leaves the settings exactly as they were. Plain value, local to one visit.
struct NodeSettings {
    // Metres per length unit of the children's translations; not inherited from the parent.
    float unitFactor = 0.001f;

    dg::Location location = dg::Location::IDENTITY;
    bool locationGiven = false;
    bool locationSet = false;  // false for an accepted identity: no placement call is needed

    dg::Color color{0, 0, 0, 1};
    bool colorGiven = false;
    bool opaque = false;

    du::Symbol componentId;
    du::Symbol shapeSource;
    du::Symbol thumbnail;

    dg::FBox box;
    bool boxGiven = false;

    unsigned shapeSourceIndex = 0;
    int renderEnable = 2;
};

// "length_unit": the whole text is one of M, MM, CM, INCH (exact case).
bool ReadLengthUnit(const char* text, NodeSettings& settings);

// "location": angles in degrees, then an optional translation in the parent's unit, then an optional
// uniform scale.
bool ReadLocation(const char* text, float parentUnitFactor, NodeSettings& settings);

// "color": at least three of r g b [a].
bool ReadColor(const char* text, NodeSettings& settings);

// "bbox": two corners and an optional unit word.
bool ReadBBox(const char* text, NodeSettings& settings);

// "__kx_shapesource_index": a non-negative decimal number filling the whole text.
bool ReadShapeSourceIndex(const char* text, NodeSettings& settings);

// "renderenable": one integer.
bool ReadRenderEnable(const char* text, NodeSettings& settings);

}  // namespace ed
