// Reader and build: the whole Parse into a stand-in structure, then its destruction. Finds faults in
// the build walk, the copy step, the value readers and the property interpreters; and any difference
// between a load on one thread and one with the reading thread of a large file.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "FuzzInput.h"
#include "du/SmartPtr.h"
#include "du/Symbol.h"
#include "ed/reader/Parser.h"
#include "kxk/Structure.h"
#include "support/ParserInspector.h"
#include "support/StructureWalk.h"

namespace {

// The structure that Parse makes of the input, dumped; with `readingThread`, read as a large file is,
// on the loader's reading thread.
std::string Load(bool readingThread) {
    du::SmartPtr<kxk::Structure> structure(new kxk::Structure(du::Symbol("/fuzz/home/input.ed")));
    ed::Parser parser;
    if (readingThread) ed::ParserInspector(parser).SetReadAheadFrom(0);
    const bool parsed = parser.Parse(du::Symbol(edfuzz::MemoryInput::kFileName), structure);
    return (parsed ? "parsed\n" : "failed\n") + edtest::Dump(*structure);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    edfuzz::QuietTraces quiet;
    edfuzz::MemoryInput input(data, size);
    if (Load(false) != Load(true)) std::abort();
    // As a host does when a structure goes (see ReaderFuzzer.cpp).
    du::Symbol::Sweep();
    return 0;
}
