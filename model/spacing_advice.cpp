#include "model/spacing_advice.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "model/extended.h"
#include "model/generation_internal.h"
#include "model/value_format.h"
#include "model/value_text.h"

namespace model {
namespace {

// FormatValue writes this many significant digits.
constexpr int kSignificantDigits = 15;

// The segment with the largest quotient under any spacing: rounding keeps the order of the
// differences, so a spacing that passes it passes every segment.
Extended WidestDifference(const std::vector<double>& peakValues) {
  Extended widest;
  for (std::size_t k = 0; k + 1 < peakValues.size(); ++k) {
    widest = std::max(widest, (Extended(peakValues[k + 1]) - Extended(peakValues[k])).Abs());
  }
  return widest;
}

bool Passes(Extended widestDifference, double spacing) {
  return detail::SubdivisionOf(widestDifference, Extended(spacing)).stop == detail::Stop::None;
}

// A value whose 15-digit text is the next one above that of value.
double NextTextAbove(double value, ValueMarks marks) {
  if (value == 0) return std::numeric_limits<double>::denorm_min();
  const std::u16string text = FormatValue(value, marks);
  // One unit of the last written digit; too small when log10 lands just below a power of
  // ten, which the loop makes good.
  double step = std::pow(10.0, std::floor(std::log10(value)) - (kSignificantDigits - 1));
  for (;;) {
    double next = value + step;
    // Below the normal range a unit of the fifteenth digit may be less than a double's.
    if (next == value) next = std::nextafter(value, std::numeric_limits<double>::infinity());
    if (FormatValue(next, marks) != text) return next;
    step *= 10;
  }
}

}  // namespace

std::u16string PassingSpacingText(const std::vector<double>& peakValues, ValueMarks marks) {
  const Extended widest = WidestDifference(peakValues);
  // The exact bound fails; the spacings just above it pass.
  double candidate = (widest / detail::kFirstExcessiveQuotient<Extended>).ToDouble();
  for (;;) {
    std::u16string text = FormatValue(candidate, marks);
    const double reading = ReadValue(text, marks);
    if (Passes(widest, reading)) return text;
    candidate = NextTextAbove(reading, marks);
  }
}

}  // namespace model
