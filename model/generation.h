#pragma once

// Generation of the loading process from the peak values.
//
// Between each pair of neighbouring peaks a and b the segment is cut into n equal steps,
// n = |trunc((b - a) / s)| for the spacing s, and the n - 1 inner values are inserted.
// Every step runs in double-extended arithmetic; values are rounded to doubles only where
// they are stored.

#include <cstddef>
#include <vector>

namespace model {

// The largest number of steps into which one segment may be cut.
inline constexpr std::size_t kMaxSubdivisions = 500;

enum class GenerationStatus { Completed, LimitExceeded };

struct GenerationOutcome {
  GenerationStatus status;
  // The zero-based number of the segment that needed more than kMaxSubdivisions steps;
  // meaningful only for LimitExceeded.
  std::size_t segment;

  friend bool operator==(const GenerationOutcome&, const GenerationOutcome&) = default;
};

// Rebuilds loadingProcess from peakValues with the spacing |spacing|.
//
// The caller asks for it with at least three peaks. On Completed, loadingProcess holds
// every segment's run (its first peak and its inner values) and the last peak. On
// LimitExceeded at segment k it holds the runs of segments 0 ... k - 1, peak k and the
// last peak. A zero spacing raises EZeroDivide, or EInvalidOp when the first two peaks
// are equal (as does a NaN in the quotient), and leaves loadingProcess holding the first
// peak alone. peakValues is never modified.
//
// The values are counted before any is stored, so loadingProcess never grows step by
// step: storage that can hold the result is kept (a repeated generation touches no fresh
// memory), other storage is released and replaced by storage of exactly the result's
// length, whatever the outcome.
[[nodiscard]] GenerationOutcome GenerateLoadingProcess(const std::vector<double>& peakValues,
                                                       double spacing,
                                                       std::vector<double>& loadingProcess);

}  // namespace model
