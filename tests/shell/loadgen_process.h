#pragma once

// The built program, run as a script runs it: no display of any kind, and a locale whose
// decimal mark is a full stop unless a test names another.

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace shell::test_support {

struct LoadgenRun {
  QStringList arguments;
  // Given on standard input, which is then closed.
  QByteArray input;
  // NAME=value, set on top of the cleaned environment.
  QStringList environment;
  // Where standard output goes instead of being collected, if set.
  QString outputFile;
};

struct Finished {
  int exitCode;
  QByteArray output;
  QString errors;
};

[[nodiscard]] Finished RunLoadgen(const LoadgenRun& run);
[[nodiscard]] Finished RunLoadgen(const QStringList& arguments);

}  // namespace shell::test_support
