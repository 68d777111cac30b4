#pragma once

#include <ostream>
#include <string>

#include "OutputFile.h"

namespace edload {

// Puts a tool's written output in place: commits `file` (-o) or, when it is null, flushes `out`,
// the standard output. False with `error` set, saying why, when the output could not be written: the
// system's own reason when `out` writes through a DescriptorBuffer.
bool FinishOutput(std::ostream& out, OutputFile* file, std::string& error);

// The allocator settings of the tools, which hold whole structures: see the definition for why.
void TuneAllocator();

}  // namespace edload
