#include "bench/support/window_steps.h"

#include <QByteArray>
#include <QDialog>
#include <QFile>
#include <QFileDialog>
#include <QPushButton>

#include "shell/main_window.h"
#include "shell/modal.h"

namespace bench {

bool WritePeakFile(const QString& path, const std::vector<double>& peaks) {
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return false;
  for (const double peak : peaks) file.write(QByteArray::number(peak) + "\r\n");
  return true;
}

void ImportThroughTheDialog(shell::TForm1& form, const QString& peakFile) {
  const shell::ModalOverride chooser([&peakFile](QDialog& dialog) {
    auto& files = static_cast<QFileDialog&>(dialog);
    files.selectFile(peakFile);
    static_cast<QDialog&>(files).accept();
    return files.result();
  });
  form.findChild<QPushButton*>(QStringLiteral("btn1"))->click();
}

}  // namespace bench
