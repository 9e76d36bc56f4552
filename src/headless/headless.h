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
    // An event's line, when it has one.
    void print(const Event& event);

private:
    const Clock& clock_;
    std::FILE* out_;
};

// Message boxes with nobody to answer them: the station publishes each one as
// an event (which the log prints), and questions get the answer that changes
// nothing (No, Cancel); the file dialog is cancelled.
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

    // A line of the front end's own, for the log and the log book alike.
    void say(const QString& text, EventKind kind = EventKind::Info);

    SystemClock clock_;
    EventLog log_;
    std::FILE* errors_;
    ConsoleDialogs dialogs_;
    Station station_;
    int subscription_ = 0;
};

} // namespace ondrix
