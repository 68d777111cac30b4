#pragma once

#include <cstddef>

namespace du {

// The smallest prime in the host's prime sequence not below `n` (at least 2). Thread-safe.
size_t HashNextPrime(size_t n);

}  // namespace du
