#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace edgen {

struct GeneratorOptions {
    size_t nodes = 10000;
    uint64_t seed = 1;
};

// What a generated file holds.
struct GeneratorStats {
    size_t nodes = 0;
    size_t lines = 0;
    uint64_t bytes = 0;
};

// Writes a realistic ED file of exactly `options.nodes` nodes to `out`: nested sub-assemblies of
// catalogue parts, each node with a name, a component id, a location and three or four plain
// properties; shape sources and boxes on most parts, colours on some; documents, view points, view
// states, layer groups, copies and links on a few. Names in windows-1252 under a J record. The same
// options always give the same bytes. False when writing fails.
bool GenerateEd(const GeneratorOptions& options, std::FILE* out, GeneratorStats* stats = nullptr);

// The same into a file at `path`; `error` says why on failure.
bool GenerateEdFile(const GeneratorOptions& options, const std::string& path, std::string& error,
                    GeneratorStats* stats = nullptr);

}  // namespace edgen
