#pragma once

#include "core/clock.h"
#include "core/services.h"

namespace ondrix {

class SystemClock : public Clock {
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
};

class ThreadSleeper : public Sleeper {
public:
    void sleepMs(int ms) override;
};

// Process priority through setpriority(2). Raising it needs privileges most
// stations do not have; the refusal is reported as false and nothing else.
class PosixPriority : public ProcessPriority {
public:
    bool set(int index) override;
    static int niceFor(int index);
};

// Until the speech engine is wired, speech mode runs its countdown silently.
class SilentSpeaker : public Speaker {
public:
    void speak(const QString&) override {}
    void stop() override {}
};

// Until the recorder window exists, opening it does nothing.
class NoRecorder : public RecorderWindow {
public:
    void show() override {}
    void ECOUTE() override {}
    void setChkEnr(bool) override {}
};

} // namespace ondrix
