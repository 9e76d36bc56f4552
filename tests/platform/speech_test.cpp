// The espeak-ng speech engine against a real PulseAudio server: the rig's
// null sink, whose monitor is recorded and measured. "Started" keys the
// transmitter and "finished" releases it, so both are checked against what
// was heard.

#include "platform/espeakengine.h"

#include "audiorig.h"
#include "capture.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <signal.h>
#include <unistd.h>

using namespace ondrix;
using namespace ondrix::test;
using Clock = std::chrono::steady_clock;

namespace {

// Holds the engine's synthesis (on its worker thread) until the test lets it
// go, without polling. Shared with the worker, which may still look at it
// after the test's body.
class SynthesisHold {
public:
    void waitForRelease() {
        std::unique_lock lock(mutex_);
        released_.wait(lock, [this] { return release_; });
    }
    void letGo() {
        {
            const std::lock_guard lock(mutex_);
            release_ = true;
        }
        released_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable released_;
    bool release_ = false;
};

constexpr int kRate = NullSinkRecorder::kRate;
// Speech is what rises above -50 dBFS (the null sink's silence is digital
// zero; espeak-ng peaks near -5 dBFS), so the ends of soft consonants count.
constexpr double kThreshold = 0.003;
// Gaps shorter than this are pauses within one stretch of speech.
constexpr double kWithinSpeechS = 0.2;
// The null sink renders a little ahead of the clock and its monitor passes
// samples on as rendered: times on the recording hold within this.
constexpr double kCaptureSlackS = 0.02;
// A notification or a silence this late is lost, not slow. The figures are
// printed; targets on them belong to bench/speech_latency.
constexpr double kLateS = 1.0;

const QString kSentence = QStringLiteral("Ici la balise de Saint-Malo, bonne écoute à tous.");
const QString kShort = QStringLiteral("Ici la balise de Saint-Malo.");
// About twenty seconds of speech at the normal speed.
const QString kLong = QStringLiteral(
    "Ici la balise de Saint-Malo, émettant depuis le fort national sur cent quarante-quatre "
    "mégahertz huit cents. Merci de vos reports et bonne écoute à tous. Ici la balise de "
    "Saint-Malo, émettant depuis le fort national.");

std::vector<Span> speechSpans(const std::vector<int16_t>& rec) {
    return soundSpans(rec, kRate, kThreshold, kWithinSpeechS);
}

// From the first sound to the last; zero-length when nothing was heard.
Span heard(const std::vector<int16_t>& rec) {
    const auto spans = soundSpans(rec, kRate, kThreshold, 10.0);
    return spans.empty() ? Span{} : Span{spans.front().start, spans.back().end};
}

double toDb(double ratio) {
    return 20.0 * std::log10(ratio);
}

// Median pitch of the voiced parts of a recording, in Hz (0 when none):
// normalised autocorrelation over 40 ms frames, searched over 70..400 Hz.
double medianPitch(const std::vector<int16_t>& rec) {
    constexpr int kStep = 2; // 24 kHz is plenty for a voice's pitch
    constexpr int rate = kRate / kStep;
    std::vector<double> x;
    for (size_t i = 0; i + kStep <= rec.size(); i += kStep)
        x.push_back((rec[i] + rec[i + 1]) / 65536.0);
    const int frame = rate * 40 / 1000;
    const int minLag = rate / 400;
    const int maxLag = rate / 70;
    std::vector<double> pitches;
    for (size_t at = 0; at + static_cast<size_t>(frame + maxLag) < x.size();
         at += static_cast<size_t>(frame)) {
        const double* f = x.data() + at;
        double energy = 0.0;
        for (int k = 0; k < frame; ++k)
            energy += f[k] * f[k];
        if (std::sqrt(energy / frame) < 0.03)
            continue;
        int bestLag = 0;
        double best = 0.0;
        for (int lag = minLag; lag <= maxLag; ++lag) {
            double c = 0.0, e1 = 0.0, e2 = 0.0;
            for (int k = 0; k < frame; ++k) {
                c += f[k] * f[k + lag];
                e1 += f[k] * f[k];
                e2 += f[k + lag] * f[k + lag];
            }
            const double r = c / std::sqrt(e1 * e2 + 1e-12);
            if (r > best) {
                best = r;
                bestLag = lag;
            }
        }
        if (best > 0.6)
            pitches.push_back(static_cast<double>(rate) / bestLag);
    }
    if (pitches.empty())
        return 0.0;
    std::sort(pitches.begin(), pitches.end());
    return pitches[pitches.size() / 2];
}

int voiceIndex(const EspeakEngine& engine, const QString& name) {
    for (int i = 0; i < engine.voiceCount(); ++i)
        if (engine.voiceName(i) == name)
            return i;
    return -1;
}

// What the engine reported, in order, and from which thread.
struct Reports {
    int started = 0;
    int finished = 0;
    QStringList errors;
    std::vector<std::string> order;
    Clock::time_point startedAt;
    Clock::time_point finishedAt;
    Clock::time_point errorAt;
    int offThread = 0;

    void attach(EspeakEngine& engine) {
        engine.onStarted = [this] {
            note("started");
            ++started;
            startedAt = Clock::now();
        };
        engine.onFinished = [this] {
            note("finished");
            ++finished;
            finishedAt = Clock::now();
        };
        engine.onError = [this](const QString& e) {
            note("error");
            errors << e;
            errorAt = Clock::now();
        };
    }
    void note(const char* what) {
        order.emplace_back(what);
        if (QThread::currentThread() != QCoreApplication::instance()->thread())
            ++offThread;
    }
};

std::string joined(const std::vector<std::string>& v) {
    std::string s;
    for (const auto& x : v)
        s += (s.empty() ? "" : " ") + x;
    return s;
}

class SpeechTest : public ::testing::Test {
protected:
    void SetUp() override {
        const QString problem = rigProblem();
        ASSERT_TRUE(problem.isEmpty()) << problem.toStdString();
        ASSERT_TRUE(engine.available()) << engine.unavailableReason().toStdString();
        ASSERT_EQ(engine.selectVoice(voiceIndex(engine, "French")), SpeechResult::Ok);
        reports.attach(engine);
    }

    void startRecording() { ASSERT_TRUE(recorder.start()) << recorder.error().toStdString(); }

    // The recording of everything played so far.
    std::vector<int16_t> stopRecording() { return stopWhenCaughtUp(recorder, 0.08); }

    bool waitStarted(int count = 1) {
        return QTest::qWaitFor([&] { return reports.started >= count; }, 5000);
    }

    bool waitFinished(int count, int timeoutMs = 15000) {
        return QTest::qWaitFor([&] { return reports.finished >= count; }, timeoutMs);
    }

    // Speaks `text` alone, recorded, and returns what was heard.
    Span speakAlone(const QString& text, std::vector<int16_t>* recording = nullptr) {
        startRecording();
        const int before = reports.finished;
        engine.speak(text);
        EXPECT_TRUE(waitFinished(before + 1)) << "onFinished never came";
        const auto rec = stopRecording();
        if (recording)
            *recording = rec;
        return heard(rec);
    }

    double at(Clock::time_point t) const { return recorder.secondsAt(t); }

    EspeakEngine engine;
    NullSinkRecorder recorder;
    Reports reports;
};

// ------------------------------------------------------------- voices

TEST(EspeakVoices, OffersFrenchAndEnglishInBothGendersUnderShortNames) {
    EspeakEngine engine;
    ASSERT_TRUE(engine.available()) << engine.unavailableReason().toStdString();
    const int count = engine.voiceCount();
    ASSERT_GT(count, 0);
    QStringList names;
    for (int i = 0; i < count; ++i) {
        const QString name = engine.voiceName(i);
        EXPECT_FALSE(name.isEmpty()) << i;
        // The window's voice label shows ten characters, or nothing.
        EXPECT_LE(name.size(), 10) << name.toStdString();
        EXPECT_FALSE(names.contains(name)) << "twice: " << name.toStdString();
        names << name;
        EXPECT_TRUE(engine.voiceGender(i) == 1 || engine.voiceGender(i) == 2) << i;
        EXPECT_NE(engine.voiceLanguage(i), 0) << name.toStdString();
    }
    // The French voice speaks until another is chosen.
    EXPECT_EQ(engine.voiceName(0), "French");

    const struct {
        const char* name;
        int gender; // 1 female, 2 male
        int language;
    } expected[] = {
        {"French", 2, 1036},     {"French F1", 1, 1036},  {"French F5", 1, 1036},
        {"English", 2, 2057},    {"English F2", 1, 2057}, {"English US", 2, 1033},
        {"French BE", 2, 2060},  {"French CH", 2, 4108},  {"German", 2, 1031},
        {"Spanish", 2, 3082},    {"Italian", 2, 1040},    {"Dutch", 2, 1043},
        {"Portuguese", 2, 2070},
    };
    for (const auto& e : expected) {
        const int i = voiceIndex(engine, e.name);
        ASSERT_GE(i, 0) << "no voice " << e.name << " among: " << names.join(", ").toStdString();
        EXPECT_EQ(engine.voiceGender(i), e.gender) << e.name;
        EXPECT_EQ(engine.voiceLanguage(i), e.language) << e.name;
    }

    for (int i : {-1, count, count + 100}) {
        EXPECT_TRUE(engine.voiceName(i).isEmpty()) << i;
        EXPECT_EQ(engine.voiceGender(i), 0) << i;
        EXPECT_EQ(engine.voiceLanguage(i), 0) << i;
    }
}

TEST(EspeakVoices, SelectingAVoiceOutsideTheListFails) {
    EspeakEngine engine;
    ASSERT_TRUE(engine.available());
    const int count = engine.voiceCount();
    const struct {
        int index;
        SpeechResult result;
    } cases[] = {{0, SpeechResult::Ok},
                 {count - 1, SpeechResult::Ok},
                 {-1, SpeechResult::VoiceUnusable},
                 {count, SpeechResult::VoiceUnusable},
                 {1 << 30, SpeechResult::VoiceUnusable}};
    for (const auto& c : cases)
        EXPECT_EQ(engine.selectVoice(c.index), c.result) << "index " << c.index;
}

TEST(EspeakSpeed, RefusesWhatEspeakDoesNotTake) {
    EspeakEngine engine;
    ASSERT_TRUE(engine.available());
    const struct {
        int wpm;
        SpeechResult result;
    } cases[] = {{80, SpeechResult::Ok},      {175, SpeechResult::Ok},
                 {450, SpeechResult::Ok},     {5, SpeechResult::Refused},
                 {79, SpeechResult::Refused}, {451, SpeechResult::Refused},
                 {0, SpeechResult::Refused},  {-100, SpeechResult::Refused}};
    for (const auto& c : cases)
        EXPECT_EQ(engine.setSpeed(c.wpm), c.result) << c.wpm << " wpm";
}

struct PitchCase {
    const char* voice;
    bool female;
};

void PrintTo(const PitchCase& c, std::ostream* os) {
    *os << c.voice;
}

class SpeechVoicePitch : public SpeechTest, public ::testing::WithParamInterface<PitchCase> {};

// espeak-ng ignores a variant it cannot find and speaks the plain voice: a
// female voice must be heard as one.
TEST_P(SpeechVoicePitch, SoundsItsGender) {
    const PitchCase& c = GetParam();
    const int index = voiceIndex(engine, c.voice);
    ASSERT_GE(index, 0);
    ASSERT_EQ(engine.selectVoice(index), SpeechResult::Ok);
    ASSERT_EQ(engine.voiceGender(index), c.female ? 1 : 2);
    ASSERT_EQ(engine.setSpeed(300), SpeechResult::Ok);
    std::vector<int16_t> rec;
    const Span span = speakAlone(kShort, &rec);
    ASSERT_GT(span.length(), 0.5);
    const double pitch = medianPitch(rec);
    std::cout << "[ measured ] " << c.voice << ": median pitch " << pitch << " Hz\n";
    if (c.female)
        EXPECT_GT(pitch, 160.0);
    else
        EXPECT_LT(pitch, 140.0);
    EXPECT_GT(pitch, 70.0);
}

INSTANTIATE_TEST_SUITE_P(Voices, SpeechVoicePitch,
                         ::testing::Values(PitchCase{"French", false}, PitchCase{"French F2", true},
                                           PitchCase{"English F5", true},
                                           PitchCase{"German", false}),
                         [](const auto& p) {
                             std::string s = p.param.voice;
                             std::replace(s.begin(), s.end(), ' ', '_');
                             return s;
                         });

// ------------------------------------------------------------- timing

TEST_F(SpeechTest, StartedAndFinishedFrameWhatIsHeard) {
    ASSERT_NO_FATAL_FAILURE(startRecording());
    const auto spokenAt = Clock::now();
    engine.speak(kSentence);
    const double callMs =
        std::chrono::duration<double, std::milli>(Clock::now() - spokenAt).count();
    EXPECT_EQ(reports.started, 0) << "onStarted came from inside speak()";
    ASSERT_TRUE(waitFinished(1));
    const double reportedEnd = at(reports.finishedAt);
    EXPECT_FALSE(QTest::qWaitFor([&] { return reports.order.size() > 2; }, 1000));
    const auto rec = stopRecording();

    EXPECT_EQ(joined(reports.order), "started finished");
    EXPECT_TRUE(reports.errors.isEmpty()) << reports.errors.join("; ").toStdString();
    EXPECT_EQ(reports.offThread, 0);
    const Span span = heard(rec);
    ASSERT_GT(span.length(), 1.0) << describe(speechSpans(rec));

    const double startLead = span.start - at(reports.startedAt);
    const double endLag = reportedEnd - span.end;
    const double onset = span.start - at(spokenAt);
    const double keyed =
        std::chrono::duration<double>(reports.finishedAt - reports.startedAt).count();
    std::cout << "[ measured ] speak() returned in " << callMs << " ms; first sample heard "
              << onset * 1000 << " ms after speak(), " << startLead * 1000
              << " ms after onStarted; onFinished " << endLag * 1000
              << " ms after the last sample heard; keyed " << (keyed - span.length()) * 1000
              << " ms longer than the " << span.length() << " s heard\n";
    // The transmitter is keyed before the first sample and released after the
    // last, both within the capture's own slack. The upper bounds only catch a
    // lost or badly late notification on a loaded machine; the figures
    // themselves come from bench/speech_latency.
    EXPECT_GT(startLead, -kCaptureSlackS);
    EXPECT_LT(startLead, kLateS);
    EXPECT_GT(endLag, -kCaptureSlackS);
    EXPECT_LT(endLag, kLateS);
    // The capture's slack cancels out of the keyed time less the heard time.
    EXPECT_GT(keyed - span.length(), 0.0);
    EXPECT_LT(keyed - span.length(), kLateS);
    EXPECT_GT(onset, -kCaptureSlackS);
    EXPECT_LT(onset, kLateS);
}

TEST_F(SpeechTest, AccentsAndSymbolsAreReadAsFrench) {
    // Each "€" is read "euro(s)", each "œ" as in "œuf": the accented text lasts
    // as long as its plain spelling. Read as Latin-1, the euros go unsaid;
    // read twice-encoded, every accent becomes a string of symbol names.
    ASSERT_EQ(engine.setSpeed(300), SpeechResult::Ok);
    const Span accented =
        speakAlone(QStringLiteral("Un €, deux €, trois €, quatre € ; l’œuf du bœuf à Noël."));
    const Span plain = speakAlone(
        QStringLiteral("Un euro, deux euros, trois euros, quatre euros ; l'euf du beuf a Noelle."));
    ASSERT_GT(plain.length(), 1.0);
    const double ratio = accented.length() / plain.length();
    std::cout << "[ measured ] accented " << accented.length() << " s, plain " << plain.length()
              << " s\n";
    EXPECT_NEAR(ratio, 1.0, 0.1);
    EXPECT_TRUE(reports.errors.isEmpty());
}

TEST_F(SpeechTest, SpeedChangesTheLengthAndARefusedSpeedKeepsThePrevious) {
    ASSERT_EQ(engine.setSpeed(120), SpeechResult::Ok);
    const Span slow = speakAlone(kShort);
    ASSERT_EQ(engine.setSpeed(300), SpeechResult::Ok);
    const Span fast = speakAlone(kShort);
    EXPECT_EQ(engine.setSpeed(5), SpeechResult::Refused);
    const Span afterRefusal = speakAlone(kShort);

    std::cout << "[ measured ] " << kShort.toStdString() << " at 120 wpm: " << slow.length()
              << " s, at 300 wpm: " << fast.length() << " s\n";
    ASSERT_GT(fast.length(), 0.3);
    const double ratio = slow.length() / fast.length();
    EXPECT_GT(ratio, 1.8);
    EXPECT_LT(ratio, 3.2);
    EXPECT_NEAR(afterRefusal.length(), fast.length(), 0.1 * fast.length());
}

// ------------------------------------------------------------- queueing

struct QueueCase {
    const char* name;
    bool afterStarted; // the second speak() comes once the first is heard
};

void PrintTo(const QueueCase& c, std::ostream* os) {
    *os << c.name;
}

class SpeechQueue : public SpeechTest, public ::testing::WithParamInterface<QueueCase> {};

// The next period's text may come while the last is still sounding: it
// follows after a pause, inside the same keying.
TEST_P(SpeechQueue, ASecondTextFollowsInTheSameBurst) {
    ASSERT_EQ(engine.setSpeed(300), SpeechResult::Ok);
    const Span single = speakAlone(kShort);
    ASSERT_GT(single.length(), 0.5);
    reports = Reports{};
    reports.attach(engine);

    ASSERT_NO_FATAL_FAILURE(startRecording());
    engine.speak(kShort);
    if (GetParam().afterStarted) {
        ASSERT_TRUE(waitStarted());
        ASSERT_EQ(reports.finished, 0);
    }
    engine.speak(kShort);
    ASSERT_TRUE(waitFinished(1));
    EXPECT_FALSE(QTest::qWaitFor([&] { return reports.order.size() > 2; }, 1000));
    const auto rec = stopRecording();

    EXPECT_EQ(joined(reports.order), "started finished");
    const auto spans = speechSpans(rec);
    ASSERT_EQ(spans.size(), 2u) << describe(spans);
    for (const Span& s : spans)
        EXPECT_NEAR(s.length(), single.length(), 0.05) << describe(spans);
    const double pause = spans[1].start - spans[0].end;
    std::cout << "[ measured ] pause between the two texts: " << pause * 1000 << " ms\n";
    EXPECT_GT(pause, 0.2);
    EXPECT_LT(pause, kLateS);
    const double endLag = at(reports.finishedAt) - spans[1].end;
    EXPECT_GT(endLag, -kCaptureSlackS);
    EXPECT_LT(endLag, kLateS);
}

INSTANTIATE_TEST_SUITE_P(When, SpeechQueue,
                         ::testing::Values(QueueCase{"back_to_back", false},
                                           QueueCase{"while_the_first_sounds", true}),
                         [](const auto& p) { return std::string(p.param.name); });

TEST_F(SpeechTest, BlankTextsSayNothingAndReportNothing) {
    ASSERT_NO_FATAL_FAILURE(startRecording());
    for (const QString& text : {QString(), QStringLiteral("   "), QStringLiteral("\n\t \r\n"),
                                QStringLiteral("\x01\x02 \x1b")})
        engine.speak(text);
    EXPECT_FALSE(QTest::qWaitFor([&] { return !reports.order.empty(); }, 1000));
    const auto rec = stopRecording();
    EXPECT_TRUE(reports.order.empty()) << joined(reports.order);
    EXPECT_TRUE(speechSpans(rec).empty()) << describe(speechSpans(rec));
}

// ------------------------------------------------------------- stop

TEST_F(SpeechTest, StopMidSpeechSilencesAndReportsTheEndOnce) {
    ASSERT_NO_FATAL_FAILURE(startRecording());
    engine.speak(kLong);
    engine.speak(kLong); // queued texts go too
    ASSERT_TRUE(waitStarted());
    QTest::qWait(600);
    const auto stoppedAt = Clock::now();
    engine.stop();
    EXPECT_EQ(reports.finished, 0) << "onFinished came from inside stop()";
    EXPECT_TRUE(waitFinished(1, 5000));
    engine.stop(); // nothing sounds: nothing to report
    EXPECT_FALSE(QTest::qWaitFor([&] { return reports.order.size() > 2; }, 1000));
    const auto rec = stopRecording();

    EXPECT_EQ(joined(reports.order), "started finished");
    const Span span = heard(rec);
    const double lag = span.end - at(stoppedAt);
    std::cout << "[ measured ] silent " << lag * 1000 << " ms after stop()\n";
    EXPECT_LT(lag, kLateS) << describe(speechSpans(rec));
    EXPECT_GT(span.length(), 0.3);
}

TEST_F(SpeechTest, StopBeforeTheFirstSampleReportsNothing) {
    ASSERT_NO_FATAL_FAILURE(startRecording());
    engine.speak(kLong);
    engine.stop();
    EXPECT_FALSE(QTest::qWaitFor([&] { return !reports.order.empty(); }, 1000));
    const auto rec = stopRecording();
    EXPECT_TRUE(reports.order.empty()) << joined(reports.order);
    EXPECT_TRUE(speechSpans(rec).empty()) << describe(speechSpans(rec));
}

TEST_F(SpeechTest, AfterAStopTheEndComesBeforeTheNextStart) {
    ASSERT_EQ(engine.setSpeed(300), SpeechResult::Ok);
    engine.speak(kLong);
    ASSERT_TRUE(waitStarted());
    QTest::qWait(200);
    engine.stop();
    engine.speak(kShort);
    ASSERT_TRUE(waitFinished(2));
    EXPECT_FALSE(QTest::qWaitFor([&] { return reports.order.size() > 4; }, 1000))
        << "a stray report came";
    EXPECT_EQ(joined(reports.order), "started finished started finished");
}

// What the beacon's callbacks may do: stop from "started" (the transmitter
// could not be keyed), speak again from "finished".
TEST_F(SpeechTest, CallbacksMayStopOrSpeakAgain) {
    ASSERT_EQ(engine.setSpeed(300), SpeechResult::Ok);
    engine.onStarted = [this] {
        reports.note("started");
        ++reports.started;
        if (reports.started == 1)
            engine.stop();
    };
    engine.onFinished = [this] {
        reports.note("finished");
        ++reports.finished;
        if (reports.finished == 1)
            engine.speak(kShort);
    };
    ASSERT_NO_FATAL_FAILURE(startRecording());
    engine.speak(kShort);
    ASSERT_TRUE(waitFinished(2));
    EXPECT_FALSE(QTest::qWaitFor([&] { return reports.order.size() > 4; }, 1000));
    const auto rec = stopRecording();
    EXPECT_EQ(joined(reports.order), "started finished started finished");
    // Only the second text was heard.
    const auto spans = speechSpans(rec);
    ASSERT_EQ(spans.size(), 1u) << describe(spans);
    EXPECT_GT(spans[0].length(), 0.5);
}

TEST_F(SpeechTest, AnEngineDestroyedWhileSpeakingFallsSilentAndCallsNothing) {
    auto doomed = std::make_unique<EspeakEngine>();
    Reports seen;
    seen.attach(*doomed);
    ASSERT_NO_FATAL_FAILURE(startRecording());
    doomed->speak(kLong);
    doomed->speak(kLong);
    ASSERT_TRUE(QTest::qWaitFor([&] { return seen.started == 1; }, 5000));
    QTest::qWait(200);
    const auto destroyedAt = Clock::now();
    doomed.reset();
    EXPECT_FALSE(QTest::qWaitFor([&] { return seen.order.size() > 1; }, 1500))
        << "a report came from a destroyed engine";
    const auto rec = stopRecording();
    EXPECT_EQ(joined(seen.order), "started");
    // Some forty seconds were queued.
    EXPECT_LT(heard(rec).end - at(destroyedAt), kLateS);
}

// ------------------------------------------------------------- volume

struct VolumeCase {
    const char* name;
    int volume;
    double expectedDb; // relative to full volume; NAN: silence
};

void PrintTo(const VolumeCase& c, std::ostream* os) {
    *os << c.name;
}

class SpeechVolume : public SpeechTest, public ::testing::WithParamInterface<VolumeCase> {};

TEST_P(SpeechVolume, ScalesTheSamples) {
    const VolumeCase& c = GetParam();
    ASSERT_EQ(engine.setSpeed(300), SpeechResult::Ok);
    std::vector<int16_t> full;
    const Span reference = speakAlone(kShort, &full);
    ASSERT_GT(reference.length(), 0.5);
    const double fullLevel = rms(full, kRate, reference.start, reference.end);

    engine.setVolume(c.volume);
    ASSERT_NO_FATAL_FAILURE(startRecording());
    const auto spokenAt = Clock::now();
    engine.speak(kShort);
    ASSERT_TRUE(waitFinished(2));
    const auto rec = stopRecording();

    // Silent or not, the text takes its time: the transmitter stays keyed.
    EXPECT_EQ(reports.started, 2);
    EXPECT_GT(std::chrono::duration<double>(reports.finishedAt - spokenAt).count(),
              reference.length());
    const Span span = heard(rec);
    if (std::isnan(c.expectedDb)) {
        EXPECT_EQ(span.length(), 0.0) << describe(speechSpans(rec));
        return;
    }
    ASSERT_GT(span.length(), 0.5);
    const double db =
        toDb(rms(rec, kRate, span.start, span.start + reference.length()) / fullLevel);
    std::cout << "[ measured ] volume " << c.volume << ": " << db << " dB\n";
    EXPECT_NEAR(db, c.expectedDb, 1.0);
}

INSTANTIATE_TEST_SUITE_P(Levels, SpeechVolume,
                         ::testing::Values(VolumeCase{"half", 50, -6.02},
                                           VolumeCase{"above_full_is_full", 150, 0.0},
                                           VolumeCase{"zero", 0, NAN},
                                           VolumeCase{"below_zero_is_zero", -20, NAN}),
                         [](const auto& p) { return std::string(p.param.name); });

TEST_F(SpeechTest, VolumeChangeActsOnTheSpeechUnderWay) {
    ASSERT_NO_FATAL_FAILURE(startRecording());
    engine.speak(kLong);
    ASSERT_TRUE(waitStarted());
    QTest::qWait(600);
    const auto changedAt = Clock::now();
    engine.setVolume(0);
    // Twenty seconds of speech go on, silent, well past the bound below.
    EXPECT_FALSE(QTest::qWaitFor([&] { return reports.finished > 0; }, 2500));
    EXPECT_EQ(reports.finished, 0);
    engine.stop();
    EXPECT_TRUE(waitFinished(1, 5000));
    const auto rec = stopRecording();
    const Span span = heard(rec);
    EXPECT_GT(span.length(), 0.0) << "nothing heard before the change";
    const double lag = span.end - at(changedAt);
    std::cout << "[ measured ] silent " << lag * 1000 << " ms after setVolume(0)\n";
    EXPECT_LT(lag, kLateS);
    EXPECT_EQ(joined(reports.order), "started finished");
}

// ------------------------------------------------------------- long text

TEST_F(SpeechTest, ALongTextNeverHoldsTheEventLoop) {
    QString text;
    while (text.size() < 2000)
        text += kLong + u' ';
    text.truncate(2000);

    // A 1 ms timer: the longest gap between its ticks is the longest time the
    // event loop was held.
    QElapsedTimer clock;
    qint64 last = 0;
    qint64 longest = 0;
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    probe.setInterval(1);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        longest = std::max(longest, now - last);
        last = now;
    });
    clock.start();
    probe.start();
    QTest::qWait(100);
    longest = 0;
    last = clock.nsecsElapsed();

    // Synthesis is held five seconds of speech into the text until onStarted
    // is seen: the speech must start while synthesis goes on, not once the
    // whole text is ready. (Shared with the worker, which may look at it
    // after this test's body.)
    struct Synthesis {
        std::atomic<int> onUiThread{0};
        SynthesisHold hold;
    };
    const auto synthesis = std::make_shared<Synthesis>();
    const auto releaseOnExit = qScopeGuard([synthesis] { synthesis->hold.letGo(); });
    QThread* const uiThread = QThread::currentThread();
    engine.setSynthesisCheck([synthesis, uiThread](qint64 before) {
        if (QThread::currentThread() == uiThread)
            ++synthesis->onUiThread;
        if (before >= 5 * 22050)
            synthesis->hold.waitForRelease();
        return QString();
    });

    const auto spokenAt = Clock::now();
    engine.speak(text);
    const double callMs =
        std::chrono::duration<double, std::milli>(Clock::now() - spokenAt).count();
    ASSERT_TRUE(waitStarted());
    synthesis->hold.letGo();
    const double startMs =
        std::chrono::duration<double, std::milli>(reports.startedAt - spokenAt).count();
    QTest::qWait(3000);
    engine.stop();
    ASSERT_TRUE(waitFinished(1, 5000));
    probe.stop();

    std::cout << "[ measured ] 2000 characters: speak() took " << callMs << " ms, onStarted "
              << startMs << " ms after it; longest event-loop stall while speaking "
              << static_cast<double>(longest) / 1e6 << " ms\n";
    EXPECT_EQ(synthesis->onUiThread, 0) << "synthesis ran on the UI thread";
    EXPECT_LT(static_cast<double>(longest) / 1e6, kLateS * 1000.0);
    EXPECT_EQ(joined(reports.order), "started finished");
}

// ------------------------------------------------------------- failures

struct FaultCase {
    const char* name;
    // Fails the synthesis of the `text`-th text (from 1) at its `atSample`-th
    // sample, of espeak-ng's 22050 a second.
    int text;
    qint64 atSample;
    const char* expectedOrder;
    double heardS; // of speech before the failure; 0: nothing
};

void PrintTo(const FaultCase& c, std::ostream* os) {
    *os << c.name;
}

class SpeechFault : public SpeechTest, public ::testing::WithParamInterface<FaultCase> {};

// An engine error ends the speech where it happened: what came before is
// heard, the error is reported, and the transmitter, if keyed, is released.
TEST_P(SpeechFault, EndsTheSpeechWhereItHappened) {
    const FaultCase& c = GetParam();
    ASSERT_EQ(engine.setSpeed(300), SpeechResult::Ok);
    const Span single = speakAlone(kShort);
    const double heardS = c.heardS < 0 ? single.length() : c.heardS;
    reports = Reports{};

    auto texts = std::make_shared<int>(0);
    engine.setSynthesisCheck([c, texts](qint64 before) {
        if (before == 0)
            ++*texts;
        return *texts == c.text && before >= c.atSample ? QStringLiteral("panne simulée")
                                                        : QString();
    });
    ASSERT_NO_FATAL_FAILURE(startRecording());
    engine.speak(kShort);
    engine.speak(kShort);
    engine.speak(kShort);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !reports.errors.isEmpty(); }, 10000));
    const size_t reported = reports.order.size();
    EXPECT_FALSE(QTest::qWaitFor([&] { return reports.order.size() > reported; }, 1000))
        << "a stray report came";
    const auto rec = stopRecording();

    EXPECT_EQ(joined(reports.order), c.expectedOrder);
    EXPECT_EQ(reports.errors, QStringList{"panne simulée"});
    EXPECT_EQ(reports.offThread, 0);
    const Span span = heard(rec);
    EXPECT_NEAR(span.length(), heardS, 0.05) << describe(speechSpans(rec));
    if (heardS > 0) {
        const double errorLag = at(reports.errorAt) - span.end;
        EXPECT_GT(errorLag, -kCaptureSlackS);
        EXPECT_LT(errorLag, kLateS);
    }

    // Nothing is left behind: the engine speaks again.
    engine.setSynthesisCheck({});
    reports = Reports{};
    engine.speak(kShort);
    ASSERT_TRUE(waitFinished(1));
    EXPECT_EQ(joined(reports.order), "started finished");
}

INSTANTIATE_TEST_SUITE_P(
    When, SpeechFault,
    ::testing::Values(FaultCase{"before_any_sample", 1, 0, "error", 0.0},
                      FaultCase{"mid_sentence", 1, 11025, "started error finished", 0.5},
                      // The first text is heard whole, without the pause.
                      FaultCase{"at_the_next_text", 2, 0, "started error finished", -1.0}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(SpeechTest, AHungEngineStillReleasesTheTransmitter) {
    // Shared with the worker, which may look at it after this test's body.
    const auto hold = std::make_shared<SynthesisHold>();
    const auto releaseOnExit = qScopeGuard([hold] { hold->letGo(); });
    engine.setSynthesisCheck([hold](qint64 before) {
        if (before >= 22050)
            hold->waitForRelease();
        return QString();
    });
    engine.speak(kSentence);
    ASSERT_TRUE(waitStarted());
    const bool ended = QTest::qWaitFor([&] { return reports.finished == 1; }, 15000);
    hold->letGo();
    EXPECT_TRUE(ended);
    EXPECT_EQ(joined(reports.order), "started error finished");
}

TEST_F(SpeechTest, AStalledOutputStillReleasesTheTransmitter) {
    const pid_t server = rigServerPid();
    ASSERT_GT(server, 0)
        << "the rig's pulseaudio.pid is not found: source the env file of scripts/rig.sh";
    engine.speak(kLong);
    ASSERT_TRUE(waitStarted());
    QTest::qWait(200);
    {
        const FrozenServer frozen(server);
        EXPECT_TRUE(QTest::qWaitFor([&] { return reports.finished == 1; }, 10000));
    }
    EXPECT_EQ(joined(reports.order), "started error finished");
    QTest::qWait(200); // the server catches up before the next test
}

// ------------------------------------------------------------- no engine

TEST(EspeakData, AnEngineAskingForOtherDataThanThatInUseIsNotAvailable) {
    EspeakEngine first;
    ASSERT_TRUE(first.available());
    QTemporaryDir other;
    EspeakEngine second(other.path());
    EXPECT_FALSE(second.available());
    EXPECT_FALSE(second.unavailableReason().isEmpty());
    EXPECT_EQ(second.voiceCount(), 0);
    EXPECT_EQ(second.selectVoice(0), SpeechResult::NotCreated);
    EspeakEngine third;
    EXPECT_TRUE(third.available());
}

// Runs in a fresh process (the death-test machinery re-runs this binary), so
// that espeak-ng meets these directories first.
[[noreturn]] void startWithoutData() {
    bool ok = true;
    const auto check = [&ok](bool condition, const std::string& what) {
        if (!condition) {
            std::fprintf(stderr, "failed: %s\n", what.c_str());
            ok = false;
        }
    };
    QTemporaryDir scratch;
    const QString file = scratch.filePath("not-a-directory");
    QFile(file).open(QIODevice::WriteOnly);
    QDir(scratch.path()).mkpath("empty");
    for (const QString& dir : {scratch.filePath("missing"), scratch.filePath("empty"), file}) {
        const std::string name = QFileInfo(dir).fileName().toStdString();
        EspeakEngine engine(dir);
        int callbacks = 0;
        engine.onStarted = [&] { ++callbacks; };
        engine.onFinished = [&] { ++callbacks; };
        engine.onError = [&](const QString&) { ++callbacks; };
        check(!engine.available(), name + ": available");
        check(!engine.unavailableReason().isEmpty(), name + ": no reason given");
        check(engine.voiceCount() == 0, name + ": voices listed");
        check(engine.voiceName(0).isEmpty(), name + ": a voice name");
        check(engine.selectVoice(0) == SpeechResult::NotCreated, name + ": selectVoice");
        check(engine.setSpeed(150) == SpeechResult::NotCreated, name + ": setSpeed");
        engine.setVolume(50);
        engine.speak(QStringLiteral("Bonjour"));
        static_cast<void>(QTest::qWaitFor([&] { return callbacks > 0; }, 1000));
        engine.stop();
        check(callbacks == 0, name + ": callbacks");
        std::fprintf(stderr, "%s: %s\n", name.c_str(),
                     engine.unavailableReason().toUtf8().constData());
    }
    // espeak-ng starts once good data is given, after failing on bad.
    EspeakEngine engine;
    check(engine.available(),
          "the system's data after failures: " + engine.unavailableReason().toStdString());
    check(engine.voiceCount() > 0, "no voices from the system's data");
    std::fflush(nullptr);
    std::_Exit(ok ? 0 : 1);
}

TEST(EspeakWithoutDataDeathTest, IsNotCreatedAndSaysNothing) {
    EXPECT_EXIT(startWithoutData(), ::testing::ExitedWithCode(0), "");
}

// Runs in a fresh process whose PULSE_SERVER leads nowhere.
[[noreturn]] void speakWithNoServer() {
    EspeakEngine engine;
    Reports reports;
    reports.attach(engine);
    engine.speak(kShort);
    const bool ended = QTest::qWaitFor(
        [&] { return reports.finished == 1 || (!reports.errors.isEmpty() && !reports.started); },
        10000);
    // A stray report after the end would show in the order below.
    const size_t reported = reports.order.size();
    static_cast<void>(QTest::qWaitFor([&] { return reports.order.size() > reported; }, 1000));
    const std::string order = joined(reports.order);
    // Either refused at once, or "spoken" to nobody and ended.
    const bool ok =
        engine.available() && ended &&
        (order == "error" || order == "started finished" || order == "started error finished");
    std::fprintf(stderr, "order: %s\n", order.c_str());
    std::fflush(nullptr);
    std::_Exit(ok ? 0 : 1);
}

TEST(EspeakWithoutServerDeathTest, FailsCleanlyWithoutHanging) {
    const QByteArray saved = qgetenv("PULSE_SERVER");
    qputenv("PULSE_SERVER", "unix:/nonexistent/ondrix-no-server/native");
    EXPECT_EXIT(speakWithNoServer(), ::testing::ExitedWithCode(0), "");
    qputenv("PULSE_SERVER", saved);
}

} // namespace
