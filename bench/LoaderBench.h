#pragma once

#include <benchmark/benchmark.h>

#include <cstddef>
#include <vector>

#include "BenchFiles.h"

namespace edbench {

// Registers, for each size in nodes, the memchr floor, the warm loader benchmarks (Memchr, Interning,
// Reader, ReadAndBuild, PluginLoad, Release) and the cold ones, named "<Name>/<nodes>".
void RegisterLoaderBenchmarks(const std::vector<size_t>& sizes);

// The whole-process benchmarks of one size (ColdBench.cpp).
void RegisterColdBenchmarks(size_t nodes);

// Bytes/s, lines/s and the node count of `file` for the iterations that `state` ran.
void SetCounters(benchmark::State& state, const BenchFile& file);

}  // namespace edbench
