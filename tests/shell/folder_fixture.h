#pragma once

// A fresh folder for the files a test reads and writes.

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace shell::test_support {

class FolderTest : public testing::Test {
 protected:
  // The path of a file of the folder holding these bytes.
  [[nodiscard]] QString WriteFile(const QString& name, const QByteArray& bytes) const;
  [[nodiscard]] QString PathIn(const QString& name) const;
  // The bytes of the file at path; a file that does not open fails the test.
  [[nodiscard]] static QByteArray ReadFile(const QString& path);

  QTemporaryDir folder_;
};

}  // namespace shell::test_support
