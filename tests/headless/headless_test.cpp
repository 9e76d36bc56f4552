// The window-less front end's console: message boxes nobody can answer, and
// the event lines of a presenter wired to fakes, in the log and the log book.

#include "app/journal.h"
#include "headless/headless.h"
#include "support/fakeservices.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

using namespace ondrix;
using namespace ondrix::test;

namespace {

// What the log printed, line by line.
class Captured {
public:
    Captured() : file_(open_memstream(&buf_, &size_)) {}
    ~Captured() {
        std::fclose(file_);
        std::free(buf_);
    }
    std::FILE* file() { return file_; }
    QStringList take() {
        std::fflush(file_);
        const QStringList lines =
            QString::fromUtf8(buf_, static_cast<qsizetype>(size_)).split('\n', Qt::SkipEmptyParts);
        std::rewind(file_);
        std::fflush(file_);
        size_ = 0;
        return lines;
    }

private:
    char* buf_ = nullptr;
    size_t size_ = 0;
    std::FILE* file_;
};

const QString kAt = QStringLiteral("2026-12-04 14:05:00 ");

} // namespace

TEST(ConsoleDialogs, EveryMessageIsALineAndQuestionsChangeNothing) {
    FakeClock clock;
    Captured out;
    EventLog log(clock, out.file());
    ConsoleDialogs console(log);
    // The station announces each message as an event; the log prints it.
    EventBus bus;
    bus.subscribe([&log](const Event& e) { log.print(e); });
    AnnouncedDialogs dialogs(console, bus);
    struct Case {
        QString text;
        MsgButtons buttons;
        QString title;
        MsgAnswer answer;
        QString line;
    };
    const Case cases[] = {
        {"Sélectionner un mode pour le port COM",
         MsgButtons::Ok,
         {},
         MsgAnswer::Ok,
         "Message : Sélectionner un mode pour le port COM"},
        // OK would open the file dialog; nobody is there to choose.
        {"Fichier ou nom de fichier nom vailde\nOuvrez un nouveau fichier",
         MsgButtons::OkCancel,
         {},
         MsgAnswer::Cancel,
         "Message : Fichier ou nom de fichier nom vailde / Ouvrez un nouveau fichier"},
        {"Souhaiter-vous enregistrer les raccourcis clavier avant de quitter ?", MsgButtons::YesNo,
         "Raccourcis Clavier", MsgAnswer::No,
         "Message « Raccourcis Clavier » : Souhaiter-vous enregistrer les raccourcis clavier "
         "avant de quitter ?"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(dialogs.message(c.text, c.buttons, c.title), c.answer) << c.line.toStdString();
        EXPECT_EQ(out.take(), QStringList{kAt + c.line});
        EXPECT_EQ(console.lastMessage(), c.text);
    }
    EXPECT_EQ(dialogs.openFile("Ouvrir", "Fichiers WAV (*.wav)|*.wav"), QString());
    EXPECT_EQ(out.take().size(), 1);
}

namespace {

class EventLogTest : public ::testing::Test, protected FakeServices {
protected:
    EventLogTest() {
        serial.present = {1};
        player.files["/balise.wav"] = 2.0;
        dialogs.openResults << "/balise.wav";
        p.execute(cmd::PortComList_Change{"1"});
        p.execute(cmd::CMDOuvrir_Click{});
        p.execute(cmd::SliderLireTemps_Change{7});
        p.events().subscribe([this](const Event& e) { log.print(e); });
        journal.attach(p.events());
    }

    QStringList take() {
        QStringList lines = out.take();
        // The time first, as the fake clock reads it.
        const QString at = clock.t.toString("yyyy-MM-dd HH:mm:ss ");
        for (QString& l : lines) {
            EXPECT_TRUE(l.startsWith(at)) << l.toStdString();
            l.remove(0, at.size());
        }
        all << lines;
        return lines;
    }
    // Today's page of the log book, the times taken off.
    QStringList journalLines() {
        QFile f(journal.fileOf(clock.t.date()));
        if (!f.open(QIODevice::ReadOnly))
            return {};
        QStringList lines = QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts);
        for (QString& l : lines)
            l.remove(0, QStringLiteral("2026-12-04 14:05:00 ").size());
        return lines;
    }

    MainPresenter p{services()};
    Captured out;
    EventLog log{clock, out.file()};
    QTemporaryDir dir;
    Journal journal{dir.path(), clock};
    QStringList all;
};

} // namespace

TEST_F(EventLogTest, FileCycleIsSaidOnceInTheOrderItHappened) {
    p.execute(cmd::BTPlay_Click{});
    ASSERT_TRUE(p.state().cycle.running);
    EXPECT_EQ(take(), (QStringList{"Cycle démarré : fichier, période 7 s",
                                   "PTT activé : émetteur en émission",
                                   "Émission du fichier « /balise.wav »"}));

    player.playing = false;
    player.onFinished();
    EXPECT_EQ(take(), QStringList{"PTT relâché : émetteur en réception"});

    // Countdown ticks say nothing until the period is over and the file goes
    // out again.
    for (int tick = 1; player.plays < 2 && tick < 20; ++tick) {
        clock.advanceMs(1000);
        p.tick(Tick::FileCountdown);
        if (player.plays < 2) {
            EXPECT_EQ(take(), QStringList{}) << "tick " << tick;
        }
    }
    ASSERT_EQ(player.plays, 2);
    EXPECT_EQ(take(), (QStringList{"PTT activé : émetteur en émission",
                                   "Émission du fichier « /balise.wav »"}));

    // Stopped mid-sending: released, then stopped.
    p.execute(cmd::BTPlay_Click{});
    EXPECT_EQ(take(), (QStringList{"PTT relâché : émetteur en réception", "Cycle arrêté"}));
    // The log book holds the same lines.
    EXPECT_EQ(journalLines(), all);
}

TEST_F(EventLogTest, SpeechCycleIsSaidOnceInTheOrderItHappened) {
    p.execute(cmd::TabS12_Click{});
    p.execute(cmd::TxtSynthese_Change{"Balise d'essai"});
    (void)take();
    all.clear();
    QFile::remove(journal.fileOf(clock.t.date()));

    p.execute(cmd::BTPlay_Click{});
    ASSERT_TRUE(p.state().cycle.running);
    EXPECT_EQ(take(), (QStringList{"Cycle démarré : synthèse vocale, période 7 s",
                                   "Synthèse vocale : Balise d'essai"}));
    speaker.started();
    EXPECT_EQ(take(), QStringList{"PTT activé : émetteur en émission"});
    speaker.finished();
    EXPECT_EQ(take(), QStringList{"PTT relâché : émetteur en réception"});
    for (int tick = 1; speaker.spoken.size() < 2 && tick < 20; ++tick) {
        clock.advanceMs(1000);
        p.tick(Tick::SpeechCountdown);
    }
    ASSERT_EQ(speaker.spoken.size(), 2);
    EXPECT_EQ(take(), QStringList{"Synthèse vocale : Balise d'essai"});
    p.execute(cmd::BTPlay_Click{});
    EXPECT_EQ(take(), QStringList{"Cycle arrêté"});
    EXPECT_EQ(journalLines(), all);
}
