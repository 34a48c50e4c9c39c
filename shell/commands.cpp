#include <string>

#include <QFileInfo>
#include <QString>

#include "model/generation.h"
#include "model/peak_import.h"
#include "model/process_export.h"
#include "model/value_text.h"
#include "shell/busy_pointer.h"
#include "shell/chart_views.h"
#include "shell/edit_box.h"
#include "shell/exception_handling.h"
#include "shell/file_dialog.h"
#include "shell/main_window.h"
#include "shell/message_boxes.h"
#include "widgets/line_series.h"

namespace shell {
namespace {

const QString kProposedExportName = QStringLiteral("LoadingProcess.txt");

std::u16string PathOf(const QString& fileName) { return fileName.toStdU16String(); }

}  // namespace

void TForm1::btn1Click() {
  if (!dlgOpen1->Execute()) return;
  ImportChosenFile(dlgOpen1->FileName());
}

void TForm1::ImportChosenFile(const QString& path) {
  dlgOpen1->SetFileName(QFileInfo(path).absoluteFilePath());
  lnsrsSeries1->Clear();
  lnsrsSeries2->Clear();
  WarnOnFailure(
      [this] {
        const BusyPointer busy;
        model::ImportPeakFile(PathOf(dlgOpen1->FileName()), marks_, PeakValues, LoadingProcess);
      },
      ShowWarning);
  // Whatever the import read before a failure is drawn as well.
  const BusyPointer busy;
  DrawSequence(*lnsrsSeries1, PeakValues);
}

void TForm1::btn2Click() {
  if (PeakValues.size() < kLeastPeaks) return;
  double spacing = 0;
  if (!WarnOnFailure(
          [this, &spacing] { spacing = model::ReadValue(edt1->text().toStdU16String(), marks_); },
          ShowWarning))
    return;
  lnsrsSeries2->Clear();
  // A zero spacing ends the command here with an arithmetic fault, which the error box shows.
  const model::GenerationOutcome outcome = [this, spacing] {
    const BusyPointer busy;
    return model::GenerateLoadingProcess(PeakValues, spacing, LoadingProcess);
  }();
  if (outcome.status == model::GenerationStatus::LimitExceeded) {
    ShowWarning(kLimitWarning);
    edt1->setFocus();
    // Entering the box selects its text; this holds also while the window system is still
    // giving the window back its activation, when the focus arrives only afterwards.
    edt1->selectAll();
  }
  const BusyPointer busy;
  DrawSequence(*lnsrsSeries2, LoadingProcess);
}

void TForm1::btn3Click() {
  dlgSave1->SetFileName(kProposedExportName);
  if (!dlgSave1->Execute()) return;
  WarnOnFailure(
      [this] {
        const BusyPointer busy;
        model::ExportLoadingProcess(PathOf(dlgSave1->FileName()), LoadingProcess, marks_);
      },
      ShowWarning, GuardedStep::WritesFile);
}

}  // namespace shell
