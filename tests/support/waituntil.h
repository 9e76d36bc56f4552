#pragma once

// Waiting for a condition in tests that run the real program: the event loop
// runs (and sleeps, as the program does) until the condition holds, checked
// every `step`, or until `timeout`, which should be generous: it only ever
// delays a failure, and a loaded machine is slow.

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <chrono>

namespace ondrix::test {

template <typename Done>
bool waitUntil(Done done, std::chrono::milliseconds timeout,
               std::chrono::milliseconds step = std::chrono::milliseconds(100)) {
    QElapsedTimer t;
    t.start();
    for (;;) {
        if (done())
            return true;
        if (t.elapsed() >= timeout.count())
            return false;
        QEventLoop loop;
        QTimer::singleShot(static_cast<int>(step.count()), Qt::PreciseTimer, &loop,
                           &QEventLoop::quit);
        loop.exec();
    }
}

} // namespace ondrix::test
