#pragma once

#include "message/speechengine.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

namespace ondrix {

// Speech by libespeak-ng. Texts are synthesised to PCM on a worker thread of
// the engine's own and played through a QAudioSink on the default output, so
// onStarted and onFinished stand for the first and last samples played.
//
// - Calls come from the thread that made the engine. Callbacks come from its
//   event loop: never from the worker, never from inside one of the engine's
//   calls, and never once the engine is destroyed.
// - speak() while speaking appends the text, after a short pause, to what is
//   sounding: one onStarted and one onFinished for the whole.
// - A text with nothing but blanks is ignored: no sound, no callback.
// - stop() silences at once; when something had sounded, onFinished follows
//   from the event loop, before any later onStarted.
// - An engine error (or a hang) ends the speech where it happened: what came
//   before is heard, the rest of the queue is dropped, onError is called and
//   then, if something had sounded, onFinished. When the output fails or
//   stops taking samples, the same happens at once.
// - A text is spoken with the voice and speed in force at its speak(); the
//   volume acts on what is played next, within about 100 ms.
class EspeakEngine : public QObject, public SpeechEngine {
    Q_OBJECT
public:
    // Words per minute espeak-ng takes.
    static constexpr int kMinSpeed = 80;
    static constexpr int kMaxSpeed = 450;

    // `dataDir` is an espeak-ng-data directory; empty for the system's own.
    // espeak-ng is one library per process: the first engine that starts it
    // chooses the data for all, and an engine asking for other data than that
    // in use is not available.
    explicit EspeakEngine(const QString& dataDir = {}, QObject* parent = nullptr);
    ~EspeakEngine() override;

    bool available() const override;
    // Why the engine is not available; empty when it is.
    QString unavailableReason() const;

    int voiceCount() const override;
    QString voiceName(int index) const override;
    int voiceGender(int index) const override;
    int voiceLanguage(int index) const override;
    SpeechResult selectVoice(int index) override;
    SpeechResult setSpeed(int wordsPerMinute) override;
    void setVolume(int percent) override;

    void speak(const QString& text) override;
    void stop() override;

    // For tests, to make synthesis fail or hang part-way: called on the
    // worker thread before each block of synthesised samples is queued, with
    // how many samples of the text came before it. A non-empty answer ends
    // the synthesis with that error; blocking in it is a hung engine. Set it
    // while the engine is silent.
    using SynthesisCheck = std::function<QString(qint64 samplesBefore)>;
    void setSynthesisCheck(SynthesisCheck check);

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace ondrix
