// main() of the adapter test binaries.

#include <QCoreApplication>

#include "testexit.h"

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // Death tests re-run the binary rather than fork a process whose audio
    // and synthesis threads are already running.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    QCoreApplication app(argc, argv);
    ondrix::test::exitAfterTests(RUN_ALL_TESTS());
}
