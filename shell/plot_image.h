#pragma once

// A picture of the two charts for a report: the window's own charts, drawn off the screen
// into an image file's content.

#include <vector>

#include <QByteArray>
#include <QSize>
#include <QString>

#include "model/value_marks.h"

namespace shell {

enum class PlotFormat { Png, Svg };

// SVG for a name that ends in ".svg", in any case; PNG otherwise.
[[nodiscard]] PlotFormat PlotFormatOf(const QString& fileName);

// The window's splitter with its two charts, the peaks above and the process below, after a
// generation: filled as the commands fill them, labelled under marks and drawn at size
// pixels. Needs the application object. Raises std::bad_alloc when the image does not fit
// into memory, and EWriteError when its encoder fails.
[[nodiscard]] QByteArray RenderPlot(const std::vector<double>& peakValues,
                                    const std::vector<double>& loadingProcess, QSize size,
                                    PlotFormat format, model::ValueMarks marks);

}  // namespace shell
