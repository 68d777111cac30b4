#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "du/FileReader.h"

namespace edfuzz {

// Serves one fuzz input as an in-memory file for as long as it lives, so that every input goes
// through the host's file and line readers without touching the disk.
class MemoryInput {
  public:
    static constexpr const char* kFileName = "/fuzz/input.ed";

    MemoryInput(const uint8_t* data, size_t size) {
        du::FileReader::RegisterMemoryFile(kFileName, reinterpret_cast<const char*>(data), size);
    }
    ~MemoryInput() { du::FileReader::UnregisterMemoryFile(kFileName); }
    MemoryInput(const MemoryInput&) = delete;
    MemoryInput& operator=(const MemoryInput&) = delete;
};

}  // namespace edfuzz
