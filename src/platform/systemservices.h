#pragma once

#include "core/clock.h"
#include "core/services.h"
#include "message/speechengine.h"

namespace ondrix {

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

// Starts a new copy of this program with the same arguments, then ends this
// one at once: no shut-down sequence runs (the kernel closes the port, and
// HUPCL drops its lines).
class ProcessRestart : public ProgramControl {
public:
    void restart() override;
};

// Stands in when no speech engine can be used: it has no voice and says so.
class SilentSpeaker : public SpeechEngine {
public:
    void speak(const QString&) override {}
    void stop() override {}
    bool available() const override { return false; }
    int voiceCount() const override { return 0; }
    QString voiceName(int) const override { return {}; }
    int voiceGender(int) const override { return 0; }
    int voiceLanguage(int) const override { return 0; }
    SpeechResult selectVoice(int) override { return SpeechResult::NotCreated; }
    SpeechResult setSpeed(int) override { return SpeechResult::NotCreated; }
    void setVolume(int) override {}
};

// Until the recorder window exists, opening it does nothing.
class NoRecorder : public RecorderWindow {
public:
    void show() override {}
    void ECOUTE() override {}
    void setChkEnr(bool) override {}
};

} // namespace ondrix
