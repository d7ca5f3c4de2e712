// Shared main() of the test programs: a Qt application object exists for the
// whole run, so tests may spin event loops and deliver queued calls.
#include <gtest/gtest.h>

#if defined(ZELOR_TEST_NO_QT)
// The layers below the windows, built without Qt: nothing to create.
struct TestApplication {
  TestApplication(int&, char**) {}
};
#elif defined(ZELOR_TEST_GUI)
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
