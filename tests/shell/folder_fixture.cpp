#include "tests/shell/folder_fixture.h"

#include <QFile>

namespace shell::test_support {

QString FolderTest::PathIn(const QString& name) const { return folder_.filePath(name); }

QString FolderTest::WriteFile(const QString& name, const QByteArray& bytes) const {
  QString path = PathIn(name);
  QFile file(path);
  EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  EXPECT_EQ(file.write(bytes), bytes.size());
  return path;
}

QByteArray FolderTest::ReadFile(const QString& path) {
  QFile file(path);
  EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
  return file.readAll();
}

}  // namespace shell::test_support
