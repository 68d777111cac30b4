#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace edgen {

struct GeneratorOptions {
    size_t nodes = 10000;
    uint64_t seed = 1;
    // The share of I, N and V texts that are new to the file. Real exports have about a third: every node
    // carries its own id, part number and shape file name, and often its own name and description.
    // 0 gives the catalogue-only files of earlier versions (the same tree, texts repeating far more).
    double distinct = 1.0 / 3;
};

// What a generated file holds.
struct GeneratorStats {
    size_t nodes = 0;
    size_t lines = 0;
    uint64_t bytes = 0;
    uint64_t texts = 0;     // I, N and V records
    uint64_t newTexts = 0;  // ... whose text no earlier one had
};

// Writes a realistic ED file of exactly `options.nodes` nodes to `out`: nested sub-assemblies of
// catalogue parts, each node with a name, a component id, a location and three or four plain
// properties; shape sources and boxes on most parts, colours on some; documents, view points, view
// states, layer groups, copies and links on a few. Names in windows-1252 under a J record. With a
// share of new texts, each node also gets its own id, part number, shape file name and a description,
// and names, descriptions and boxes of their own as far as the share asks; the tree stays that of the
// same seed without. The same options always give the same bytes. False when writing fails.
bool GenerateEd(const GeneratorOptions& options, std::FILE* out, GeneratorStats* stats = nullptr);

// The same into a file at `path`; `error` says why on failure.
bool GenerateEdFile(const GeneratorOptions& options, const std::string& path, std::string& error,
                    GeneratorStats* stats = nullptr);

}  // namespace edgen
