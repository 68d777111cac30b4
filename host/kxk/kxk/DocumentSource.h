#pragma once

#include "kxk/ViewableSource.h"

namespace kxk {

// A document file (text, spreadsheet, ...) viewable beside the node.
using DocumentSource = PlainViewableSource<ViewableSource::DOCUMENT>;

}  // namespace kxk
