#pragma once

// How a chart axis scales itself and where it puts its labels. Every function is a pure
// rule on numbers; the chart supplies the pixel lengths and the label texts.

#include <cstddef>
#include <functional>
#include <optional>
#include <vector>

namespace widgets {

// The values at the two ends of an axis.
struct AxisRange {
  double minimum = 0;
  double maximum = 0;

  friend bool operator==(const AxisRange&, const AxisRange&) = default;
};

// Maps the values of an axis to device pixel positions: minimum lands on start and maximum
// on end (end lies above start on a vertical axis, so end < start is allowed). A range of
// width zero puts every value at the middle. Works for every finite range, even one whose
// width exceeds the largest double.
class AxisMapping {
 public:
  AxisMapping() = default;
  AxisMapping(AxisRange range, int start, int end) noexcept;

  AxisRange Range() const noexcept { return range_; }
  int Start() const noexcept { return start_; }
  int End() const noexcept { return end_; }

  // The unrounded position of value.
  double Position(double value) const noexcept {
    if (pixelsPerHalfValue_ == 0) return (start_ + end_) * 0.5;
    return start_ + (value * 0.5 - range_.minimum * 0.5) * pixelsPerHalfValue_;
  }
  // The value at a position; the inverse of Position on a range of nonzero width.
  double Value(double position) const noexcept;

 private:
  AxisRange range_;
  int start_ = 0;
  int end_ = 0;
  // Pixels per half value unit: the halves keep the width of ranges near the limits of
  // the doubles finite.
  double pixelsPerHalfValue_ = 0;
};

// value limited to the finite doubles.
[[nodiscard]] double ClampFinite(double value) noexcept;

// range moved by shift, or as far towards it as the finite doubles reach, keeping its
// width: scrolling never leaves the doubles nor squeezes the range.
[[nodiscard]] AxisRange ShiftedRange(AxisRange range, double shift) noexcept;

// The axis range that maps dataRange exactly onto the axis length shrunk by margin pixels
// at both ends, so that the markers at the extreme values lie wholly inside the plot area.
// A data range of width zero, or a length that leaves no room for the margins, is kept as
// it is. The ends are clamped to the finite doubles.
[[nodiscard]] AxisRange WidenForMarkers(AxisRange dataRange, int axisLength, int margin) noexcept;

// How many labels of labelSize pixels, each followed by a separation of a tenth of its
// size, fit along axisLength pixels; 1 when either size is not positive.
[[nodiscard]] int LabelsThatFit(int axisLength, int labelSize) noexcept;

// The smallest step at which labels are drawn on the whole axis.
inline constexpr double kMinimumLabelStep = 1e-12;

// The distance between neighbouring labels on an axis whose range is rangeWidth wide and
// which has room for labelsThatFit labels: the first value of the sequence ..., 0.1, 0.2,
// 0.5, 1, 2, 5, 10, ... at or above rangeWidth / (labelsThatFit + 1) that gives no more
// labels than fit. pointsOnAxis is the number of points whose values lie on this axis, for
// an axis of positions: when there are no more of them than labels fit, positions are not
// labelled in fractions.
[[nodiscard]] double LabelStep(double rangeWidth, int labelsThatFit,
                               std::optional<std::size_t> pointsOnAxis) noexcept;

// The next larger label step after step (positive and finite): 1 -> 2 -> 5 -> 10 -> 20,
// 0.1 -> 0.2 -> 0.5 -> 1.
[[nodiscard]] double NextLabelStep(double step) noexcept;

// A value whose label is as wide as the widest label of the range is likely to be: the
// mean of the ends, halved while it is a nonzero whole number so that it has decimals.
[[nodiscard]] double MiddleLabelValue(AxisRange range) noexcept;

// Whether two values give the same label text.
using SameLabelText = std::function<bool(double, double)>;

// The label values of an axis at the given step, from the top down: the largest multiple
// of step not above the maximum (the maximum itself when the two ends read the same), then
// one step lower each, down to the minimum. A single label when the range has no width to
// show or neighbouring labels would read the same; none when there would be 10,000 or more.
[[nodiscard]] std::vector<double> LabelValues(AxisRange range, double step,
                                              const SameLabelText& sameText);

}  // namespace widgets
