#include "model/generation.h"

#include "model/errors.h"
#include "model/extended.h"
#include "model/generation_internal.h"

namespace model {
namespace {

// trunc(|q|) > MaxSubdivisions exactly when |q| >= MaxSubdivisions + 1; comparing before
// any integer conversion keeps quotients up to about 1e632 well defined.
template <class E>
constexpr E kFirstExcessiveQuotient = E::FromInteger(MaxSubdivisions + 1);

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
  loadingProcess.clear();
  if (peakValues.empty()) return {GenerationStatus::Completed, 0};

  GenerationOutcome outcome{GenerationStatus::Completed, 0};
  for (std::size_t k = 0; k + 1 < peakValues.size(); ++k) {
    const double a = peakValues[k];
    const double b = peakValues[k + 1];
    loadingProcess.push_back(a);

    const E difference = E(b) - E(a);
    if (s.IsZero()) {
      if (difference.IsZero() || difference.IsNaN()) throw EInvalidOp();
      throw EZeroDivide();
    }
    const E quotient = (difference / s).Abs();
    if (quotient.IsNaN()) throw EInvalidOp();
    if (quotient >= kFirstExcessiveQuotient<E>) {
      outcome = {GenerationStatus::LimitExceeded, k};
      break;
    }
    const auto n = static_cast<std::size_t>(quotient.Truncate().ToUInt64());
    if (n >= 2) AppendInnerValues(a, difference, n, loadingProcess);
  }
  loadingProcess.push_back(peakValues.back());
  return outcome;
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
