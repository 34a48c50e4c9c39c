#pragma once

// The real main window, shown offscreen and active, with its dialogs and boxes answered
// by a script, and a fresh folder for the files a test reads and writes.

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include <QString>
#include <gtest/gtest.h>

#include "model/value_marks.h"
#include "shell/main_window.h"
#include "tests/shell/folder_fixture.h"
#include "tests/shell/modal_script.h"
#include "tests/shell/qt_printers.h"

namespace shell::test_support {

class WindowTest : public FolderTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Imports the file through the real command and dialog; returns the boxes shown after
  // the dialog.
  [[nodiscard]] std::vector<Shown> Import(const QString& path);
  // Types the spacing into the box and clicks "Generate"; returns the boxes shown.
  [[nodiscard]] std::vector<Shown> Generate(const QString& spacing);
  // Exports into path through the real command and its save dialog, which must be the only
  // thing shown; returns the bytes written.
  [[nodiscard]] QByteArray Export(const QString& path);

  [[nodiscard]] static std::vector<double> Drawn(const widgets::TLineSeries& series);

  // The window's controls, found as any code outside the window finds them: by their object
  // names. Never null: a name the window lacks fails the test.
  template <typename Control>
  [[nodiscard]] Control* Find(const char* name) const {
    auto* control = form_->findChild<Control*>(QString::fromLatin1(name));
    if (control == nullptr) throw std::invalid_argument(std::string("no control ") + name);
    return control;
  }
  [[nodiscard]] TButton* Button(const char* name) const;
  [[nodiscard]] TEdit* SpacingBox() const;
  [[nodiscard]] widgets::TChart* Chart(const char* name) const;
  [[nodiscard]] widgets::TRzSplitter* Splitter() const;
  [[nodiscard]] widgets::TRzStatusBar* StatusBar() const;
  [[nodiscard]] widgets::TRzFieldStatus* Pane(const char* name) const;

  ModalScript script_;
  // The marks the window is built with: the tests write their numbers with the default
  // ones, whatever the machine's settings, unless a fixture sets others first.
  model::ValueMarks marks_;
  std::unique_ptr<TForm1> form_;
};

}  // namespace shell::test_support
