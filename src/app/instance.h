#pragma once

#include <QLockFile>
#include <QString>

namespace ondrix {

// One copy of the program per application directory, unless the settings
// allow several (Param14 "1"). The lock is a file in that directory; a copy
// that died leaves a stale lock, which the next start takes over.
class SingleInstance {
public:
    explicit SingleInstance(const QString& appDir);

    // True when this copy may go on: it holds the lock, or another copy holds
    // it and the settings file says several copies may run. Reads the
    // settings file only; writes nothing else than the lock.
    bool mayRun();

    static const QString kMsgDejaLance;

private:
    QString appDir_;
    QLockFile lock_;
};

} // namespace ondrix
