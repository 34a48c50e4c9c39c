#include "shell/chart_views.h"

#include <algorithm>

#include <QColor>
#include <QString>

#include "model/value_format.h"
#include "model/value_text.h"
#include "widgets/number_pattern.h"

namespace shell {
namespace {

const QColor kPeakColour(0xFF, 0x00, 0x00);
const QColor kProcessColour(0x00, 0x00, 0xFF);

widgets::TChart* CreateChart(QWidget* parent, const QString& title, QColor colour) {
  auto* chart = new widgets::TChart(parent);
  // The marks are read at every label: they change with the user's regional settings.
  chart->SetLabelText([](double value) {
    return widgets::FormatGroupedDecimal(value, QChar(model::DecimalMark()),
                                         QChar(model::GroupingMark()));
  });
  chart->SetSameLabelText([](double a, double b) {
    char16_t first[model::kMaxFormattedValueLength];
    char16_t second[model::kMaxFormattedValueLength];
    const std::size_t length = model::FormatValueTo(a, first);
    return length == model::FormatValueTo(b, second) && std::equal(first, first + length, second);
  });
  widgets::TLineSeries& series = chart->Series();
  series.SetTitle(title);
  series.SetColor(colour);
  series.SetPointerVisible(false);
  series.SetPointerStyle(widgets::TLineSeries::PointerStyle::Rectangle);
  return chart;
}

}  // namespace

widgets::TChart* CreatePeakChart(QWidget* parent) {
  return CreateChart(parent, QStringLiteral("Peak"), kPeakColour);
}

widgets::TChart* CreateProcessChart(QWidget* parent) {
  return CreateChart(parent, QStringLiteral("LoadingProcess"), kProcessColour);
}

void DrawSequence(widgets::TLineSeries& series, const std::vector<double>& values) {
  series.SetValues(values);
}

}  // namespace shell
