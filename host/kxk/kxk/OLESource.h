#pragma once

#include "kxk/ViewableSource.h"

namespace kxk {

// An embedded office document viewable beside the node.
using OLESource = PlainViewableSource<ViewableSource::OLEDOC>;

}  // namespace kxk
