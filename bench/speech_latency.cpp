// How soon speech starts, and how closely "started" and "finished" frame what
// is heard: the real engine on the test rig's null sink (scripts/rig.sh start,
// then source the env file it prints), recorded from its monitor. Speech runs
// in real time, so this is a measurement program rather than a benchmark.
//
//   speak() -> first sample     until espeak-ng hands over its first block
//   speak() -> onStarted        until the first sample goes to the output
//   onStarted -> first heard    on the recording
//   last heard -> onFinished    on the recording
//   keyed - heard               onStarted..onFinished less first..last heard:
//                               the two gaps together, free of the recording's
//                               own timing error (about 10-20 ms each way)
//
// Each over ten 20-word French messages; the median first, then the range.

#include "platform/espeakengine.h"

#include "capture.h"

#include <QCoreApplication>
#include <QTest>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <vector>

using namespace ondrix;
using namespace ondrix::test;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kMessages = 10;
constexpr double kThreshold = 0.003;

const QString kMessage = QStringLiteral(
    "Ici la balise de Saint-Malo, émettant sur cent quarante-quatre mégahertz huit cents "
    "depuis le fort national. Bonne écoute à tous.");

double ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

void print(const char* what, std::vector<double> values) {
    std::sort(values.begin(), values.end());
    std::printf("%-26s median %7.2f ms   min %7.2f   max %7.2f\n", what, values[values.size() / 2],
                values.front(), values.back());
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    EspeakEngine engine;
    if (!engine.available()) {
        std::fprintf(stderr, "speech engine not available: %s\n",
                     qPrintable(engine.unavailableReason()));
        return 1;
    }
    int started = 0;
    int finished = 0;
    Clock::time_point startedAt;
    Clock::time_point finishedAt;
    engine.onStarted = [&] {
        ++started;
        startedAt = Clock::now();
    };
    engine.onFinished = [&] {
        ++finished;
        finishedAt = Clock::now();
    };
    engine.onError = [](const QString& e) { std::fprintf(stderr, "error: %s\n", qPrintable(e)); };
    // The check sees each block before it is queued: the first one, for a
    // text, is the first sample available.
    const auto firstBlockAt = std::make_shared<std::atomic<Clock::rep>>(0);
    engine.setSynthesisCheck([firstBlockAt](qint64 before) {
        if (before == 0)
            firstBlockAt->store(Clock::now().time_since_epoch().count());
        return QString();
    });

    std::vector<double> toFirstSample, toStarted, startLead, endLag, keyedLessHeard;
    for (int i = 0; i < kMessages; ++i) {
        NullSinkRecorder recorder;
        if (!recorder.start()) {
            std::fprintf(stderr, "%s\n", qPrintable(recorder.error()));
            return 1;
        }
        const int before = finished;
        const auto spokenAt = Clock::now();
        engine.speak(kMessage);
        if (!QTest::qWaitFor([&] { return finished > before; }, 20000)) {
            std::fprintf(stderr, "onFinished never came\n");
            return 1;
        }
        QTest::qWait(100);
        const auto rec = recorder.stop();
        const auto spans = soundSpans(rec, NullSinkRecorder::kRate, kThreshold, 10.0);
        if (spans.empty()) {
            std::fprintf(stderr, "nothing heard\n");
            return 1;
        }
        const double first = spans.front().start;
        const double last = spans.back().end;
        const Clock::time_point blockAt{Clock::duration{firstBlockAt->load()}};
        toFirstSample.push_back(ms(blockAt - spokenAt));
        toStarted.push_back(ms(startedAt - spokenAt));
        startLead.push_back((first - recorder.secondsAt(startedAt)) * 1000.0);
        endLag.push_back((recorder.secondsAt(finishedAt) - last) * 1000.0);
        keyedLessHeard.push_back(ms(finishedAt - startedAt) - (last - first) * 1000.0);
        QTest::qWait(200);
    }
    std::printf("%d messages of 20 words, %d started, %d finished\n", kMessages, started, finished);
    print("speak() -> first sample", toFirstSample);
    print("speak() -> onStarted", toStarted);
    print("onStarted -> first heard", startLead);
    print("last heard -> onFinished", endLag);
    print("keyed - heard", keyedLessHeard);
    return started == kMessages && finished == kMessages ? 0 : 1;
}
