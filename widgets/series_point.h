#pragma once

namespace widgets {

// One point of a chart series. Points carry neither labels nor colours of their own.
struct SeriesPoint {
  double x;
  double y;
};

}  // namespace widgets
