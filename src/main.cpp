#include "app/appdir.h"
#include "app/instance.h"
#include "gui/application.h"
#include "gui/panel.h"
#include "gui/qtdialogs.h"
#include "headless/headless.h"
#include "platform/signalwatcher.h"

#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QStandardPaths>

#include <array>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

namespace {

// Leaves without static destructors: libpulse has been seen to assert
// (io_events_please_scan) while Qt's audio globals are torn down at exit, and
// by then the shut-down sequence has already run. The lock on the
// application directory is given back first.
[[noreturn]] void endProcess(int status, std::optional<ondrix::SingleInstance>& guard) {
    guard.reset();
#if defined(__SANITIZE_ADDRESS__)
    // What a normal exit would have checked.
    __lsan_do_leak_check();
#endif
    std::fflush(stdout);
    std::fflush(stderr);
    std::_Exit(status);
}

// ONDRIX_TRACE_STARTUP=1: how long start-up took, on the error stream.
void traceStartUp(const QElapsedTimer& sinceLaunch, const ondrix::Station& station) {
    if (qEnvironmentVariableIntValue("ONDRIX_TRACE_STARTUP") != 1)
        return;
    std::fprintf(stderr, "start-up: total %lld ms, pauses %lld ms\n",
                 static_cast<long long>(sinceLaunch.elapsed()),
                 static_cast<long long>(station.pausedMs()));
    std::fflush(stderr);
}

// ONDRIX_TRACE_REDRAWS=1: how often the window was drawn once started, per
// feature and per panel, on the error stream when it closes.
class RedrawTrace {
public:
    explicit RedrawTrace(const ondrix::MainWindow& window)
        : window_(window), on_(qEnvironmentVariableIntValue("ONDRIX_TRACE_REDRAWS") == 1),
          before_(counts()), panelsBefore_(panelCounts()) {
        since_.start();
    }
    ~RedrawTrace() {
        if (!on_)
            return;
        const std::array<long, kCounts> after = counts();
        const double s = static_cast<double>(since_.elapsed()) / 1000.0;
        const long n = after[0] - before_[0];
        std::fprintf(stderr, "redraws: %ld in %.1f s (%.2f per second); of which", n, s,
                     s > 0 ? static_cast<double>(n) / s : 0.0);
        for (size_t i = 1; i < kCounts; ++i)
            std::fprintf(stderr, " %s %ld", kFeatures[i - 1].first, after[i] - before_[i]);
        std::fprintf(stderr, "; panels");
        const std::vector<long> panelsAfter = panelCounts();
        for (size_t i = 0; i < panelsAfter.size(); ++i)
            std::fprintf(stderr, " %s %ld", qPrintable(window_.panels()[i]->objectName()),
                         panelsAfter[i] - panelsBefore_[i]);
        std::fprintf(stderr, "\n");
        std::fflush(stderr);
    }

private:
    static constexpr std::pair<const char*, ondrix::Feature> kFeatures[] = {
        {"shell", ondrix::Feature::Shell},
        {"options", ondrix::Feature::Options},
        {"cycle", ondrix::Feature::Cycle},
        {"file", ondrix::Feature::FileMessage},
        {"speech", ondrix::Feature::Speech},
        {"radio", ondrix::Feature::RadioLink},
        {"time-windows", ondrix::Feature::TimeWindows},
        {"operator", ondrix::Feature::OperatorDetails},
        {"countdown", ondrix::Feature::Countdown},
    };
    static constexpr size_t kCounts = std::size(kFeatures) + 1;
    // The whole count first, then one per feature.
    std::array<long, kCounts> counts() const {
        std::array<long, kCounts> c{window_.renderCount()};
        for (size_t i = 1; i < kCounts; ++i)
            c[i] = window_.renderCount(kFeatures[i - 1].second);
        return c;
    }

    std::vector<long> panelCounts() const {
        std::vector<long> c;
        for (const ondrix::Panel* panel : window_.panels())
            c.push_back(panel->renderCount());
        return c;
    }

    const ondrix::MainWindow& window_;
    bool on_;
    std::array<long, kCounts> before_;
    std::vector<long> panelsBefore_;
    QElapsedTimer since_;
};

} // namespace

int main(int argc, char* argv[]) {
    QElapsedTimer sinceLaunch;
    sinceLaunch.start();

    // Read before the application object, which depends on it: without a
    // window no display is needed.
    QStringList args;
    for (int i = 0; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    const ondrix::CommandLine cl = ondrix::parseCommandLine(args);
    if (!cl.error.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(cl.error));
        return 2;
    }

    std::unique_ptr<QCoreApplication> qapp;
    if (cl.headless)
        qapp = std::make_unique<QCoreApplication>(argc, argv);
    else
        qapp = std::make_unique<QApplication>(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Ondrix"));
    QCoreApplication::setApplicationVersion(QStringLiteral(PROJECT_VERSION_TEXT));

    QString error;
    const QString dir = ondrix::resolveAppDir(
        cl.dir, QCoreApplication::applicationDirPath(),
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation), &error);
    if (dir.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }

    // Before anything is built: a copy that may not run writes nothing and
    // never touches the serial port.
    std::optional<ondrix::SingleInstance> guard;
    guard.emplace(dir);
    if (!guard->mayRun()) {
        if (cl.headless)
            std::fprintf(stderr, "%s\n", qPrintable(ondrix::SingleInstance::kMsgDejaLance));
        else
            ondrix::QtDialogs().message(ondrix::SingleInstance::kMsgDejaLance,
                                        ondrix::MsgButtons::Ok, QString());
        endProcess(1, guard);
    }

    // Ctrl+C, a service manager's stop, a closed terminal: the shut-down
    // sequence, then the end.
    ondrix::SignalWatcher watcher({SIGINT, SIGTERM, SIGHUP});

    if (cl.headless) {
        // A log reader that went away must not take the beacon with it.
        std::signal(SIGPIPE, SIG_IGN);
        ondrix::HeadlessBeacon beacon(dir);
        QObject::connect(&watcher, &ondrix::SignalWatcher::received, &beacon, [&beacon](int signo) {
            beacon.stop(QString::fromLatin1(ondrix::SignalWatcher::name(signo)));
        });
        QObject::connect(&beacon.station(), &ondrix::Station::stopped, &beacon,
                         [] { QCoreApplication::exit(0); });
        const int status = beacon.start();
        traceStartUp(sinceLaunch, beacon.station());
        if (status != 0 || beacon.station().stoppedForGood())
            endProcess(status, guard);
        QCoreApplication::exec();
        beacon.stop(QString());
        endProcess(0, guard);
    }

    // A signal that came during start-up is acted on once it is over.
    ondrix::Application* running = nullptr;
    bool signalled = false;
    QObject::connect(&watcher, &ondrix::SignalWatcher::received, &watcher, [&](int) {
        if (running)
            running->station().requestShutDown();
        else
            signalled = true;
    });
    ondrix::Application app(ondrix::AppOptions{dir, nullptr, true});
    running = &app;
    if (signalled)
        app.station().requestShutDown();
    app.window().repaint();
    traceStartUp(sinceLaunch, app.station());
    // A shut-down asked for during start-up has run already.
    if (!app.station().stoppedForGood()) {
        const RedrawTrace redraws(app.window());
        QApplication::exec();
    }
    app.station().requestShutDown();
    endProcess(0, guard);
}
