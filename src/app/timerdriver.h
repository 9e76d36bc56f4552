#pragma once

#include "app/mainpresenter.h"

#include <QTimer>

#include <functional>
#include <vector>

namespace ondrix {

// Runs the timers the features ask for: after every change, each QTimer is
// started, stopped or re-timed to match. The countdowns are single shots
// aimed at their next tick on the period's grid, read from the monotonic
// clock, so a tick held up by a busy loop does not push the later ones.
class TimerDriver : public QObject {
    Q_OBJECT
public:
    explicit TimerDriver(MainPresenter& presenter, QObject* parent = nullptr);
    void sync();

private:
    struct Driven {
        const TimerState* state;
        QTimer* timer;
        // For the countdowns: milliseconds to the next tick.
        std::function<qint64()> due;
    };
    void syncOne(Driven& d);
    void drive(const TimerState& state, std::function<void()> tick,
               std::function<qint64()> due = {});

    MainPresenter& presenter_;
    std::vector<Driven> driven_;
};

} // namespace ondrix
