#pragma once

// Samples on their way to a QAudioSink: the format the output is opened in,
// and float frames turned into it, scaled (the volume is applied to the
// samples as they are written). Used by PushOutput.

#include <QAudioDevice>
#include <QAudioFormat>
#include <QByteArray>

namespace ondrix {

// `rate` and `channels` in the best sample format the output takes; fewer
// channels (mixed down) when it refuses that many. Invalid when it takes none.
QAudioFormat chooseOutputFormat(const QAudioDevice& device, int rate, int channels);

// `frames` interleaved float frames of `inChannels` channels, scaled by
// `gain` and clamped to full scale, in `format`; replaces what `out` held.
void renderFrames(QByteArray& out, const float* in, qsizetype frames, int inChannels,
                  const QAudioFormat& format, float gain);

} // namespace ondrix
