#pragma once

// The peaks of the benchmarks that measure a generation of a given size.

#include <algorithm>
#include <cstddef>
#include <vector>

namespace bench {

// Peaks 0, 500, 0, ... with spacing 1: 500 steps a segment, so count / 500 segments give
// count + 1 values (at least two segments, as the window needs three peaks).
inline std::vector<double> ZigzagPeaks(std::size_t count) {
  std::vector<double> peaks;
  const std::size_t segments = std::max<std::size_t>(count / 500, 2);
  for (std::size_t k = 0; k <= segments; ++k) peaks.push_back(k % 2 == 0 ? 0.0 : 500.0);
  return peaks;
}

}  // namespace bench
