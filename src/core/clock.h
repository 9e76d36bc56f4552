#pragma once

#include <QDateTime>

#include <chrono>

namespace ondrix {

// Wall-clock time for everything the beacon reads (tags, time windows). Tests
// pass a fake they move by hand; nothing in the logic reads the system clock.
class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
    // Milliseconds on a clock that only moves forward, whatever the wall
    // clock does: what periods are measured with.
    virtual qint64 monotonicMs() const = 0;
};

// The machine's own clocks.
class SystemClock : public Clock {
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
    qint64 monotonicMs() const override {
        return std::chrono::duration_cast<std::chrono::milliseconds>(
                   std::chrono::steady_clock::now().time_since_epoch())
            .count();
    }
};

// Fixed waits the system makes on purpose (loading pauses, port probing).
// Tests record them instead of sleeping.
class Sleeper {
public:
    virtual ~Sleeper() = default;
    virtual void sleepMs(int ms) = 0;
};

} // namespace ondrix
