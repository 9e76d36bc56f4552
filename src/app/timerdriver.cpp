#include "app/timerdriver.h"

#include <algorithm>

namespace ondrix {

TimerDriver::TimerDriver(MainPresenter& presenter, QObject* parent)
    : QObject(parent), presenter_(presenter) {
    const StationState& s = presenter_.state();
    const auto nextTick = [this] { return presenter_.beacon().msToNextTick(); };
    drive(
        s.cycle.fileCountdown, [this] { presenter_.tick(Tick::FileCountdown); }, nextTick);
    drive(
        s.cycle.speechCountdown, [this] { presenter_.tick(Tick::SpeechCountdown); }, nextTick);
    drive(s.radio.carrierTimer, [this] { presenter_.tick(Tick::Carrier); });
    drive(s.radio.searchRetryTimer, [this] { presenter_.tick(Tick::PortSearchRetry); });
    drive(s.speech.durationTimer, [this] { presenter_.tick(Tick::SpeechDuration); });
    drive(s.windows.clockTimer, [this] { presenter_.tick(Tick::Clock); });
    drive(s.options.autosaveTimer, [this] { presenter_.tick(Tick::Autosave); });
    connect(&presenter_, &MainPresenter::changed, this, &TimerDriver::sync);
    sync();
}

void TimerDriver::drive(const TimerState& state, std::function<void()> tick,
                        std::function<qint64()> due) {
    auto* timer = new QTimer(this);
    timer->setTimerType(Qt::PreciseTimer);
    const size_t index = driven_.size();
    connect(timer, &QTimer::timeout, this, [this, index, tick = std::move(tick)] {
        tick();
        // A countdown is re-aimed after each tick, changed or not.
        Driven& d = driven_[index];
        if (d.due)
            syncOne(d);
    });
    timer->setSingleShot(static_cast<bool>(due));
    driven_.push_back({&state, timer, std::move(due)});
}

void TimerDriver::syncOne(Driven& d) {
    QTimer& timer = *d.timer;
    if (!d.state->enabled) {
        timer.stop();
        return;
    }
    if (d.due) {
        // Aimed at the next tick of the grid. An armed timer is only ever
        // brought forward: other timers syncing right at its moment would
        // otherwise push it back by a whole tick, again and again.
        const int wait = static_cast<int>(std::clamp<qint64>(d.due(), 1, 3'600'000));
        if (!timer.isActive() || wait < timer.remainingTime() - 1)
            timer.start(wait);
        return;
    }
    // Enabling an enabled timer keeps its phase; a new interval restarts it.
    if (!timer.isActive() || timer.interval() != d.state->interval)
        timer.start(std::max(1, d.state->interval));
}

void TimerDriver::sync() {
    for (Driven& d : driven_)
        syncOne(d);
}

} // namespace ondrix
