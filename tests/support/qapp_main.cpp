// main() of the test binaries that need widgets.

#include <QApplication>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

int main(int argc, char** argv) {
    // Test discovery runs the binaries without the test environment: default
    // to the offscreen platform so they never need a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    const int rc = RUN_ALL_TESTS();
    // libpulse's threaded main loop may assert while Qt's audio globals are
    // torn down at exit, after every test has passed; the verdict is in, so
    // leave without static destructors (leaks are checked first).
#if defined(__SANITIZE_ADDRESS__)
    __lsan_do_leak_check();
#endif
    std::fflush(nullptr);
    std::_Exit(rc);
}
