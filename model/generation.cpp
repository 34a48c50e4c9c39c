#include "model/generation.h"

#include <algorithm>
#include <cstdint>

#include "model/errors.h"
#include "model/extended.h"
#include "model/generation_internal.h"
#include "model/large_storage.h"

namespace model {
namespace {

using detail::Stop;
using detail::Subdivision;
using detail::SubdivisionOf;

// b - a of segment k.
template <class E>
E DifferenceOf(const std::vector<double>& peakValues, std::size_t k) noexcept {
  return E(peakValues[k + 1]) - E(peakValues[k]);
}

// Where the generation will stop and how many values it will have appended by then.
struct Plan {
  // The segment that stops the walk, or the number of segments when none does.
  std::size_t stopSegment;
  Stop stop;
  std::size_t length;
};

template <class E>
Plan PlanGeneration(const std::vector<double>& peakValues, E spacing) noexcept {
  std::size_t length = 0;
  for (std::size_t k = 0; k + 1 < peakValues.size(); ++k) {
    const Subdivision subdivision = SubdivisionOf(DifferenceOf<E>(peakValues, k), spacing);
    switch (subdivision.stop) {
      case Stop::None:
        length += std::max<std::size_t>(subdivision.steps, 1);
        break;
      case Stop::LimitExceeded:
        // The segment's first peak and the last peak.
        return {k, subdivision.stop, length + 2};
      case Stop::ZeroDivide:
      case Stop::InvalidOp:
        // The segment's first peak alone.
        return {k, subdivision.stop, length + 1};
    }
  }
  // Every segment's run and the last peak.
  return {peakValues.size() - 1, Stop::None, length + 1};
}

// Appends the n - 1 inner values of the segment from a to b, cut into n steps.
template <class E>
void AppendInnerValues(double a, E difference, std::size_t n, std::vector<double>& loadingProcess) {
  const double step = (difference / E::FromInteger(static_cast<std::uint64_t>(n))).ToDouble();
  const std::size_t first = loadingProcess.size();
  loadingProcess.resize(first + n - 1);
  // a + j * step for j = 1 ... n - 1, each in double-extended, rounded to a double.
  E::StepValues(a, step, n - 1, loadingProcess.data() + first);
}

}  // namespace

template <class E>
GenerationOutcome detail::GenerateLoadingProcessIn(const std::vector<double>& peakValues,
                                                   double spacing,
                                                   std::vector<double>& loadingProcess) {
  // Only a negative spacing is negated, so that -0 stays a zero divisor like +0.
  const E s = spacing < 0 ? -E(spacing) : E(spacing);
  if (peakValues.empty()) {
    loadingProcess.clear();
    return {GenerationStatus::Completed, 0};
  }
  const Plan plan = PlanGeneration(peakValues, s);
  PrepareStorage(loadingProcess, plan.length);

  for (std::size_t k = 0; k < plan.stopSegment; ++k) {
    const double a = peakValues[k];
    loadingProcess.push_back(a);
    const E difference = DifferenceOf<E>(peakValues, k);
    const std::size_t n = SubdivisionOf(difference, s).steps;
    if (n >= 2) AppendInnerValues(a, difference, n, loadingProcess);
  }
  if (plan.stop != Stop::None) loadingProcess.push_back(peakValues[plan.stopSegment]);
  if (plan.stop == Stop::ZeroDivide) throw EZeroDivide();
  if (plan.stop == Stop::InvalidOp) throw EInvalidOp();
  loadingProcess.push_back(peakValues.back());
  if (plan.stop == Stop::LimitExceeded) {
    return {GenerationStatus::LimitExceeded, plan.stopSegment};
  }
  return {GenerationStatus::Completed, 0};
}

template GenerationOutcome detail::GenerateLoadingProcessIn<SoftExtended>(
    const std::vector<double>& peakValues, double spacing, std::vector<double>& loadingProcess);
#ifdef LOADGEN_HAS_X87_EXTENDED
template GenerationOutcome detail::GenerateLoadingProcessIn<X87Extended>(
    const std::vector<double>& peakValues, double spacing, std::vector<double>& loadingProcess);
#endif

GenerationOutcome GenerateLoadingProcess(const std::vector<double>& peakValues, double spacing,
                                         std::vector<double>& loadingProcess) {
  return detail::GenerateLoadingProcessIn<Extended>(peakValues, spacing, loadingProcess);
}

}  // namespace model
