#pragma once

// The two chart views of the main window: the upper chart of the peak values and the lower
// chart of the loading process, each a position-value line chart whose axis labels follow
// the marks the window holds.

#include <vector>

#include <QWidget>

#include "model/value_marks.h"
#include "widgets/chart.h"

namespace shell {

// A chart of the window's look whose series is declared as the window layout declares it:
// title and colour set, markers hidden with the rectangle style, labels under marks. The
// window's construction then makes the markers visible as circles of their size.
// Series "Peak", red #FF0000:
widgets::TChart* CreatePeakChart(QWidget* parent, model::ValueMarks marks);
// Series "LoadingProcess", blue #0000FF:
widgets::TChart* CreateProcessChart(QWidget* parent, model::ValueMarks marks);

// Writes the chart's axis labels with the decimal mark of marks and its grouping mark
// between groups of three digits, from the next paint on.
void SetLabelMarks(widgets::TChart& chart, model::ValueMarks marks);

// Fills the series with one point per value (x = zero-based position, y = the value), all
// at once; the caller has cleared the series before.
void DrawSequence(widgets::TLineSeries& series, const std::vector<double>& values);

}  // namespace shell
