// How long the windowed program takes from its launch to its window shown
// with the loading done, on a full settings file with a saved serial port
// (a pty): five runs, their median, and the part of it spent in the fixed
// loading pauses. The program reports its own figures when
// ONDRIX_TRACE_STARTUP=1 ("start-up: total X ms, pauses Y ms").
//
//   window_startup [RUNS]   (needs the test rig's display and sound server)

#include "ptyrig.h"
#include "tonefile.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

#include <signal.h>

using namespace ondrix::test;

namespace {

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    if (qEnvironmentVariableIsEmpty("DISPLAY") || qEnvironmentVariableIsEmpty("PULSE_SERVER")) {
        std::fprintf(stderr, "the test rig is not running: scripts/rig.sh start, then source "
                             "its env file\n");
        return 2;
    }
    QTemporaryDir dir;
    Pty pty;
    if (!pty.isValid())
        return 2;
    const QString tone = dir.filePath("balise.wav");
    if (!writeToneFile(tone, ToneFormat::Wav, Tone{1.0, 48000, 1, 1000.0, 0.5}))
        return 2;
    {
        QFile f(dir.filePath("parametres.ini"));
        if (!f.open(QIODevice::WriteOnly))
            return 2;
        f.write("[Params]\nParam0=" + tone.toUtf8() +
                "\nParam25=1\nParam27=Ici la balise, il est [Heure:Minute].\nParam28=30\n"
                "Param15=1000\nParam34=COM\nParam44=1\n[Informations OM]\nParamOM0=Jean\n"
                "ParamOM1=F4XYZ\nParamOM2=Lyon\nParamOM3=F1ZZZ\n");
    }

    const QRegularExpression trace(QStringLiteral("start-up: total (\\d+) ms, pauses (\\d+) ms"));
    std::vector<double> wall, total, pauses;
    // The first run writes every key back at its shut-down: the measured
    // runs read a full file.
    for (int i = 0; i <= runs; ++i) {
        QProcess ondrix;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("ONDRIX_SERIAL_PORTS", pty.path());
        env.insert("ONDRIX_TRACE_STARTUP", "1");
        env.insert("QT_QPA_PLATFORM", "xcb");
        ondrix.setProcessEnvironment(env);
        QElapsedTimer t;
        t.start();
        ondrix.start(ONDRIX_EXE, {"--dir", dir.path()});
        QByteArray err;
        QRegularExpressionMatch m;
        while (t.elapsed() < 20000 && ondrix.state() != QProcess::NotRunning) {
            ondrix.waitForReadyRead(20);
            err += ondrix.readAllStandardError();
            m = trace.match(QString::fromUtf8(err));
            if (m.hasMatch())
                break;
        }
        const qint64 shown = t.elapsed();
        ::kill(static_cast<pid_t>(ondrix.processId()), SIGTERM);
        ondrix.waitForFinished(10000);
        if (!m.hasMatch()) {
            std::fprintf(stderr, "run %d: no start-up trace\n%s", i, err.constData());
            return 1;
        }
        if (i == 0)
            continue;
        wall.push_back(static_cast<double>(shown));
        total.push_back(m.captured(1).toDouble());
        pauses.push_back(m.captured(2).toDouble());
        std::printf("run %d: launch to loaded window %lld ms (in the program: %s ms, pauses %s "
                    "ms)\n",
                    i, static_cast<long long>(shown), qPrintable(m.captured(1)),
                    qPrintable(m.captured(2)));
    }
    std::printf("windowed start-up, median of %d: launch to loaded window %.0f ms; in the "
                "program %.0f ms, of which pauses %.0f ms and the rest %.0f ms\n",
                runs, median(wall), median(total), median(pauses), median(total) - median(pauses));
    return 0;
}
