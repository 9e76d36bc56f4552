// The real program (window, presenter, timers, libsndfile player on the
// default PulseAudio output) runs a file cycle; what reaches the rig's null
// sink is recorded and its onsets measured.

#include "capture.h"
#include "gui/application.h"
#include "support/fakes.h"
#include "tonefile.h"
#include "waituntil.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

#include <ctime>

#include <cstdio>

using namespace ondrix;
using namespace ondrix::test;

namespace {

// CPU time of the whole process, in nanosecond resolution.
double processCpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

// Runs the event loop for `ms` of real time, sleeping in it as the program
// does (QTest::qWait polls, which would show up in the CPU figure).
void runFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

template <typename W> W* child(QWidget& w, const char* name) {
    W* c = w.findChild<W*>(QString::fromLatin1(name));
    if (!c)
        ADD_FAILURE() << "no control " << name;
    return c;
}

} // namespace

TEST(EndToEnd, FileCycleSendsAtStartOfEveryPeriod) {
    ASSERT_FALSE(qEnvironmentVariableIsEmpty("PULSE_SERVER"))
        << "the test rig is not running: scripts/rig.sh start, then source its env file";

    // No serial port of this machine is touched: serial keying finds none and
    // the file goes out unkeyed.
    qputenv("ONDRIX_SERIAL_PORTS", "");
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    // Accents and spaces in the path, as operators' folders have them.
    const QString file = tmp.filePath("Balise é/message d'une seconde.wav");
    QDir().mkpath(QFileInfo(file).path());
    QString err;
    ASSERT_TRUE(writeToneFile(file, ToneFormat::Wav, Tone{1.0, 48000, 1, 1000.0, 0.5}, &err))
        << err.toStdString();

    FakeDialogs dialogs;
    dialogs.openResults << file;
    Application app(AppOptions{tmp.path(), &dialogs});
    MainWindow& win = app.window();
    win.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&win, 30000));

    QTest::mouseClick(child<QWidget>(win, "CMDOuvrir"), Qt::LeftButton);
    ASSERT_EQ(app.presenter().state().file.recentFiles.text, file);
    ASSERT_EQ(app.presenter().state().cycle.periodSlider.min, 6);
    child<QSlider>(win, "SliderLireTemps")->setValue(6);
    ASSERT_EQ(app.presenter().state().cycle.periodSlider.value, 6);
    ASSERT_EQ(app.presenter().state().cycle.fileCountdown.interval, 1000);

    NullSinkRecorder rec;
    ASSERT_TRUE(rec.start()) << rec.error().toStdString();
    runFor(300);

    QTest::mouseClick(child<QWidget>(win, "BTPlay"), Qt::LeftButton);
    ASSERT_EQ(startButtonPicture(app.presenter().state().cycle), StartButtonPicture::Stop);

    // The first sending is over after ~1.3 s; the cycle then only waits.
    runFor(2000);
    // What the program spends: the process less the recorder's reading thread.
    const double cpu0 = processCpuSeconds() - rec.readerCpuSeconds();
    QElapsedTimer wait;
    wait.start();
    runFor(4500);
    const double idleCpu =
        (processCpuSeconds() - rec.readerCpuSeconds() - cpu0) / (wait.elapsed() / 1000.0);
    // Sendings at 0, 7 and 14 s: on until the third is heard whole.
    EXPECT_TRUE(waitUntil(
        [&] { return spansHeardWhole(rec.samples(), NullSinkRecorder::kRate, 0.05, 0.5) >= 3; },
        std::chrono::seconds(40)))
        << "three sendings not heard within 40 s";

    QTest::mouseClick(child<QWidget>(win, "BTPlay"), Qt::LeftButton);
    EXPECT_EQ(startButtonPicture(app.presenter().state().cycle), StartButtonPicture::Play);
    runFor(300);
    const std::vector<int16_t> samples = rec.stop();

    const std::vector<double> on = onsets(samples, NullSinkRecorder::kRate, 0.05, 0.5);
    ASSERT_EQ(on.size(), 3u) << "onsets heard: " << on.size();
    // One sending per period, not a sending early or late by a whole second:
    // the logic tests hold the exact period, and the start-to-start error is
    // measured by scripts/measure.sh from the lines printed below.
    const double expected[] = {0.0, 7.0, 14.0};
    for (size_t i = 0; i < 3; ++i)
        EXPECT_NEAR(on[i] - on[0], expected[i], 0.9) << "sending " << i;
    // The whole file each time, once: an output late on a loaded machine
    // only stretches a sending.
    const auto spans = soundSpans(samples, NullSinkRecorder::kRate, 0.05, 0.5);
    for (const Span& s : spans) {
        EXPECT_GT(s.length(), 0.95) << "cut short at " << s.start << " s";
        EXPECT_LT(s.length(), 1.5) << "too long at " << s.start << " s";
    }

    std::printf("measure: onsets after the first (s): %.4f %.4f\n", on[1] - on[0], on[2] - on[0]);
    std::printf("measure: start-to-start error per period (ms): %.1f %.1f\n",
                (on[1] - on[0] - 7.0) * 1000.0, (on[2] - on[1] - 7.0) * 1000.0);
    std::printf("measure: CPU while waiting between sendings: %.3f %% of one core\n",
                idleCpu * 100.0);
}
