// The one push output every sound goes through, on the rig's null sink: the
// "drained" notification (the transmitter's release) comes once per sound,
// after its last sample has been heard, and never after a stop.

#include "platform/pushoutput.h"

#include "audiorig.h"
#include "capture.h"

#include <QTest>

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

using namespace ondrix;
using namespace ondrix::test;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kRate = NullSinkRecorder::kRate;
constexpr double kThreshold = 0.02;
// The null sink renders a little ahead of the clock and its monitor passes
// samples on as rendered: times on the recording hold within this.
constexpr double kCaptureSlackS = 0.02;
// Only catches a notification lost or far too late; figures belong to bench/.
constexpr double kLateS = 1.0;

// A 440 Hz tone at half scale, given in pieces: `seconds` of it, then
// (if `pauseS`) nothing for that long, then `seconds` more; then the end.
class ToneSource {
public:
    ToneSource(double seconds, double pauseS = 0.0)
        : toneFrames_(static_cast<qint64>(seconds * kRate)), pauseS_(pauseS) {}

    PushOutput::Source source() {
        return [this](float* out, qsizetype maxFrames) { return read(out, maxFrames); };
    }
    int asked() const { return asked_; }

private:
    qsizetype read(float* out, qsizetype maxFrames) {
        ++asked_;
        if (given_ == toneFrames_ && pauseS_ > 0.0 && !pausing_) {
            pausing_ = true;
            pauseStart_ = Clock::now();
        }
        if (pausing_) {
            if (std::chrono::duration<double>(Clock::now() - pauseStart_).count() < pauseS_)
                return 0;
            pausing_ = false;
            pauseS_ = 0.0;
            toneFrames_ *= 2;
        }
        const qint64 n = std::min<qint64>(maxFrames, toneFrames_ - given_);
        if (n == 0 && given_ == toneFrames_)
            return PushOutput::kEnded;
        for (qint64 i = 0; i < n; ++i, ++given_)
            out[i] = 0.5f * static_cast<float>(std::sin(2.0 * std::numbers::pi * 440.0 *
                                                        static_cast<double>(given_) / kRate));
        return static_cast<qsizetype>(n);
    }

    qint64 toneFrames_;
    double pauseS_;
    qint64 given_ = 0;
    bool pausing_ = false;
    Clock::time_point pauseStart_;
    int asked_ = 0;
};

class PushOutputTest : public ::testing::Test {
protected:
    void SetUp() override {
        const QString problem = rigProblem();
        ASSERT_TRUE(problem.isEmpty()) << problem.toStdString();
        output.onDrained = [this] {
            ++drained;
            drainedAt = Clock::now();
            EXPECT_FALSE(output.isPlaying()) << "drained while still playing";
        };
        output.onFailed = [this](PushOutput::Failure) { ++failed; };
    }

    void startRecording() { ASSERT_TRUE(recorder.start()) << recorder.error().toStdString(); }
    std::vector<int16_t> stopRecording() { return stopWhenCaughtUp(recorder); }

    PushOutput output;
    NullSinkRecorder recorder;
    int drained = 0;
    int failed = 0;
    Clock::time_point drainedAt;
};

TEST_F(PushOutputTest, DrainedComesOnceAfterTheLastSampleIsHeard) {
    ToneSource tone(0.3);
    ASSERT_NO_FATAL_FAILURE(startRecording());
    ASSERT_TRUE(output.start(kRate, 1, tone.source()));
    EXPECT_TRUE(output.isPlaying());
    EXPECT_EQ(drained, 0) << "drained from inside start()";
    ASSERT_TRUE(QTest::qWaitFor([&] { return drained > 0; }, 5000));
    const double reportedAt = recorder.secondsAt(drainedAt);
    // Nothing more comes for this sound, however long one waits.
    const int askedAtDrain = tone.asked();
    EXPECT_FALSE(QTest::qWaitFor(
        [&] { return drained > 1 || failed > 0 || tone.asked() != askedAtDrain; }, 1000));
    const auto rec = stopRecording();

    EXPECT_EQ(drained, 1);
    EXPECT_EQ(failed, 0);
    EXPECT_FALSE(output.isPlaying());
    EXPECT_EQ(output.heardUSecs(), 0);
    EXPECT_EQ(tone.asked(), askedAtDrain) << "the source was asked after the end";
    const auto spans = soundSpans(rec, kRate, kThreshold, 0.05);
    ASSERT_EQ(spans.size(), 1u) << describe(spans);
    EXPECT_NEAR(spans[0].length(), 0.3, 0.03) << describe(spans);
    EXPECT_GT(reportedAt, spans[0].end - kCaptureSlackS) << describe(spans);
    EXPECT_LT(reportedAt, spans[0].end + kLateS) << describe(spans);
}

TEST_F(PushOutputTest, AStopOrADestructionDuringASoundIsSilentAndFinal) {
    for (const bool destroy : {false, true}) {
        SCOPED_TRACE(destroy ? "destroyed" : "stopped");
        drained = failed = 0;
        ToneSource tone(2.0);
        auto doomed = std::make_unique<PushOutput>();
        PushOutput& out = destroy ? *doomed : output;
        out.onDrained = [this] { ++drained; };
        out.onFailed = [this](PushOutput::Failure) { ++failed; };
        ASSERT_NO_FATAL_FAILURE(startRecording());
        ASSERT_TRUE(out.start(kRate, 1, tone.source()));
        ASSERT_TRUE(QTest::qWaitFor([&] { return out.heardUSecs() > 200000; }, 3000));
        const auto stoppedAt = Clock::now();
        if (destroy) {
            doomed.reset();
        } else {
            out.stop();
            EXPECT_FALSE(out.isPlaying());
            out.stop(); // twice is harmless
        }
        // Well past where the sound would have ended: no report may come.
        EXPECT_FALSE(QTest::qWaitFor([&] { return drained + failed > 0; }, 2500));
        const auto rec = stopRecording();

        EXPECT_EQ(drained, 0);
        EXPECT_EQ(failed, 0);
        const auto spans = soundSpans(rec, kRate, kThreshold, 0.05);
        ASSERT_EQ(spans.size(), 1u) << describe(spans);
        EXPECT_LT(spans[0].end, recorder.secondsAt(stoppedAt) + kLateS) << describe(spans);
        EXPECT_LT(spans[0].length(), 1.9) << "the sound played on after the stop";
    }
}

// The speech engine's case: synthesis keeps the output waiting. That is
// neither the end of the sound nor an output that stopped taking samples.
TEST_F(PushOutputTest, ASourceThatMakesTheOutputWaitIsNeitherEndedNorStalled) {
    // Longer than the output's stall limit.
    ToneSource tone(0.3, static_cast<double>(kStallMs) / 1000.0 + 0.5);
    ASSERT_NO_FATAL_FAILURE(startRecording());
    ASSERT_TRUE(output.start(kRate, 1, tone.source()));
    ASSERT_TRUE(QTest::qWaitFor([&] { return drained + failed > 0; }, 8000));
    const double reportedAt = recorder.secondsAt(drainedAt);
    EXPECT_FALSE(QTest::qWaitFor([&] { return drained + failed > 1; }, 1000));
    const auto rec = stopRecording();

    EXPECT_EQ(failed, 0);
    EXPECT_EQ(drained, 1);
    const auto spans = soundSpans(rec, kRate, kThreshold, 0.05);
    ASSERT_EQ(spans.size(), 2u) << describe(spans);
    EXPECT_GT(spans[1].start - spans[0].end, 2.0) << describe(spans);
    EXPECT_GT(reportedAt, spans[1].end - kCaptureSlackS) << describe(spans);
    EXPECT_LT(reportedAt, spans[1].end + kLateS) << describe(spans);
}

TEST_F(PushOutputTest, TheNextSoundMayStartFromDrained) {
    ToneSource first(0.3);
    ToneSource second(0.3);
    output.onDrained = [&] {
        ++drained;
        drainedAt = Clock::now();
        if (drained == 1) {
            EXPECT_TRUE(output.start(kRate, 1, second.source()));
        }
    };
    ASSERT_NO_FATAL_FAILURE(startRecording());
    ASSERT_TRUE(output.start(kRate, 1, first.source()));
    ASSERT_TRUE(QTest::qWaitFor([&] { return drained == 2; }, 5000));
    EXPECT_FALSE(QTest::qWaitFor([&] { return drained > 2 || failed > 0; }, 1000));
    const auto rec = stopRecording();

    EXPECT_EQ(drained, 2);
    EXPECT_EQ(failed, 0);
    // Two tones, back to back: heard whole, one after the other.
    const auto spans = soundSpans(rec, kRate, kThreshold, 0.01);
    ASSERT_EQ(spans.size(), 2u) << describe(spans);
    for (const Span& s : spans)
        EXPECT_NEAR(s.length(), 0.3, 0.03) << describe(spans);
    EXPECT_GT(recorder.secondsAt(drainedAt), spans[1].end - kCaptureSlackS) << describe(spans);
}

TEST(PushOutputStart, RefusesWhatCannotPlay) {
    PushOutput output;
    int callbacks = 0;
    output.onDrained = [&] { ++callbacks; };
    output.onFailed = [&](PushOutput::Failure) { ++callbacks; };
    const auto silence = [](float*, qsizetype) { return PushOutput::kEnded; };
    EXPECT_FALSE(output.start(0, 1, silence));
    EXPECT_FALSE(output.start(kRate, 0, silence));
    EXPECT_FALSE(output.start(kRate, 1, {}));
    EXPECT_FALSE(output.isPlaying());
    EXPECT_FALSE(QTest::qWaitFor([&] { return callbacks > 0; }, 1000));
    EXPECT_EQ(callbacks, 0);
}

} // namespace
