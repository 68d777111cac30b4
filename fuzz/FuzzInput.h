#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "dp/KXTracer.h"
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

// Traces are expected on hostile input; they only cost time here. Silences the current thread while
// it lives.
class QuietTraces {
  public:
    QuietTraces() : m_scope(&Sink()) {}

  private:
    class NullSink : public dp::TraceSink {
      public:
        void Write(const dp::TraceMessage&) override {}
    };
    static NullSink& Sink() {
        static NullSink sink;
        return sink;
    }
    dp::ScopedThreadTraceSink m_scope;
};

}  // namespace edfuzz
