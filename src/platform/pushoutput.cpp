#include "platform/pushoutput.h"

#include "platform/pcmrender.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QElapsedTimer>
#include <QMediaDevices>
#include <QPointer>
#include <QTimer>

#include <algorithm>
#include <vector>

namespace ondrix {

namespace {

// Frames asked of the source at a time.
constexpr qsizetype kBlockFrames = 4096;

} // namespace

struct PushOutput::Impl {
    explicit Impl(PushOutput* owner) : q(owner) {
        pump.setTimerType(Qt::PreciseTimer);
        pump.setInterval(kPumpIntervalMs);
        QObject::connect(&pump, &QTimer::timeout, owner, [this] { tick(); });
    }

    PushOutput* q;

    // One sink, kept from sound to sound while the output and format stay;
    // another is stopped and deleted later, from the event loop (its
    // destructor spins the event loop, which must not happen inside our
    // calls). stop() deletes the device start() returned.
    QAudioSink* sink = nullptr;
    QIODevice* sinkIo = nullptr;
    QByteArray sinkDevice;
    std::vector<QPointer<QAudioSink>> retired;
    QTimer pump;
    float gain = 1.0f;

    // The current sound.
    bool playing = false;
    Source source;
    QAudioFormat format;
    int rate = 0;
    int channels = 0;
    std::vector<float> block;
    QByteArray pending; // rendered, not yet taken by the sink
    qint64 framesWritten = 0;
    qint64 tailLeft = 0;
    bool ended = false;           // the source's last answer was kEnded
    bool waitingOnSource = false; // it had nothing to give when asked
    bool allWritten = false;      // the source has ended and the tail is in the sink
    QElapsedTimer sinceAllWritten;
    QElapsedTimer sinceProgress;

    bool openSink(const QAudioDevice& device) {
        std::erase_if(retired, [](const QPointer<QAudioSink>& p) { return p.isNull(); });
        if (sink && (sink->format() != format || sinkDevice != device.id())) {
            sink->stop();
            sink->deleteLater();
            retired.emplace_back(sink);
            sink = nullptr;
        }
        if (!sink) {
            sink = new QAudioSink(device, format);
            sinkDevice = device.id();
        }
        sink->setBufferSize(format.bytesForDuration(kSinkBufferMs * 1000));
        sinkIo = sink->start();
        if (!sinkIo || sink->error() != QAudio::NoError) {
            sink->stop();
            sinkIo = nullptr;
            return false;
        }
        return true;
    }

    bool start(int sampleRate, int channelCount, Source from) {
        halt();
        if (sampleRate <= 0 || channelCount <= 0 || !from)
            return false;
        const QAudioDevice device = QMediaDevices::defaultAudioOutput();
        if (device.isNull())
            return false;
        format = chooseOutputFormat(device, sampleRate, channelCount);
        if (!format.isValid() || !openSink(device))
            return false;
        source = std::move(from);
        rate = sampleRate;
        channels = channelCount;
        framesWritten = 0;
        tailLeft = static_cast<qint64>(rate) * kTailSilenceMs / 1000;
        ended = false;
        waitingOnSource = false;
        allWritten = false;
        playing = true;
        sinceProgress.start();
        feed(); // the first block now: the onset is not left to the next pump
        pump.start();
        return true;
    }

    // Ends the sound silently. The source is kept until the next start
    // replaces it.
    void halt() {
        pump.stop(); // first: no pump may feed a sink being stopped
        if (sink)
            sink->stop();
        sinkIo = nullptr;
        pending.clear();
        playing = false;
    }

    // Tops the sink up to what it takes: the source's samples, then a little
    // silence once it has ended.
    void feed() {
        if (!playing)
            return;
        const int bytesPerFrame = format.bytesPerFrame();
        const qint64 tailFrames = static_cast<qint64>(rate) * kTailSilenceMs / 1000;
        qsizetype room = sink->bytesFree();
        if (!writeOut(room))
            return;
        do {
            const qsizetype want = std::min<qsizetype>(room / bytesPerFrame, kBlockFrames);
            block.resize(static_cast<size_t>(std::max<qsizetype>(want, 1) * channels));
            qsizetype got = source(block.data(), want);
            if (!playing)
                return;
            ended = got == kEnded;
            waitingOnSource = got == 0 && want > 0;
            if (!ended) {
                allWritten = false;
                got = std::clamp<qsizetype>(got, 0, want);
                if (got == 0)
                    break;
                tailLeft = tailFrames; // the tail follows the latest samples
            } else {
                got = static_cast<qsizetype>(std::min<qint64>(want, tailLeft));
                if (got == 0)
                    break;
                std::fill_n(block.begin(), got * channels, 0.0f);
                tailLeft -= got;
            }
            renderFrames(pending, block.data(), got, channels, format, gain);
            framesWritten += got;
            if (!writeOut(room))
                return;
        } while (room >= bytesPerFrame);
        if (ended && tailLeft == 0 && pending.isEmpty() && !allWritten) {
            allWritten = true;
            sinceAllWritten.start();
        }
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

    // The last sample is heard once the sink's played time, which counts the
    // device's own latency, has caught up with everything written; failing
    // that, a while after it should have been. (The sink going Idle only says
    // the server took the last samples: the device may still hold them.)
    bool heardToTheEnd() const {
        if (sink->processedUSecs() >= framesWritten * 1000000 / rate)
            return true;
        return sinceAllWritten.elapsed() > kSinkBufferMs + kFinishGraceMs;
    }

    void tick() {
        if (!playing)
            return;
        if (sink->state() == QAudio::StoppedState)
            return fail(Failure::OutputStopped);
        feed();
        if (!playing)
            return;
        if (allWritten) {
            if (heardToTheEnd()) {
                halt();
                if (q->onDrained)
                    q->onDrained(); // last: it may start the next sound
            }
            return;
        }
        // Only samples the sink will not take count: a source with nothing
        // to give has its own reasons.
        if (waitingOnSource)
            sinceProgress.start();
        else if (sinceProgress.elapsed() > kStallMs)
            fail(Failure::OutputStalled);
    }

    void fail(Failure failure) {
        halt();
        if (q->onFailed)
            q->onFailed(failure); // last: it may start the next sound
    }
};

PushOutput::PushOutput(QObject* parent) : QObject(parent), d(std::make_unique<Impl>(this)) {}

PushOutput::~PushOutput() {
    // The audio destructors below spin the event loop: the pump is stopped
    // first, so nothing of ours runs meanwhile.
    d->halt();
    for (const QPointer<QAudioSink>& old : d->retired)
        delete old.data();
    delete d->sink;
    d->sink = nullptr;
}

bool PushOutput::start(int rate, int channels, Source source) {
    return d->start(rate, channels, std::move(source));
}

void PushOutput::stop() {
    d->halt();
}

void PushOutput::feed() {
    d->feed();
}

bool PushOutput::isPlaying() const {
    return d->playing;
}

qint64 PushOutput::heardUSecs() const {
    return d->playing ? d->sink->processedUSecs() : 0;
}

void PushOutput::setGain(float gain) {
    d->gain = std::max(gain, 0.0f);
}

} // namespace ondrix
