// ed-gen: writes a realistic ED file of a given number of nodes for benchmarks and load tests.
//
//   ed-gen --nodes 100000 --seed 7 -o big.ed
//   ed-gen --nodes 100000 --distinct 0 -o catalogue-only.ed   (the files of earlier versions)

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "EdGenerator.h"

namespace {

int Usage() {
    std::fprintf(stderr, "usage: ed-gen --nodes N [--seed S] [--distinct SHARE] -o FILE\n");
    return 2;
}

bool ReadNumber(const char* text, unsigned long long& out) {
    char* end = nullptr;
    errno = 0;
    out = std::strtoull(text, &end, 10);
    return end != text && *end == '\0' && errno == 0 && text[0] != '-';
}

bool ReadShare(const char* text, double& out) {
    char* end = nullptr;
    out = std::strtod(text, &end);
    return end != text && *end == '\0' && out >= 0 && out <= 1;
}

}  // namespace

int main(int argc, char** argv) {
    edgen::GeneratorOptions options;
    std::string output;
    for (int i = 1; i < argc; ++i) {
        const bool hasValue = i + 1 < argc;
        unsigned long long number = 0;
        double share = 0;
        if (std::strcmp(argv[i], "--nodes") == 0 && hasValue && ReadNumber(argv[i + 1], number)) {
            options.nodes = static_cast<size_t>(number);
        } else if (std::strcmp(argv[i], "--seed") == 0 && hasValue && ReadNumber(argv[i + 1], number)) {
            options.seed = number;
        } else if (std::strcmp(argv[i], "--distinct") == 0 && hasValue && ReadShare(argv[i + 1], share)) {
            options.distinct = share;
        } else if (std::strcmp(argv[i], "-o") == 0 && hasValue) {
            output = argv[i + 1];
        } else {
            return Usage();
        }
        ++i;
    }
    if (output.empty() || options.nodes > 100000000) return Usage();
    std::string error;
    edgen::GeneratorStats stats;
    if (!edgen::GenerateEdFile(options, output, error, &stats)) {
        std::fprintf(stderr, "ed-gen: %s\n", error.c_str());
        return 1;
    }
    std::printf(
        "%s: %zu nodes, %zu lines, %llu bytes, %llu of %llu I, N and V texts new (%.1f %%)\n", output.c_str(),
        stats.nodes, stats.lines, static_cast<unsigned long long>(stats.bytes),
        static_cast<unsigned long long>(stats.newTexts), static_cast<unsigned long long>(stats.texts),
        stats.texts ? 100.0 * static_cast<double>(stats.newTexts) / static_cast<double>(stats.texts) : 0);
    return 0;
}
