#pragma once

#include <optional>

namespace edload {

// Memory of this process in MiB; none where the system does not tell.
// What is resident now.
std::optional<double> ResidentMemory();
// The most that was resident at any time so far.
std::optional<double> PeakMemory();

}  // namespace edload
