// The station's log book on temporary folders, moved through days by a fake
// clock.

#include "app/journal.h"
#include "support/fakes.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <optional>

using namespace ondrix;
using namespace ondrix::test;

namespace {

QByteArray contents(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<absent>");
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QDateTime at(int y, int m, int d, int hh, int mm, int ss) {
    return QDateTime(QDate(y, m, d), QTime(hh, mm, ss));
}

// A temporary application directory and a clock the test moves.
class JournalTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(tmp.isValid()); }
    QTemporaryDir tmp;
    FakeClock clock;
};

} // namespace

TEST_F(JournalTest, LinesAsTheLogPrintsThem) {
    clock.t = at(2026, 12, 4, 14, 5, 0);
    Journal journal(tmp.path(), clock);
    EXPECT_EQ(journal.dir(), tmp.filePath("journal"));
    const QString file = tmp.filePath("journal/2026-12-04.txt");

    // journal/ is created on the first line, and each line is on disk as
    // record() returns, while the journal is still open.
    journal.record({EventKind::CycleStarted, "Cycle démarré : fichier, période 7 s"});
    EXPECT_EQ(contents(file), "2026-12-04 14:05:00 Cycle démarré : fichier, période 7 s\n");

    clock.advanceMs(1500);
    journal.record({EventKind::Message, "Message : a\nb\r\nc\rd"});
    const QByteArray expected = QString("2026-12-04 14:05:00 Cycle démarré : fichier, période 7 s\n"
                                        "2026-12-04 14:05:01 Message : a / b / c / d\n")
                                    .toUtf8();
    EXPECT_EQ(contents(file), expected);
    EXPECT_EQ(eventLine(clock.t, "Message : a\nb\r\nc\rd"),
              "2026-12-04 14:05:01 Message : a / b / c / d");

    // A restarted program appends after what the day's file already holds.
    Journal again(tmp.path(), clock);
    again.record({EventKind::Info, "Arrêt"});
    EXPECT_EQ(contents(file), expected + "2026-12-04 14:05:01 Arrêt\n");
}

TEST_F(JournalTest, NewFileAtMidnight) {
    clock.t = at(2026, 12, 11, 23, 59, 59);
    Journal journal(tmp.path(), clock);
    journal.record({EventKind::Keyed, "avant"});
    clock.advanceMs(1000);
    journal.record({EventKind::Released, "après"});

    EXPECT_EQ(contents(tmp.filePath("journal/2026-12-11.txt")), "2026-12-11 23:59:59 avant\n");
    EXPECT_EQ(contents(tmp.filePath("journal/2026-12-12.txt")),
              QString("2026-12-12 00:00:00 après\n").toUtf8());
}

// Today is 2026-12-11; 2026-09-12 is 90 days before it, the oldest day kept.
TEST(Journal, KeepsNinetyDaysAndOnlyTouchesDatedFiles) {
    ASSERT_EQ(QDate(2026, 9, 12).daysTo(QDate(2026, 12, 11)), Journal::kJournalDays);
    struct Case {
        const char* name;
        bool kept;
    };
    const Case cases[] = {
        {"2026-12-11.txt", true},     // today
        {"2026-12-10.txt", true},     //
        {"2026-09-12.txt", true},     // the 90th day
        {"2026-09-11.txt", false},    // the 91st
        {"2025-01-01.txt", false},    //
        {"2027-01-01.txt", true},     // ahead of the clock
        {"2026-02-30.txt", true},     // no such day
        {"2020-1-01.txt", true},      // not the journal's spelling
        {"2020-01-01.txt.bak", true}, //
        {"2020-01-01.TXT", true},     //
        {"x2020-01-01.txt", true},    //
        {"notes.txt", true},          //
        {"2020-01-01.txt.d/", true},  // a folder
        {"2020-01-02.txt/", true},    // a folder named like a day
    };

    // Dropped when the journal starts, and at the first event of a new day.
    for (const bool atRollover : {false, true}) {
        SCOPED_TRACE(atRollover ? "at the first event of the day" : "at construction");
        QTemporaryDir tmp;
        ASSERT_TRUE(tmp.isValid());
        const QDir dir(tmp.filePath("journal"));
        ASSERT_TRUE(dir.mkpath("."));
        FakeClock clock;
        clock.t = atRollover ? at(2026, 12, 10, 23, 59, 59) : at(2026, 12, 11, 8, 0, 0);
        auto create = [&] {
            for (const Case& c : cases) {
                const QString name = QString(c.name);
                if (name.endsWith('/'))
                    ASSERT_TRUE(dir.mkpath(name));
                else
                    ASSERT_TRUE(writeFile(dir.filePath(name), "ligne\n"));
            }
        };

        std::optional<Journal> journal;
        if (atRollover) {
            journal.emplace(tmp.path(), clock);
            create();
            journal->record({EventKind::Info, "la veille"});
            ASSERT_TRUE(dir.exists("2026-09-11.txt")) << "dropped before the day changed";
            clock.advanceMs(1000);
            journal->record({EventKind::Info, "minuit"});
        } else {
            create();
            journal.emplace(tmp.path(), clock);
        }
        for (const Case& c : cases)
            EXPECT_EQ(dir.exists(c.name), c.kept) << c.name;
    }
}

// Ways a write fails that the beacon must ride through: record() returns,
// the operator hears of it once, and again only after a write succeeded.
TEST(Journal, FailedWritesReportedOncePerRun) {
    struct Breakage {
        const char* name;
        bool rootBypasses;
        std::function<bool(const QString& dir, const QString& file)> breakIt;
        std::function<bool(const QString& dir, const QString& file)> repair;
    };
    const Breakage breakages[] = {
        {"journal is a file", false,
         [](const QString& dir, const QString&) {
             return QDir(dir).removeRecursively() && writeFile(dir, "pas un dossier");
         },
         [](const QString& dir, const QString&) { return QFile::remove(dir); }},
        {"disk full", false,
         [](const QString& dir, const QString& file) {
             return QDir().mkpath(dir) && QFile::remove(file) && QFile::link("/dev/full", file);
         },
         [](const QString&, const QString& file) { return QFile::remove(file); }},
        {"read-only journal folder", true,
         [](const QString& dir, const QString& file) {
             return QDir().mkpath(dir) && QFile::remove(file) &&
                    ::chmod(dir.toLocal8Bit().constData(), 0555) == 0;
         },
         [](const QString& dir, const QString&) {
             return ::chmod(dir.toLocal8Bit().constData(), 0755) == 0;
         }},
    };

    for (const Breakage& b : breakages) {
        SCOPED_TRACE(b.name);
        if (b.rootBypasses && ::geteuid() == 0)
            continue; // root writes through the permissions
        if (QString(b.name) == "disk full" && !QFile::exists("/dev/full"))
            continue;
        QTemporaryDir tmp;
        ASSERT_TRUE(tmp.isValid());
        FakeClock clock;
        clock.t = at(2026, 12, 4, 14, 5, 0);
        Journal journal(tmp.path(), clock);
        QStringList reports;
        journal.onWriteFailed = [&](const QString& m) { reports << m; };
        const QString dir = journal.dir();
        const QString file = journal.fileOf(clock.t.date());
        // The day's file must exist for the ways that replace it.
        journal.record({EventKind::Info, "avant"});
        ASSERT_TRUE(reports.isEmpty());

        ASSERT_TRUE(b.breakIt(dir, file));
        journal.record({EventKind::Info, "perdu 1"});
        journal.record({EventKind::Info, "perdu 2"});
        ASSERT_EQ(reports.size(), 1);
        EXPECT_TRUE(reports[0].startsWith(
            "Le journal de la station ne peut pas être écrit : " + file + " ("))
            << reports[0].toStdString();

        ASSERT_TRUE(b.repair(dir, file));
        journal.record({EventKind::Info, "repris"});
        EXPECT_EQ(reports.size(), 1);
        EXPECT_TRUE(contents(file).endsWith("2026-12-04 14:05:00 repris\n"));
        EXPECT_FALSE(contents(file).contains("perdu"));

        ASSERT_TRUE(b.breakIt(dir, file));
        journal.record({EventKind::Info, "perdu 3"});
        journal.record({EventKind::Info, "perdu 4"});
        EXPECT_EQ(reports.size(), 2);
        ASSERT_TRUE(b.repair(dir, file));
    }
}

TEST_F(JournalTest, FollowsTheBusUntilGone) {
    clock.t = at(2026, 12, 4, 14, 5, 0);
    EventBus bus;
    const QString file = tmp.filePath("journal/2026-12-04.txt");
    {
        Journal journal(tmp.path(), clock);
        journal.attach(bus);
        bus.publish(EventKind::SendingStarted, "Envoi : balise.wav");

        // A failure told on the same bus comes back to the journal, which
        // fails again without a second report.
        int reports = 0;
        journal.onWriteFailed = [&](const QString& m) {
            ++reports;
            bus.publish(EventKind::Error, m);
        };
        ASSERT_TRUE(QDir(journal.dir()).removeRecursively());
        ASSERT_TRUE(writeFile(journal.dir(), ""));
        bus.publish(EventKind::Info, "perdu");
        EXPECT_EQ(reports, 1);
        ASSERT_TRUE(QFile::remove(journal.dir()));
        bus.publish(EventKind::Info, "repris");
    }
    // The journal is gone; the bus no longer calls it.
    bus.publish(EventKind::Info, "après");
    EXPECT_EQ(contents(file), "2026-12-04 14:05:00 repris\n");
}
