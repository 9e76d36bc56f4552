#pragma once

#include "app/mainpresenter.h"

#include <QTimer>

namespace ondrix {

// Runs the countdown timers the presenter's form asks for: after every
// change, each QTimer is started, stopped or re-timed to match.
class TimerDriver : public QObject {
    Q_OBJECT
public:
    explicit TimerDriver(MainPresenter& presenter, QObject* parent = nullptr);
    void sync();

private:
    static void syncOne(QTimer& timer, const TimerState& state);

    MainPresenter& presenter_;
    QTimer timer1_;
    QTimer timer2_;
};

} // namespace ondrix
