// How fast the serial link keys the transmitter, and what the port search
// costs besides its waits. Runs on a pty under the modem-line shim
// (tests/support/modemshim.c), re-executing itself under it when needed.
//
//   KeyingToRts       the keying sequence of the RTS line (setDTR(false), then
//                     setRTS(true)); counters: time from the call to the
//                     shim's record of RTS set, both on CLOCK_MONOTONIC
//   ShimIoctl         one modem ioctl through the shim alone, for scale: the
//                     shim's file work is most of the figure above
//   OpenClose         open() and close() of a present device
//   PortSearch/0, /1  32 opens as the port search makes them (waits
//                     excluded): numbers outside an empty map, and 32 listed
//                     devices that do not exist

#include "platform/qtseriallink.h"

#include "ptyrig.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <ctime>
#include <vector>

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

using namespace ondrix;
using namespace ondrix::test;

namespace {

int64_t monotonicNs() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return int64_t{t.tv_sec} * 1'000'000'000 + t.tv_nsec;
}

// The shim's files on tmpfs where there is one: on a disk its rename and
// log writes would be most of what is measured.
QString shimDirTemplate() {
    const QFileInfo shm(QStringLiteral("/dev/shm"));
    return shm.isDir() && shm.isWritable() ? QStringLiteral("/dev/shm/ondrix-bench-XXXXXX")
                                           : QString();
}

// A pty under the shim, in the port map as number 1.
struct Rig {
    QTemporaryDir dir{shimDirTemplate()};
    Pty pty;
    Rig() {
        qputenv("ONDRIX_MODEMSHIM_DIR", QFile::encodeName(dir.path()));
        qputenv("ONDRIX_SERIAL_PORTS", pty.path().toLocal8Bit());
    }
    bool ok() const { return dir.isValid() && pty.isValid(); }
    ModemLines lines() const { return ModemLines(dir.path(), pty.number()); }
};

double percentile(std::vector<int64_t> v, double p) {
    if (v.empty())
        return 0;
    const auto k = static_cast<size_t>(p * static_cast<double>(v.size() - 1));
    std::nth_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(k), v.end());
    return static_cast<double>(v[k]);
}

void KeyingToRts(benchmark::State& state) {
    Rig rig;
    QtSerialLink link;
    link.setPortNumber(1);
    if (!rig.ok() || link.open() != SerialResult::Ok) {
        state.SkipWithError("no pty, or the link does not open under the shim");
        return;
    }
    rig.lines().clearLog();
    std::vector<int64_t> calls;
    calls.reserve(static_cast<size_t>(state.max_iterations));
    for (auto _ : state) {
        calls.push_back(monotonicNs());
        const bool keyed =
            link.setDTR(false) == SerialResult::Ok && link.setRTS(true) == SerialResult::Ok;
        state.PauseTiming();
        const bool released = link.setRTS(false) == SerialResult::Ok;
        state.ResumeTiming();
        if (!keyed || !released) {
            state.SkipWithError("the line could not be set");
            break;
        }
    }
    // Each keying sets RTS with exactly one TIOCMBIS; the unkeying clears it.
    std::vector<int64_t> latencies;
    size_t i = 0;
    for (const ModemLines::LogEntry& e : rig.lines().log()) {
        if (e.request == QLatin1String("TIOCMBIS") && e.bits > 0 && (e.bits & TIOCM_RTS) &&
            i < calls.size())
            latencies.push_back(e.ns - calls[i++]);
    }
    if (latencies.size() != calls.size()) {
        state.SkipWithError("the shim's log does not match the keyings");
        return;
    }
    state.counters["median_us"] = percentile(latencies, 0.5) / 1000;
    state.counters["p99_us"] = percentile(latencies, 0.99) / 1000;
    state.counters["max_us"] = percentile(latencies, 1.0) / 1000;
}
BENCHMARK(KeyingToRts)->Iterations(1000)->Unit(benchmark::kMicrosecond);

void ShimIoctl(benchmark::State& state) {
    Rig rig;
    const int fd = ::open(rig.pty.path().toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
    if (!rig.ok() || fd < 0) {
        state.SkipWithError("no pty");
        return;
    }
    int rts = TIOCM_RTS;
    bool on = false;
    for (auto _ : state) {
        on = !on;
        benchmark::DoNotOptimize(::ioctl(fd, on ? TIOCMBIS : TIOCMBIC, &rts));
    }
    ::close(fd);
}
BENCHMARK(ShimIoctl)->Unit(benchmark::kMicrosecond);

void OpenClose(benchmark::State& state) {
    Rig rig;
    QtSerialLink link;
    link.setPortNumber(1);
    for (auto _ : state) {
        if (link.open() != SerialResult::Ok) {
            state.SkipWithError("open failed");
            break;
        }
        link.close();
    }
}
BENCHMARK(OpenClose)->Unit(benchmark::kMicrosecond);

void PortSearch(benchmark::State& state) {
    constexpr int kPorts = 32;
    QStringList missing;
    if (state.range(0) == 1) {
        for (int p = 1; p <= kPorts; ++p)
            missing << QStringLiteral("/dev/ondrix-bench-missing/ttyS%1").arg(p);
    }
    qputenv("ONDRIX_SERIAL_PORTS", missing.join(u',').toLocal8Bit());
    QtSerialLink link;
    for (auto _ : state) {
        for (int p = 1; p <= kPorts; ++p) {
            link.setPortNumber(p);
            const SerialResult r = link.open();
            if (r != SerialResult::AlreadyOpen)
                link.close();
            benchmark::DoNotOptimize(link.devicePath(p));
            benchmark::DoNotOptimize(r);
        }
    }
}
BENCHMARK(PortSearch)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    ensureModemShim(argv);
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
