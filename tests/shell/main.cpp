#include <gtest/gtest.h>

#include "shell/application.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  shell::TApplication application(argc, argv);
  return RUN_ALL_TESTS();
}
