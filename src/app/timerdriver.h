#pragma once

#include "app/mainpresenter.h"

#include <QTimer>

#include <functional>
#include <vector>

namespace ondrix {

// Runs the countdown timers the presenter's form asks for: after every
// change, each QTimer is started, stopped or re-timed to match.
class TimerDriver : public QObject {
    Q_OBJECT
public:
    explicit TimerDriver(MainPresenter& presenter, QObject* parent = nullptr);
    void sync();

private:
    struct Driven {
        const TimerState* state;
        QTimer* timer;
    };
    static void syncOne(QTimer& timer, const TimerState& state);
    void drive(const TimerState& state, std::function<void()> tick);

    MainPresenter& presenter_;
    std::vector<Driven> driven_;
};

} // namespace ondrix
