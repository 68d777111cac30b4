#pragma once

#include "kxk/ViewableSource.h"

namespace kxk {

// A raster image file viewable beside the node.
using ImageSource = PlainViewableSource<ViewableSource::IMAGE>;

}  // namespace kxk
