#pragma once

#include <string>

#include "dg/Box.h"
#include "dg/Location.h"
#include "du/SmartPtr.h"
#include "kxg/Appearance.h"
#include "kxk/ShapeSource.h"
#include "kxk/ViewableSource.h"

// Short human-readable texts of the values that the tree view shows, numbers with up to six decimals.
namespace edload::text {

std::string Number(double value);
// "t=(x, y, z) m  r=(x, y, z, w)  s=scale"
std::string Placement(const dg::Location& location);
// "(r, g, b, a)" plus " opaque" when the override is opaque.
std::string Colour(const du::SmartPtr<kxg::Appearance>& appearance, bool opaque);
// The host's default visibility values by name.
std::string Visibility(int visibility);
// "source  box (x, y, z)..(x, y, z)  index n"; the box and a zero index are left out.
std::string Shape(const kxk::ShapeSource& source);
// "family file (display)", the ECAD kind after the family.
std::string Viewable(const kxk::ViewableSource& source);
// Seconds as "12.3 ms" or "4.56 s".
std::string Duration(double seconds);

}  // namespace edload::text
