#include "platform/espeakengine.h"

#include "platform/pushoutput.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTimer>

#include <espeak-ng/espeak_ng.h>
#include <espeak-ng/speak_lib.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

namespace ondrix {

static_assert(EspeakEngine::kMinSpeed == espeakRATE_MINIMUM &&
              EspeakEngine::kMaxSpeed == espeakRATE_MAXIMUM);

namespace {

// When synthesis stops producing samples, the speech is ended this long
// after it last did (espeak-ng works some hundred times faster than it
// speaks, so that is a hang).
constexpr qint64 kSynthesisStallMs = 3000;
// espeak-ng hands its samples over in blocks of this length.
constexpr int kSynthesisBlockMs = 20;
// Between two texts spoken in one go, as between two sentences.
constexpr int kPauseBetweenTextsMs = 250;
// How often a burst looks for a hung synthesis (the worker wakes the engine
// itself whenever it has something).
constexpr int kWatchIntervalMs = 100;
constexpr int kFemale = 1;
constexpr int kMale = 2;

// ------------------------------------------------------------------ voices

struct Voice {
    QString name;
    int gender = kMale;
    int language = 0;
    QByteArray espeakName; // for espeak_SetVoiceByName: voice file, "+variant"
};

struct LanguageId {
    const char* espeak;
    int windows;
};

constexpr LanguageId kLanguageIds[] = {
    {"fr", 1036},    {"fr-fr", 1036}, {"fr-be", 2060}, {"fr-ca", 3084}, {"fr-ch", 4108},
    {"en", 1033},    {"en-us", 1033}, {"en-gb", 2057}, {"de", 1031},    {"de-at", 3079},
    {"de-ch", 2055}, {"es", 3082},    {"es-es", 3082}, {"es-mx", 2058}, {"it", 1040},
    {"nl", 1043},    {"nl-be", 2067}, {"pt", 2070},    {"pt-pt", 2070}, {"pt-br", 1046},
};

int windowsLanguageId(const QByteArray& espeakLanguage) {
    for (const LanguageId& id : kLanguageIds)
        if (espeakLanguage == id.espeak)
            return id.windows;
    return 0;
}

// What the list offers, in its order: the voice whose first language is
// `language`, under our name (ten characters at most: the window's voice
// label shows no more), and for French and English the female variants too.
struct Offer {
    const char* language;
    const char* name;
    bool femaleVariants;
};

constexpr Offer kOffers[] = {
    {"fr-fr", "French", true},     {"en-gb", "English", true},     {"fr-be", "French BE", false},
    {"fr-ch", "French CH", false}, {"en-us", "English US", false}, {"de", "German", false},
    {"es", "Spanish", false},      {"it", "Italian", false},       {"nl", "Dutch", false},
    {"pt", "Portuguese", false},
};

constexpr const char* kFemaleVariants[] = {"f1", "f2", "f3", "f4", "f5"};

int ourGender(int espeakGender) {
    return espeakGender == 2 ? kFemale : kMale;
}

// The offered voices that espeak-ng has and can load. Each is loaded once
// here, so a voice in the list is one that speaks.
std::vector<Voice> findVoices() {
    struct Listed {
        QByteArray identifier;
        QByteArray language;
        int gender;
    };
    // espeak_ListVoices() frees the previous list: copy each out first.
    std::vector<Listed> listed;
    for (const espeak_VOICE** v = espeak_ListVoices(nullptr); v && *v; ++v) {
        const char* languages = (*v)->languages;
        if (!(*v)->identifier || !languages || languages[0] == 0)
            continue;
        listed.push_back({(*v)->identifier, QByteArray(languages + 1).toLower(), (*v)->gender});
    }
    espeak_VOICE variantSpec{};
    variantSpec.languages = "variant";
    std::map<QByteArray, int> variantGender;
    for (const espeak_VOICE** v = espeak_ListVoices(&variantSpec); v && *v; ++v) {
        const QByteArray id = (*v)->identifier;
        if (id.startsWith("!v/"))
            variantGender[id.mid(3)] = (*v)->gender;
    }

    std::vector<Voice> voices;
    const auto offer = [&voices](const QString& name, const QByteArray& espeakName, int gender,
                                 int language) {
        if (espeak_SetVoiceByName(espeakName.constData()) == EE_OK)
            voices.push_back({name, ourGender(gender), language, espeakName});
    };
    for (const Offer& o : kOffers) {
        const auto base = std::find_if(listed.begin(), listed.end(),
                                       [&](const Listed& l) { return l.language == o.language; });
        if (base == listed.end())
            continue;
        const int language = windowsLanguageId(o.language);
        offer(QString::fromLatin1(o.name), base->identifier, base->gender, language);
        if (!o.femaleVariants)
            continue;
        for (size_t i = 0; i < std::size(kFemaleVariants); ++i) {
            const auto variant = variantGender.find(kFemaleVariants[i]);
            if (variant == variantGender.end() || ourGender(variant->second) != kFemale)
                continue;
            offer(QStringLiteral("%1 F%2").arg(QString::fromLatin1(o.name)).arg(i + 1),
                  base->identifier + '+' + kFemaleVariants[i], variant->second, language);
        }
    }
    return voices;
}

// ------------------------------------------------------------------ library

// espeak-ng keeps its state in globals: there is one per process, whatever
// the number of engines, and every call into it holds `mutex`.
struct Library {
    std::mutex mutex;
    bool ready = false;
    QString dataDir; // as the first engine gave it
    int sampleRate = 0;
    std::vector<Voice> voices;
    QByteArray loadedVoice; // the voice espeak-ng has loaded
};

Library& library() {
    static Library lib;
    return lib;
}

QString statusText(espeak_ng_STATUS status) {
    char text[256] = {};
    espeak_ng_GetStatusCodeMessage(status, text, sizeof text);
    return QString::fromLocal8Bit(text);
}

QString canonicalDir(const QString& dir) {
    if (dir.isEmpty())
        return {};
    const QString canonical = QFileInfo(dir).canonicalFilePath();
    return canonical.isEmpty() ? dir : canonical;
}

// Starts espeak-ng on `dataDir` unless it already runs. Returns why it
// cannot serve this engine, or an empty string. Holds lib.mutex.
QString startLibrary(Library& lib, const QString& dataDir) {
    const QString wanted = canonicalDir(dataDir);
    if (lib.ready) {
        if (lib.dataDir == wanted)
            return {};
        return QStringLiteral("espeak-ng est déjà lancé avec d'autres données (%1)")
            .arg(lib.dataDir.isEmpty() ? QStringLiteral("celles du système") : lib.dataDir);
    }
    // espeak-ng falls back to the system's data when the directory it is
    // given does not exist; asked for a directory, we want that one or none.
    if (!wanted.isEmpty() && !QFileInfo(wanted).isDir())
        return QStringLiteral("dossier de données espeak-ng introuvable : %1").arg(dataDir);
    const QByteArray path = QFile::encodeName(wanted);
    espeak_ng_InitializePath(wanted.isEmpty() ? nullptr : path.constData());
    espeak_ng_ERROR_CONTEXT context = nullptr;
    espeak_ng_STATUS status = espeak_ng_Initialize(&context);
    espeak_ng_ClearErrorContext(&context);
    if (status != ENS_OK)
        return QStringLiteral("espeak-ng ne démarre pas : %1").arg(statusText(status));
    // Synchronous: espeak_Synth() returns once the text is synthesised, and
    // hands the samples to onSynthesised() meanwhile, on the caller's thread.
    status = espeak_ng_InitializeOutput(ENOUTPUT_MODE_SYNCHRONOUS, kSynthesisBlockMs, nullptr);
    if (status != ENS_OK)
        return QStringLiteral("espeak-ng ne démarre pas : %1").arg(statusText(status));
    lib.sampleRate = espeak_ng_GetSampleRate();
    if (lib.sampleRate <= 0)
        return QStringLiteral("espeak-ng ne donne pas sa fréquence d'échantillonnage");
    lib.voices = findVoices();
    // The first voice, which speaks until another is chosen, is ready to go.
    lib.loadedVoice.clear();
    if (!lib.voices.empty() &&
        espeak_SetVoiceByName(lib.voices.front().espeakName.constData()) == EE_OK)
        lib.loadedVoice = lib.voices.front().espeakName;
    lib.dataDir = wanted;
    lib.ready = true;
    return {};
}

// ------------------------------------------------------------------ worker

struct Job {
    QByteArray text; // UTF-8
    QByteArray voice;
    QString voiceName;
    int speed = espeakRATE_NORMAL;
    bool pauseBefore = false;
};

// Between the UI thread and the worker. Samples flow one way, jobs the other;
// `generation` moves on whenever the UI thread drops what it asked for, and
// the worker then throws away (or aborts) anything older.
struct Channel {
    std::mutex mutex;
    std::condition_variable jobsReady;
    std::deque<Job> jobs;
    quint64 generation = 0;
    int unfinished = 0; // jobs of this generation queued or in synthesis
    std::vector<int16_t> samples;
    QString error;
    bool quit = false;
    EspeakEngine::SynthesisCheck check;
};

// Where espeak-ng's samples go during one espeak_Synth() on the worker.
struct Delivery {
    Delivery(Channel& to, std::function<void()> wake)
        : channel(to), generation(to.generation), notify(std::move(wake)), check(to.check) {}

    Channel& channel;
    quint64 generation;
    std::function<void()> notify;
    EspeakEngine::SynthesisCheck check;
    size_t pauseBefore = 0; // silent samples, sent with the first speech
    qint64 synthesised = 0;
    bool aborted = false; // stopped because the samples are no longer wanted
    QString error;        // stopped by the check

    // False when synthesis is to stop.
    bool take(const int16_t* samples, size_t count) {
        if (count > 0 && check) {
            error = check(synthesised);
            if (!error.isEmpty())
                return false;
        }
        synthesised += static_cast<qint64>(count);
        bool first = false;
        {
            std::lock_guard lock(channel.mutex);
            if (channel.quit || channel.generation != generation) {
                aborted = true;
                return false;
            }
            if (count == 0)
                return true;
            first = channel.samples.empty();
            channel.samples.insert(channel.samples.end(), pauseBefore, 0);
            pauseBefore = 0;
            channel.samples.insert(channel.samples.end(), samples, samples + count);
        }
        if (first)
            notify();
        return true;
    }
};

thread_local Delivery* tlsDelivery = nullptr;

int onSynthesised(short* wav, int count, espeak_EVENT*) {
    Delivery* to = tlsDelivery;
    if (!to)
        return 1;
    return to->take(wav, wav && count > 0 ? static_cast<size_t>(count) : 0) ? 0 : 1;
}

// Synthesises one job into the channel. Returns the error, if any.
QString synthesise(const Job& job, Delivery& delivery) {
    Library& lib = library();
    std::lock_guard lock(lib.mutex);
    if (lib.loadedVoice != job.voice) {
        lib.loadedVoice.clear();
        if (espeak_SetVoiceByName(job.voice.constData()) != EE_OK)
            return QStringLiteral("la voix « %1 » ne peut pas être chargée").arg(job.voiceName);
        lib.loadedVoice = job.voice;
    }
    if (job.pauseBefore)
        delivery.pauseBefore = static_cast<size_t>(lib.sampleRate) * kPauseBetweenTextsMs / 1000;
    espeak_SetParameter(espeakRATE, job.speed, 0);
    espeak_SetSynthCallback(onSynthesised);
    tlsDelivery = &delivery;
    const espeak_ERROR result =
        espeak_Synth(job.text.constData(), static_cast<size_t>(job.text.size()) + 1, 0,
                     POS_CHARACTER, 0, espeakCHARS_UTF8, nullptr, nullptr);
    tlsDelivery = nullptr;
    if (!delivery.error.isEmpty())
        return delivery.error;
    if (result != EE_OK && !delivery.aborted)
        return QStringLiteral("espeak-ng a échoué (erreur %1)").arg(static_cast<int>(result));
    return {};
}

// Control characters other than blanks would reach espeak-ng's own command
// syntax; they are spoken as the blanks they stand for.
QString speakable(const QString& text) {
    QString out = text;
    for (QChar& c : out)
        if (c.unicode() < 0x20 && c != u'\n' && c != u'\t' && c != u'\r')
            c = u' ';
    return out;
}

} // namespace

// ------------------------------------------------------------------ engine

struct EspeakEngine::Impl {
    Impl(EspeakEngine* owner, const QString& dataDir) : q(owner) {
        Library& lib = library();
        {
            std::lock_guard lock(lib.mutex);
            unavailable = startLibrary(lib, dataDir);
            if (unavailable.isEmpty()) {
                voices = lib.voices;
                sampleRate = lib.sampleRate;
            }
        }
        if (!unavailable.isEmpty())
            return;
        watch.setInterval(kWatchIntervalMs);
        QObject::connect(&watch, &QTimer::timeout, owner, [this] { tick(); });
        output = std::make_unique<PushOutput>();
        output->onDrained = [this] {
            // An engine error ends the speech where it happened: what came
            // before it is heard, then the error is reported.
            if (synthesisError.isEmpty())
                finish();
            else
                fail(synthesisError);
        };
        output->onFailed = [this](PushOutput::Failure failure) {
            // A sound server that went away ends the speech; the end is
            // reported all the same so that the transmitter is released.
            fail(failure == PushOutput::Failure::OutputStopped
                     ? QStringLiteral("la sortie audio a cessé de fonctionner")
                     : QStringLiteral("la sortie audio ne prend plus d'échantillons"));
        };
        worker = std::thread([this] { work(); });
    }

    EspeakEngine* q;
    QString unavailable;
    std::vector<Voice> voices;
    int sampleRate = 0;

    int selected = 0;
    int speed = espeakRATE_NORMAL;
    int volume = 100;

    Channel channel;
    std::thread worker;
    std::atomic<bool> wakePosted{false};

    // A burst: from the speak() that found the engine silent to the end of
    // everything queued since.
    bool active = false;
    bool started = false;
    bool outputFailed = false;
    quint64 burst = 0;           // moves on at each start and end, so re-entry is seen
    std::vector<int16_t> queued; // from the worker, not yet written
    size_t queuedAt = 0;
    int lastUnfinished = 0;
    bool synthesisDone = false;
    QString synthesisError;
    QElapsedTimer sinceSynthesis;
    QTimer watch; // synthesis hangs and a refused output, while a burst lasts

    bool finishOwed = false; // a stop() left an onFinished to deliver
    bool closing = false;
    // Held apart so it can be destroyed while the rest of us is whole.
    std::unique_ptr<PushOutput> output;

    bool ok() const { return unavailable.isEmpty(); }
    bool validVoice(int index) const {
        return ok() && index >= 0 && index < static_cast<int>(voices.size());
    }

    // ------------------------------------------------ worker thread

    void work() {
        std::unique_lock lock(channel.mutex);
        for (;;) {
            channel.jobsReady.wait(lock, [this] { return channel.quit || !channel.jobs.empty(); });
            if (channel.quit)
                return;
            const Job job = std::move(channel.jobs.front());
            channel.jobs.pop_front();
            Delivery delivery(channel, [this] { wake(); });
            lock.unlock();
            const QString error = synthesise(job, delivery);
            lock.lock();
            if (channel.generation != delivery.generation)
                continue;
            --channel.unfinished;
            if (!error.isEmpty()) {
                // The speech ends where the engine failed: nothing after it
                // is synthesised.
                channel.error = error;
                channel.unfinished -= static_cast<int>(channel.jobs.size());
                channel.jobs.clear();
            }
            wake();
        }
    }

    // From the worker: has the UI thread look at once rather than at its
    // next watch. Posted to the engine, so dropped if it is gone.
    void wake() {
        if (wakePosted.exchange(true))
            return;
        QMetaObject::invokeMethod(
            q,
            [this] {
                wakePosted = false;
                tick();
            },
            Qt::QueuedConnection);
    }

    // ------------------------------------------------ UI thread

    void speak(const QString& text) {
        if (!ok() || closing || voices.empty())
            return;
        const QString clean = speakable(text);
        if (clean.trimmed().isEmpty())
            return;
        const Voice& voice = voices.at(static_cast<size_t>(selected));
        {
            std::lock_guard lock(channel.mutex);
            // After an engine error the speech ends there.
            if (!channel.error.isEmpty())
                return;
            channel.jobs.push_back({clean.toUtf8(), voice.espeakName, voice.name, speed, active});
            ++channel.unfinished;
        }
        channel.jobsReady.notify_one();
        if (active)
            return; // the output's source sees more to come: the burst goes on
        beginBurst();
    }

    void beginBurst() {
        active = true;
        started = false;
        ++burst;
        queued.clear();
        queuedAt = 0;
        lastUnfinished = -1;
        synthesisDone = false;
        synthesisError.clear();
        sinceSynthesis.start();
        // The output opens while the worker synthesises; it asks for samples
        // from the start, and gets none until onStarted.
        outputFailed = !output->start(sampleRate, 1,
                                      [this](float* out, qsizetype max) { return read(out, max); });
        watch.start();
    }

    // Ends the burst silently: the worker drops its work, the output its
    // samples. The caller says what to report.
    void endBurst() {
        watch.stop();
        output->stop();
        {
            std::lock_guard lock(channel.mutex);
            ++channel.generation;
            channel.jobs.clear();
            channel.unfinished = 0;
            channel.samples.clear();
            channel.error.clear();
        }
        active = false;
        started = false;
        outputFailed = false;
        ++burst;
        queued.clear();
        queuedAt = 0;
    }

    void stop() {
        if (!active)
            return;
        const bool sounded = started;
        endBurst();
        if (!sounded)
            return;
        finishOwed = true;
        QMetaObject::invokeMethod(
            q, [this] { deliverOwedFinish(); }, Qt::QueuedConnection);
    }

    // Returns false when the callback changed the engine's state under us.
    bool deliverOwedFinish() {
        if (!finishOwed || closing)
            return true;
        finishOwed = false;
        const quint64 before = burst;
        if (q->onFinished)
            q->onFinished();
        return !closing && burst == before;
    }

    void finish() {
        endBurst();
        if (q->onFinished)
            q->onFinished();
    }

    void fail(const QString& error) {
        const bool sounded = started;
        endBurst();
        if (q->onError)
            q->onError(error);
        if (closing)
            return;
        if (sounded && q->onFinished)
            q->onFinished();
    }

    // Moves what the worker synthesised to `queued` and notes where synthesis
    // stands.
    void takeSynthesised() {
        std::lock_guard lock(channel.mutex);
        if (!channel.samples.empty()) {
            if (queuedAt > 0) {
                queued.erase(queued.begin(),
                             queued.begin() + static_cast<std::ptrdiff_t>(queuedAt));
                queuedAt = 0;
            }
            queued.insert(queued.end(), channel.samples.begin(), channel.samples.end());
            channel.samples.clear();
        }
        if (channel.unfinished != lastUnfinished) {
            lastUnfinished = channel.unfinished;
            sinceSynthesis.start();
        }
        // Synthesis hangs when it keeps the output waiting.
        if (queuedAt < queued.size())
            sinceSynthesis.start();
        synthesisDone = channel.unfinished == 0;
        synthesisError = channel.error;
    }

    // The output's source: the speech once onStarted has been called, as
    // synthesised. The volume is the output's gain, applied as it writes.
    qsizetype read(float* out, qsizetype maxFrames) {
        if (!started)
            return 0;
        takeSynthesised();
        // espeak-ng pads the end of a text with silence; the output's tail is
        // all the silence the end needs, and onFinished comes that much sooner.
        if (synthesisDone) {
            while (queued.size() > queuedAt && queued.back() == 0)
                queued.pop_back();
        }
        const qsizetype n =
            std::min<qsizetype>(maxFrames, static_cast<qsizetype>(queued.size() - queuedAt));
        if (n == 0 && queuedAt == queued.size())
            return synthesisDone ? PushOutput::kEnded : 0;
        for (qsizetype i = 0; i < n; ++i)
            out[i] = static_cast<float>(queued[queuedAt + static_cast<size_t>(i)]) / 32768.0f;
        queuedAt += static_cast<size_t>(n);
        return n;
    }

    void tick() {
        if (closing || !active)
            return;
        if (outputFailed) {
            fail(QStringLiteral("aucune sortie audio n'est disponible"));
            return;
        }
        takeSynthesised();
        if (!synthesisDone && sinceSynthesis.elapsed() > kSynthesisStallMs) {
            fail(QStringLiteral("la synthèse vocale ne répond plus"));
            return;
        }
        if (started)
            return; // the output writes the rest and tells how it ends
        if (queuedAt == queued.size()) {
            // An engine error before any sound, or texts that gave none.
            if (!synthesisError.isEmpty())
                fail(synthesisError);
            else if (synthesisDone)
                endBurst();
            return;
        }
        const quint64 current = burst;
        // The end of what was stopped comes before this start.
        if (!deliverOwedFinish() || burst != current || !active)
            return;
        started = true;
        if (q->onStarted)
            q->onStarted();
        if (closing || burst != current)
            return;
        output->feed(); // the first samples now, not at the output's next pump
    }

    void shutDown() {
        // Audio destructors spin the event loop: nothing queued for us may
        // run while we come apart.
        closing = true;
        watch.stop();
        if (worker.joinable()) {
            {
                std::lock_guard lock(channel.mutex);
                channel.quit = true;
                ++channel.generation;
                channel.jobs.clear();
            }
            channel.jobsReady.notify_all();
            worker.join();
        }
        output.reset();
    }
};

EspeakEngine::EspeakEngine(const QString& dataDir, QObject* parent)
    : QObject(parent), d(std::make_unique<Impl>(this, dataDir)) {}

EspeakEngine::~EspeakEngine() {
    d->shutDown();
}

bool EspeakEngine::available() const {
    return d->ok();
}

QString EspeakEngine::unavailableReason() const {
    return d->unavailable;
}

int EspeakEngine::voiceCount() const {
    return d->ok() ? static_cast<int>(d->voices.size()) : 0;
}

QString EspeakEngine::voiceName(int index) const {
    return d->validVoice(index) ? d->voices[static_cast<size_t>(index)].name : QString();
}

int EspeakEngine::voiceGender(int index) const {
    return d->validVoice(index) ? d->voices[static_cast<size_t>(index)].gender : 0;
}

int EspeakEngine::voiceLanguage(int index) const {
    return d->validVoice(index) ? d->voices[static_cast<size_t>(index)].language : 0;
}

SpeechResult EspeakEngine::selectVoice(int index) {
    if (!d->ok())
        return SpeechResult::NotCreated;
    if (!d->validVoice(index))
        return SpeechResult::VoiceUnusable;
    d->selected = index;
    return SpeechResult::Ok;
}

SpeechResult EspeakEngine::setSpeed(int wordsPerMinute) {
    if (!d->ok())
        return SpeechResult::NotCreated;
    if (wordsPerMinute < kMinSpeed || wordsPerMinute > kMaxSpeed)
        return SpeechResult::Refused;
    d->speed = wordsPerMinute;
    return SpeechResult::Ok;
}

void EspeakEngine::setVolume(int percent) {
    d->volume = std::clamp(percent, 0, 100);
    if (d->output)
        d->output->setGain(static_cast<float>(d->volume) / 100.0f);
}

void EspeakEngine::setSynthesisCheck(SynthesisCheck check) {
    std::lock_guard lock(d->channel.mutex);
    d->channel.check = std::move(check);
}

void EspeakEngine::speak(const QString& text) {
    d->speak(text);
}

void EspeakEngine::stop() {
    d->stop();
}

} // namespace ondrix
