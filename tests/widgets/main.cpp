#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
  // Pixel tests need the same rendering everywhere, and listing the tests needs no display.
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
