#include "platform/pcmrender.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace ondrix {

namespace {

template <typename T, typename Convert>
void renderAs(char* out, const float* in, qsizetype frames, int inCh, int outCh, float gain,
              Convert convert) {
    T* dst = reinterpret_cast<T*>(out);
    for (qsizetype i = 0; i < frames; ++i) {
        const float* frame = in + i * inCh;
        for (int c = 0; c < outCh; ++c) {
            float v;
            if (outCh == inCh) {
                v = frame[c];
            } else if (outCh == 1) {
                v = 0.0f;
                for (int k = 0; k < inCh; ++k)
                    v += frame[k];
                v /= static_cast<float>(inCh);
            } else {
                v = frame[c % inCh];
            }
            *dst++ = convert(std::clamp(v * gain, -1.0f, 1.0f));
        }
    }
}

} // namespace

QAudioFormat chooseOutputFormat(const QAudioDevice& device, int rate, int channels) {
    const QAudioFormat::SampleFormat kinds[] = {QAudioFormat::Float, QAudioFormat::Int16,
                                                QAudioFormat::Int32, QAudioFormat::UInt8};
    for (int ch : {channels, 2, 1}) {
        if (ch > channels && ch != 1)
            continue;
        for (auto kind : kinds) {
            QAudioFormat f;
            f.setSampleRate(rate);
            f.setChannelCount(ch);
            f.setSampleFormat(kind);
            if (device.isFormatSupported(f))
                return f;
        }
    }
    return {};
}

void renderFrames(QByteArray& out, const float* in, qsizetype frames, int inChannels,
                  const QAudioFormat& format, float gain) {
    const int outCh = format.channelCount();
    out.resize(frames * format.bytesPerFrame());
    char* dst = out.data();
    switch (format.sampleFormat()) {
    case QAudioFormat::Float:
        renderAs<float>(dst, in, frames, inChannels, outCh, gain, [](float v) { return v; });
        break;
    case QAudioFormat::Int16:
        renderAs<qint16>(dst, in, frames, inChannels, outCh, gain,
                         [](float v) { return static_cast<qint16>(std::lrint(v * 32767.0f)); });
        break;
    case QAudioFormat::Int32:
        renderAs<qint32>(dst, in, frames, inChannels, outCh, gain, [](float v) {
            return static_cast<qint32>(std::llrint(static_cast<double>(v) * 2147483647.0));
        });
        break;
    case QAudioFormat::UInt8:
        renderAs<quint8>(dst, in, frames, inChannels, outCh, gain, [](float v) {
            return static_cast<quint8>(std::lrint(128.0f + v * 127.0f));
        });
        break;
    default:
        std::memset(dst, 0, static_cast<size_t>(out.size()));
        break;
    }
}

} // namespace ondrix
