// The check against the load: `--check` models the loader's rules a second time, so for any input
// the two must agree on what is built (CheckAgainstLoad.h).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "CheckAgainstLoad.h"
#include "FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    edfuzz::QuietTraces quiet;
    edfuzz::MemoryInput input(data, size);
    const std::string difference = edfuzz::CheckAgainstLoad(edfuzz::MemoryInput::kFileName);
    if (!difference.empty()) {
        std::fprintf(stderr, "check and load disagree: %s\n", difference.c_str());
        std::abort();
    }
    // As a host does when a structure goes (see ReaderFuzzer.cpp).
    du::Symbol::Sweep();
    return 0;
}
