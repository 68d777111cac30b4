#pragma once

#include "dp/KXTracer.h"

namespace ed {

// The trace channel of the parser and its builder.
inline const dp::KXTracer kParserTracer("ed", "Parser");

}  // namespace ed
