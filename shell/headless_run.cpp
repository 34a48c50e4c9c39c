#include "shell/headless_run.h"

#include <unistd.h>

#include <cstdio>
#include <exception>
#include <optional>
#include <string>
#include <vector>

#include <QApplication>
#include <QByteArray>
#include <QLocale>

#include "model/file_content.h"
#include "model/generation.h"
#include "model/peak_import.h"
#include "model/process_export.h"
#include "model/spacing_advice.h"
#include "model/stream_io.h"
#include "model/unicode.h"
#include "model/value_format.h"
#include "model/value_text.h"
#include "shell/exception_handling.h"
#include "shell/main_window.h"
#include "shell/message_boxes.h"
#include "shell/plot_image.h"
#include "shell/protocol_peaks.h"
#include "shell/qt_messages.h"
#include "shell/regional_settings.h"
#include "shell/startup.h"

namespace shell {
namespace {

const QString kStandardStream = QStringLiteral("-");
// How the messages of a stream name standard input.
constexpr char16_t kStandardInputName[] = u"/dev/stdin";
const char kMessagePrefix[] = "loadgen: ";

// A stand-in for a control character, which could steer the terminal that shows the text:
// messages quote lines of the peak file.
constexpr char16_t kReplacementCharacter = u'\uFFFD';

void Tell(QString text) {
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  for (QChar& c : text) {
    const char16_t unit = c.unicode();
    const bool control = unit < u' ' || (unit >= 0x7F && unit <= 0x9F);
    if (control && unit != u'\t' && unit != u'\n') c = QChar(kReplacementCharacter);
  }
  const std::string line = kMessagePrefix + model::ToUtf8(text.toStdU16String()) + '\n';
  std::fputs(line.c_str(), stderr);
}

QString TextOf(double value, model::ValueMarks marks) {
  return QString::fromStdU16String(model::FormatValue(value, marks));
}

// The window's limit message, and what the script needs to do better: which segment failed
// and the spacing with which every segment passes.
QString LimitMessage(const std::vector<double>& peakValues, std::size_t segment,
                     model::ValueMarks marks) {
  return TForm1::kLimitWarning +
         QStringLiteral(
             " The segment from peak %1 (%2) to peak %3 (%4) needs more than %5 steps; "
             "every segment passes with a spacing of at least %6")
             .arg(segment + 1)
             .arg(TextOf(peakValues[segment], marks))
             .arg(segment + 2)
             .arg(TextOf(peakValues[segment + 1], marks))
             .arg(model::kMaxSubdivisions)
             .arg(QString::fromStdU16String(model::PassingSpacingText(peakValues, marks)));
}

// The marks the window would take, unless the command line names its own.
model::ValueMarks RequestedMarks(std::optional<char16_t> decimalMark,
                                 std::optional<char16_t> groupingMark) {
  model::ValueMarks marks = RegionalMarks(QLocale::system());
  if (decimalMark) marks.decimalMark = *decimalMark;
  if (groupingMark) marks.groupingMark = *groupingMark;
  return marks;
}

// A failure that ends the run; it has been told.
struct Stop {
  int exitCode;
};

// Runs a step as the window's command guards it: what the warning box would show is told,
// and ends the run; what the error box would show passes on to RunHeadless.
template <typename Step>
void GuardAsTheWindowDoes(Step step, GuardedStep kind = GuardedStep::Other) {
  if (!WarnOnFailure(step, Tell, kind)) throw Stop{kErrorExitCode};
}

std::vector<double> ImportPeaks(const QString& peakFile, model::ValueMarks marks) {
  std::vector<double> peakValues;
  std::vector<double> loadingProcess;
  GuardAsTheWindowDoes([&] {
    if (peakFile == kStandardStream) {
      model::ImportPeakStream(STDIN_FILENO, kStandardInputName, marks, peakValues, loadingProcess);
    } else {
      model::ImportPeakFile(peakFile.toStdU16String(), marks, peakValues, loadingProcess);
    }
  });
  return peakValues;
}

std::vector<double> Generate(const std::vector<double>& peakValues, const QString& spacingText,
                             model::ValueMarks marks) {
  // The window does nothing here; a script has to learn why.
  if (peakValues.size() < TForm1::kLeastPeaks) {
    const QString values =
        peakValues.size() == 1 ? QStringLiteral("value") : QStringLiteral("values");
    Tell(QStringLiteral("the peak file holds %1 %2; at least %3 are needed")
             .arg(peakValues.size())
             .arg(values)
             .arg(TForm1::kLeastPeaks));
    throw Stop{kErrorExitCode};
  }
  double spacing = 0;
  GuardAsTheWindowDoes([&] { spacing = model::ReadValue(spacingText.toStdU16String(), marks); });
  std::vector<double> loadingProcess;
  // A zero spacing ends the run here with an arithmetic fault, for the error box.
  const model::GenerationOutcome outcome =
      model::GenerateLoadingProcess(peakValues, spacing, loadingProcess);
  if (outcome.status == model::GenerationStatus::LimitExceeded) {
    Tell(LimitMessage(peakValues, outcome.segment, marks));
    throw Stop{kLimitExitCode};
  }
  return loadingProcess;
}

// Writes the values as the window's export writes the loading process.
void Export(const std::vector<double>& values, const QString& output, model::ValueMarks marks) {
  GuardAsTheWindowDoes(
      [&] {
        if (output == kStandardStream) {
          model::ExportLoadingProcessTo(STDOUT_FILENO, values, marks);
        } else {
          model::ExportLoadingProcess(output.toStdU16String(), values, marks);
        }
      },
      GuardedStep::WritesFile);
}

// Qt's own notes about its environment (a runtime folder not set, for instance) are not
// for a script reading our standard error; only what stops Qt is told.
void TellQtFailuresOnly(QtMsgType type, const QMessageLogContext&, const QString& message) {
  if (type == QtCriticalMsg || type == QtFatalMsg) Tell(message);
}

void Plot(const std::vector<double>& peakValues, const std::vector<double>& loadingProcess,
          const GenerationRequest& request, model::ValueMarks marks) {
  // Whatever display the environment names stays untouched, and so does the desktop's
  // theme, which would need one.
  qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("offscreen"));
  qunsetenv("QT_QPA_PLATFORMTHEME");
  const QtMessageScope messages(TellQtFailuresOnly);
  int argc = 1;
  char program[] = "loadgen";
  char* argv[] = {program, nullptr};
  const QApplication application(argc, argv);
  PrepareApplication();
  const QByteArray image =
      RenderPlot(peakValues, loadingProcess, request.plotSize, PlotFormatOf(*request.plot), marks);
  GuardAsTheWindowDoes(
      [&] {
        model::WriteFileContent(
            request.plot->toStdU16String(),
            std::string_view(image.constData(), static_cast<std::size_t>(image.size())));
      },
      GuardedStep::WritesFile);
}

// Runs the steps to their end; returns 0, or the exit code of the failure that ended them,
// which has been told.
template <typename Steps>
int RunTelling(Steps steps) noexcept {
  try {
    steps();
    return 0;
  } catch (const Stop& stop) {
    return stop.exitCode;
  } catch (...) {
    // What the application error box shows for an error that no command guards against.
    try {
      Tell(detail::WithClosingFullStop(
          QString::fromStdU16String(ErrorOf(std::current_exception()).Message())));
    } catch (...) {
    }
    return kErrorExitCode;
  }
}

}  // namespace

int RunHeadless(const QString& peakFile, const GenerationRequest& request) noexcept {
  return RunTelling([&peakFile, &request] {
    const model::ValueMarks marks = RequestedMarks(request.decimalMark, request.groupingMark);
    const std::vector<double> peakValues = ImportPeaks(peakFile, marks);
    const std::vector<double> loadingProcess = Generate(peakValues, request.spacing, marks);
    Export(loadingProcess, request.output, marks);
    if (request.plot) Plot(peakValues, loadingProcess, request, marks);
  });
}

int RunProtocol(const ProtocolRequest& request) noexcept {
  return RunTelling([&request] {
    const model::ValueMarks marks = RequestedMarks(request.decimalMark, request.groupingMark);
    const ProtocolPeaks peaks = ReadProtocolPeaks(request, marks);
    if (!peaks.fault.isEmpty()) {
      std::fputs(UsageErrorText(peaks.fault).toLocal8Bit().constData(), stderr);
      throw Stop{kUsageErrorExitCode};
    }
    Export(peaks.peakValues, request.output, marks);
  });
}

}  // namespace shell
