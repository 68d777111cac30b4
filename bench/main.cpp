// ed-bench: the loader benchmarks with a table of ratios to the memchr floor at the end.
//
//   ed-bench                          # 10k, 100k and 1M nodes
//   ED_BENCH_SIZES=10000,100000 ed-bench --benchmark_repetitions=3
//
// Generated files are kept in $ED_BENCH_CACHE (default: ed-bench-cache in the temporary folder).

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "LoaderBench.h"
#include "RatioReporter.h"

namespace {

std::vector<size_t> Sizes() {
    std::vector<size_t> sizes;
    const char* text = std::getenv("ED_BENCH_SIZES");
    std::istringstream in(text ? text : "10000,100000,1000000");
    std::string item;
    while (std::getline(in, item, ',')) {
        const long long nodes = std::atoll(item.c_str());
        if (nodes > 0) sizes.push_back(static_cast<size_t>(nodes));
    }
    return sizes;
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    edbench::RegisterLoaderBenchmarks(Sizes());
    edbench::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
