#include "shell/window_placement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTest>
#include <QWindow>
#include <gtest/gtest.h>

#include "shell/main_window.h"
#include "tests/shell/qt_printers.h"

namespace shell {
namespace {

TEST(WindowPlacementTest, TheFrameIsCentredWithTheClientAreaInside) {
  const QSize client(688, 400);
  const QRect screen(0, 0, 1280, 1024);
  // The frame openbox draws: 1 pixel left and right, a 20-pixel title bar, 5 below.
  const QMargins openbox(1, 20, 1, 5);
  // clang-format off
  const struct {
    const char* name;
    QRect screen;
    QRect desktop;
    QSize client;
    QMargins frame;
    QPoint expected;
  } rows[] = {
      {"framed", screen, screen, client, openbox, {295, 299}},
      {"without a frame", screen, screen, client, {}, {296, 312}},
      // (1280 - 691) / 2 = 294.5 and (1024 - 426) / 2 = 299 with the odd sizes.
      {"odd room halved toward zero", screen, screen, {689, 401}, openbox, {294, 299}},
      {"primary screen right of another", {1280, 0, 1280, 1024}, {0, 0, 2560, 1024}, client,
       openbox, {1575, 299}},
      // 640 - 690 = -50 and 480 - 425 = 55: the left edge is raised to the desktop's.
      {"wider than the screen", {0, 0, 640, 480}, {0, 0, 640, 480}, client, openbox, {0, 27}},
      // (640 - 691) / 2 = -25.5, toward zero -25; the desktop reaches further left.
      {"wider, desktop beyond", {0, 0, 640, 480}, {-1280, 0, 1920, 480}, {689, 400}, openbox,
       {-25, 27}},
      {"taller than the screen", {0, 0, 1024, 300}, {0, 0, 1024, 300}, client, openbox, {167, 0}},
  };
  // clang-format on
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(detail::CentredFramePosition(row.screen, row.desktop, row.client, row.frame),
              row.expected);
  }
}

TEST(WindowPlacementTest, TheWindowComesUpCentredOnThePrimaryScreen) {
  TForm1 form;
  form.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  const QScreen* screen = QGuiApplication::primaryScreen();
  ASSERT_NE(screen, nullptr);
  const QMargins frame = form.windowHandle()->frameMargins();
  // The window with its frame fits on the screen: nothing but the halving places it.
  const QRect area = screen->geometry();
  const QSize outer = QSize(688, 400).grownBy(frame);
  ASSERT_LE(outer.width(), area.width());
  ASSERT_LE(outer.height(), area.height());
  EXPECT_EQ(form.frameGeometry().topLeft(),
            area.topLeft() +
                QPoint((area.width() - outer.width()) / 2, (area.height() - outer.height()) / 2));
  EXPECT_EQ(form.geometry().topLeft(),
            form.frameGeometry().topLeft() + QPoint(frame.left(), frame.top()));
}

}  // namespace
}  // namespace shell
