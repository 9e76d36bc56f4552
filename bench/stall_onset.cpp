// Where the window-less beacon's sendings land on the rig's null sink after
// the whole process has been held still (SIGSTOP, then SIGCONT), as a loaded
// or briefly suspended machine holds it. A file cycle runs on a prepared
// settings file: a 0.5 s tone, period 10 s, tick 1000 ms, VOX (no port).
//
// A control run without any stall first gives the spacing of two sendings
// (the period plus one tick: 11 s with these settings). Then, RUNS times each:
//   wait     the process held 2.5 s in the middle of the wait, 3 s after the
//            first sending: the next onset's error against the first onset
//            plus the spacing;
//   sending  held from 1 s before the second sending is due to 1.5 s after:
//            how long after SIGCONT it was heard, and how many sendings
//            started within one spacing from the hold (one is right).
//
//   stall_onset [RUNS] [wait|sending|both]   (default 3 both; needs the test
//                                             rig's environment)

#include "capture.h"
#include "tonefile.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <thread>
#include <vector>

#include <signal.h>

using namespace ondrix::test;
using SteadyClock = std::chrono::steady_clock;
using namespace std::chrono_literals;

namespace {

constexpr double kToneS = 0.5;
constexpr double kNominalSpacingS = 11.0; // Param28 + one Param15 tick
constexpr double kThreshold = 0.05;
constexpr double kMinSilenceS = 0.1;

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

SteadyClock::duration seconds(double s) {
    return std::chrono::duration_cast<SteadyClock::duration>(std::chrono::duration<double>(s));
}

// One launch of `ondrix --headless` on a fresh settings file, recorded from
// before its launch to after its end.
class Beacon {
public:
    Beacon(const QString& dir, const QString& tone) : dir_(dir), tone_(tone) {}

    // Launches it and returns once its first sending is reported on standard
    // output; false, said on standard error, when it is not.
    bool launch() {
        // A fresh file each time: the shut-down writes every key back.
        QFile f(dir_ + QStringLiteral("/parametres.ini"));
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return false;
        f.write("[Params]\nParam0=" + tone_.toUtf8() +
                "\nParam25=1\nParam28=10\nParam15=1000\nParam34=VOX ON\n");
        f.close();
        if (!rec_.start()) {
            std::fprintf(stderr, "%s\n", qPrintable(rec_.error()));
            return false;
        }
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("ONDRIX_SERIAL_PORTS", "");
        proc_.setProcessEnvironment(env);
        proc_.start(ONDRIX_EXE, {"--headless", "--dir", dir_});
        const auto deadline = SteadyClock::now() + 10s;
        while (!out_.contains("Émission") && SteadyClock::now() < deadline &&
               proc_.state() != QProcess::NotRunning) {
            proc_.waitForReadyRead(10);
            out_ += proc_.readAllStandardOutput();
        }
        firstLine_ = SteadyClock::now();
        if (!out_.contains("Émission")) {
            std::fprintf(stderr, "no sending reported:\n%s%s", out_.constData(),
                         proc_.readAllStandardError().constData());
            return false;
        }
        return true;
    }

    // When the first sending was reported.
    SteadyClock::time_point firstLine() const { return firstLine_; }

    // Keeps reading its output until `when`.
    void runUntil(SteadyClock::time_point when) {
        while (SteadyClock::now() < when) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(when - SteadyClock::now());
            proc_.waitForReadyRead(static_cast<int>(std::clamp<long long>(left.count(), 1, 50)));
            out_ += proc_.readAllStandardOutput();
        }
    }

    // Sends `sig` and returns when it was sent.
    SteadyClock::time_point signal(int sig) {
        ::kill(static_cast<pid_t>(proc_.processId()), sig);
        return SteadyClock::now();
    }

    // Ends it (SIGTERM) and the recording; the onsets heard, in seconds of
    // the recording.
    std::vector<double> finish() {
        signal(SIGTERM);
        proc_.waitForFinished(10000);
        samples_ = rec_.stop();
        return onsets(samples_, NullSinkRecorder::kRate, kThreshold, kMinSilenceS);
    }

    double at(SteadyClock::time_point when) const { return rec_.secondsAt(when); }

    // Seconds of sound heard in [fromS, toS) of the recording.
    double soundIn(double fromS, double toS) const {
        double total = 0.0;
        for (const Span& s :
             soundSpans(samples_, NullSinkRecorder::kRate, kThreshold, kMinSilenceS))
            total += std::max(0.0, std::min(s.end, toS) - std::max(s.start, fromS));
        return total;
    }

private:
    QString dir_;
    QString tone_;
    NullSinkRecorder rec_;
    QProcess proc_;
    QByteArray out_;
    SteadyClock::time_point firstLine_;
    std::vector<int16_t> samples_;
};

void printOnsets(const std::vector<double>& on) {
    std::printf("  onsets after the first (s):");
    for (size_t i = 1; i < on.size(); ++i)
        std::printf(" %.3f", on[i] - on[0]);
    std::printf("\n");
}

// The spacing of the first two sendings, nothing held.
std::optional<double> controlSpacing(const QString& dir, const QString& tone) {
    Beacon b(dir, tone);
    if (!b.launch())
        return std::nullopt;
    b.runUntil(b.firstLine() + seconds(kNominalSpacingS + 1.5));
    const std::vector<double> on = b.finish();
    if (on.size() < 2) {
        std::fprintf(stderr, "control: %zu onset(s) heard, 2 expected\n", on.size());
        return std::nullopt;
    }
    return on[1] - on[0];
}

// Held 2.5 s from 3 s after the first sending: the next onset's error in ms.
std::optional<double> stallInWait(const QString& dir, const QString& tone, double spacing,
                                  int run) {
    Beacon b(dir, tone);
    if (!b.launch())
        return std::nullopt;
    b.runUntil(b.firstLine() + 3s);
    const auto held = b.signal(SIGSTOP);
    std::this_thread::sleep_until(held + 2500ms);
    const auto released = b.signal(SIGCONT);
    // Two more sendings, however late, the last heard whole.
    b.runUntil(b.firstLine() + seconds(2 * spacing + 2.5 + 1.5));
    const std::vector<double> on = b.finish();
    if (on.size() < 2) {
        std::fprintf(stderr, "wait run %d: %zu onset(s) heard\n", run, on.size());
        return std::nullopt;
    }
    const double error = (on[1] - (on[0] + spacing)) * 1000.0;
    std::printf("wait run %d: held %.3f-%.3f s after the first onset; next onset %+.0f ms "
                "against its expected time (first + %.3f s)\n",
                run, b.at(held) - on[0], b.at(released) - on[0], error, spacing);
    printOnsets(on);
    return error;
}

struct SendingStall {
    double lateMs = 0.0; // first onset in the window after SIGCONT
    int count = 0;       // onsets within one spacing from the hold
};

// Held over the moment the second sending is due.
std::optional<SendingStall> stallOverSending(const QString& dir, const QString& tone,
                                             double spacing, int run) {
    Beacon b(dir, tone);
    if (!b.launch())
        return std::nullopt;
    b.runUntil(b.firstLine() + seconds(spacing - 1.0));
    const auto held = b.signal(SIGSTOP);
    std::this_thread::sleep_until(held + 2500ms);
    const auto released = b.signal(SIGCONT);
    b.runUntil(held + seconds(spacing + 1.5));
    const std::vector<double> on = b.finish();
    if (on.empty()) {
        std::fprintf(stderr, "sending run %d: nothing heard\n", run);
        return std::nullopt;
    }
    const double from = b.at(held);
    const double to = from + spacing;
    const double cont = b.at(released);
    SendingStall r;
    std::optional<double> firstIn;
    for (double t : on)
        if (t >= from && t < to) {
            ++r.count;
            if (!firstIn)
                firstIn = t;
        }
    if (!firstIn) {
        std::fprintf(stderr, "sending run %d: no onset within %.1f s from the hold\n", run,
                     spacing);
        printOnsets(on);
        return std::nullopt;
    }
    r.lateMs = (*firstIn - cont) * 1000.0;
    std::printf("sending run %d: held %.3f-%.3f s after the first onset (due at %.3f); heard "
                "%.0f ms after SIGCONT (%+.0f ms against due); %d onset(s), %.2f s of sound "
                "(one sending %.2f s) within %.1f s from the hold\n",
                run, from - on[0], cont - on[0], spacing, r.lateMs,
                (*firstIn - (on[0] + spacing)) * 1000.0, r.count, b.soundIn(from, to), kToneS,
                spacing);
    printOnsets(on);
    return r;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    const char* which = argc > 2 ? argv[2] : "both";
    const bool wait = !std::strcmp(which, "wait") || !std::strcmp(which, "both");
    const bool sending = !std::strcmp(which, "sending") || !std::strcmp(which, "both");
    if (!wait && !sending) {
        std::fprintf(stderr, "usage: stall_onset [RUNS] [wait|sending|both]\n");
        return 2;
    }
    if (!rigRunning())
        return 2;
    QTemporaryDir dir;
    const QString tone = dir.filePath("balise.wav");
    if (!writeToneFile(tone, ToneFormat::Wav, Tone{kToneS, 48000, 1, 1000.0, 0.5}))
        return 2;

    const std::optional<double> spacing = controlSpacing(dir.path(), tone);
    if (!spacing)
        return 1;
    std::printf("control: spacing of two sendings %.1f ms (settings: %.0f ms)\n", *spacing * 1000.0,
                kNominalSpacingS * 1000.0);

    std::vector<double> errors;
    for (int i = 1; wait && i <= runs; ++i) {
        const auto e = stallInWait(dir.path(), tone, *spacing, i);
        if (!e)
            return 1;
        errors.push_back(*e);
    }
    std::vector<double> late;
    int once = 0;
    for (int i = 1; sending && i <= runs; ++i) {
        const auto r = stallOverSending(dir.path(), tone, *spacing, i);
        if (!r)
            return 1;
        late.push_back(r->lateMs);
        once += r->count == 1;
    }
    if (wait)
        std::printf("held 2.5 s during the wait, median of %d: next onset %+.0f ms against its "
                    "expected time\n",
                    runs, median(errors));
    if (sending)
        std::printf("held over the sending moment, median of %d: heard %.0f ms after SIGCONT; "
                    "sent exactly once in %d of %d runs\n",
                    runs, median(late), once, runs);
    return 0;
}
