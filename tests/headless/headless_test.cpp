// The window-less front end's console: message boxes nobody can answer, and
// the event lines said from the form of a presenter wired to fakes.

#include "headless/headless.h"
#include "support/fakeservices.h"

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
    ConsoleDialogs dialogs(log);
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
        EXPECT_EQ(dialogs.lastMessage(), c.text);
    }
    EXPECT_EQ(dialogs.openFile("Ouvrir", "Fichiers WAV (*.wav)|*.wav"), QString());
    EXPECT_EQ(out.take().size(), 1);
}

namespace {

class EventReporterTest : public ::testing::Test, protected FakeServices {
protected:
    EventReporterTest() {
        serial.present = {1};
        player.files["/balise.wav"] = 2.0;
        dialogs.openResults << "/balise.wav";
        p.PortComList_Change("1");
        p.CMDOuvrir_Click();
        p.SliderLireTemps_Change(7);
        // The station reports each sending as it starts.
        player.onPlay = [this] { reporter.sending("Émission du fichier « /balise.wav »"); };
        reporter.resync();
        (void)out.take();
    }

    QStringList take() {
        QStringList lines = out.take();
        // The time first, as the fake clock reads it.
        const QString at = clock.t.toString("yyyy-MM-dd HH:mm:ss ");
        for (QString& l : lines) {
            EXPECT_TRUE(l.startsWith(at)) << l.toStdString();
            l.remove(0, at.size());
        }
        return lines;
    }

    MainPresenter p{services()};
    Captured out;
    EventLog log{clock, out.file()};
    EventReporter reporter{p, log};
};

} // namespace

TEST_F(EventReporterTest, EachChangeIsSaidOnceInTheOrderItHappened) {
    p.BTPlay_Click();
    ASSERT_EQ(p.form().btPlay, PlayImage::Stop);
    EXPECT_EQ(take(), (QStringList{"Cycle démarré : fichier, période 7 s",
                                   "PTT activé : émetteur en émission",
                                   "Émission du fichier « /balise.wav »"}));

    player.playing = false;
    player.onFinished();
    EXPECT_EQ(take(), QStringList{"PTT relâché : émetteur en réception"});

    // Countdown ticks change the form every second and say nothing until the
    // period is over and the file goes out again.
    for (int tick = 1; player.plays < 2 && tick < 20; ++tick) {
        clock.advanceMs(1000);
        p.Timer1_Timer();
        if (player.plays < 2) {
            EXPECT_EQ(take(), QStringList{}) << "tick " << tick;
        }
    }
    ASSERT_EQ(player.plays, 2);
    EXPECT_EQ(take(), (QStringList{"PTT activé : émetteur en émission",
                                   "Émission du fichier « /balise.wav »"}));

    // Stopped mid-sending: released, then stopped.
    p.BTPlay_Click();
    EXPECT_EQ(take(), (QStringList{"PTT relâché : émetteur en réception", "Cycle arrêté"}));
}
