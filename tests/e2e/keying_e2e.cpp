// The whole program keys a pseudo-terminal standing in for the serial
// adapter (modem lines simulated by the shim) while its audio is recorded on
// the rig's null sink: the transmitter must be keyed before the first audible
// sample and released after the last, at every sending.

#include "capture.h"
#include "gui/application.h"
#include "ptyrig.h"
#include "support/fakes.h"
#include "testexit.h"
#include "tonefile.h"
#include "waituntil.h"

#include <QApplication>
#include <QEventLoop>
#include <QRegularExpression>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <sys/ioctl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>

using namespace ondrix;
using namespace ondrix::test;

namespace {

void runFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

constexpr double kClockResolutionS = 0.010;
// Sound, and the silence that separates two sendings (a spoken message's
// pauses are shorter).
constexpr double kThreshold = 0.02;
constexpr double kSendingGapS = 0.7;

struct Edge {
    double at; // seconds into the recording
    bool keyed;
    std::chrono::steady_clock::time_point when;
};

// RTS rises and falls from the shim's log, on the recording's time line.
std::vector<Edge> rtsEdges(const ModemLines& lines, const NullSinkRecorder& rec) {
    std::vector<Edge> edges;
    bool rts = false;
    for (const auto& e : lines.log()) {
        if (e.bits < 0)
            continue;
        const bool now = (e.bits & TIOCM_RTS) != 0;
        if (now == rts)
            continue;
        rts = now;
        const auto when = std::chrono::steady_clock::time_point(std::chrono::nanoseconds(e.ns));
        edges.push_back({rec.secondsAt(when), now, when});
    }
    return edges;
}

class KeyingEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(qEnvironmentVariableIsEmpty("PULSE_SERVER"))
            << "the test rig is not running: scripts/rig.sh start, then source its env file";
        ASSERT_TRUE(pty.isValid());
        ASSERT_TRUE(shimDir.isValid());
        qputenv("ONDRIX_MODEMSHIM_DIR", QFile::encodeName(shimDir.path()));
        qputenv("ONDRIX_SERIAL_PORTS", QFile::encodeName(pty.path()));
    }

    // Checks every sending heard: keyed before it starts, released after it ends.
    void expectKeyedAroundEachSending(const std::vector<int16_t>& samples, size_t sendings,
                                      const char* what) {
        const auto spans = soundSpans(samples, NullSinkRecorder::kRate, kThreshold, kSendingGapS);
        const auto edges = rtsEdges(lines, rec);
        ASSERT_EQ(spans.size(), sendings) << what;
        ASSERT_EQ(edges.size(), 2 * sendings) << what;
        std::vector<double> leads, tails;
        for (size_t i = 0; i < sendings; ++i) {
            const Edge& on = edges[2 * i];
            const Edge& off = edges[2 * i + 1];
            ASSERT_TRUE(on.keyed && !off.keyed);
            leads.push_back(spans[i].start - on.at);
            tails.push_back(off.at - spans[i].end);
            // Keyed before the first sample reached the recorder, which is
            // after it was played: an order that holds however late the sound
            // server runs (the recording's own time line can then place a
            // sample before it was written). The recording's clock places the
            // release to within about 10 ms. The upper bounds only say the
            // edges belong to this sending: how long they take is measured by
            // bench/ptt_latency, bench/speech_latency and scripts/measure.sh.
            EXPECT_LT(on.when, rec.arrivedAt(spans[i].start))
                << what << " sending " << i << ": keyed after the sound";
            EXPECT_LT(leads.back(), 1.0) << what << " sending " << i;
            EXPECT_GT(tails.back(), -kClockResolutionS)
                << what << " sending " << i << ": released too early";
            EXPECT_LT(tails.back(), 1.0) << what << " sending " << i;
        }
        for (size_t i = 0; i < sendings; ++i)
            std::printf("measure: %s sending %zu: keyed %.1f ms before the first sample, "
                        "released %.1f ms after the last\n",
                        what, i, leads[i] * 1000, tails[i] * 1000);
    }

    // Runs until `sendings` have been heard whole and released; false after
    // `timeout`.
    bool runSendings(size_t sendings, std::chrono::seconds timeout) {
        return waitUntil(
            [&] {
                return spansHeardWhole(rec.samples(), NullSinkRecorder::kRate, kThreshold,
                                       kSendingGapS) >= sendings &&
                       rtsEdges(lines, rec).size() >= 2 * sendings;
            },
            timeout);
    }
    // Once the cycle is stopped: the lines drop.
    bool linesDrop() {
        return waitUntil([&] { return (lines.bits() & (TIOCM_RTS | TIOCM_DTR)) == 0; },
                         std::chrono::seconds(10));
    }

    Pty pty;
    QTemporaryDir shimDir;
    ModemLines lines{shimDir.path(), pty.number()};
    NullSinkRecorder rec;
    FakeDialogs dialogs;
};

} // namespace

TEST_F(KeyingEndToEnd, FileSendingsAreKeyedAroundTheirAudio) {
    QTemporaryDir tmp;
    const QString file = tmp.filePath("message.wav");
    ASSERT_TRUE(writeToneFile(file, ToneFormat::Wav, Tone{1.0, 48000, 1, 1000.0, 0.5}));
    dialogs.openResults << file;

    Application app(AppOptions{tmp.path(), &dialogs});
    MainPresenter& p = app.presenter();
    p.execute(cmd::PortComList_Change{"1"});
    p.execute(cmd::CMDOuvrir_Click{});
    p.execute(cmd::SliderLireTemps_Change{6});
    ASSERT_TRUE(rec.start()) << rec.error().toStdString();
    runFor(300);
    p.execute(cmd::BTPlay_Click{});
    ASSERT_EQ(startButtonPicture(p.state().cycle), StartButtonPicture::Stop);
    EXPECT_TRUE(p.state().radio.keyed) << "not keyed at the start";
    EXPECT_TRUE(runSendings(2, std::chrono::seconds(40))) << "sendings at 0 and 7 s";
    p.execute(cmd::BTPlay_Click{});
    EXPECT_TRUE(linesDrop());
    expectKeyedAroundEachSending(rec.stop(), 2, "file");
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(lines.bits() & (TIOCM_RTS | TIOCM_DTR), 0);
}

TEST_F(KeyingEndToEnd, SpeechIsKeyedAroundTheVoiceAtEveryPeriod) {
    QTemporaryDir tmp;
    Application app(AppOptions{tmp.path(), &dialogs});
    MainPresenter& p = app.presenter();
    ASSERT_TRUE(dialogs.messages.empty())
        << "speech engine: " << dialogs.messages.front().text.toStdString();
    const int french = static_cast<int>(p.state().speech.voiceList.items.indexOf(
        QRegularExpression(QStringLiteral(".*\tFrançais"))));
    ASSERT_GE(french, 0) << "no French voice";
    p.execute(cmd::ListVoix_Click{french});
    p.execute(cmd::PortComList_Change{"1"});
    p.execute(cmd::TabS12_Click{});
    p.execute(
        cmd::TxtSynthese_Change{QStringLiteral("Ici la balise de test, il est [Heure:Minute].")});
    p.execute(cmd::SliderLireTemps_Change{4});
    // Three periods here; the measurement script asks for more.
    const int sendings = std::max(3, qEnvironmentVariableIntValue("ONDRIX_E2E_SENDINGS"));
    ASSERT_TRUE(rec.start()) << rec.error().toStdString();
    runFor(300);
    p.execute(cmd::BTPlay_Click{});
    ASSERT_EQ(startButtonPicture(p.state().cycle), StartButtonPicture::Stop);
    // A sending every 5 s, each about 3 s long.
    EXPECT_TRUE(runSendings(static_cast<size_t>(sendings), std::chrono::seconds(5 * sendings + 30)))
        << sendings << " sendings";
    p.execute(cmd::BTPlay_Click{});
    EXPECT_TRUE(linesDrop());
    expectKeyedAroundEachSending(rec.stop(), static_cast<size_t>(sendings), "speech");
    EXPECT_EQ(lines.bits() & (TIOCM_RTS | TIOCM_DTR), 0);
}

int main(int argc, char** argv) {
    ensureModemShim(argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    ondrix::test::exitAfterTests(RUN_ALL_TESTS());
}
