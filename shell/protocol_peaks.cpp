#include "shell/protocol_peaks.h"

#include <optional>
#include <string>

#include "model/errors.h"
#include "model/loading_protocol.h"
#include "model/value_text.h"

namespace shell {
namespace {

constexpr double kDefaultScale = 1;
constexpr double kDefaultRatio = 1.4;
constexpr int kDefaultSteps = 10;
constexpr int kDefaultCycles = 2;

// The value of an option's text, or the fault that names the option.
struct OptionValue {
  double value = 0;
  QString fault;
};

OptionValue ReadOptionValue(const QString& option, const std::optional<QString>& text,
                            double fallback, model::ValueMarks marks) {
  if (!text) return {fallback, {}};
  try {
    return {model::ReadValue(text->toStdU16String(), marks), {}};
  } catch (const model::Exception& error) {
    return {0, option + QStringLiteral(": ") + QString::fromStdU16String(error.Message())};
  }
}

struct OptionCount {
  int count = 0;
  QString fault;
};

OptionCount ReadOptionCount(const QString& option, const std::optional<QString>& text,
                            int fallback) {
  if (!text) return {fallback, {}};
  const std::optional<int> count = model::ReadProtocolCount(text->toStdU16String());
  if (!count) {
    return {0, QStringLiteral("%1 takes a whole number from 1 to %2, not '%3'")
                   .arg(option)
                   .arg(model::kMaxProtocolCount)
                   .arg(*text)};
  }
  return {*count, {}};
}

ProtocolPeaks Expanded(const model::ProtocolReading& reading, const QString& option) {
  if (!reading.fault.empty()) {
    return {{}, option + QStringLiteral(": ") + QString::fromStdU16String(reading.fault)};
  }
  return {model::ExpandProtocol(reading.steps), {}};
}

ProtocolPeaks ReadFema461(const ProtocolRequest& request, model::ValueMarks marks) {
  const QString largestOption = QStringLiteral("--largest");
  const OptionValue largest = ReadOptionValue(largestOption, request.largest, 0, marks);
  if (!largest.fault.isEmpty()) return {{}, largest.fault};
  if (!(largest.value > 0)) {
    return {{}, QStringLiteral("--largest must be above 0, not '%1'").arg(request.largest)};
  }
  const OptionValue ratio =
      ReadOptionValue(QStringLiteral("--ratio"), request.ratio, kDefaultRatio, marks);
  if (!ratio.fault.isEmpty()) return {{}, ratio.fault};
  if (!(ratio.value > 1)) {
    return {{}, QStringLiteral("--ratio must be above 1, not '%1'").arg(*request.ratio)};
  }
  const OptionCount steps =
      ReadOptionCount(QStringLiteral("--steps"), request.steps, kDefaultSteps);
  if (!steps.fault.isEmpty()) return {{}, steps.fault};
  const OptionCount cycles =
      ReadOptionCount(QStringLiteral("--cycles"), request.cycles, kDefaultCycles);
  if (!cycles.fault.isEmpty()) return {{}, cycles.fault};
  return Expanded(
      model::Fema461Protocol(largest.value, ratio.value, steps.count, cycles.count, marks),
      largestOption);
}

}  // namespace

ProtocolPeaks ReadProtocolPeaks(const ProtocolRequest& request, model::ValueMarks marks) {
  if (request.protocol == Protocol::Cycles) {
    return Expanded(model::ReadProtocolTable(request.table.toStdU16String(), marks),
                    QStringLiteral("--table"));
  }
  if (request.protocol == Protocol::Aisc341) {
    const OptionValue scale =
        ReadOptionValue(QStringLiteral("--scale"), request.scale, kDefaultScale, marks);
    if (!scale.fault.isEmpty()) return {{}, scale.fault};
    return {model::ExpandProtocol(model::Aisc341Protocol(scale.value)), {}};
  }
  return ReadFema461(request, marks);
}

}  // namespace shell
