#include "platform/sndfileplayer.h"

#include "platform/pcmrender.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMediaDevices>
#include <QPointer>
#include <QTimer>
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

// Frames per read: a few thousand, whatever the channel count.
sf_count_t blockFrames(int channels) {
    return std::max<sf_count_t>(1, 16384 / channels);
}

// Reads the whole stream to count its frames: an MP3's header may misstate
// its length, and a decode error anywhere makes the file unusable.
// Returns -1 on a decode error.
sf_count_t countFrames(SNDFILE* sf, int channels) {
    const sf_count_t block = blockFrames(channels);
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
    explicit Impl(SndfilePlayer* owner) : q(owner) {
        pump.setTimerType(Qt::PreciseTimer);
        pump.setInterval(kPumpIntervalMs);
        QObject::connect(&pump, &QTimer::timeout, owner, [this] { tick(); });
    }

    SndfilePlayer* q;

    // The open file, as counted at open. The file itself is read only while
    // playing: message files can be long, and the user may replace one
    // between plays.
    QByteArray nativePath;
    int rate = 0;
    int channels = 0;
    sf_count_t frames = 0;

    // The current play.
    bool playing = false;
    SndfilePtr stream;
    bool allWritten = false;
    qint64 framesWritten = 0;
    sf_count_t silenceLeft = 0;
    QByteArray pending; // rendered, not yet taken by the sink
    QElapsedTimer sinceAllWritten;
    QElapsedTimer sinceProgress;
    std::vector<float> decoded;

    // One sink, kept across plays while the format stays; a sink of another
    // format is stopped and deleted later (its destructor spins the event
    // loop, which must not happen inside our calls).
    QAudioSink* sink = nullptr;
    QIODevice* sinkIo = nullptr;
    QByteArray sinkDevice;
    std::vector<QPointer<QAudioSink>> retired;
    QTimer pump;

    int volume = kVolumeFull;
    bool mute = false;
    bool closing = false;

    void closeFile() {
        endPlay();
        nativePath.clear();
        rate = channels = 0;
        frames = 0;
    }

    // Ends the current play silently: no onFinished.
    void endPlay() {
        pump.stop(); // first: no tick may feed a sink being stopped
        if (sink)
            sink->stop();
        sinkIo = nullptr;
        stream.reset();
        silenceLeft = 0;
        pending.clear();
        playing = false;
        allWritten = false;
        framesWritten = 0;
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
        const QAudioDevice device = QMediaDevices::defaultAudioOutput();
        const QAudioFormat format =
            device.isNull() ? QAudioFormat{} : chooseOutputFormat(device, rate, channels);
        if (!format.isValid() ||
            !startPushSink(sink, sinkIo, sinkDevice, retired, device, format)) {
            stream.reset();
            return PlayResult::NothingToPlay;
        }
        playing = true;
        sinceProgress.start();
        feed(); // the first block now: the onset is not left to the next tick
        pump.start();
        return PlayResult::Started;
    }

    // Tops the sink up to what it takes: the file, then a little silence.
    void feed() {
        const QAudioFormat format = sink->format();
        const int bytesPerFrame = format.bytesPerFrame();
        qsizetype room = sink->bytesFree();
        if (!writeOut(room))
            return;
        const float gain = gainFor(volume, mute);
        const sf_count_t block = blockFrames(channels);
        decoded.resize(static_cast<size_t>(block * channels));
        while (room >= bytesPerFrame && (stream || silenceLeft > 0)) {
            const sf_count_t want = std::min<sf_count_t>(block, room / bytesPerFrame);
            sf_count_t got = 0;
            if (stream) {
                got = std::max<sf_count_t>(sf_readf_float(stream.get(), decoded.data(), want), 0);
                // A read error now (the file changed since it was opened)
                // ends the play where it stands.
                if (got < want || sf_error(stream.get()) != SF_ERR_NO_ERROR) {
                    stream.reset();
                    silenceLeft = static_cast<sf_count_t>(rate) * kTailSilenceMs / 1000;
                }
            } else {
                got = std::min(want, silenceLeft);
                std::fill_n(decoded.begin(), got * channels, 0.0f);
                silenceLeft -= got;
            }
            if (got > 0) {
                renderFrames(pending, decoded.data(), got, channels, format, gain);
                framesWritten += got;
                if (!writeOut(room))
                    return;
            }
        }
        if (!stream && silenceLeft == 0 && pending.isEmpty() && !allWritten)
            markAllWritten();
    }

    // Writes what is pending; true when the sink took all of it.
    bool writeOut(qsizetype& room) {
        if (pending.isEmpty())
            return true;
        const qint64 n = sinkIo->write(pending.constData(), pending.size());
        if (n > 0) {
            pending.remove(0, n);
            room -= n;
            sinceProgress.start();
        }
        return pending.isEmpty();
    }

    void markAllWritten() {
        allWritten = true;
        sinceAllWritten.start();
    }

    qint64 writtenUSecs() const { return framesWritten * 1000000 / rate; }

    // The last sample is heard once the sink has drained everything (it goes
    // Idle) or its played time has caught up with what was written; failing
    // both, a while after it should have been.
    bool heardToTheEnd() const {
        if (sink->state() == QAudio::IdleState)
            return true;
        if (sink->processedUSecs() >= writtenUSecs())
            return true;
        return sinceAllWritten.elapsed() > kSinkBufferMs + kFinishGraceMs;
    }

    void tick() {
        if (!playing)
            return;
        // A sound server that went away or froze ends the play; its end is
        // reported all the same so the transmitter is released.
        bool gaveUp = sink->state() == QAudio::StoppedState;
        if (!gaveUp && !allWritten) {
            feed();
            gaveUp = !allWritten && sinceProgress.elapsed() > kStallMs;
        }
        if (gaveUp || (allWritten && heardToTheEnd())) {
            endPlay();
            if (q->onFinished)
                q->onFinished();
        }
    }

    double position() const {
        if (!playing || !sink)
            return 0.0;
        const double heard = static_cast<double>(sink->processedUSecs()) / 1e6;
        return std::clamp(heard, 0.0, static_cast<double>(frames) / rate);
    }
};

SndfilePlayer::SndfilePlayer(QObject* parent) : QObject(parent), d(std::make_unique<Impl>(this)) {}

SndfilePlayer::~SndfilePlayer() {
    // Audio destructors spin the event loop: nothing queued for us may run
    // while we come apart.
    d->closing = true;
    d->endPlay();
    for (const QPointer<QAudioSink>& old : d->retired)
        delete old.data();
    delete d->sink;
    d->sink = nullptr;
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
    return d->playing;
}

double SndfilePlayer::position() const {
    return d->position();
}

double SndfilePlayer::duration() const {
    return d->rate > 0 ? static_cast<double>(d->frames) / d->rate : 0.0;
}

void SndfilePlayer::setVolume(int volume) {
    d->volume = std::clamp(volume, kVolumeSilent, kVolumeFull);
}

int SndfilePlayer::volume() const {
    return d->volume;
}

void SndfilePlayer::setMute(bool mute) {
    d->mute = mute;
}

bool SndfilePlayer::mute() const {
    return d->mute;
}

} // namespace ondrix
