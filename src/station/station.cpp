#include "station/station.h"

#include <QElapsedTimer>

#include <utility>

namespace ondrix {

Station::PlayerTap::PlayerTap(FilePlayer& inner, Station& station)
    : inner_(inner), station_(station) {
    inner_.onDurationKnown = [this] {
        station_.notify([this] {
            if (onDurationKnown)
                onDurationKnown();
        });
    };
    inner_.onFinished = [this] {
        station_.notify([this] {
            if (onFinished)
                onFinished();
        });
    };
}

Station::SpeakerTap::SpeakerTap(SpeechEngine& inner, Station& station)
    : inner_(inner), station_(station) {
    inner_.onStarted = [this] {
        station_.notify([this] {
            if (onStarted)
                onStarted();
        });
    };
    inner_.onFinished = [this] {
        station_.notify([this] {
            if (onFinished)
                onFinished();
        });
    };
    inner_.onError = [this](const QString& error) {
        station_.notify([this, error] {
            if (onError)
                onError(error);
        });
    };
}

void Station::CountedPauses::sleepMs(int ms) {
    QElapsedTimer t;
    t.start();
    inner_.sleepMs(ms);
    total += t.elapsed();
}

Station::Station(const QString& appDir, Dialogs& dialogs, Sleeper* pauses, QObject* parent)
    : QObject(parent), pauses_(pauses ? *pauses : threadSleeper_),
      presenter_(MainPresenter::Services{playerTap_, dialogs, speakerTap_, recorder_, priority_,
                                         &serial_, &pauses_, nullptr, &restart_}),
      journal_(appDir, clock_) {
    presenter_.setAppDir(appDir);
    journal_.attach(presenter_.events());
    // Said once per run of failures, never stopping the beacon.
    journal_.onWriteFailed = [this](const QString& why) {
        presenter_.events().publish(EventKind::Error, why);
    };
}

Station::~Station() {
    journal_.detach();
    // Nothing may tick once the station is going, and the transmitter is
    // released with the port.
    timers_.reset();
    presenter_.beacon().CMDSTOP();
    presenter_.beacon().CMDSTOPSynth();
    presenter_.radio().closePort();
    // The adapters outlive the presenter's hooks on the taps only as long as
    // the taps do: unhook them first.
    player_.onDurationKnown = nullptr;
    player_.onFinished = nullptr;
    speaker_.onStarted = nullptr;
    speaker_.onFinished = nullptr;
    speaker_.onError = nullptr;
}

void Station::start() {
    if (started_ || starting_)
        return;
    QElapsedTimer t;
    t.start();
    starting_ = true;
    presenter_.start();
    starting_ = false;
    started_ = true;
    for (const auto& call : std::exchange(heldNotifications_, {}))
        call();
    timers_ = std::make_unique<TimerDriver>(presenter_);
    startUpMs_ = t.elapsed();
    if (shutDownPending_)
        requestShutDown();
}

void Station::notify(std::function<void()> call) {
    if (starting_)
        heldNotifications_.push_back(std::move(call));
    else
        call();
}

void Station::requestShutDown() {
    if (!started_) {
        shutDownPending_ = true;
        return;
    }
    if (stopped_)
        return;
    stopped_ = true;
    presenter_.Form_Unload();
    timers_.reset();
    emit stopped();
}

} // namespace ondrix
