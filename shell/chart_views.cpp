#include "shell/chart_views.h"

#include <algorithm>

#include <QColor>
#include <QString>

#include "model/value_format.h"
#include "widgets/number_pattern.h"

namespace shell {
namespace {

const QColor kPeakColour(0xFF, 0x00, 0x00);
const QColor kProcessColour(0x00, 0x00, 0xFF);

widgets::TChart* CreateChart(QWidget* parent, const QString& title, QColor colour,
                             model::ValueMarks marks) {
  auto* chart = new widgets::TChart(parent);
  SetLabelMarks(*chart, marks);
  widgets::TLineSeries& series = chart->Series();
  series.SetTitle(title);
  series.SetColor(colour);
  series.SetPointerVisible(false);
  series.SetPointerStyle(widgets::TLineSeries::PointerStyle::Rectangle);
  return chart;
}

}  // namespace

widgets::TChart* CreatePeakChart(QWidget* parent, model::ValueMarks marks) {
  return CreateChart(parent, QStringLiteral("Peak"), kPeakColour, marks);
}

widgets::TChart* CreateProcessChart(QWidget* parent, model::ValueMarks marks) {
  return CreateChart(parent, QStringLiteral("LoadingProcess"), kProcessColour, marks);
}

void SetLabelMarks(widgets::TChart& chart, model::ValueMarks marks) {
  chart.SetLabelText([marks](double value) {
    return widgets::FormatGroupedDecimal(value, QChar(marks.decimalMark),
                                         QChar(marks.groupingMark));
  });
  chart.SetSameLabelText([marks](double a, double b) {
    char16_t first[model::kMaxFormattedValueLength];
    char16_t second[model::kMaxFormattedValueLength];
    const std::size_t length = model::FormatValueTo(a, marks, first);
    return length == model::FormatValueTo(b, marks, second) &&
           std::equal(first, first + length, second);
  });
}

void DrawSequence(widgets::TLineSeries& series, const std::vector<double>& values) {
  series.SetValues(values);
}

}  // namespace shell
