#pragma once

#include "kxk/ViewableSource.h"

namespace kxk {

// A plain data file attached to the node, shown as a file.
using DataSource = PlainViewableSource<ViewableSource::FILE>;

}  // namespace kxk
