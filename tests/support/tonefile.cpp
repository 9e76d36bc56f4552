#include "tonefile.h"

#include <QFile>

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace ondrix::test {

bool writeToneFile(const QString& path, ToneFormat format, const Tone& tone, QString* error) {
    const auto fail = [&](const QString& why) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(path, why);
        return false;
    };
    SF_INFO info{};
    info.samplerate = tone.rate;
    info.channels = tone.channels;
    // libsndfile 1.2 encodes MP3 through LAME; the decoder finds the encoder's
    // delay and padding in the header it writes, so the tone decodes back to
    // its exact length.
    info.format = format == ToneFormat::Wav ? SF_FORMAT_WAV | SF_FORMAT_PCM_16
                                            : SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III;
    SNDFILE* sf = sf_open(QFile::encodeName(path).constData(), SFM_WRITE, &info);
    if (!sf)
        return fail(QString::fromLocal8Bit(sf_strerror(nullptr)));

    const auto frames = static_cast<sf_count_t>(std::llround(tone.seconds * tone.rate));
    constexpr sf_count_t kBlock = 4096;
    std::vector<float> block(static_cast<size_t>(kBlock * tone.channels));
    const double step = 2.0 * std::numbers::pi * tone.frequency / tone.rate;
    for (sf_count_t done = 0; done < frames;) {
        const sf_count_t n = std::min(kBlock, frames - done);
        for (sf_count_t i = 0; i < n; ++i) {
            const auto v = static_cast<float>(tone.amplitude * std::sin(step * double(done + i)));
            for (int c = 0; c < tone.channels; ++c)
                block[static_cast<size_t>(i * tone.channels + c)] = v;
        }
        if (sf_writef_float(sf, block.data(), n) != n) {
            const QString why = QString::fromLocal8Bit(sf_strerror(sf));
            sf_close(sf);
            return fail(why);
        }
        done += n;
    }
    if (sf_close(sf) != 0)
        return fail(QStringLiteral("close failed"));
    return true;
}

} // namespace ondrix::test
