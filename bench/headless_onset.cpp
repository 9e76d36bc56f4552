// How long the window-less beacon takes from its launch to the first sample
// of its first sending heard on the rig's null sink, settings read and cycle
// started from them: five runs and their median.
//
//   headless_onset [RUNS]   (needs the test rig's environment)

#include "capture.h"
#include "tonefile.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include <signal.h>

using namespace ondrix::test;

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    if (!rigRunning())
        return 2;
    QTemporaryDir dir;
    const QString tone = dir.filePath("balise.wav");
    if (!writeToneFile(tone, ToneFormat::Wav, Tone{1.0, 48000, 1, 1000.0, 0.5}))
        return 2;
    const QString ini = dir.filePath("parametres.ini");

    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        // A fresh file each time: the shut-down writes every key back.
        QFile f(ini);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 2;
        f.write("[Params]\nParam0=" + tone.toUtf8() +
                "\nParam25=1\nParam28=30\nParam15=1000\nParam34=VOX ON\n");
        f.close();

        NullSinkRecorder rec;
        if (!rec.start()) {
            std::fprintf(stderr, "%s\n", qPrintable(rec.error()));
            return 2;
        }
        QProcess beacon;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("ONDRIX_SERIAL_PORTS", "");
        beacon.setProcessEnvironment(env);
        const auto launched = std::chrono::steady_clock::now();
        beacon.start(ONDRIX_EXE, {"--headless", "--dir", dir.path()});
        QElapsedTimer t;
        t.start();
        QByteArray out;
        while (!out.contains("Émission") && t.elapsed() < 10000 &&
               beacon.state() != QProcess::NotRunning) {
            beacon.waitForReadyRead(50);
            out += beacon.readAllStandardOutput();
        }
        // The sending heard whole, then the end.
        QElapsedTimer wait;
        wait.start();
        while (wait.elapsed() < 1500)
            beacon.waitForFinished(static_cast<int>(1500 - wait.elapsed()));
        ::kill(static_cast<pid_t>(beacon.processId()), SIGTERM);
        beacon.waitForFinished(10000);
        const std::vector<int16_t> samples = rec.stop();
        const std::vector<Span> spans = soundSpans(samples, NullSinkRecorder::kRate, 0.05, 0.5);
        if (spans.empty()) {
            std::fprintf(stderr, "run %d: nothing heard\n%s", i + 1, out.constData());
            return 1;
        }
        ms.push_back((spans.front().start - rec.secondsAt(launched)) * 1000.0);
        std::printf("run %d: launch to first onset %.0f ms\n", i + 1, ms.back());
    }
    std::vector<double> sorted = ms;
    std::sort(sorted.begin(), sorted.end());
    const size_t n = sorted.size();
    const double median = n % 2 ? sorted[n / 2] : (sorted[n / 2 - 1] + sorted[n / 2]) / 2;
    std::printf("headless launch to first onset, median of %zu: %.0f ms\n", n, median);
    return 0;
}
