#include "widgets/line_series.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdint>

#include "widgets/chart.h"

namespace widgets {
namespace {

// The storage grows by half its size at a time, so that it never holds more than half as
// many spare places as points (at most 24 bytes a point) while a refill of a million
// points still reallocates only a few dozen times.
constexpr std::size_t kInitialCapacity = 64;

// The huge page of x86-64, the size of memory that one page-table entry of the middle
// level maps.
constexpr std::uintptr_t kHugePageBytes = std::uintptr_t{2} << 20;

// Millions of points take hundreds of MiB, and faulting in their fresh pages one by one
// costs more than filling them: asks for huge pages, which fault once for 2 MiB, on the
// whole huge pages inside [data, data + bytes). A refusal leaves ordinary pages.
void AdviseHugePages(const void* data, std::size_t bytes) noexcept {
  const auto start = reinterpret_cast<std::uintptr_t>(data);
  const std::uintptr_t first = (start + kHugePageBytes - 1) & ~(kHugePageBytes - 1);
  const std::uintptr_t end = (start + bytes) & ~(kHugePageBytes - 1);
  if (end > first) ::madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE);
}

}  // namespace

TLineSeries::TLineSeries(TChart& chart) : chart_(chart) {}

void TLineSeries::SetTitle(const QString& title) { title_ = title; }

void TLineSeries::SetColor(QColor color) {
  color_ = color;
  // Lines and markers are drawn over each other pixel for pixel, which only opaque
  // colours allow.
  color_.setAlpha(255);
  Changed();
}

void TLineSeries::SetPointerVisible(bool visible) {
  pointerVisible_ = visible;
  Changed();
}

void TLineSeries::SetPointerStyle(enum PointerStyle style) {
  pointerStyle_ = style;
  Changed();
}

void TLineSeries::SetPointerSize(int size) {
  pointerSize_ = std::max(size, 0);
  Changed();
}

void TLineSeries::Clear() {
  points_.clear();
  Changed();
}

void TLineSeries::AddXY(double x, double y) {
  if (points_.size() == points_.capacity())
    points_.reserve(std::max(kInitialCapacity, points_.size() + points_.size() / 2));
  if (points_.empty()) {
    yRange_ = {y, y};
  } else {
    yRange_.minimum = std::min(yRange_.minimum, y);
    yRange_.maximum = std::max(yRange_.maximum, y);
  }
  if (points_.empty() || !(x < points_.back().x)) {
    points_.push_back({x, y});
  } else {
    const auto after =
        std::upper_bound(points_.begin(), points_.end(), x,
                         [](double value, const SeriesPoint& point) { return value < point.x; });
    points_.insert(after, {x, y});
  }
  Changed();
}

void TLineSeries::SetValues(std::span<const double> values) {
  points_.clear();
  if (points_.capacity() < values.size()) {
    points_ = std::vector<SeriesPoint>();
    points_.reserve(values.size());
    AdviseHugePages(points_.data(), values.size() * sizeof(SeriesPoint));
  }
  if (!values.empty()) yRange_ = {values.front(), values.front()};
  for (std::size_t position = 0; position < values.size(); ++position) {
    const double y = values[position];
    yRange_.minimum = std::min(yRange_.minimum, y);
    yRange_.maximum = std::max(yRange_.maximum, y);
    points_.push_back({static_cast<double>(position), y});
  }
  Changed();
}

void TLineSeries::Changed() { chart_.SeriesChanged(); }

}  // namespace widgets
