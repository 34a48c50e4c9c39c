#pragma once

// The generation in a chosen implementation of the double-extended arithmetic, and its
// rule for cutting one segment, which the spacing advice follows too.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "model/generation.h"

namespace model::detail {

// trunc(|q|) > kMaxSubdivisions exactly when |q| >= kMaxSubdivisions + 1; comparing before
// any integer conversion keeps quotients up to about 1e632 well defined.
template <class E>
inline constexpr E kFirstExcessiveQuotient = E::FromInteger(kMaxSubdivisions + 1);

// What stops the walk over the segments at a segment, if anything.
enum class Stop { None, LimitExceeded, ZeroDivide, InvalidOp };

struct Subdivision {
  Stop stop;
  // The subdivision number n; meaningful only when nothing stops the walk.
  std::size_t steps;
};

// The subdivision number of a segment whose peaks lie difference apart, or what stops the
// generation there. Counting, filling and the spacing advice all ask this, so they agree
// on every segment.
template <class E>
[[nodiscard]] Subdivision SubdivisionOf(E difference, E spacing) noexcept {
  if (spacing.IsZero()) {
    return {difference.IsZero() || difference.IsNaN() ? Stop::InvalidOp : Stop::ZeroDivide, 0};
  }
  const E quotient = (difference / spacing).Abs();
  if (quotient.IsNaN()) return {Stop::InvalidOp, 0};
  if (quotient >= kFirstExcessiveQuotient<E>) return {Stop::LimitExceeded, 0};
  return {Stop::None, static_cast<std::size_t>(quotient.Truncate().ToUInt64())};
}

// GenerateLoadingProcess computed in E. Instantiated for SoftExtended and, where it
// exists, X87Extended, so that the two can be compared side by side;
// GenerateLoadingProcess itself is GenerateLoadingProcessIn<Extended>.
template <class E>
[[nodiscard]] GenerationOutcome GenerateLoadingProcessIn(const std::vector<double>& peakValues,
                                                         double spacing,
                                                         std::vector<double>& loadingProcess);

}  // namespace model::detail
