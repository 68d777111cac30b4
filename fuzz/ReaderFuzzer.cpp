// The reader alone: every line dispatched to its record handler, the tables filled and then released,
// without a build. Finds faults in the scanners, the id tables, the caches and the converters.
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzInput.h"
#include "ed/reader/Parser.h"
#include "support/ParserInspector.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    edfuzz::QuietTraces quiet;
    ed::Parser parser;
    ed::ParserInspector inspect(parser);
    // Read serves the text as an in-memory file, as Parse would read it from disk.
    inspect.Read(std::string(reinterpret_cast<const char*>(data), size));
    inspect.Clear();
    return 0;
}
