#pragma once

// The program's one window: three command buttons, the spacing box, the two charts in
// their splitter and the status bar, both file dialogs, and the two sequences, which live
// exactly as long as the window.

#include <cstddef>
#include <vector>

#include <QString>
#include <QWidget>

#include "model/value_marks.h"

class QLabel;

namespace widgets {
class TChart;
class TLineSeries;
class TRzFieldStatus;
class TRzSplitter;
class TRzStatusBar;
}  // namespace widgets

namespace shell {

// The author's website: a bare host name, shown in the status bar's link pane after a space
// and handed to the desktop to open in the user's web browser.
inline constexpr char kWebsiteAddress[] = "orlavin.example";

class TButton;
class TEdit;
class TFileDialog;

class TForm1 : public QWidget {
  Q_OBJECT

 public:
  // The fewest peaks that the generate command generates from; with fewer it does nothing.
  static constexpr std::size_t kLeastPeaks = 3;
  // The generate command's warning when a segment needs more than model::kMaxSubdivisions
  // steps.
  static inline const QString kLimitWarning = QStringLiteral(
      "Subdivision number is larger than 500! Input larger Division Spacing of Step!");

  // Builds every control at its place, creates both sequences empty, points both file
  // dialogs at the executable's folder and makes both series draw circle markers. The
  // window is centred on the primary screen; it is shown by the caller. Its numbers follow
  // the marks of the user's regional settings.
  explicit TForm1(QWidget* parent = nullptr);
  // The same window, whose numbers follow marks until the regional settings change.
  explicit TForm1(model::ValueMarks marks, QWidget* parent = nullptr);

  // Imports the peak file as the import command does once the open dialog has returned
  // this path: a failure is shown in the warning box, and the dialog offers the file the
  // next time it is shown.
  void ImportChosenFile(const QString& path);

  // The imported peaks and the generated process, as the commands left them. Outside the
  // window, these and the controls' object names (btn1, edt1, cht1, ... below) are the way
  // in; the sequences change only through the commands.
  [[nodiscard]] const std::vector<double>& ImportedPeaks() const { return PeakValues; }
  [[nodiscard]] const std::vector<double>& GeneratedProcess() const { return LoadingProcess; }
  // The marks that the commands read and write numbers with and the chart labels show.
  [[nodiscard]] model::ValueMarks Marks() const { return marks_; }

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;
  // One local file dropped onto the window is imported as if chosen in the open dialog,
  // once the drop has ended; anything else is refused and changes nothing.
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  // The three commands, one per button; they live in commands.cpp.
  void btn1Click();
  void btn2Click();
  void btn3Click();

  // The website link of the status bar.
  void rzfldsts2MouseMove();
  void rzfldsts2MouseLeave();
  void rzfldsts2Click();

  void BuildControls();
  void BuildStatusBar();
  void ConnectHandlers();

  // The controls, by the names they go by; each is also the Qt object name, by which code
  // outside the window finds them. The series are found through their charts. The window
  // owns them all.
  TButton* btn1;
  QLabel* lbl1;
  TEdit* edt1;
  TButton* btn2;
  TButton* btn3;
  widgets::TRzSplitter* rzspltr1;
  widgets::TRzStatusBar* rzstsbr1;
  widgets::TRzFieldStatus* rzfldsts3;
  widgets::TRzFieldStatus* rzfldsts1;
  widgets::TRzFieldStatus* rzfldsts2;
  widgets::TChart* cht1;
  widgets::TChart* cht2;
  widgets::TLineSeries* lnsrsSeries1;
  widgets::TLineSeries* lnsrsSeries2;
  TFileDialog* dlgOpen1;
  TFileDialog* dlgSave1;

  // The sequences the commands change.
  std::vector<double> PeakValues;
  std::vector<double> LoadingProcess;
  model::ValueMarks marks_;
};

}  // namespace shell
