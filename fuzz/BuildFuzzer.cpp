// Reader and build: the whole Parse into a stand-in structure, then its destruction. Finds faults in
// the build walk, the copy step, the value readers and the property interpreters.
#include <cstddef>
#include <cstdint>

#include "FuzzInput.h"
#include "du/SmartPtr.h"
#include "du/Symbol.h"
#include "ed/reader/Parser.h"
#include "kxk/Structure.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    edfuzz::QuietTraces quiet;
    edfuzz::MemoryInput input(data, size);
    du::SmartPtr<kxk::Structure> structure(new kxk::Structure(du::Symbol("/fuzz/home/input.ed")));
    {
        ed::Parser parser;
        parser.Parse(du::Symbol(edfuzz::MemoryInput::kFileName), structure);
    }
    structure = nullptr;
    // As a host does when a structure goes (see ReaderFuzzer.cpp).
    du::Symbol::Sweep();
    return 0;
}
