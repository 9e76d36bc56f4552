#pragma once

// One sound at a time pushed to a QAudioSink on the default output. Everything
// that plays samples (the file player, the speech engine) goes through it, so
// the write loop, the moment a sound's last sample has been heard, and the
// teardown of Qt's audio objects are written once, here.

#include <QObject>

#include <functional>
#include <memory>

namespace ondrix {

// The sink is fed every 10 ms and holds about 100 ms: a volume change or a
// stop is heard within that, and a sound starts as soon as its first 100 ms
// are written.
constexpr int kPumpIntervalMs = 10;
constexpr int kSinkBufferMs = 100;
// The end of a sound releases the transmitter and must never be lost. When
// the sound server never reports the end, the sound is ended this long after
// its last sample should have been heard; when the sink stops taking samples
// altogether (server frozen, stream corked), this long after it last did.
constexpr qint64 kFinishGraceMs = 1000;
constexpr qint64 kStallMs = 2000;
// Silence after the last sample: the way to the device (a resampler) holds
// back its last few milliseconds until more samples push them out, and the
// end is only reported once all of the sound has been heard.
constexpr int kTailSilenceMs = 20;

// - Calls and callbacks are on the thread that made the output; callbacks come
//   from its event loop, never from inside one of its calls.
// - Each sound started ends in exactly one of: stop() or a later start() (no
//   callback), onDrained, onFailed. By the time either is called the output is
//   idle, and the callback may start the next sound.
// - Destroying the output is silent too. Qt 6.4's audio destructors spin the
//   event loop: destroy it where that is safe, not from inside its callbacks.
class PushOutput : public QObject {
    Q_OBJECT
public:
    // A source's answer once its sound has no more samples.
    static constexpr qsizetype kEnded = -1;
    // Writes up to `maxFrames` interleaved float frames (full scale 1.0, the
    // channel count given to start()) to `out` and returns how many; 0 when
    // none are ready yet; kEnded when the sound has ended. It is asked at least
    // once per pump, with `maxFrames` 0 when the sink has no room (it then only
    // says whether the sound has ended). A source that answered kEnded may give
    // frames again until onDrained (speech appended to what is sounding). It
    // must not call start() or stop().
    using Source = std::function<qsizetype(float* out, qsizetype maxFrames)>;

    enum class Failure {
        OutputStopped, // the sound server went away or refused the stream
        OutputStalled, // the sink took no sample for kStallMs
    };

    explicit PushOutput(QObject* parent = nullptr);
    ~PushOutput() override;
    PushOutput(const PushOutput&) = delete;
    PushOutput& operator=(const PushOutput&) = delete;

    // Ends the sound playing, if any (silently), opens the default output for
    // `channels` channels at `rate` Hz (fewer channels, mixed down, when it
    // takes no more) and writes the source's first samples at once. False when
    // there is no output or it refuses: nothing plays then.
    bool start(int rate, int channels, Source source);
    // Ends the sound at once; no callback follows.
    void stop();
    // Writes what the source has now, as far as the sink takes it, rather
    // than at the next pump. Never calls back.
    void feed();
    bool isPlaying() const;
    // How much of the sound has been heard (its tail silence included), in
    // microseconds; 0 when none plays.
    qint64 heardUSecs() const;
    // Scales the samples written from now on (heard within kSinkBufferMs);
    // kept from sound to sound. 1.0 to start with.
    void setGain(float gain);

    // The sound's last sample has been heard (or should have been, kFinishGraceMs
    // ago). This is the moment the transmitter may be released.
    std::function<void()> onDrained;
    // The output failed mid-sound: the sound has ended without onDrained.
    std::function<void(Failure)> onFailed;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace ondrix
