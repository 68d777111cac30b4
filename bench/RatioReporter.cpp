#include "RatioReporter.h"

#include <cstdio>
#include <iostream>

namespace edbench {

namespace {

// Whole-process runs are compared with the whole-process floor.
std::string FloorOf(const std::string& name) {
    return name.rfind("Cold", 0) == 0 ? "ColdMemchr" : "Memchr";
}

double Counter(const benchmark::BenchmarkReporter::Run& run, const char* name) {
    auto it = run.counters.find(name);
    return it == run.counters.end() ? 0 : it->second.value;
}

}  // namespace

void RatioReporter::ReportRuns(const std::vector<Run>& runs) {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
        if (run.error_occurred) continue;
        const bool median = run.run_type == Run::RT_Aggregate;
        if (median && run.aggregate_name != "median") continue;
        const long size = std::atol(run.run_name.args.c_str());
        auto& row = m_figures[size];
        auto it = row.begin();
        while (it != row.end() && it->first != run.run_name.function_name) ++it;
        if (it == row.end()) it = row.insert(row.end(), {run.run_name.function_name, Figures()});
        if (it->second.median && !median) continue;
        it->second = Figures{run.GetAdjustedRealTime(), Counter(run, "bytes_per_second"),
                             Counter(run, "lines/s"), Counter(run, "nodes"), median};
    }
}

void RatioReporter::Finalize() {
    ConsoleReporter::Finalize();
    std::ostream& out = GetOutputStream();
    char line[160];
    out << "\n";
    std::snprintf(line, sizeof line, "%-10s %-14s %10s %10s %10s %10s %9s\n", "nodes", "benchmark", "ms",
                  "MB/s", "Mlines/s", "x memchr", "ns/node");
    out << line;
    for (const auto& [size, row] : m_figures) {
        for (const auto& [name, figures] : row) {
            double floor = 0;
            for (const auto& [floorName, floorFigures] : row)
                if (floorName == FloorOf(name)) floor = floorFigures.milliseconds;
            const double ratio = floor > 0 ? figures.milliseconds / floor : 0;
            std::snprintf(line, sizeof line, "%-10ld %-14s %10.1f %10.1f %10.2f %10.2f %9.0f\n", size,
                          name.c_str(), figures.milliseconds, figures.bytesPerSecond / 1e6,
                          figures.linesPerSecond / 1e6, ratio, figures.milliseconds * 1e6 / size);
            out << line;
        }
    }
    PrintScaling(out);
}

// Per-node cost at the largest size over that at the smallest: 1 means linear.
void RatioReporter::PrintScaling(std::ostream& out) const {
    if (m_figures.size() < 2) return;
    const auto& [smallSize, smallRow] = *m_figures.begin();
    const auto& [largeSize, largeRow] = *m_figures.rbegin();
    out << "\nper-node cost at " << largeSize << " over " << smallSize << " nodes:";
    for (const auto& [name, large] : largeRow) {
        for (const auto& [smallName, small] : smallRow) {
            if (smallName != name || small.milliseconds <= 0) continue;
            char figure[64];
            std::snprintf(figure, sizeof figure, " %s %.2f", name.c_str(),
                          (large.milliseconds / largeSize) / (small.milliseconds / smallSize));
            out << figure;
        }
    }
    out << "\n";
}

}  // namespace edbench
