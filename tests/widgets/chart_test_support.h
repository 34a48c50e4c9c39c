#pragma once

// Looking at a chart the way a person does: rendered into an image, by its colours.

#include <limits>
#include <vector>

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPalette>
#include <QRect>
#include <QString>

#include "widgets/chart.h"

namespace chart_test {

inline QImage Render(widgets::TChart& chart) {
  QImage image(chart.size(), QImage::Format_RGB32);
  chart.render(&image);
  return image;
}

inline QColor Background(const widgets::TChart& chart) {
  return chart.palette().color(QPalette::Button);
}

// The pixels of region whose colour differs from background.
inline QRect InkBounds(const QImage& image, const QRect& region, QColor background) {
  QRect bounds;
  const QRect inside = region & image.rect();
  for (int y = inside.top(); y <= inside.bottom(); ++y)
    for (int x = inside.left(); x <= inside.right(); ++x)
      if (image.pixelColor(x, y) != background) bounds |= QRect(x, y, 1, 1);
  return bounds;
}

// The pixels of region that have exactly colour.
inline std::vector<QPoint> PixelsOf(const QImage& image, const QRect& region, QColor colour) {
  std::vector<QPoint> pixels;
  const QRect inside = region & image.rect();
  for (int y = inside.top(); y <= inside.bottom(); ++y)
    for (int x = inside.left(); x <= inside.right(); ++x)
      if (image.pixelColor(x, y) == colour) pixels.emplace_back(x, y);
  return pixels;
}

// The ink of text as the chart's label font draws it on background, cut to its bounds.
inline QImage TextInk(const QString& text, const QFont& font, QColor background) {
  QImage image(200, 60, QImage::Format_RGB32);
  image.fill(background);
  {
    QPainter painter(&image);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(20, 40, text);
  }
  return image.copy(InkBounds(image, image.rect(), background));
}

// Groups of ink in a horizontal strip, split where at least minimumGap columns are blank,
// each cut to its bounds: the labels of a bottom axis.
inline std::vector<QImage> InkGroups(const QImage& image, const QRect& strip, QColor background,
                                     int minimumGap) {
  std::vector<QImage> groups;
  int groupStart = -1;
  int lastInk = -1;
  const auto close = [&] {
    if (groupStart < 0) return;
    const QRect columns(groupStart, strip.top(), lastInk - groupStart + 1, strip.height());
    groups.push_back(image.copy(InkBounds(image, columns, background)));
  };
  for (int x = strip.left(); x <= strip.right(); ++x) {
    if (InkBounds(image, QRect(x, strip.top(), 1, strip.height()), background).isEmpty()) continue;
    if (groupStart >= 0 && x - lastInk > minimumGap) {
      close();
      groupStart = -1;
    }
    if (groupStart < 0) groupStart = x;
    lastInk = x;
  }
  close();
  return groups;
}

// A 300 x 200 chart with circle markers whose values span the whole range of the doubles:
// the lowest, the highest and 0.
inline void ShowTheWidestValues(widgets::TChart& chart) {
  chart.resize(300, 200);
  chart.Series().SetPointerVisible(true);
  chart.Series().SetPointerStyle(widgets::TLineSeries::PointerStyle::Circle);
  chart.Series().SetPointerSize(3);
  const double largest = std::numeric_limits<double>::max();
  chart.Series().AddXY(0, -largest);
  chart.Series().AddXY(1, largest);
  chart.Series().AddXY(2, 0);
}

}  // namespace chart_test
