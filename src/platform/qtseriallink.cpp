#include "platform/qtseriallink.h"

#include <QFile>
#include <QSerialPort>
#include <QSerialPortInfo>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <dirent.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace ondrix {

namespace {

// Device names compared with their numbers as numbers, so ttyS2 comes
// before ttyS10 as the operator expects of port numbers.
bool naturalLess(const QString& a, const QString& b) {
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < a.size() && j < b.size()) {
        if (a[i].isDigit() && b[j].isDigit()) {
            qsizetype ei = i;
            qsizetype ej = j;
            while (ei < a.size() && a[ei].isDigit())
                ++ei;
            while (ej < b.size() && b[ej].isDigit())
                ++ej;
            const qulonglong na = a.mid(i, ei - i).toULongLong();
            const qulonglong nb = b.mid(j, ej - j).toULongLong();
            if (na != nb)
                return na < nb;
            i = ei;
            j = ej;
        } else {
            if (a[i] != b[j])
                return a[i] < b[j];
            ++i;
            ++j;
        }
    }
    return a.size() - i < b.size() - j;
}

// Whether a process other than this one has the device open. Qt's lock file
// only stops programs that write one, and TIOCEXCL does not stop root: a
// terminal program or a daemon could otherwise share the transmitter's port
// with us. Reading other users' descriptors needs root; for an ordinary user
// TIOCEXCL and the lock file still apply.
bool openElsewhere(const char* device) {
    DIR* proc = opendir("/proc");
    if (!proc)
        return false;
    const long self = static_cast<long>(getpid());
    bool found = false;
    while (!found) {
        const dirent* entry = readdir(proc);
        if (!entry)
            break;
        char* end = nullptr;
        const long pid = std::strtol(entry->d_name, &end, 10);
        if (*end != '\0' || pid <= 0 || pid == self)
            continue;
        char fdDir[48];
        std::snprintf(fdDir, sizeof fdDir, "/proc/%ld/fd", pid);
        DIR* fds = opendir(fdDir);
        if (!fds)
            continue; // gone, or not ours to see
        while (const dirent* fd = readdir(fds)) {
            if (fd->d_name[0] == '.')
                continue;
            char target[PATH_MAX];
            const ssize_t n = readlinkat(dirfd(fds), fd->d_name, target, sizeof target - 1);
            if (n <= 0)
                continue;
            target[n] = '\0';
            if (std::strcmp(target, device) == 0) {
                found = true;
                break;
            }
        }
        closedir(fds);
    }
    closedir(proc);
    return found;
}

bool lowerBothLines(int fd) {
    int bits = TIOCM_RTS | TIOCM_DTR;
    return ::ioctl(fd, TIOCMBIC, &bits) == 0;
}

// The kernel then drops RTS and DTR itself when the last descriptor closes,
// so a crash or a kill never leaves the transmitter keyed.
void hangUpOnClose(int fd) {
    termios tio{};
    if (::tcgetattr(fd, &tio) == 0 && !(tio.c_cflag & HUPCL)) {
        tio.c_cflag |= HUPCL;
        ::tcsetattr(fd, TCSANOW, &tio);
    }
}

} // namespace

struct QtSerialLink::Impl {
    int number = 0;
    // Present while the port is open; a fresh one for each open, so a device
    // that went away is tried again from scratch.
    std::unique_ptr<QSerialPort> port;

    void closePort() {
        if (!port)
            return;
        lowerBothLines(port->handle()); // fails harmlessly when the device is gone
        port->close();
        port.reset();
    }

    SerialResult setLine(bool (QSerialPort::*set)(bool), bool on) {
        if (!port)
            return SerialResult::StateCannotBeSet;
        if ((port.get()->*set)(on))
            return SerialResult::Ok;
        closePort();
        return SerialResult::StateCannotBeSet;
    }

    int status(QSerialPort::PinoutSignal line) const {
        if (!port)
            return 0;
        return (port->pinoutSignals() & line) ? 1 : 0;
    }
};

QtSerialLink::QtSerialLink() : d(std::make_unique<Impl>()) {}

QtSerialLink::~QtSerialLink() {
    d->closePort();
}

QStringList QtSerialLink::portMap() {
    QStringList map;
    if (qEnvironmentVariableIsSet("ONDRIX_SERIAL_PORTS")) {
        const QStringList entries = qEnvironmentVariable("ONDRIX_SERIAL_PORTS").split(u',');
        for (const QString& entry : entries) {
            const QString path = entry.trimmed();
            if (path.isEmpty())
                continue;
            // A bare name is a device in /dev, as QSerialPort reads it.
            map << (path.startsWith(u'/') ? path : QStringLiteral("/dev/") + path);
        }
        return map;
    }
    const QList<QSerialPortInfo> ports = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo& info : ports)
        map << info.systemLocation();
    std::sort(map.begin(), map.end(), naturalLess);
    return map;
}

bool QtSerialLink::setPortNumber(int number) {
    if (d->port)
        return false;
    d->number = number;
    return true;
}

int QtSerialLink::portNumber() const {
    return d->number;
}

QString QtSerialLink::devicePath(int number) const {
    const QStringList map = portMap();
    return number >= 1 && number <= map.size() ? map.at(number - 1) : QString();
}

bool QtSerialLink::isOpen() const {
    return d->port != nullptr;
}

SerialResult QtSerialLink::open() {
    if (d->port)
        return SerialResult::AlreadyOpen;
    const QString path = devicePath(d->number);
    if (path.isEmpty())
        return SerialResult::CannotOpen;
    const QByteArray local = QFile::encodeName(path);
    char device[PATH_MAX];
    if (!realpath(local.constData(), device))
        return SerialResult::CannotOpen; // no such device (any more)
    // Checked here so that QSerialPort's PermissionError below can only mean
    // a lock file or an exclusive hold, not a device node we may not use.
    if (::access(device, W_OK) != 0)
        return SerialResult::CannotOpen;
    if (openElsewhere(device))
        return SerialResult::AlreadyOpen;

    auto port = std::make_unique<QSerialPort>();
    port->setPortName(path);
    // RTS cannot be set by hand under hardware flow control.
    port->setFlowControl(QSerialPort::NoFlowControl);
    // Write-only: we never read, and a read notifier on a hung-up device
    // (adapter pulled out) fires without end, spinning the CPU.
    if (!port->open(QIODevice::WriteOnly))
        return port->error() == QSerialPort::PermissionError ? SerialResult::AlreadyOpen
                                                             : SerialResult::CannotOpen;
    // Opening raises both lines on a real UART: a freshly opened port must not
    // key the transmitter. A port whose lines cannot be set is of no use.
    if (!lowerBothLines(port->handle())) {
        port->close();
        return SerialResult::CannotOpen;
    }
    hangUpOnClose(port->handle());
    d->port = std::move(port);
    return SerialResult::Ok;
}

void QtSerialLink::close() {
    d->closePort();
}

SerialResult QtSerialLink::setDTR(bool on) {
    return d->setLine(&QSerialPort::setDataTerminalReady, on);
}

SerialResult QtSerialLink::setRTS(bool on) {
    return d->setLine(&QSerialPort::setRequestToSend, on);
}

int QtSerialLink::CTS() {
    return d->status(QSerialPort::ClearToSendSignal);
}

int QtSerialLink::DSR() {
    return d->status(QSerialPort::DataSetReadySignal);
}

int QtSerialLink::DCD() {
    return d->status(QSerialPort::DataCarrierDetectSignal);
}

int QtSerialLink::RI() {
    return d->status(QSerialPort::RingIndicatorSignal);
}

} // namespace ondrix
