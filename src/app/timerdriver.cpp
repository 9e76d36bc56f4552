#include "app/timerdriver.h"

#include <algorithm>

namespace ondrix {

TimerDriver::TimerDriver(MainPresenter& presenter, QObject* parent)
    : QObject(parent), presenter_(presenter) {
    const MainForm& f = presenter_.form();
    drive(f.timer1, [this] { presenter_.Timer1_Timer(); });
    drive(f.timer2, [this] { presenter_.Timer2_Timer(); });
    drive(f.timerCOR, [this] { presenter_.TimerCOR_Timer(); });
    drive(f.timerCOMValide, [this] { presenter_.TimerCOMValide_Timer(); });
    drive(f.timerTempsVoix, [this] { presenter_.TimerTempsVoix_Timer(); });
    drive(f.timerTime, [this] { presenter_.TimerTime_Timer(); });
    drive(f.timerParam, [this] { presenter_.TimerParam_Timer(); });
    connect(&presenter_, &MainPresenter::changed, this, &TimerDriver::sync);
    sync();
}

void TimerDriver::drive(const TimerState& state, std::function<void()> tick) {
    auto* timer = new QTimer(this);
    timer->setTimerType(Qt::PreciseTimer);
    connect(timer, &QTimer::timeout, this, std::move(tick));
    driven_.push_back({&state, timer});
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
    for (const Driven& d : driven_)
        syncOne(*d.timer, *d.state);
}

} // namespace ondrix
