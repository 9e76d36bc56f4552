#include "app/journal.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace ondrix {

namespace {

const QString kDayFormat = QStringLiteral("yyyy-MM-dd");

} // namespace

Journal::Journal(QString appDir, const Clock& clock)
    : dir_(QDir(appDir).filePath(QStringLiteral("journal"))), clock_(clock) {
    day_ = clock_.now().date();
    dropOldFiles(day_);
}

Journal::~Journal() {
    detach();
}

QString Journal::fileOf(const QDate& day) const {
    return QDir(dir_).filePath(day.toString(kDayFormat) + QStringLiteral(".txt"));
}

void Journal::attach(EventBus& bus) {
    detach();
    bus_ = &bus;
    subscription_ = bus.subscribe([this](const Event& e) { record(e); });
}

void Journal::detach() {
    if (bus_)
        bus_->unsubscribe(subscription_);
    bus_ = nullptr;
    subscription_ = 0;
}

void Journal::record(const Event& e) {
    if (!hasLine(e))
        return;
    const QDateTime now = clock_.now();
    const QDate today = now.date();
    if (today != day_) {
        day_ = today;
        dropOldFiles(today);
    }
    const QString path = fileOf(today);
    const QString reason = append(path, (eventLine(now, e.text) + QLatin1Char('\n')).toUtf8());
    if (reason.isEmpty()) {
        failing_ = false;
        return;
    }
    if (failing_)
        return;
    // Set first: the hook may publish an error that comes back here.
    failing_ = true;
    if (onWriteFailed)
        onWriteFailed(QStringLiteral("Le journal de la station ne peut pas être écrit : ") + path +
                      QStringLiteral(" (") + reason + QLatin1Char(')'));
}

QString Journal::append(const QString& path, const QByteArray& bytes) {
    if (!QFileInfo(dir_).isDir())
        QDir().mkpath(dir_); // a failure shows as the open's reason below
    QFile file(path);
    // Unbuffered: the line goes to the system in this call, so a killed
    // program keeps it, and a full disk is seen here rather than at close.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered))
        return file.errorString();
    const qint64 before = file.size();
    const qint64 written = file.write(bytes);
    if (written == bytes.size())
        return {};
    const QString reason = written < 0 || file.error() != QFileDevice::NoError
                               ? file.errorString()
                               : QStringLiteral("écriture incomplète");
    // A piece of a line would glue itself to the next one: take it back.
    if (written > 0)
        file.resize(before);
    return reason;
}

void Journal::dropOldFiles(const QDate& today) {
    if (!today.isValid())
        return;
    static const QRegularExpression dated(QStringLiteral("^[0-9]{4}-[0-9]{2}-[0-9]{2}\\.txt$"));
    const QDate oldestKept = today.addDays(-kJournalDays);
    const QFileInfoList files = QDir(dir_).entryInfoList(QDir::Files);
    for (const QFileInfo& f : files) {
        if (!dated.match(f.fileName()).hasMatch())
            continue;
        const QDate day = QDate::fromString(f.completeBaseName(), kDayFormat);
        // A name like a date that is no date (2026-02-30) is someone else's.
        if (day.isValid() && day < oldestKept)
            QFile::remove(f.absoluteFilePath());
    }
}

} // namespace ondrix
