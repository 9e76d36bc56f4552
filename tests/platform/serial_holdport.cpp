// Holds a serial device the way another program would, until its standard
// input closes: serial_holdport MODE DEVICE, MODE being
//   qt     QSerialPort (a lock file and TIOCEXCL)
//   excl   open() and TIOCEXCL, no lock file
//   plain  open() alone, as a terminal program without locking does
// Prints "ready" once the device is held.

#include <QCoreApplication>
#include <QSerialPort>

#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: serial_holdport qt|excl|plain DEVICE\n");
        return 2;
    }
    QCoreApplication app(argc, argv);
    const char* mode = argv[1];
    const char* device = argv[2];
    QSerialPort port;
    int fd = -1;
    if (std::strcmp(mode, "qt") == 0) {
        port.setPortName(QString::fromLocal8Bit(device));
        if (!port.open(QIODevice::ReadWrite)) {
            std::fprintf(stderr, "cannot open %s: %s\n", device, qPrintable(port.errorString()));
            return 1;
        }
    } else {
        fd = ::open(device, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) {
            std::perror(device);
            return 1;
        }
        if (std::strcmp(mode, "excl") == 0 && ::ioctl(fd, TIOCEXCL) != 0) {
            std::perror("TIOCEXCL");
            return 1;
        }
    }
    std::printf("ready\n");
    std::fflush(stdout);
    char c;
    while (::read(STDIN_FILENO, &c, 1) > 0) {
    }
    if (fd >= 0) {
        // A pty keeps its exclusive flag while its master lives.
        ::ioctl(fd, TIOCNXCL);
        ::close(fd);
    }
    return 0;
}
