#include "app/instance.h"

#include "app/inifile.h"
#include "app/settings.h"

#include <QDir>

namespace ondrix {

const QString SingleInstance::kMsgDejaLance = QStringLiteral("Le logiciel est déjà lancé !");

SingleInstance::SingleInstance(const QString& appDir)
    : appDir_(appDir), lock_(QDir(appDir).filePath(QStringLiteral(".ondrix.lock"))) {
    // A lock is stale only when its process is gone, never by age: a station
    // runs for weeks.
    lock_.setStaleLockTime(0);
}

bool SingleInstance::mayRun() {
    if (lock_.tryLock(0))
        return true;
    if (lock_.error() != QLockFile::LockFailedError)
        return true; // no lock can be made here (read-only folder): nothing to refuse
    // Read only: a copy that may not run must leave the file as it found it.
    return IniFile::peek(QDir(appDir_).filePath(Settings::kFileName), Settings::kSectionParams,
                         QStringLiteral("Param14")) == QLatin1String("1");
}

} // namespace ondrix
