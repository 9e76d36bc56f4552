#pragma once

// Samples on their way to a QAudioSink: the format the output is opened in,
// and float frames turned into it. Shared by the file player and the speech
// engine, which both apply their volume to the samples as they write them.

#include <QAudioDevice>
#include <QAudioFormat>
#include <QByteArray>
#include <QPointer>

#include <vector>

class QAudioSink;
class QIODevice;

namespace ondrix {

// The output timings the file player and the speech engine share.
//
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

// `rate` and `channels` in the best sample format the output takes; fewer
// channels (mixed down) when it refuses that many. Invalid when it takes none.
QAudioFormat chooseOutputFormat(const QAudioDevice& device, int rate, int channels);

// `frames` interleaved float frames of `inChannels` channels, scaled by
// `gain` and clamped to full scale, in `format`; replaces what `out` held.
void renderFrames(QByteArray& out, const float* in, qsizetype frames, int inChannels,
                  const QAudioFormat& format, float gain);

// Starts `sink` in push mode for `format` on `device`, reusing it from sound to
// sound; `io` receives the device to write to. A sink in another format or on
// another device is retired: stopped and left for Qt to delete later (Qt 6.4's
// audio destructors spin the event loop). False, with `io` null, when the
// output refuses.
bool startPushSink(QAudioSink*& sink, QIODevice*& io, QByteArray& sinkDevice,
                   std::vector<QPointer<QAudioSink>>& retired, const QAudioDevice& device,
                   const QAudioFormat& format);

} // namespace ondrix
