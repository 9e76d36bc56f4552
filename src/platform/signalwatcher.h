#pragma once

#include <QObject>

#include <initializer_list>
#include <vector>

class QSocketNotifier;

namespace ondrix {

// Delivers process signals (SIGINT, SIGTERM...) on the event loop: the
// handler only writes the signal's number into a pipe, and a socket notifier
// reads it back, so whatever the program does about it runs as an ordinary
// event. One watcher at a time in a process.
//
// Each signal is caught once: a second one of the same kind acts as if it
// were not watched (a second Ctrl+C ends a program whose shut-down hangs).
// A signal that was ignored when the watcher was made (SIGHUP under nohup)
// stays ignored.
class SignalWatcher : public QObject {
    Q_OBJECT
public:
    explicit SignalWatcher(std::initializer_list<int> signos, QObject* parent = nullptr);
    ~SignalWatcher() override;

    bool isValid() const { return notifier_ != nullptr; }
    // "SIGTERM", "SIGINT"... for messages.
    static const char* name(int signo);

signals:
    void received(int signo);

private:
    void readPipe();

    QSocketNotifier* notifier_ = nullptr;
    std::vector<int> watched_;
};

} // namespace ondrix
