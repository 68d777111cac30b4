#pragma once

#include <cstddef>
#include <vector>

namespace edbench {

// Registers, for each size in nodes, the memchr floor and the three loader benchmarks (Memchr,
// Reader, ReadAndBuild, PluginLoad), named "<Name>/<nodes>".
void RegisterLoaderBenchmarks(const std::vector<size_t>& sizes);

}  // namespace edbench
