#include "tests/shell/window_fixture.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "shell/button.h"
#include "shell/edit_box.h"
#include "widgets/chart.h"
#include "widgets/field_status.h"
#include "widgets/line_series.h"
#include "widgets/splitter.h"
#include "widgets/status_bar.h"

namespace shell::test_support {

void WindowTest::SetUp() {
  ASSERT_TRUE(folder_.isValid());
  form_ = std::make_unique<TForm1>(marks_);
  form_->show();
  form_->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(form_.get()));
}

void WindowTest::TearDown() {
  form_.reset();
  EXPECT_TRUE(script_.TakeShown().empty()) << "a dialog or box that no test looked at";
}

std::vector<Shown> WindowTest::Import(const QString& path) {
  script_.Choose(path);
  Button("btn1")->click();
  std::vector<Shown> shown = script_.TakeShown();
  EXPECT_FALSE(shown.empty());
  if (shown.empty()) return shown;
  EXPECT_EQ(shown.front().kind, Shown::Kind::OpenDialog);
  shown.erase(shown.begin());
  return shown;
}

std::vector<Shown> WindowTest::Generate(const QString& spacing) {
  SpacingBox()->setText(spacing);
  Button("btn2")->click();
  return script_.TakeShown();
}

QByteArray WindowTest::Export(const QString& path) {
  script_.Choose(path);
  Button("btn3")->click();
  EXPECT_EQ(script_.TakeShown().size(), 1u);
  return ReadFile(path);
}

std::vector<double> WindowTest::Drawn(const widgets::TLineSeries& series) {
  std::vector<double> values;
  for (decltype(series.Count()) i = 0; i < series.Count(); ++i) {
    EXPECT_EQ(series.XValue(i), static_cast<double>(i));
    values.push_back(series.YValue(i));
  }
  return values;
}

TButton* WindowTest::Button(const char* name) const { return Find<TButton>(name); }

TEdit* WindowTest::SpacingBox() const { return Find<TEdit>("edt1"); }

widgets::TChart* WindowTest::Chart(const char* name) const { return Find<widgets::TChart>(name); }

widgets::TRzSplitter* WindowTest::Splitter() const {
  return Find<widgets::TRzSplitter>("rzspltr1");
}

widgets::TRzStatusBar* WindowTest::StatusBar() const {
  return Find<widgets::TRzStatusBar>("rzstsbr1");
}

widgets::TRzFieldStatus* WindowTest::Pane(const char* name) const {
  return Find<widgets::TRzFieldStatus>(name);
}

}  // namespace shell::test_support
