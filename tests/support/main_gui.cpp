#include <QApplication>

#include <gtest/gtest.h>

#include "app/GuiStart.h"

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM",
          qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
  // The windowed programs' own start, Spanish formatting included.
  const auto app = tavrix::startGuiApplication(argc, argv, "test-gui");
  if (!app) return 1;
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
