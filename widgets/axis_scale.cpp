#include "widgets/axis_scale.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace widgets {
namespace {

// The separation between labels, in per cent of the label size.
constexpr double kLabelSeparationPercent = 10;
// Candidate steps of at least this range width never count as fractions of positions.
constexpr double kWholePositionRangeWidth = 1.1;
// More labels than this would only fill the axis with ink.
constexpr double kMaximumLabelCount = 10000;
// The tolerance that keeps a label at a minimum of 0 despite rounding in the steps.
constexpr double kLowerBoundTolerance = 1e-12;

constexpr double kLargest = std::numeric_limits<double>::max();

// Rounds to the nearest whole number, a tie going to the even one.
double RoundHalfEven(double value) noexcept { return std::nearbyint(value); }

bool EqualWithinResolution(double a, double b) noexcept {
  return std::fabs(a - b) <=
         std::numeric_limits<double>::epsilon() * std::max(std::fabs(a), std::fabs(b));
}

}  // namespace

double ClampFinite(double value) noexcept { return std::clamp(value, -kLargest, kLargest); }

AxisRange ShiftedRange(AxisRange range, double shift) noexcept {
  const AxisRange moved{range.minimum + shift, range.maximum + shift};
  if (std::isfinite(moved.minimum) && std::isfinite(moved.maximum)) return moved;
  // In halves the room up to the edge is finite for every range.
  const double halfRoom =
      shift > 0 ? kLargest * 0.5 - range.maximum * 0.5 : -kLargest * 0.5 - range.minimum * 0.5;
  return {ClampFinite(2 * (range.minimum * 0.5 + halfRoom)),
          ClampFinite(2 * (range.maximum * 0.5 + halfRoom))};
}

AxisMapping::AxisMapping(AxisRange range, int start, int end) noexcept
    : range_(range), start_(start), end_(end) {
  const double halfWidth = range.maximum * 0.5 - range.minimum * 0.5;
  if (halfWidth > 0) pixelsPerHalfValue_ = static_cast<double>(end - start) / halfWidth;
}

double AxisMapping::Value(double position) const noexcept {
  if (pixelsPerHalfValue_ == 0) return range_.minimum;
  return 2 * (range_.minimum * 0.5 + (position - start_) / pixelsPerHalfValue_);
}

AxisRange WidenForMarkers(AxisRange dataRange, int axisLength, int margin) noexcept {
  const int shrunkLength = axisLength - 2 * margin;
  const double halfWidth = dataRange.maximum * 0.5 - dataRange.minimum * 0.5;
  if (margin <= 0 || shrunkLength <= 0 || !(halfWidth > 0)) return dataRange;
  const double widening = 2 * (halfWidth / shrunkLength * margin);
  return {ClampFinite(dataRange.minimum - widening), ClampFinite(dataRange.maximum + widening)};
}

int LabelsThatFit(int axisLength, int labelSize) noexcept {
  if (axisLength <= 0 || labelSize <= 0) return 1;
  const double separation = RoundHalfEven(labelSize * kLabelSeparationPercent / 100);
  return static_cast<int>(RoundHalfEven(axisLength / (labelSize + separation)));
}

double LabelStep(double rangeWidth, int labelsThatFit,
                 std::optional<std::size_t> pointsOnAxis) noexcept {
  if (labelsThatFit < 1) return kMinimumLabelStep;
  const auto fit = static_cast<std::size_t>(labelsThatFit);
  double step = 1;
  if (rangeWidth != 0) {
    step = rangeWidth / (labelsThatFit + 1);
    if (rangeWidth >= kWholePositionRangeWidth && pointsOnAxis && *pointsOnAxis <= fit)
      step = std::max(step, 1.0);
  }
  // A width too small for any step of its own: the floor below takes over.
  if (!(step > 0)) step = kMinimumLabelStep;
  while (RoundHalfEven(rangeWidth / step) > labelsThatFit && step <= rangeWidth) {
    step = NextLabelStep(step);
    if (std::isinf(step)) step = rangeWidth;
  }
  return std::max(step, kMinimumLabelStep);
}

double NextLabelStep(double step) noexcept {
  if (!(step > 0) || !std::isfinite(step)) return step;
  // The same divisions and multiplications, in the same order, as stepping by decades
  // down to [1, 10) and back.
  int decadesDown = 0;
  while (step >= 10) {
    step /= 10;
    ++decadesDown;
  }
  int decadesUp = 0;
  while (step < 1) {
    step *= 10;
    ++decadesUp;
  }
  double next = step < 2 ? 2 : step < 5 ? 5 : 10;
  for (; decadesUp > 0; --decadesUp) next /= 10;
  for (; decadesDown > 0; --decadesDown) next *= 10;
  return next;
}

double MiddleLabelValue(AxisRange range) noexcept {
  double middle = range.minimum * 0.5 + range.maximum * 0.5;
  while (std::isfinite(middle) && middle != 0 && middle == std::trunc(middle)) middle /= 2;
  return middle;
}

std::vector<double> LabelValues(AxisRange range, double step, const SameLabelText& sameText) {
  const double width = range.maximum - range.minimum;
  if (!(step > 0) || !(width / step < kMaximumLabelCount)) return {};

  double first = std::floor(range.maximum / step) * step;
  if (first > range.maximum) first -= step;
  if (sameText(range.minimum, range.maximum)) first = range.maximum;
  const double lowerBound =
      range.minimum < 0 ? range.minimum
                        : (range.minimum - kLowerBoundTolerance) / (1 + kLowerBoundTolerance);
  if (first < lowerBound) return {};
  if (width == 0 || EqualWithinResolution(range.minimum, range.maximum) ||
      sameText(first, first - step))
    return {first};

  std::vector<double> values;
  for (double value = first; value >= lowerBound;
       value = first - static_cast<double>(values.size()) * step)
    values.push_back(value);
  return values;
}

}  // namespace widgets
