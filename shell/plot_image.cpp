#include "shell/plot_image.h"

#include <new>

#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <QSvgGenerator>

#include "model/errors.h"
#include "shell/chart_views.h"
#include "shell/main_window.h"
#include "widgets/chart.h"
#include "widgets/splitter.h"

namespace shell {
namespace {

const QString kSvgSuffix = QStringLiteral(".svg");
// CSS pixels, so that an SVG viewer shows the picture at the size asked for.
constexpr int kSvgResolution = 96;
const QString kSvgTitle = QStringLiteral("Loading process");
// The window's controls that make the picture, by their object names.
const QString kChartsName = QStringLiteral("rzspltr1");
const QString kPeakChartName = QStringLiteral("cht1");
const QString kProcessChartName = QStringLiteral("cht2");

QByteArray PngOf(QWidget& charts, QSize size) {
  QImage image(size, QImage::Format_RGB32);
  if (image.isNull()) throw std::bad_alloc();
  image.setDevicePixelRatio(1);
  charts.render(&image);
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  if (!image.save(&buffer, "PNG")) throw model::EWriteError();
  return bytes;
}

QByteArray SvgOf(QWidget& charts, QSize size) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  QSvgGenerator generator;
  generator.setOutputDevice(&buffer);
  generator.setSize(size);
  generator.setViewBox(QRect(QPoint(0, 0), size));
  generator.setResolution(kSvgResolution);
  generator.setTitle(kSvgTitle);
  {
    QPainter painter(&generator);
    charts.render(&painter);
  }
  return bytes;
}

}  // namespace

PlotFormat PlotFormatOf(const QString& fileName) {
  return fileName.endsWith(kSvgSuffix, Qt::CaseInsensitive) ? PlotFormat::Svg : PlotFormat::Png;
}

QByteArray RenderPlot(const std::vector<double>& peakValues,
                      const std::vector<double>& loadingProcess, QSize size, PlotFormat format,
                      model::ValueMarks marks) {
  // The window itself, so that the charts look as it draws them. Shown, though never on a
  // screen, so that it lays out its controls at once, and the charts keep the size they
  // are given afterwards.
  TForm1 form(marks);
  form.setAttribute(Qt::WA_DontShowOnScreen);
  form.show();
  DrawSequence(form.findChild<widgets::TChart*>(kPeakChartName)->Series(), peakValues);
  DrawSequence(form.findChild<widgets::TChart*>(kProcessChartName)->Series(), loadingProcess);
  widgets::TRzSplitter& charts = *form.findChild<widgets::TRzSplitter*>(kChartsName);
  charts.resize(size);
  return format == PlotFormat::Svg ? SvgOf(charts, size) : PngOf(charts, size);
}

}  // namespace shell
