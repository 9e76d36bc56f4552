#include "platform/sndfileplayer.h"

#include "platform/pushoutput.h"

#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace ondrix {

namespace {

constexpr int kVolumeSilent = -2500;
constexpr int kVolumeFull = 0;

struct SndfileCloser {
    void operator()(SNDFILE* f) const { sf_close(f); }
};
using SndfilePtr = std::unique_ptr<SNDFILE, SndfileCloser>;

SndfilePtr openForReading(const QByteArray& nativePath, SF_INFO& info) {
    info = SF_INFO{};
    return SndfilePtr(sf_open(nativePath.constData(), SFM_READ, &info));
}

// Reads the whole stream to count its frames: an MP3's header may misstate
// its length, and a decode error anywhere makes the file unusable.
// Returns -1 on a decode error.
sf_count_t countFrames(SNDFILE* sf, int channels) {
    const sf_count_t block = std::max<sf_count_t>(1, 16384 / channels);
    std::vector<float> buffer(static_cast<size_t>(block * channels));
    sf_count_t total = 0;
    for (;;) {
        const sf_count_t got = sf_readf_float(sf, buffer.data(), block);
        if (sf_error(sf) != SF_ERR_NO_ERROR)
            return -1;
        if (got <= 0)
            break;
        total += got;
    }
    return total;
}

// libsndfile opens a WAV whose data chunk is cut short and quietly plays what
// is there; a message cut in the middle is refused instead. Data sizes of 0
// and 0xFFFFFFFF are what streaming writers leave and are not checked.
bool wavDataTruncated(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return true;
    const qint64 size = file.size();
    const QByteArray riff = file.read(12);
    if (riff.size() < 12 || !riff.startsWith("RIFF") || riff.mid(8, 4) != "WAVE")
        return false; // RF64, RIFX...: left to libsndfile
    qint64 pos = 12;
    while (pos + 8 <= size) {
        if (!file.seek(pos))
            return true;
        const QByteArray header = file.read(8);
        if (header.size() < 8)
            return true;
        const quint32 chunkSize = qFromLittleEndian<quint32>(header.constData() + 4);
        if (header.startsWith("data")) {
            if (chunkSize == 0 || chunkSize == 0xFFFFFFFFu)
                return false;
            return pos + 8 + static_cast<qint64>(chunkSize) > size;
        }
        pos += 8 + static_cast<qint64>(chunkSize) + (chunkSize & 1u);
    }
    return true; // no data chunk within the file
}

float gainFor(int volume, bool mute) {
    if (mute || volume <= kVolumeSilent)
        return 0.0f;
    return static_cast<float>(std::pow(10.0, volume / 2000.0));
}

} // namespace

struct SndfilePlayer::Impl {
    explicit Impl(SndfilePlayer* owner) : q(owner), output(std::make_unique<PushOutput>()) {
        output->onDrained = [this] { ended(); };
        // A sound server that went away or froze ends the play; its end is
        // reported all the same so the transmitter is released.
        output->onFailed = [this](PushOutput::Failure) { ended(); };
        applyVolume();
    }

    SndfilePlayer* q;

    // The open file, as counted at open. The file itself is read only while
    // playing: message files can be long, and the user may replace one
    // between plays.
    QByteArray nativePath;
    int rate = 0;
    int channels = 0;
    sf_count_t frames = 0;

    SndfilePtr stream; // the current play's, until its last frame is read
    int volume = kVolumeFull;
    bool mute = false;
    bool closing = false;
    // Held apart so it can be destroyed while the rest of us is whole.
    std::unique_ptr<PushOutput> output;

    void closeFile() {
        endPlay();
        nativePath.clear();
        rate = channels = 0;
        frames = 0;
    }

    // Ends the current play silently: no onFinished.
    void endPlay() {
        output->stop();
        stream.reset();
    }

    void ended() {
        stream.reset();
        if (q->onFinished)
            q->onFinished();
    }

    bool openFile(const QString& path) {
        const QFileInfo info(path);
        if (!info.isFile() || !info.isReadable())
            return false; // also keeps sf_open off directories and fifos
        const QByteArray native = QFile::encodeName(path);
        SF_INFO sfInfo;
        SndfilePtr sf = openForReading(native, sfInfo);
        if (!sf || sfInfo.samplerate <= 0 || sfInfo.channels <= 0)
            return false;
        const int major = sfInfo.format & SF_FORMAT_TYPEMASK;
        if ((major == SF_FORMAT_WAV || major == SF_FORMAT_WAVEX) && wavDataTruncated(path))
            return false;
        const sf_count_t counted = countFrames(sf.get(), sfInfo.channels);
        if (counted <= 0)
            return false;
        nativePath = native;
        rate = sfInfo.samplerate;
        channels = sfInfo.channels;
        frames = counted;
        return true;
    }

    PlayResult play() {
        endPlay();
        if (frames <= 0)
            return PlayResult::NothingToPlay;
        SF_INFO sfInfo;
        stream = openForReading(nativePath, sfInfo);
        if (!stream || sfInfo.samplerate != rate || sfInfo.channels != channels) {
            stream.reset();
            return PlayResult::NothingToPlay;
        }
        if (!output->start(rate, channels,
                           [this](float* out, qsizetype max) { return read(out, max); })) {
            stream.reset();
            return PlayResult::NothingToPlay;
        }
        return PlayResult::Started;
    }

    // The output's source: the file, decoded as it is written.
    qsizetype read(float* out, qsizetype maxFrames) {
        if (!stream)
            return PushOutput::kEnded;
        const sf_count_t got =
            std::max<sf_count_t>(sf_readf_float(stream.get(), out, maxFrames), 0);
        // A read error now (the file changed since it was opened) ends the
        // play where it stands.
        if (got < maxFrames || sf_error(stream.get()) != SF_ERR_NO_ERROR)
            stream.reset();
        if (got > 0)
            return static_cast<qsizetype>(got);
        return stream ? 0 : PushOutput::kEnded;
    }

    void applyVolume() { output->setGain(gainFor(volume, mute)); }

    double position() const {
        const double heard = static_cast<double>(output->heardUSecs()) / 1e6;
        return rate > 0 ? std::clamp(heard, 0.0, static_cast<double>(frames) / rate) : 0.0;
    }
};

SndfilePlayer::SndfilePlayer(QObject* parent) : QObject(parent), d(std::make_unique<Impl>(this)) {}

SndfilePlayer::~SndfilePlayer() {
    // The output's destruction spins the event loop: nothing queued for us
    // may run meanwhile.
    d->closing = true;
    d->output.reset();
}

void SndfilePlayer::open(const QString& path) {
    d->closeFile();
    if (!path.isEmpty() && !d->openFile(path))
        d->closeFile();
    // Each open gets its own notice, even when a later open comes before it.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (!d->closing && onDurationKnown)
                onDurationKnown();
        },
        Qt::QueuedConnection);
}

PlayResult SndfilePlayer::play() {
    return d->play();
}

void SndfilePlayer::stop() {
    d->endPlay();
}

bool SndfilePlayer::isPlaying() const {
    return d->output->isPlaying();
}

double SndfilePlayer::position() const {
    return d->position();
}

double SndfilePlayer::duration() const {
    return d->rate > 0 ? static_cast<double>(d->frames) / d->rate : 0.0;
}

void SndfilePlayer::setVolume(int volume) {
    d->volume = std::clamp(volume, kVolumeSilent, kVolumeFull);
    d->applyVolume();
}

int SndfilePlayer::volume() const {
    return d->volume;
}

void SndfilePlayer::setMute(bool mute) {
    d->mute = mute;
    d->applyVolume();
}

bool SndfilePlayer::mute() const {
    return d->mute;
}

} // namespace ondrix
