#pragma once

// Whether this process plays on the test rig's null sink (scripts/rig.sh), for
// the tests that link Qt Multimedia. Header-only so that the capture library
// stays on Qt Core.

#include <QAudioDevice>
#include <QMediaDevices>
#include <QString>

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

} // namespace ondrix::test
