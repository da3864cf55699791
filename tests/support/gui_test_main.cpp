// The main of every test that uses widgets: a QApplication on the offscreen platform (unless the
// environment names another), then the GoogleTest run. Tests never need a display. Built with
// GRADEBOOK_TEST_WITHOUT_WIDGETS it makes a QGuiApplication instead, for the layers below the
// windows (fonts, colours, reports, PDF files): they then link and run without Qt Widgets.
#include <gtest/gtest.h>

#include <cstdlib>

#ifdef GRADEBOOK_TEST_WITHOUT_WIDGETS
#include <QGuiApplication>
using TestApplication = QGuiApplication;
#else
#include <QApplication>
using TestApplication = QApplication;
#endif

int main(int argc, char** argv) {
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  TestApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
