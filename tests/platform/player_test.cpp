// The message-file player against a real PulseAudio server: the rig's null
// sink, whose monitor is recorded and measured.

#include "platform/sndfileplayer.h"

#include "audiorig.h"
#include "capture.h"
#include "tonefile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <iostream>
#include <memory>
#include <numbers>

#include <signal.h>
#include <unistd.h>

using namespace ondrix;
using namespace ondrix::test;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kRate = NullSinkRecorder::kRate;
// Sound is what rises above 2% of full scale; the tones are at 50%.
constexpr double kThreshold = 0.02;
constexpr double kToneRms = 0.5 / std::numbers::sqrt2;
// The capture's own slack: the null sink renders a little ahead of the clock.
constexpr double kCaptureSlackS = 0.02;
// A start, an end or a stop this late is lost, not slow. The figures
// themselves are printed; targets on them belong to bench/.
constexpr double kLateS = 1.0;

double toDb(double ratio) {
    return 20.0 * std::log10(ratio);
}

class PlayerTest : public ::testing::Test {
protected:
    void SetUp() override {
        const QString problem = rigProblem();
        ASSERT_TRUE(problem.isEmpty()) << problem.toStdString();
        ASSERT_TRUE(dir.isValid());
        player.onFinished = [this] {
            ++finished;
            finishedAt = Clock::now();
        };
        player.onDurationKnown = [this] { ++durationNotices; };
    }

    QString tone(const QString& name, ToneFormat format, const Tone& t) {
        const QString path = dir.filePath(name);
        QString error;
        EXPECT_TRUE(writeToneFile(path, format, t, &error)) << error.toStdString();
        return path;
    }

    void startRecording() { ASSERT_TRUE(recorder.start()) << recorder.error().toStdString(); }

    // Plays the open file to its end (or the timeout) and returns when it was
    // started.
    Clock::time_point playToEnd(int timeoutMs = 10000) {
        const int before = finished;
        const auto at = Clock::now();
        EXPECT_EQ(player.play(), PlayResult::Started);
        EXPECT_TRUE(QTest::qWaitFor([&] { return finished > before; }, timeoutMs))
            << "onFinished never came";
        return at;
    }

    // The recording of everything played so far.
    std::vector<int16_t> stopRecording() { return stopWhenCaughtUp(recorder); }

    // Waits until `seconds` of the play have been heard.
    bool waitHeard(double seconds) {
        return QTest::qWaitFor([&] { return player.position() >= seconds; }, 5000);
    }

    QTemporaryDir dir;
    SndfilePlayer player;
    NullSinkRecorder recorder;
    int finished = 0;
    Clock::time_point finishedAt;
    int durationNotices = 0;
};

// ------------------------------------------------------------- formats

struct FormatCase {
    const char* name;
    ToneFormat format;
    Tone tone;
    double durationTolerance; // of duration(): WAV is exact
};

void PrintTo(const FormatCase& c, std::ostream* os) {
    *os << c.name;
}

class PlayerFormats : public PlayerTest, public ::testing::WithParamInterface<FormatCase> {};

TEST_P(PlayerFormats, PlaysBackWholeAndAtLevel) {
    const FormatCase& c = GetParam();
    const QString path =
        tone(QString::fromLatin1(c.name) + (c.format == ToneFormat::Wav ? ".wav" : ".mp3"),
             c.format, c.tone);
    player.open(path);
    EXPECT_NEAR(player.duration(), c.tone.seconds, c.durationTolerance);

    ASSERT_NO_FATAL_FAILURE(startRecording());
    const auto playedAt = playToEnd();
    const auto rec = stopRecording();

    const auto spans = soundSpans(rec, kRate, kThreshold, 0.05);
    ASSERT_EQ(spans.size(), 1u) << describe(spans);
    // Whatever padding an encoder adds, what is heard is the tone itself. (The
    // monitor loses a few ms at a stream's start: the null sink rewinds to
    // play a new stream at once, and the monitor cannot take back the silence
    // it already passed on.)
    EXPECT_NEAR(spans[0].length(), c.tone.seconds, 0.03) << describe(spans);
    const double onsetDelay = spans[0].start - recorder.secondsAt(playedAt);
    EXPECT_GE(onsetDelay, -kCaptureSlackS);
    EXPECT_LT(onsetDelay, kLateS);
    // Channel mixing and sample conversion keep the level.
    const double level = rms(rec, kRate, spans[0].start + 0.1, spans[0].end - 0.1);
    EXPECT_NEAR(toDb(level / kToneRms), 0.0, 1.0);
    EXPECT_EQ(finished, 1);
    EXPECT_FALSE(player.isPlaying());
    std::cout << "[ measured ] " << c.name << ": heard " << spans[0].length() << " s of "
              << c.tone.seconds << " s, onset " << onsetDelay * 1000 << " ms after play(), level "
              << toDb(level / kToneRms) << " dB\n";
}

INSTANTIATE_TEST_SUITE_P(
    Files, PlayerFormats,
    ::testing::Values(FormatCase{"wav_48k_mono", ToneFormat::Wav, {1.0, 48000, 1}, 1e-9},
                      FormatCase{"mp3_48k_mono", ToneFormat::Mp3, {1.0, 48000, 1}, 0.03},
                      FormatCase{"wav_8k_mono", ToneFormat::Wav, {0.5, 8000, 1}, 1e-9},
                      FormatCase{"mp3_22k_stereo", ToneFormat::Mp3, {0.5, 22050, 2}, 0.03}),
    [](const auto& p) { return std::string(p.param.name); });

// ------------------------------------------------------------- volume

struct VolumeCase {
    const char* name;
    int volume;
    bool mute;
    double expectedDb; // relative to full volume; NAN: silence
};

void PrintTo(const VolumeCase& c, std::ostream* os) {
    *os << c.name;
}

class PlayerVolume : public PlayerTest, public ::testing::WithParamInterface<VolumeCase> {};

TEST_P(PlayerVolume, ScalesTheSamples) {
    const VolumeCase& c = GetParam();
    player.open(tone("v.wav", ToneFormat::Wav, {0.5, 48000, 1}));
    player.setVolume(c.volume);
    player.setMute(c.mute);

    ASSERT_NO_FATAL_FAILURE(startRecording());
    const auto playedAt = playToEnd();
    const auto rec = stopRecording();

    // Silent or not, the play lasts the file's length.
    EXPECT_GT(std::chrono::duration<double>(finishedAt - playedAt).count(), 0.45);
    const auto spans = soundSpans(rec, kRate, 0.001, 0.05);
    if (std::isnan(c.expectedDb)) {
        EXPECT_TRUE(spans.empty()) << describe(spans);
        return;
    }
    ASSERT_EQ(spans.size(), 1u) << describe(spans);
    const double db = toDb(rms(rec, kRate, spans[0].start + 0.1, spans[0].end - 0.1) / kToneRms);
    EXPECT_NEAR(db, c.expectedDb, 1.0);
    std::cout << "[ measured ] volume " << c.volume << ": " << db << " dB\n";
}

INSTANTIATE_TEST_SUITE_P(Levels, PlayerVolume,
                         ::testing::Values(VolumeCase{"full", 0, false, 0.0},
                                           VolumeCase{"minus_12_5_dB", -1250, false, -12.5},
                                           VolumeCase{"minus_5_dB", -500, false, -5.0},
                                           VolumeCase{"slider_bottom", -2500, false, NAN},
                                           VolumeCase{"muted", 0, true, NAN}),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(PlayerVolumeValue, IsClampedToTheSliderRange) {
    const struct {
        int set;
        int got;
    } cases[] = {{-1250, -1250}, {0, 0}, {-2500, -2500}, {-3000, -2500}, {150, 0}};
    SndfilePlayer player;
    for (const auto& c : cases) {
        player.setVolume(c.set);
        EXPECT_EQ(player.volume(), c.got) << "set " << c.set;
    }
}

TEST_F(PlayerTest, VolumeChangeActsOnThePlayUnderWay) {
    player.open(tone("long.wav", ToneFormat::Wav, {4.0, 48000, 1}));
    ASSERT_NO_FATAL_FAILURE(startRecording());
    ASSERT_EQ(player.play(), PlayResult::Started);
    ASSERT_TRUE(waitHeard(0.3));
    const auto changedAt = Clock::now();
    player.setVolume(-2500);
    ASSERT_TRUE(QTest::qWaitFor([&] { return finished == 1; }, 10000));
    const auto rec = stopRecording();

    // Silenced long before the file's end, and the play still lasts it.
    const auto spans = soundSpans(rec, kRate, kThreshold, 0.05);
    ASSERT_EQ(spans.size(), 1u) << describe(spans);
    const double lag = spans[0].end - recorder.secondsAt(changedAt);
    EXPECT_LT(lag, kLateS) << describe(spans);
    EXPECT_LT(spans[0].length(), 2.5) << describe(spans);
    EXPECT_GT(recorder.secondsAt(finishedAt) - spans[0].start, 4.0 - kCaptureSlackS);
    std::cout << "[ measured ] silenced " << lag * 1000 << " ms after setVolume(-2500)\n";
}

// ------------------------------------------------------------- timing

TEST_F(PlayerTest, EveryPlayIsHeardAfterItsCall) {
    player.open(tone("blip.wav", ToneFormat::Wav, {0.2, 48000, 1}));
    ASSERT_NO_FATAL_FAILURE(startRecording());
    std::vector<Clock::time_point> plays;
    for (int i = 0; i < 5; ++i) {
        plays.push_back(playToEnd());
        QTest::qWait(150);
    }
    const auto rec = stopRecording();

    const auto heard = onsets(rec, kRate, kThreshold, 0.1);
    ASSERT_EQ(heard.size(), plays.size()) << describe(soundSpans(rec, kRate, kThreshold, 0.1));
    std::vector<double> delays;
    for (size_t i = 0; i < plays.size(); ++i)
        delays.push_back(heard[i] - recorder.secondsAt(plays[i]));
    std::sort(delays.begin(), delays.end());
    std::cout << "[ measured ] play() to first sample heard, ms:";
    for (double d : delays)
        std::cout << ' ' << d * 1000;
    std::cout << " (median " << delays[delays.size() / 2] * 1000 << ")\n";
    EXPECT_GE(delays.front(), -kCaptureSlackS);
    EXPECT_LT(delays.back(), kLateS);
}

TEST_F(PlayerTest, ReportsTheEndOnceAfterTheLastSampleIsHeard) {
    player.open(tone("short.wav", ToneFormat::Wav, {0.3, 48000, 1}));
    ASSERT_NO_FATAL_FAILURE(startRecording());
    ASSERT_EQ(player.play(), PlayResult::Started);
    EXPECT_TRUE(player.isPlaying());
    // The position is what has been heard, within the file.
    ASSERT_TRUE(waitHeard(0.03));
    EXPECT_TRUE(player.isPlaying());
    EXPECT_LE(player.position(), 0.3);
    ASSERT_TRUE(QTest::qWaitFor([&] { return finished == 1; }, 5000));
    EXPECT_FALSE(player.isPlaying());
    EXPECT_EQ(player.position(), 0.0);
    const double reportedAt = recorder.secondsAt(finishedAt);
    // A second report would come within the second; it must not.
    EXPECT_FALSE(QTest::qWaitFor([&] { return finished > 1; }, 1000));
    EXPECT_EQ(finished, 1);
    const auto rec = stopRecording();

    const auto spans = soundSpans(rec, kRate, kThreshold, 0.05);
    ASSERT_EQ(spans.size(), 1u) << describe(spans);
    // After the last sample heard, within the capture's own slack.
    EXPECT_GT(reportedAt, spans[0].end - kCaptureSlackS);
    EXPECT_LT(reportedAt, spans[0].end + kLateS);
    std::cout << "[ measured ] end reported " << (reportedAt - spans[0].end) * 1000
              << " ms after the last sample was heard\n";
}

TEST_F(PlayerTest, StopSilencesAtOnceAndReportsNoEnd) {
    player.open(tone("long.wav", ToneFormat::Wav, {4.0, 48000, 1}));
    ASSERT_NO_FATAL_FAILURE(startRecording());
    ASSERT_EQ(player.play(), PlayResult::Started);
    ASSERT_TRUE(waitHeard(0.3));
    const auto stoppedAt = Clock::now();
    player.stop();
    EXPECT_FALSE(player.isPlaying());
    EXPECT_EQ(player.position(), 0.0);
    // Past where a report would come; none may.
    EXPECT_FALSE(QTest::qWaitFor([&] { return finished > 0; }, 1500));
    EXPECT_EQ(finished, 0);
    const auto rec = stopRecording();

    // Silent from the stop on, long before the file's end.
    const auto spans = soundSpans(rec, kRate, kThreshold, 0.05);
    ASSERT_EQ(spans.size(), 1u) << describe(spans);
    const double lag = spans[0].end - recorder.secondsAt(stoppedAt);
    EXPECT_LT(lag, kLateS) << describe(spans);
    EXPECT_LT(spans[0].length(), 2.5) << describe(spans);
    std::cout << "[ measured ] silent " << lag * 1000 << " ms after stop()\n";
    // The file stays open: it plays again.
    EXPECT_NEAR(player.duration(), 4.0, 1e-9);
}

TEST_F(PlayerTest, PlayDuringAPlayRestartsFromTheBeginning) {
    player.open(tone("long.wav", ToneFormat::Wav, {1.0, 48000, 1}));
    ASSERT_NO_FATAL_FAILURE(startRecording());
    ASSERT_EQ(player.play(), PlayResult::Started);
    ASSERT_TRUE(waitHeard(0.5));
    const auto restartedAt = Clock::now();
    ASSERT_EQ(player.play(), PlayResult::Started);
    EXPECT_TRUE(player.isPlaying());
    ASSERT_TRUE(QTest::qWaitFor([&] { return finished == 1; }, 5000));
    EXPECT_FALSE(QTest::qWaitFor([&] { return finished > 1; }, 1000));
    EXPECT_EQ(finished, 1) << "the interrupted play reported an end";
    const auto rec = stopRecording();

    // Heard: the first play up to the second play(), then the whole file
    // (the sound itself, not counting any gap the restart left), and nothing
    // more.
    const auto spans = soundSpans(rec, kRate, kThreshold, 0.01);
    ASSERT_FALSE(spans.empty());
    const double restart = recorder.secondsAt(restartedAt);
    double sound = 0.0;
    for (const Span& span : spans)
        sound += span.length();
    EXPECT_NEAR(sound, (restart - spans.front().start) + 1.0, 0.1) << describe(spans);
    const double afterRestart = spans.back().end - restart;
    EXPECT_GT(afterRestart, 1.0 - kCaptureSlackS) << describe(spans);
    EXPECT_LT(afterRestart, 1.0 + kLateS) << describe(spans);
}

TEST_F(PlayerTest, AStalledOutputStillEndsThePlay) {
    const pid_t server = rigServerPid();
    ASSERT_GT(server, 0)
        << "the rig's pulseaudio.pid is not found: source the env file of scripts/rig.sh";
    player.open(tone("long.wav", ToneFormat::Wav, {1.0, 48000, 1}));
    ASSERT_EQ(player.play(), PlayResult::Started);
    ASSERT_TRUE(waitHeard(0.1));
    {
        const FrozenServer frozen(server);
        // The transmitter must not stay keyed because the server hangs.
        EXPECT_TRUE(QTest::qWaitFor([&] { return finished == 1; }, 10000));
        EXPECT_FALSE(player.isPlaying());
    }
    QTest::qWait(200); // the server catches up before the next test
}

// ------------------------------------------------------------- opening

TEST_F(PlayerTest, DurationIsAnnouncedOncePerOpen) {
    const QString a = tone("a.wav", ToneFormat::Wav, {0.5, 48000, 1});
    const QString b = tone("b.mp3", ToneFormat::Mp3, {0.25, 48000, 1});
    std::vector<double> seen;
    player.onDurationKnown = [&] { seen.push_back(player.duration()); };

    player.open(a);
    player.open(b);
    EXPECT_TRUE(seen.empty()) << "announced from within open()";
    ASSERT_TRUE(QTest::qWaitFor([&] { return seen.size() >= 2; }, 5000));
    ASSERT_EQ(seen.size(), 2u);
    // By the time anyone hears of it, the last file is the open one.
    EXPECT_NEAR(seen[1], 0.25, 0.03);

    player.open(dir.filePath("absent.wav"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return seen.size() >= 3; }, 5000));
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[2], 0.0);

    player.onDurationKnown = nullptr;
    player.open(a);
    EXPECT_FALSE(QTest::qWaitFor([&] { return seen.size() > 3; }, 1000)) << "a notice came";
    EXPECT_EQ(seen.size(), 3u);
}

TEST_F(PlayerTest, APlayerDestroyedBeforeItsNoticeIsNotCalled) {
    const QString a = tone("a.wav", ToneFormat::Wav, {0.3, 48000, 1});
    int notices = 0;
    auto doomed = std::make_unique<SndfilePlayer>();
    doomed->onDurationKnown = [&] { ++notices; };
    doomed->open(a);
    EXPECT_EQ(doomed->play(), PlayResult::Started);
    doomed.reset();
    EXPECT_FALSE(QTest::qWaitFor([&] { return notices > 0; }, 1000)) << "a notice came";
    EXPECT_EQ(notices, 0);
}

TEST_F(PlayerTest, PathWithAccentsAndSpacesPlays) {
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("Balise été/n° 2")));
    const QString path = tone(QStringLiteral("Balise été/n° 2/Message d'accueil à l'écoute.wav"),
                              ToneFormat::Wav, {0.3, 48000, 1});
    player.open(path);
    EXPECT_NEAR(player.duration(), 0.3, 1e-9);
    ASSERT_NO_FATAL_FAILURE(startRecording());
    playToEnd();
    const auto rec = stopRecording();
    EXPECT_NEAR(soundSeconds(rec, kRate, kThreshold), 0.3, 0.03);
}

struct BadInput {
    const char* name;
    // Makes the file (or not) in `dir` and returns the path to open.
    std::function<QString(const QTemporaryDir& dir)> make;
    bool needsNonRoot = false;
};

QString writeBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(bytes);
    return path;
}

QString toneIn(const QTemporaryDir& dir, const QString& name, ToneFormat format, const Tone& t) {
    const QString path = dir.filePath(name);
    EXPECT_TRUE(writeToneFile(path, format, t));
    return path;
}

const BadInput kBadInputs[] = {
    {"missing", [](const QTemporaryDir& d) { return d.filePath("absent.wav"); }},
    {"empty_name", [](const QTemporaryDir&) { return QString(); }},
    {"directory", [](const QTemporaryDir& d) { return d.path(); }},
    {"text_named_wav",
     [](const QTemporaryDir& d) {
         return writeBytes(d.filePath("notes.wav"), "Balise de Saint-Malo, 144.800 MHz\n");
     }},
    {"empty_file", [](const QTemporaryDir& d) { return writeBytes(d.filePath("e.wav"), {}); }},
    {"zero_frames_wav",
     [](const QTemporaryDir& d) {
         return toneIn(d, "zero.wav", ToneFormat::Wav, {0.0, 48000, 1});
     }},
    {"truncated_wav",
     [](const QTemporaryDir& d) {
         const QString path = toneIn(d, "cut.wav", ToneFormat::Wav, {1.0, 48000, 1});
         QFile::resize(path, QFileInfo(path).size() / 2);
         return path;
     }},
    {"wav_cut_in_its_header",
     [](const QTemporaryDir& d) {
         const QString path = toneIn(d, "head.wav", ToneFormat::Wav, {1.0, 48000, 1});
         QFile::resize(path, 30);
         return path;
     }},
    {"mp3_with_garbage_inside",
     [](const QTemporaryDir& d) {
         const QString path = toneIn(d, "broken.mp3", ToneFormat::Mp3, {1.0, 48000, 1});
         QFile f(path);
         if (f.open(QIODevice::ReadWrite)) {
             f.seek(3000);
             QByteArray junk(2000, '\0');
             quint32 x = 12345;
             for (char& ch : junk) {
                 x = x * 1664525u + 1013904223u;
                 ch = static_cast<char>(x >> 24);
             }
             f.write(junk);
         }
         return path;
     }},
    {"unreadable",
     [](const QTemporaryDir& d) {
         const QString path = toneIn(d, "locked.wav", ToneFormat::Wav, {0.3, 48000, 1});
         QFile::setPermissions(path, {});
         return path;
     },
     true},
};

void PrintTo(const BadInput& c, std::ostream* os) {
    *os << c.name;
}

class PlayerBadInput : public PlayerTest, public ::testing::WithParamInterface<BadInput> {};

TEST_P(PlayerBadInput, LeavesNoFileAndFailsToPlay) {
    const BadInput& c = GetParam();
    if (c.needsNonRoot && geteuid() == 0)
        GTEST_SKIP() << "root reads any file";
    // A good file first: a bad open must not leave it in place.
    player.open(tone("good.wav", ToneFormat::Wav, {0.3, 48000, 1}));
    ASSERT_GT(player.duration(), 0.0);

    player.open(c.make(dir));
    EXPECT_EQ(player.duration(), 0.0);
    EXPECT_EQ(player.play(), PlayResult::NothingToPlay);
    EXPECT_FALSE(player.isPlaying());
    EXPECT_EQ(player.position(), 0.0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return durationNotices >= 2; }, 5000));
    EXPECT_FALSE(QTest::qWaitFor([&] { return durationNotices > 2 || finished > 0; }, 1000))
        << "a stray notice or end came";
    EXPECT_EQ(durationNotices, 2);
    EXPECT_EQ(finished, 0);
}

INSTANTIATE_TEST_SUITE_P(Files, PlayerBadInput, ::testing::ValuesIn(kBadInputs),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(PlayerWithoutFile, FailsToPlay) {
    SndfilePlayer player;
    EXPECT_EQ(player.duration(), 0.0);
    EXPECT_EQ(player.play(), PlayResult::NothingToPlay);
    EXPECT_FALSE(player.isPlaying());
    player.stop();
}

// ------------------------------------------------------------- no server

// Runs in a fresh process (the death-test machinery re-runs this binary) whose
// PULSE_SERVER leads nowhere.
[[noreturn]] void playWithNoServer() {
    QTemporaryDir dir;
    const QString path = dir.filePath("t.wav");
    bool ok = writeToneFile(path, ToneFormat::Wav, {0.3, 48000, 1});
    SndfilePlayer player;
    int finished = 0;
    player.onFinished = [&] { ++finished; };
    player.open(path);
    ok = ok && std::abs(player.duration() - 0.3) < 1e-9;
    const PlayResult result = player.play();
    // Either refused, or "played" to nobody and ended.
    if (result == PlayResult::Started)
        ok = ok && QTest::qWaitFor([&] { return finished == 1; }, 10000);
    else
        ok = ok && result == PlayResult::NothingToPlay;
    std::fflush(nullptr);
    std::_Exit(ok ? 0 : 1);
}

TEST(PlayerWithoutServerDeathTest, FailsCleanlyWithoutHanging) {
    const QByteArray saved = qgetenv("PULSE_SERVER");
    qputenv("PULSE_SERVER", "unix:/nonexistent/ondrix-no-server/native");
    EXPECT_EXIT(playWithNoServer(), ::testing::ExitedWithCode(0), "");
    qputenv("PULSE_SERVER", saved);
}

} // namespace
