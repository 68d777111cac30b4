#pragma once

#include <cstddef>
#include <string>

namespace du {

// The process-wide registry behind FileReader::RegisterMemoryFile, shared with FileSystem.
// Thread-safe. Private to the library.
bool FindMemoryFile(const std::string& fileName, const char** data, size_t* size);

}  // namespace du
