// main() of the test binaries that need widgets.

#include <QApplication>

#include "testexit.h"

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    // Test discovery runs the binaries without the test environment: default
    // to the offscreen platform so they never need a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    ondrix::test::exitAfterTests(RUN_ALL_TESTS());
}
