#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace edbench {

// The console report of Google Benchmark followed by one table of the loader benchmarks: MB/s,
// million lines/s, the ratio of each time to the memchr floor of the same file (the whole-process
// floor for the whole-process runs), nanoseconds per node
// and, per benchmark, the per-node cost of the largest size over that of the smallest. With
// repetitions the medians are used.
class RatioReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override;
    void Finalize() override;

  private:
    struct Figures {
        double milliseconds = 0;
        double bytesPerSecond = 0;
        double linesPerSecond = 0;
        double nodes = 0;
        bool median = false;
    };
    void PrintScaling(std::ostream& out) const;

    // By size, then benchmark name in the order first seen.
    std::map<long, std::vector<std::pair<std::string, Figures>>> m_figures;
};

}  // namespace edbench
