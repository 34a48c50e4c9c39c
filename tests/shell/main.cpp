#include <gtest/gtest.h>

#include "shell/application.h"
#include "shell/startup.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  // Pixel tests need the same rendering everywhere, and listing the tests needs no display.
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  // The same process set-up as the program's, so that the window is tested as it runs.
  shell::PrepareProcess();
  shell::TApplication application(argc, argv);
  shell::PrepareApplication();
  return RUN_ALL_TESTS();
}
