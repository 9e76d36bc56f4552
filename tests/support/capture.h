#pragma once

// Capture of what the program plays on the test rig's null sink, and the
// measurements the audio tests make on it. Needs the rig's environment
// (scripts/rig.sh): PULSE_SERVER and XDG_RUNTIME_DIR.

#include <QString>

#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <sys/types.h>

namespace ondrix::test {

// Records the monitor of the rig's sink as mono 16-bit samples at kRate, in a
// thread of its own, so the recording keeps up whatever the event loop does.
class NullSinkRecorder {
public:
    static constexpr int kRate = 48000;
    static constexpr const char* kThreadName = "nullsink-rec";

    explicit NullSinkRecorder(QString source = QStringLiteral("ondrix_out.monitor"));
    ~NullSinkRecorder();
    NullSinkRecorder(const NullSinkRecorder&) = delete;
    NullSinkRecorder& operator=(const NullSinkRecorder&) = delete;

    // Starts recording and returns once samples flow, so nothing played after
    // it is missed. False, with error() saying why, when parec cannot record.
    bool start();
    // Ends the recording and returns it (empty if it never started).
    std::vector<int16_t> stop();
    // What has been recorded so far, the recording going on: tests wait on it
    // for what they expect to hear.
    std::vector<int16_t> samples() const;
    // Seconds into the recording at which something played at `when` was
    // heard; only known once samples have arrived.
    double secondsAt(std::chrono::steady_clock::time_point when) const;
    // How much has been recorded so far. The capture lags what is played by
    // a few milliseconds, more on a loaded machine: a test waits for
    // recordedSeconds() to pass secondsAt(now) rather than for a fixed time.
    double recordedSeconds() const;
    // When the sample at `seconds` into the recording reached this program:
    // always after it was played, however late the sound server runs, so
    // what happened before it surely happened before the sample was heard.
    // time_point::max() while it has not arrived.
    std::chrono::steady_clock::time_point arrivedAt(double seconds) const;
    QString error() const { return error_; }
    // CPU time spent so far by the recording thread (0 when not recording), so
    // that CPU measurements of the program under test can leave it out.
    double readerCpuSeconds();

private:
    void readLoop(int fd);

    QString source_;
    QString error_;
    pid_t pid_ = -1;
    std::thread reader_;

    mutable std::mutex mutex_;
    std::vector<int16_t> samples_;
    char oddByte_ = 0;
    bool hasOddByte_ = false;
    // The earliest (arrival time - recorded duration) seen: when sample 0
    // was heard, give or take the capture's own small latency.
    bool haveOrigin_ = false;
    std::chrono::steady_clock::time_point origin_;
    // For each read: the samples recorded once it was added, and when.
    std::vector<std::pair<size_t, std::chrono::steady_clock::time_point>> arrivals_;
};

// A stretch of sound, in seconds from the start of a recording.
struct Span {
    double start = 0.0;
    double end = 0.0;
    double length() const { return end - start; }
};

// "[start, end] ..." for a failure message; "no sound" when there is none.
std::string describe(const std::vector<Span>& spans);

// Where the signal is louder than `threshold` (a fraction of full scale),
// stretches closer than `minGapS` merged into one: a tone's zero crossings do
// not split it.
std::vector<Span> soundSpans(const std::vector<int16_t>& samples, int rate, double threshold,
                             double minGapS);

// Times at which sound starts after at least `minSilenceS` of silence. Sound
// already going when the recording began is not an onset.
std::vector<double> onsets(const std::vector<int16_t>& samples, int rate, double threshold,
                           double minSilenceS);

// How many stretches of sound (see soundSpans) are over for sure: followed by
// more than `minGapS` of silence, so that no later sound can join them.
size_t spansHeardWhole(const std::vector<int16_t>& samples, int rate, double threshold,
                       double minGapS);

// Total length of the sound (see soundSpans), in seconds.
double soundSeconds(const std::vector<int16_t>& samples, int rate, double threshold,
                    double minGapS = 0.05);

// Root mean square over [fromS, toS), as a fraction of full scale; 0 for an
// empty span.
double rms(const std::vector<int16_t>& samples, int rate, double fromS, double toS);

// The pid of the rig's sound server (from ONDRIX_RIG_DIR), 0 when unknown.
pid_t rigServerPid();

// Whether the rig's sound server is set in the environment; when not, says on
// standard error how to start it (for the measurement programs).
bool rigRunning();

// Freezes the rig's sound server for as long as it lives: a stalled output.
class FrozenServer {
public:
    explicit FrozenServer(pid_t pid);
    ~FrozenServer();
    FrozenServer(const FrozenServer&) = delete;
    FrozenServer& operator=(const FrozenServer&) = delete;

private:
    pid_t pid_;
};

} // namespace ondrix::test
