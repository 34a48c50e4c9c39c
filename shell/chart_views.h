#pragma once

// The two chart views of the main window: the upper chart of the peak values and the lower
// chart of the loading process, each a position-value line chart whose axis labels follow
// the user's decimal and grouping marks.

#include <vector>

#include <QWidget>

#include "widgets/chart.h"

namespace shell {

// A chart of the window's look whose series is declared as the window layout declares it:
// title and colour set, markers hidden with the rectangle style. The window's construction
// then makes the markers visible as circles of their size.
widgets::TChart* CreatePeakChart(QWidget* parent);     // series "Peak", red #FF0000
widgets::TChart* CreateProcessChart(QWidget* parent);  // series "LoadingProcess", blue #0000FF

// Fills the series with one point per value (x = zero-based position, y = the value), all
// at once; the caller has cleared the series before.
void DrawSequence(widgets::TLineSeries& series, const std::vector<double>& values);

}  // namespace shell
