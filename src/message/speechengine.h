#pragma once

#include "core/services.h"

#include <QString>

#include <functional>

namespace ondrix {

// What the engine answered. Nodiscard: a refusal nobody looks at is a voice
// or a speed shown that is not the one heard.
enum class [[nodiscard]] SpeechResult{
    Ok,
    // The engine cannot be created (not installed, no data).
    NotCreated,
    // The voice cannot be used.
    VoiceUnusable,
    // A value the engine does not take (it keeps its previous one).
    Refused,
};

// The text-to-speech engine: its voices, the voice and speed in use, and
// speech whose start and end are tied to the real audio.
class SpeechEngine : public Speaker {
public:
    // False when the engine could not be created; every call then fails with
    // NotCreated or answers empty.
    virtual bool available() const = 0;
    // Number of voices; indices 0 .. count-1 are voices, others answer empty.
    virtual int voiceCount() const = 0;
    virtual QString voiceName(int index) const = 0;
    // 1 = female, anything else male.
    virtual int voiceGender(int index) const = 0;
    // Windows language id: 1036 French, 1033 English, 1031 German, ...; 0 unknown.
    virtual int voiceLanguage(int index) const = 0;
    virtual SpeechResult selectVoice(int index) = 0;
    // Words per minute; Refused when the engine does not take the value (it
    // then keeps its previous speed).
    virtual SpeechResult setSpeed(int wordsPerMinute) = 0;
    // 0 (silent) .. 100 (full).
    virtual void setVolume(int percent) = 0;

    // speak() (from Speaker) queues the text and returns at once; stop() ends
    // the current speech and drops anything queued.

    // Called just before the first sample of speech goes to the output, when
    // the engine was silent.
    std::function<void()> onStarted;
    // Called once everything queued has been heard (the output has played the
    // last sample), and after stop() when something was sounding (from the
    // event loop, not from inside stop()): one onFinished per onStarted. A
    // blank text is ignored and gives no notification.
    std::function<void()> onFinished;
    // Called when speech fails mid-way (the engine reported an error); the
    // engine is then silent and, if something had sounded, onFinished follows.
    std::function<void(const QString&)> onError;
};

} // namespace ondrix
