#pragma once

#include "kxk/ViewableSource.h"

namespace kxk {

// A 2D illustration file viewable beside the node.
using IllustrationSource = PlainViewableSource<ViewableSource::ILLUSTRATION>;

}  // namespace kxk
