#include "app/timerdriver.h"

#include <algorithm>

namespace ondrix {

TimerDriver::TimerDriver(MainPresenter& presenter, QObject* parent)
    : QObject(parent), presenter_(presenter) {
    for (QTimer* t : {&timer1_, &timer2_})
        t->setTimerType(Qt::PreciseTimer);
    connect(&timer1_, &QTimer::timeout, this, [this] { presenter_.Timer1_Timer(); });
    connect(&timer2_, &QTimer::timeout, this, [this] { presenter_.Timer2_Timer(); });
    connect(&presenter_, &MainPresenter::changed, this, &TimerDriver::sync);
    sync();
}

void TimerDriver::syncOne(QTimer& timer, const TimerState& state) {
    if (!state.enabled) {
        timer.stop();
        return;
    }
    // Enabling an enabled timer keeps its phase; a new interval restarts it.
    if (!timer.isActive() || timer.interval() != state.interval)
        timer.start(std::max(1, state.interval));
}

void TimerDriver::sync() {
    syncOne(timer1_, presenter_.form().timer1);
    syncOne(timer2_, presenter_.form().timer2);
}

} // namespace ondrix
