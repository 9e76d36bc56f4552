#include "platform/signalwatcher.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>

#include <fcntl.h>
#include <unistd.h>

namespace ondrix {

namespace {

// The pipe the handler writes to; -1 while no watcher exists.
volatile sig_atomic_t gWriteFd = -1;
int gReadFd = -1;

extern "C" void onSignal(int signo) {
    // Only async-signal-safe calls here: write(2), errno kept for the code
    // the signal interrupted.
    const int saved = errno;
    const int fd = gWriteFd;
    if (fd >= 0) {
        const unsigned char byte = static_cast<unsigned char>(signo);
        [[maybe_unused]] const ssize_t n = ::write(fd, &byte, 1);
    }
    errno = saved;
}

} // namespace

SignalWatcher::SignalWatcher(std::initializer_list<int> signos, QObject* parent) : QObject(parent) {
    if (gReadFd >= 0)
        return; // another watcher has the signals
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    gReadFd = fds[0];
    gWriteFd = fds[1];
    notifier_ = new QSocketNotifier(fds[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &SignalWatcher::readPipe);

    for (const int signo : signos) {
        struct sigaction old {};
        if (::sigaction(signo, nullptr, &old) != 0 || old.sa_handler == SIG_IGN)
            continue;
        struct sigaction sa {};
        sa.sa_handler = onSignal;
        sigemptyset(&sa.sa_mask);
        // SA_RESETHAND: the next one of the kind is not caught.
        sa.sa_flags = SA_RESTART | SA_RESETHAND;
        if (::sigaction(signo, &sa, nullptr) == 0)
            watched_.push_back(signo);
    }
}

SignalWatcher::~SignalWatcher() {
    if (!notifier_)
        return;
    for (const int signo : watched_)
        ::signal(signo, SIG_DFL);
    const int w = gWriteFd;
    gWriteFd = -1;
    ::close(w);
    ::close(gReadFd);
    gReadFd = -1;
}

void SignalWatcher::readPipe() {
    unsigned char bytes[16];
    for (;;) {
        const ssize_t n = ::read(gReadFd, bytes, sizeof bytes);
        if (n <= 0)
            return;
        for (ssize_t i = 0; i < n; ++i)
            emit received(bytes[i]);
    }
}

const char* SignalWatcher::name(int signo) {
    switch (signo) {
    case SIGINT:
        return "SIGINT";
    case SIGTERM:
        return "SIGTERM";
    case SIGHUP:
        return "SIGHUP";
    case SIGQUIT:
        return "SIGQUIT";
    default:
        return "signal";
    }
}

} // namespace ondrix
