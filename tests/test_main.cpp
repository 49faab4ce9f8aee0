// Test entry point: a QApplication on the offscreen platform, so window and
// painting tests run without a display.
#include <QApplication>
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/system_time.h"

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  // Tests never change the machine's clock: the real setter is refused.
  platform::SetLocalTimeHook([](const platform::SystemTime&) { return false; });
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
