#include "ProcessMemory.h"

#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>

namespace edload {

std::optional<double> ResidentMemory() {
    std::FILE* statm = std::fopen("/proc/self/statm", "r");
    if (!statm) return std::nullopt;
    unsigned long size = 0, resident = 0;
    const bool read = std::fscanf(statm, "%lu %lu", &size, &resident) == 2;
    std::fclose(statm);
    if (!read) return std::nullopt;
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / (1024 * 1024);
}

std::optional<double> PeakMemory() {
    rusage usage{};
    if (getrusage(RUSAGE_SELF, &usage) != 0) return std::nullopt;
    return static_cast<double>(usage.ru_maxrss) / 1024;  // ru_maxrss is in KiB
}

}  // namespace edload
