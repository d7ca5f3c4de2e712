// Shared main() of the test programs: a Qt application object exists for the
// whole run, so tests may spin event loops and deliver queued calls.
#include <gtest/gtest.h>

#ifdef ZELOR_TEST_GUI
#include <QApplication>
using TestApplication = QApplication;
#else
#include <QCoreApplication>
using TestApplication = QCoreApplication;
#endif

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  TestApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
