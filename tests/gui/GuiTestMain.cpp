// The window tests run in one QApplication on Qt's offscreen platform.

#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char** argv) {
  // Also when CTest lists the tests, which sets no environment.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("tabulon"));
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
