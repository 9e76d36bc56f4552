// main() of the adapter test binaries.

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // Death tests re-run the binary rather than fork a process whose audio
    // and synthesis threads are already running.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    QCoreApplication app(argc, argv);
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
