#pragma once

// The generation in a chosen implementation of the double-extended arithmetic.

#include <vector>

#include "model/generation.h"

namespace model::detail {

// GenerateLoadingProcess computed in E. Instantiated for SoftExtended and, where it
// exists, X87Extended, so that the two can be compared side by side;
// GenerateLoadingProcess itself is GenerateLoadingProcessIn<Extended>.
template <class E>
[[nodiscard]] GenerationOutcome GenerateLoadingProcessIn(const std::vector<double>& peakValues,
                                                         double spacing,
                                                         std::vector<double>& loadingProcess);

}  // namespace model::detail
