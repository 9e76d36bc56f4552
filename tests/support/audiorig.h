#pragma once

// For the tests that play on the test rig's null sink (scripts/rig.sh) and
// link Qt Multimedia and Qt Test. Header-only so that the capture library
// stays on Qt Core.

#include "capture.h"

#include <QAudioDevice>
#include <QMediaDevices>
#include <QString>
#include <QTest>

#include <chrono>
#include <cstdint>
#include <vector>

namespace ondrix::test {

// Why the rig's null sink is not the default output; empty when it is.
inline QString rigProblem() {
    if (qEnvironmentVariableIsEmpty("PULSE_SERVER") ||
        qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
        return QStringLiteral("PULSE_SERVER or XDG_RUNTIME_DIR is not set: run "
                              "`scripts/rig.sh start` and source the env file it prints");
    const QAudioDevice out = QMediaDevices::defaultAudioOutput();
    if (out.isNull())
        return QStringLiteral("no audio output: the rig's PulseAudio at %1 does not answer")
            .arg(qEnvironmentVariable("PULSE_SERVER"));
    if (out.id() != "ondrix_out")
        return QStringLiteral("the default output is %1, not the rig's null sink ondrix_out")
            .arg(QString::fromUtf8(out.id()));
    return {};
}

// Ends the recording once it holds everything played until now and `marginS`
// more, however far the capture lags, and returns it.
inline std::vector<int16_t> stopWhenCaughtUp(NullSinkRecorder& recorder, double marginS = 0.06) {
    const double until = recorder.secondsAt(std::chrono::steady_clock::now()) + marginS;
    // Should the capture never catch up, what it has is returned: the test's
    // own checks then say what is missing.
    (void)QTest::qWaitFor([&] { return recorder.recordedSeconds() >= until; }, 5000);
    return recorder.stop();
}

} // namespace ondrix::test
