#pragma once

#include "core/clock.h"
#include "core/events.h"

#include <QDate>
#include <QString>

#include <functional>

namespace ondrix {

// The station's log book: every event as a line (eventLine) appended to
// journal/AAAA-MM-JJ.txt in the application directory, the day taken from the
// clock when the event is recorded. A station runs unattended for weeks, so
// each line reaches the file before record() returns, the last kJournalDays
// days are kept, and a failing write is reported but never stops the beacon.
class Journal {
public:
    // Dated files older than this many days before today are deleted.
    static constexpr int kJournalDays = 90;

    // Drops the files past their time at once (a station restarted after a
    // long stop does not wait for its first event).
    Journal(QString appDir, const Clock& clock);
    ~Journal();
    Journal(const Journal&) = delete;
    Journal& operator=(const Journal&) = delete;

    // Appends the event's line to today's file, creating journal/ when
    // missing. Never throws; a failure goes to onWriteFailed.
    void record(const Event& e);

    // Records every event published on `bus` from now on; until detach() or
    // destruction. The bus must outlive the subscription.
    void attach(EventBus& bus);
    void detach();

    // Called with a French message at the first failed write, then not again
    // until a write has succeeded: one report per run of failures, while every
    // later event is still tried.
    std::function<void(const QString&)> onWriteFailed;

    // The journal folder, and the file of a given day in it.
    QString dir() const { return dir_; }
    QString fileOf(const QDate& day) const;

private:
    void dropOldFiles(const QDate& today);
    // Returns an empty string on success, else the reason.
    QString append(const QString& path, const QByteArray& bytes);

    QString dir_;
    const Clock& clock_;
    QDate day_;
    bool failing_ = false;
    EventBus* bus_ = nullptr;
    int subscription_ = 0;
};

} // namespace ondrix
