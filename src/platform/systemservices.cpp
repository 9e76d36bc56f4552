#include "platform/systemservices.h"

#include <QCoreApplication>
#include <QProcess>
#include <QThread>

#include <cstdlib>

#include <sys/resource.h>

namespace ondrix {

void ThreadSleeper::sleepMs(int ms) {
    if (ms > 0)
        QThread::msleep(static_cast<unsigned long>(ms));
}

int PosixPriority::niceFor(int index) {
    // High, above normal, normal, below normal.
    static constexpr int kNice[] = {-10, -5, 0, 5};
    return (index >= 0 && index < 4) ? kNice[index] : 0;
}

bool PosixPriority::set(int index) {
    if (index < 0 || index > 3)
        return false;
    return setpriority(PRIO_PROCESS, 0, niceFor(index)) == 0;
}

void ProcessRestart::restart() {
    QProcess::startDetached(QCoreApplication::applicationFilePath(),
                            QCoreApplication::arguments().mid(1));
    std::_Exit(0);
}

} // namespace ondrix
