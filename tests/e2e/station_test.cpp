// The station (the real adapters and the presenter, no window) around its
// start-up: what may and may not happen while the settings are being read
// and applied, when a front end handles events during the loading pauses.

#include "station/station.h"
#include "support/fakes.h"
#include "tonefile.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

using namespace ondrix;
using namespace ondrix::test;

namespace {

// The loading pauses as the window makes them: events are handled meanwhile
// (here for the whole wait), and the test may act at each one.
class PumpingPauses : public Sleeper {
public:
    std::function<void()> atPause;
    int pauses = 0;
    void sleepMs(int ms) override {
        ++pauses;
        if (atPause)
            atPause();
        QEventLoop loop;
        QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
        loop.exec();
    }
};

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class StationStartUp : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        tone = dir.filePath("balise.wav");
        ASSERT_TRUE(writeToneFile(tone, ToneFormat::Wav, Tone{1.0, 48000, 1, 1000.0, 0.5}));
        QFile f(ini());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[Params]\nParam0=" + tone.toUtf8() +
                "\nParam25=1\nParam28=6\nParam9=-1250\nParam34=VOX ON\n");
    }
    QString ini() const { return dir.filePath("parametres.ini"); }

    QTemporaryDir dir;
    QString tone;
    FakeDialogs dialogs;
    PumpingPauses pauses;
};

} // namespace

TEST_F(StationStartUp, NothingFromTheAdaptersOrTheTimersActsBeforeItIsOver) {
    Station station(dir.path(), dialogs, &pauses);
    QString clockDuringStartUp = QStringLiteral("unset");
    // Long enough at one pause for the one-second clock tick to come, were
    // it driven already, even late on a loaded machine.
    pauses.atPause = [&] {
        if (pauses.pauses != 2)
            return;
        QEventLoop loop;
        QTimer::singleShot(2500, &loop, &QEventLoop::quit);
        loop.exec();
        clockDuringStartUp = station.presenter().state().windows.clockLabel;
    };
    station.start();
    ASSERT_GE(pauses.pauses, 2);
    EXPECT_TRUE(clockDuringStartUp.isEmpty())
        << "the clock ticked during start-up: " << clockDuringStartUp.toStdString();

    // The player's duration notice for the file opened while the settings
    // were applied came during a pause, and runs the period change: the
    // saved period must still be the one in force.
    const StationState& f = station.presenter().state();
    EXPECT_EQ(f.cycle.periodSlider.value, 6);
    EXPECT_EQ(station.presenter().params().get(28), QStringLiteral("6"));
    EXPECT_EQ(f.file.volumeSlider.value, -1250);

    // Once it is over, the timers run.
    QEventLoop loop;
    QTimer::singleShot(1200, &loop, &QEventLoop::quit);
    loop.exec();
    EXPECT_FALSE(f.windows.clockLabel.isEmpty());
}

TEST_F(StationStartUp, AShutDownAskedForMeanwhileWaitsForItsEnd) {
    const QByteArray before = readAll(ini());
    Station station(dir.path(), dialogs, &pauses);
    int stopped = 0;
    QObject::connect(&station, &Station::stopped, [&] { ++stopped; });
    bool stoppedEarly = false;
    QByteArray fileAtPause;
    pauses.atPause = [&] {
        if (pauses.pauses != 1)
            return;
        // Ctrl+C, a closed window or the session ending, while loading.
        station.requestShutDown();
        stoppedEarly = station.stoppedForGood() || stopped > 0;
        fileAtPause = readAll(ini());
    };
    station.start();
    EXPECT_FALSE(stoppedEarly);
    EXPECT_EQ(fileAtPause, before) << "the settings were written while being read";

    EXPECT_TRUE(station.stoppedForGood());
    EXPECT_EQ(stopped, 1);
    EXPECT_TRUE(station.presenter().unloaded());
    // Written after everything was read: the operator's values, not the defaults.
    const QString written = QString::fromUtf8(readAll(ini()));
    EXPECT_TRUE(written.contains("Param28=6")) << written.toStdString();
    EXPECT_TRUE(written.contains("Param9=-1250")) << written.toStdString();
    EXPECT_TRUE(written.contains("Param0=" + tone)) << written.toStdString();

    // Asked again (a signal and the window closing): nothing more.
    station.requestShutDown();
    EXPECT_EQ(stopped, 1);
}
