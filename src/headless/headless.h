#pragma once

#include "app/mainpresenter.h"
#include "core/clock.h"
#include "core/dialogs.h"
#include "platform/systemservices.h"
#include "station/station.h"

#include <QObject>
#include <QString>

#include <cstdio>

namespace ondrix {

// One line per event, the date and time first ("2026-12-11 09:30:00 ..."),
// flushed at once so a log follows the beacon as it runs.
class EventLog {
public:
    EventLog(const Clock& clock, std::FILE* out) : clock_(clock), out_(out) {}
    // Line breaks inside `text` become " / ": one event, one line.
    void print(const QString& text);

private:
    const Clock& clock_;
    std::FILE* out_;
};

// Message boxes with nobody to answer them: each one is an event line, and
// questions get the answer that changes nothing (No, Cancel); the file
// dialog is cancelled.
class ConsoleDialogs : public Dialogs {
public:
    explicit ConsoleDialogs(EventLog& log) : log_(log) {}
    MsgAnswer message(const QString& text, MsgButtons buttons, const QString& title) override;
    QString openFile(const QString& title, const QString& filter) override;
    // The text of the last message, for an error that follows it.
    QString lastMessage() const { return last_; }

private:
    EventLog& log_;
    QString last_;
};

// Says what the beacon does, from the facts of its window: the cycle started
// or stopped (the start/stop button's picture), the transmitter keyed or
// released (the keying indicator), and the sendings it is told of. Only
// changes are reported.
class EventReporter : public QObject {
    Q_OBJECT
public:
    EventReporter(MainPresenter& presenter, EventLog& log);
    // Takes the present state as known, without reporting it.
    void resync();
    // A sending, said with the changes of the same step: after the cycle's
    // start and the keying, which the form shows only once the step is over.
    void sending(const QString& what);
    // Says what changed since the last call (run on every change of the form).
    void check();

private:
    MainPresenter& presenter_;
    EventLog& log_;
    bool running_ = false;
    Colour ptt_ = kIndicatorOff;
    QStringList sendings_;
};

// The beacon without a window (ondrix --headless): the station with console
// dialogs and an event log on standard output.
class HeadlessBeacon : public QObject {
    Q_OBJECT
public:
    explicit HeadlessBeacon(const QString& appDir, std::FILE* events = stdout,
                            std::FILE* errors = stderr);
    ~HeadlessBeacon() override;

    Station& station() { return station_; }

    // Start-up, then the cycle in the stored mode, or left to the time
    // windows when one is enabled. 0 when the beacon runs; otherwise the exit
    // status, after a French message on the error stream and the shut-down.
    int start();
    // The shut-down, `why` said in the log first ("SIGTERM"). Emits
    // station().stopped() once it is done.
    void stop(const QString& why);

private:
    // Why the cycle cannot start in the stored mode, before trying; empty
    // when nothing is known to stop it.
    QString startProblem();
    int fail(const QString& why);

    SystemClock clock_;
    EventLog log_;
    std::FILE* errors_;
    ConsoleDialogs dialogs_;
    Station station_;
    EventReporter reporter_;
};

} // namespace ondrix
