#include "capture.h"

#include <pthread.h>
#include <time.h>

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace ondrix::test {

using Clock = std::chrono::steady_clock;

namespace {

// parec starts in well under a second; a loaded machine may take many times that.
constexpr auto kStartTimeout = std::chrono::seconds(20);

} // namespace

NullSinkRecorder::NullSinkRecorder(QString source) : source_(std::move(source)) {}

NullSinkRecorder::~NullSinkRecorder() {
    stop();
}

bool NullSinkRecorder::start() {
    stop();
    error_.clear();
    {
        std::lock_guard lock(mutex_);
        samples_.clear();
        hasOddByte_ = false;
        haveOrigin_ = false;
        arrivals_.clear();
    }
    if (qEnvironmentVariableIsEmpty("PULSE_SERVER")) {
        error_ = QStringLiteral("PULSE_SERVER is not set: source the env file of scripts/rig.sh");
        return false;
    }

    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        error_ = QStringLiteral("pipe: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    const QByteArray device = QFile::encodeName(source_);
    // 10 ms of capture latency: onsets are stamped within that.
    const char* argv[] = {"parec",
                          "--raw",
                          "--format=s16le",
                          "--channels=1",
                          "--rate=48000",
                          "--latency-msec=10",
                          "-d",
                          device.constData(),
                          nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    const int rc =
        posix_spawnp(&pid_, "parec", &actions, nullptr, const_cast<char**>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    if (rc != 0) {
        close(fds[0]);
        pid_ = -1;
        error_ =
            QStringLiteral("cannot run parec: %1").arg(QString::fromLocal8Bit(std::strerror(rc)));
        return false;
    }
    reader_ = std::thread([this, fd = fds[0]] {
        // Named so that CPU measurements of the program under test can leave it out.
        pthread_setname_np(pthread_self(), kThreadName);
        readLoop(fd);
    });

    const auto deadline = Clock::now() + kStartTimeout;
    while (Clock::now() < deadline) {
        {
            std::lock_guard lock(mutex_);
            if (!samples_.empty())
                return true;
        }
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            error_ = QStringLiteral("parec exited (status %1) before recording from %2; is the rig "
                                    "running (scripts/rig.sh start)?")
                         .arg(status)
                         .arg(source_);
            stop();
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    error_ = QStringLiteral("no samples from %1 within %2 s")
                 .arg(source_)
                 .arg(std::chrono::duration_cast<std::chrono::seconds>(kStartTimeout).count());
    stop();
    return false;
}

void NullSinkRecorder::readLoop(int fd) {
    char buffer[4096];
    for (;;) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        const auto arrived = Clock::now();
        std::lock_guard lock(mutex_);
        const char* p = buffer;
        size_t left = static_cast<size_t>(n);
        if (hasOddByte_) {
            const char pair[2] = {oddByte_, *p};
            int16_t s;
            std::memcpy(&s, pair, 2);
            samples_.push_back(s);
            ++p;
            --left;
            hasOddByte_ = false;
        }
        const size_t whole = left / 2;
        const size_t old = samples_.size();
        samples_.resize(old + whole);
        std::memcpy(samples_.data() + old, p, whole * 2);
        if (left % 2) {
            oddByte_ = p[left - 1];
            hasOddByte_ = true;
        }
        arrivals_.emplace_back(samples_.size(), arrived);
        const auto recorded = std::chrono::duration_cast<Clock::duration>(
            std::chrono::duration<double>(static_cast<double>(samples_.size()) / kRate));
        const auto origin = arrived - recorded;
        if (!haveOrigin_ || origin < origin_) {
            origin_ = origin;
            haveOrigin_ = true;
        }
    }
    close(fd);
}

std::vector<int16_t> NullSinkRecorder::stop() {
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        int status = 0;
        while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
        }
        pid_ = -1;
    }
    if (reader_.joinable())
        reader_.join();
    std::lock_guard lock(mutex_);
    return samples_;
}

std::vector<int16_t> NullSinkRecorder::samples() const {
    std::lock_guard lock(mutex_);
    return samples_;
}

Clock::time_point NullSinkRecorder::arrivedAt(double seconds) const {
    const auto index = static_cast<size_t>(std::max(0.0, std::floor(seconds * kRate)));
    std::lock_guard lock(mutex_);
    const auto it = std::upper_bound(arrivals_.begin(), arrivals_.end(), index,
                                     [](size_t i, const auto& a) { return i < a.first; });
    return it == arrivals_.end() ? Clock::time_point::max() : it->second;
}

double NullSinkRecorder::secondsAt(Clock::time_point when) const {
    std::lock_guard lock(mutex_);
    if (!haveOrigin_)
        return 0.0;
    return std::chrono::duration<double>(when - origin_).count();
}

double NullSinkRecorder::recordedSeconds() const {
    std::lock_guard lock(mutex_);
    return static_cast<double>(samples_.size()) / kRate;
}

bool rigRunning() {
    if (!qEnvironmentVariableIsEmpty("PULSE_SERVER"))
        return true;
    std::fprintf(stderr,
                 "the test rig is not running: scripts/rig.sh start, then source its env file\n");
    return false;
}

std::string describe(const std::vector<Span>& spans) {
    std::string s;
    for (const Span& span : spans)
        s += "[" + std::to_string(span.start) + ", " + std::to_string(span.end) + "] ";
    return s.empty() ? "no sound" : s;
}

std::vector<Span> soundSpans(const std::vector<int16_t>& samples, int rate, double threshold,
                             double minGapS) {
    std::vector<Span> spans;
    const double level = threshold * 32768.0;
    const auto minGap = static_cast<size_t>(std::llround(minGapS * rate));
    bool open = false;
    size_t first = 0;
    size_t last = 0;
    for (size_t i = 0; i < samples.size(); ++i) {
        if (std::abs(static_cast<double>(samples[i])) <= level)
            continue;
        if (open && i - last > minGap) {
            spans.push_back(
                {static_cast<double>(first) / rate, static_cast<double>(last + 1) / rate});
            open = false;
        }
        if (!open) {
            first = i;
            open = true;
        }
        last = i;
    }
    if (open)
        spans.push_back({static_cast<double>(first) / rate, static_cast<double>(last + 1) / rate});
    return spans;
}

std::vector<double> onsets(const std::vector<int16_t>& samples, int rate, double threshold,
                           double minSilenceS) {
    std::vector<double> times;
    for (const Span& s : soundSpans(samples, rate, threshold, minSilenceS))
        if (s.start > 0.0)
            times.push_back(s.start);
    return times;
}

size_t spansHeardWhole(const std::vector<int16_t>& samples, int rate, double threshold,
                       double minGapS) {
    const std::vector<Span> spans = soundSpans(samples, rate, threshold, minGapS);
    const double recorded = static_cast<double>(samples.size()) / rate;
    if (!spans.empty() && recorded - spans.back().end <= minGapS)
        return spans.size() - 1;
    return spans.size();
}

double soundSeconds(const std::vector<int16_t>& samples, int rate, double threshold,
                    double minGapS) {
    double total = 0.0;
    for (const Span& s : soundSpans(samples, rate, threshold, minGapS))
        total += s.length();
    return total;
}

double rms(const std::vector<int16_t>& samples, int rate, double fromS, double toS) {
    const auto clampIndex = [&](double t) {
        const double i = std::floor(t * rate);
        return static_cast<size_t>(std::clamp(i, 0.0, static_cast<double>(samples.size())));
    };
    const size_t from = clampIndex(fromS);
    const size_t to = clampIndex(toS);
    if (to <= from)
        return 0.0;
    double sum = 0.0;
    for (size_t i = from; i < to; ++i) {
        const double v = samples[i] / 32768.0;
        sum += v * v;
    }
    return std::sqrt(sum / static_cast<double>(to - from));
}

double NullSinkRecorder::readerCpuSeconds() {
    if (!reader_.joinable())
        return 0.0;
    clockid_t cid{};
    timespec ts{};
    if (pthread_getcpuclockid(reader_.native_handle(), &cid) != 0 || clock_gettime(cid, &ts) != 0)
        return 0.0;
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

pid_t rigServerPid() {
    const QString rigDir = qEnvironmentVariable("ONDRIX_RIG_DIR");
    QFile pidFile(rigDir + QStringLiteral("/pulseaudio.pid"));
    if (rigDir.isEmpty() || !pidFile.open(QIODevice::ReadOnly))
        return 0;
    return static_cast<pid_t>(pidFile.readAll().trimmed().toInt());
}

FrozenServer::FrozenServer(pid_t pid) : pid_(pid) {
    kill(pid_, SIGSTOP);
}
FrozenServer::~FrozenServer() {
    kill(pid_, SIGCONT);
}

} // namespace ondrix::test
