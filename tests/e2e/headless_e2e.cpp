// The real program without a window (ondrix --headless), run as a child
// process on a prepared application directory: its sendings are recorded on
// the rig's null sink, its event lines read from its output, and what it
// leaves behind (exit status, settings file, serial port) checked.

#include "capture.h"
#include "ptyrig.h"
#include "testexit.h"
#include "tonefile.h"
#include "waituntil.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <memory>

#include <signal.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace ondrix::test;

namespace {

const QString kDejaLance = QStringLiteral("Le logiciel est déjà lancé !");

// How long a child may take to start, to say a line or to end: the program
// needs a few seconds at most, an instrumented build on a loaded machine many
// times that. Only a failure ever waits this long.
constexpr int kPatienceMs = 30000;

// Settings as "key=value" texts, written to D/parametres.ini.
void writeSettings(const QString& dir, const QMap<QString, QString>& params) {
    QFile f(QDir(dir).filePath(QStringLiteral("parametres.ini")));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QByteArray text = "[Params]\n";
    for (auto it = params.begin(); it != params.end(); ++it)
        text += it.key().toUtf8() + '=' + it.value().toUtf8() + '\n';
    f.write(text);
}

// Sections of an INI file: section name -> key -> value. Plain on purpose:
// the test must not read the file through the code under test.
QMap<QString, QMap<QString, QString>> readIni(const QString& path) {
    QMap<QString, QMap<QString, QString>> ini;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return ini;
    QString section;
    for (const QString& raw : QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'))) {
        const QString line = raw.trimmed();
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            section = line.mid(1, line.size() - 2);
            ini[section];
        } else if (const int eq = line.indexOf(QLatin1Char('=')); eq > 0) {
            ini[section][line.left(eq)] = line.mid(eq + 1);
        }
    }
    return ini;
}

struct FileStamp {
    QByteArray bytes;
    timespec mtime{};
    bool operator==(const FileStamp& o) const {
        return bytes == o.bytes && mtime.tv_sec == o.mtime.tv_sec &&
               mtime.tv_nsec == o.mtime.tv_nsec;
    }
};

FileStamp stamp(const QString& path) {
    FileStamp s;
    QFile f(path);
    if (f.open(QIODevice::ReadOnly))
        s.bytes = f.readAll();
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) == 0)
        s.mtime = st.st_mtim;
    return s;
}

// One run of `ondrix --headless --dir DIR`, its output read as it comes.
class Beacon {
public:
    explicit Beacon(const QString& dir, const QByteArray& serialPorts = QByteArray()) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("ONDRIX_SERIAL_PORTS"), QString::fromLocal8Bit(serialPorts));
        // No display at all, as on a station without a screen.
        for (const char* var : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(QString::fromLatin1(var));
        proc_.setProcessEnvironment(env);
        proc_.start(QStringLiteral(ONDRIX_EXE),
                    {QStringLiteral("--headless"), QStringLiteral("--dir"), dir});
        started_ = std::chrono::steady_clock::now();
    }
    ~Beacon() {
        if (proc_.state() != QProcess::NotRunning) {
            proc_.kill();
            proc_.waitForFinished(5000);
        }
    }

    bool waitStarted() { return proc_.waitForStarted(kPatienceMs); }
    bool running() const { return proc_.state() != QProcess::NotRunning; }
    std::chrono::steady_clock::time_point launchedAt() const { return started_; }
    qint64 pid() const { return proc_.processId(); }

    // Waits until a line of its output contains `text`; false after `ms`.
    bool waitForLine(const QString& text, int ms) {
        QElapsedTimer t;
        t.start();
        for (;;) {
            readOut();
            if (out_.contains(text))
                return true;
            const qint64 left = ms - t.elapsed();
            if (left <= 0 || proc_.state() == QProcess::NotRunning)
                return false;
            proc_.waitForReadyRead(static_cast<int>(std::min<qint64>(left, 100)));
        }
    }

    void terminate() { ::kill(static_cast<pid_t>(proc_.processId()), SIGTERM); }

    // The exit status, or -1 when it did not end normally within `ms`.
    int waitExit(int ms) {
        if (!proc_.waitForFinished(ms))
            return -1;
        readOut();
        err_ += QString::fromUtf8(proc_.readAllStandardError());
        return proc_.exitStatus() == QProcess::NormalExit ? proc_.exitCode() : -1;
    }

    QString out() {
        readOut();
        return out_;
    }
    QString err() const { return err_; }
    QStringList lines() { return out().split(QLatin1Char('\n'), Qt::SkipEmptyParts); }

private:
    void readOut() { out_ += QString::fromUtf8(proc_.readAllStandardOutput()); }

    QProcess proc_;
    QString out_;
    QString err_;
    std::chrono::steady_clock::time_point started_;
};

class HeadlessEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(qEnvironmentVariableIsEmpty("PULSE_SERVER"))
            << "the test rig is not running: scripts/rig.sh start, then source its env file";
        ASSERT_TRUE(dir.isValid());
        // A space and an accent, as operators' folders have them.
        tone = dir.filePath(QStringLiteral("message d'essai é.wav"));
        ASSERT_TRUE(writeToneFile(tone, ToneFormat::Wav, Tone{1.0, 48000, 1, 1000.0, 0.5}));
    }
    QString ini() const { return dir.filePath(QStringLiteral("parametres.ini")); }

    QTemporaryDir dir;
    QString tone;
};

} // namespace

TEST_F(HeadlessEndToEnd, RunsTheStoredFileCycleAndSavesEverythingOnSigterm) {
    // VOX keying: the cycle runs from the settings alone, with no serial port
    // in the way (keyed sendings are checked by the two-copies tests).
    writeSettings(dir.path(), {{"Param0", tone},
                               {"Param25", "1"},
                               {"Param28", "6"},
                               {"Param15", "1000"},
                               {"Param34", "VOX ON"}});
    NullSinkRecorder rec;
    ASSERT_TRUE(rec.start()) << rec.error().toStdString();

    Beacon beacon(dir.path());
    ASSERT_TRUE(beacon.waitStarted());
    ASSERT_TRUE(beacon.waitForLine(QStringLiteral("Émission du fichier"), kPatienceMs))
        << beacon.out().toStdString();
    // Sendings at 0, 7 and 14 s: on until the third is heard whole.
    const bool heard = waitUntil(
        [&] {
            return spansHeardWhole(rec.samples(), NullSinkRecorder::kRate, 0.05, 0.5) >= 3 ||
                   !beacon.running();
        },
        std::chrono::seconds(40));
    ASSERT_TRUE(beacon.running()) << "it stopped by itself: " << beacon.out().toStdString();
    EXPECT_TRUE(heard) << "three sendings not heard within 40 s";
    EXPECT_FALSE(beacon.out().contains(QStringLiteral("Arrêt"))) << "it stopped by itself";
    beacon.terminate();
    const int status = beacon.waitExit(kPatienceMs);
    const std::vector<int16_t> samples = rec.stop();
    EXPECT_EQ(status, 0) << beacon.err().toStdString();

    const std::vector<double> on = onsets(samples, NullSinkRecorder::kRate, 0.05, 0.5);
    ASSERT_EQ(on.size(), 3u) << "onsets heard: " << on.size();
    // One sending per period, not one a whole second early or late: the logic
    // tests hold the exact period; bench/headless_onset measures the start.
    const double expected[] = {0.0, 7.0, 14.0};
    for (size_t i = 0; i < 3; ++i)
        EXPECT_NEAR(on[i] - on[0], expected[i], 0.9) << "sending " << i;
    std::printf("measure: headless launch to first onset: %.0f ms\n",
                (on[0] - rec.secondsAt(beacon.launchedAt())) * 1000.0);

    // One line per event, the time first; the sendings and the stop said.
    const QRegularExpression line(QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d \\S"));
    const QStringList lines = beacon.lines();
    for (const QString& l : lines)
        EXPECT_TRUE(line.match(l).hasMatch()) << l.toStdString();
    EXPECT_EQ(
        lines.filter(QStringLiteral("Émission du fichier « ") + tone + QStringLiteral(" »")).size(),
        3);
    EXPECT_EQ(lines.filter(QStringLiteral("Cycle démarré")).size(), 1);
    EXPECT_EQ(lines.filter(QStringLiteral("Arrêt demandé (SIGTERM)")).size(), 1);
    EXPECT_TRUE(lines.last().endsWith(QStringLiteral("Arrêt terminé")))
        << beacon.out().toStdString();

    // The shut-down wrote the whole settings file, what was read kept.
    const auto written = readIni(ini());
    const auto& params = written.value(QStringLiteral("Params"));
    for (int i = 0; i < 66; ++i)
        EXPECT_TRUE(params.contains(QStringLiteral("Param") + QString::number(i))) << "Param" << i;
    const auto& om = written.value(QStringLiteral("Informations OM"));
    for (int i = 0; i < 5; ++i)
        EXPECT_TRUE(om.contains(QStringLiteral("ParamOM") + QString::number(i))) << "ParamOM" << i;
    EXPECT_EQ(params.value(QStringLiteral("Param0")), tone);
    EXPECT_EQ(params.value(QStringLiteral("Param28")), QStringLiteral("6"));
    EXPECT_EQ(params.value(QStringLiteral("Param34")), QStringLiteral("VOX ON"));
    // Nothing left behind by the single-instance lock.
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral(".ondrix.lock"))));
}

TEST_F(HeadlessEndToEnd, EndsWithAClearMessageWhenTheCycleCannotStart) {
    struct Case {
        const char* what;
        QMap<QString, QString> params; // Param0 "<text>": a text file named as a sound
        const char* says;
    };
    const Case cases[] = {
        {"no file chosen", {{"Param25", "1"}, {"Param34", "VOX ON"}}, "Aucun fichier de message"},
        {"the file is gone",
         {{"Param0", "/nonexistent/balise.wav"}, {"Param25", "1"}, {"Param34", "VOX ON"}},
         "Fichier de message introuvable : /nonexistent/balise.wav"},
        {"not a sound file",
         {{"Param0", "<text>"}, {"Param25", "1"}, {"Param34", "VOX ON"}},
         "Le cycle n'a pas pu démarrer : Fichier ou nom de fichier nom vailde"},
        {"speech with no text",
         {{"Param25", "2"}, {"Param34", "VOX ON"}},
         "Aucun texte de message"},
    };
    const QString text = dir.filePath(QStringLiteral("notes.wav"));
    {
        QFile f(text);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("ceci n'est pas un son\n");
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QMap<QString, QString> params = c.params;
        if (params.value(QStringLiteral("Param0")) == QLatin1String("<text>"))
            params[QStringLiteral("Param0")] = text;
        writeSettings(dir.path(), params);
        Beacon beacon(dir.path());
        ASSERT_TRUE(beacon.waitStarted());
        EXPECT_EQ(beacon.waitExit(kPatienceMs), 1);
        EXPECT_TRUE(beacon.err().contains(QString::fromUtf8(c.says))) << beacon.err().toStdString();
        EXPECT_FALSE(beacon.out().contains(QStringLiteral("Cycle démarré")))
            << beacon.out().toStdString();
        // The shut-down ran: the file was written whole.
        EXPECT_TRUE(
            readIni(ini()).value(QStringLiteral("Params")).contains(QStringLiteral("Param65")));
    }
}

namespace {

// Who opens a device node: inotify reports every open(2) of it, whichever
// process makes it.
class OpenWatch {
public:
    explicit OpenWatch(const QString& path) {
        fd_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        if (fd_ >= 0)
            wd_ = inotify_add_watch(fd_, QFile::encodeName(path).constData(), IN_OPEN);
    }
    ~OpenWatch() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    bool isValid() const { return wd_ >= 0; }
    int opens() {
        alignas(inotify_event) char buf[4096];
        for (;;) {
            const ssize_t n = ::read(fd_, buf, sizeof buf);
            if (n <= 0)
                return opens_;
            for (ssize_t i = 0; i < n;) {
                const auto* e = reinterpret_cast<const inotify_event*>(buf + i);
                if (e->mask & IN_OPEN)
                    ++opens_;
                i += static_cast<ssize_t>(sizeof(inotify_event) + e->len);
            }
        }
    }

private:
    int fd_ = -1;
    int wd_ = -1;
    int opens_ = 0;
};

class TwoCopies : public HeadlessEndToEnd {
protected:
    void SetUp() override {
        HeadlessEndToEnd::SetUp();
        ASSERT_TRUE(shimDir.isValid());
        ASSERT_TRUE(first.isValid() && second.isValid());
        qputenv("ONDRIX_MODEMSHIM_DIR", QFile::encodeName(shimDir.path()));
    }
    // A running file cycle keyed on port 1 through RTS: each copy opens its
    // port at its first sending.
    void settings(const char* instances) {
        writeSettings(dir.path(), {{"Param0", tone},
                                   {"Param25", "1"},
                                   {"Param28", "6"},
                                   {"Param34", "COM"},
                                   {"Param44", "1"},
                                   {"Param14", instances}});
    }

    QTemporaryDir shimDir;
    Pty first;  // the first copy's port 1
    Pty second; // the second copy's port 1
};

} // namespace

TEST_F(TwoCopies, TheSecondEndsAtOnceWithoutTouchingTheSettingsOrItsPort) {
    settings("0");
    Beacon one(dir.path(), QFile::encodeName(first.path()));
    ASSERT_TRUE(one.waitForLine(QStringLiteral("PTT activé"), kPatienceMs))
        << one.out().toStdString();
    const FileStamp before = stamp(ini());
    OpenWatch opens(second.path());
    ASSERT_TRUE(opens.isValid());

    Beacon two(dir.path(), QFile::encodeName(second.path()));
    EXPECT_EQ(two.waitExit(kPatienceMs), 1);
    EXPECT_EQ(two.err().trimmed(), kDejaLance);
    EXPECT_TRUE(two.out().isEmpty()) << two.out().toStdString();
    EXPECT_TRUE(stamp(ini()) == before) << "the second copy changed the settings file";
    EXPECT_EQ(opens.opens(), 0) << "the second copy opened its serial port";
    EXPECT_TRUE(ModemLines(shimDir.path(), second.number()).log().empty());

    // The first copy runs on, and stops cleanly.
    EXPECT_FALSE(one.out().contains(QStringLiteral("Arrêt")));
    one.terminate();
    EXPECT_EQ(one.waitExit(kPatienceMs), 0) << one.err().toStdString();
}

TEST_F(TwoCopies, BothRunWhenSeveralCopiesAreAllowed) {
    settings("1");
    Beacon one(dir.path(), QFile::encodeName(first.path()));
    ASSERT_TRUE(one.waitForLine(QStringLiteral("PTT activé"), kPatienceMs))
        << one.out().toStdString();
    OpenWatch opens(second.path());
    ASSERT_TRUE(opens.isValid());

    Beacon two(dir.path(), QFile::encodeName(second.path()));
    ASSERT_TRUE(two.waitForLine(QStringLiteral("PTT activé"), kPatienceMs))
        << two.out().toStdString() << two.err().toStdString();
    // What the refusal above is checked against: a copy that runs opens its port.
    EXPECT_GE(opens.opens(), 1);
    EXPECT_FALSE(ModemLines(shimDir.path(), second.number()).log().empty());

    one.terminate();
    two.terminate();
    EXPECT_EQ(one.waitExit(kPatienceMs), 0) << one.err().toStdString();
    EXPECT_EQ(two.waitExit(kPatienceMs), 0) << two.err().toStdString();
}

int main(int argc, char** argv) {
    // The children inherit the modem-line shim with the environment.
    ensureModemShim(argv);
    ::testing::InitGoogleTest(&argc, argv);
    QCoreApplication app(argc, argv);
    exitAfterTests(RUN_ALL_TESTS());
}
