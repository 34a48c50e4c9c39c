#include "shell/program_identity.h"

#include <QApplication>
#include <QString>

// Outside any namespace, as Qt's resource initialisation asks. The resources live in a
// static library, whose initialiser the linker would drop unless something calls it.
static void InitialiseIconResources() { Q_INIT_RESOURCE(loadgen); }

namespace shell {
namespace {

constexpr int kIconSizes[] = {16, 24, 32, 48, 64, 128, 256};

}  // namespace

QIcon ProgramIcon() {
  InitialiseIconResources();
  QIcon icon;
  for (const int size : kIconSizes) {
    icon.addFile(QStringLiteral(":/icons/loadgen-%1.png").arg(size), QSize(size, size));
  }
  return icon;
}

void ApplyProgramIdentity() {
  QApplication::setWindowIcon(ProgramIcon());
  QGuiApplication::setDesktopFileName(QString::fromLatin1(kDesktopEntryName));
}

}  // namespace shell
