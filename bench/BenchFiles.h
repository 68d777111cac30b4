#pragma once

#include <cstddef>
#include <string>

namespace edbench {

// One generated ED file of the benchmark sizes: made once per machine in a cache folder
// ($ED_BENCH_CACHE, else a folder under the system's temporary folder) and read into memory once
// per process.
struct BenchFile {
    size_t nodes = 0;
    std::string path;
    std::string bytes;
    size_t lines = 0;
};

// The file of `nodes` nodes (seed 1); aborts the process with a message when it cannot be made.
const BenchFile& GetBenchFile(size_t nodes);

}  // namespace edbench
