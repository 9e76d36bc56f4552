#include "app/mainpresenter.h"
#include "support/fakeservices.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace ondrix;
using namespace ondrix::test;

namespace {

class SpeechTest : public ::testing::Test, protected FakeServices {
protected:
    FakeSpeaker& engine = speaker;
    MainPresenter p{services()};
    const StationState& f = p.state();

    QTemporaryDir dir;

    SpeechTest() {
        serial.present = {1};
        p.execute(cmd::PortComList_Change{"1"});
        saved("");
        p.setAppDir(dir.path());
    }
    // The settings file the program starts from: `more` lines of section
    // "Params".
    void saved(const QString& more) {
        QFile file(dir.filePath("parametres.ini"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(("[Params]\n" + more).toUtf8());
    }
    void speechMode(const QString& text) {
        p.start();
        p.execute(cmd::TabS12_Click{});
        p.execute(cmd::TxtSynthese_Change{text});
    }
    void tick() {
        clock.advanceMs(1000);
        p.tick(Tick::SpeechCountdown);
    }
};

} // namespace

TEST_F(SpeechTest, EachSendingSpeaksFreshTagValuesKeyedAroundTheAudio) {
    clock.t = QDateTime(QDate(2026, 12, 4), QTime(14, 5, 50));
    speechMode("Il est [Heure:Minute]");
    p.execute(cmd::SliderLireTemps_Change{30});
    p.execute(cmd::BTPlay_Click{});
    EXPECT_EQ(engine.spoken, QStringList({"Il est 14H5"}));
    EXPECT_EQ(f.speech.spokenText, "Il est 14H5");
    EXPECT_EQ(f.speech.text, "Il est [Heure:Minute]"); // the box keeps its tags
    EXPECT_FALSE(serial.rts);                          // not before the audio
    engine.started();
    EXPECT_TRUE(serial.rts);
    EXPECT_TRUE(f.radio.keyed);
    EXPECT_FALSE(f.speech.textEnabled || f.speech.voiceList.enabled ||
                 f.speech.speedSlider.enabled || f.speech.volumeSlider.enabled);
    EXPECT_TRUE(f.speech.durationTimer.enabled); // first speaking: measured
    p.tick(Tick::SpeechDuration);
    p.tick(Tick::SpeechDuration);
    engine.finished();
    EXPECT_FALSE(serial.rts || serial.dtr);
    EXPECT_EQ(f.speech.durationSeconds, 2);
    EXPECT_EQ(startButtonPicture(f.cycle), StartButtonPicture::Stop); // in a cycle it stays on stop
    EXPECT_TRUE(f.speech.textEnabled && f.speech.speedSlider.enabled &&
                f.speech.volumeSlider.enabled);
    for (int i = 0; i < 31; ++i)
        tick();
    EXPECT_EQ(engine.spoken.last(), "Il est 14H6");
    // The measured length is the speech's share of the period bar, and it is
    // not measured again while the text is unchanged.
    EXPECT_EQ(f.cycle.barMessage.width, (9375 / 30) * 2);
    engine.started();
    EXPECT_FALSE(f.speech.durationTimer.enabled);
    engine.finished();
}

TEST_F(SpeechTest, SingleReadingReturnsToPlayAndLockIsRespected) {
    speechMode("Bonjour");
    p.beacon().CMDPLAYSynth(); // a single reading, as a shortcut does
    p.state().cycle.speechCountdown.enabled = false;
    engine.started();
    p.execute(cmd::PTTLock_Click{}); // closed while speaking
    engine.finished();
    EXPECT_EQ(startButtonPicture(f.cycle), StartButtonPicture::Play);
    EXPECT_TRUE(serial.rts); // held by the lock
    p.execute(cmd::PTTLock_Click{});
    EXPECT_FALSE(serial.rts);
}

TEST_F(SpeechTest, VoxModeSaysVoxAndNeverTouchesThePort) {
    speechMode("Bonjour");
    p.execute(cmd::OptVOX_Click{});
    serial.log.clear();
    p.execute(cmd::BTPlay_Click{});
    engine.started();
    engine.finished();
    EXPECT_EQ(engine.spoken, QStringList({"Vox", "Bonjour"}));
    EXPECT_TRUE(serial.log.isEmpty());
}

TEST_F(SpeechTest, WeatherTextJoinedWithNothingBetween) {
    speechMode("Météo");
    p.execute(cmd::ChkLireMeteo_Click{true});
    p.state().speech.weatherText = "12 degrés";
    p.beacon().CMDPLAYSynth();
    p.state().speech.weatherText = "Erreur";
    p.beacon().CMDPLAYSynth();
    EXPECT_EQ(engine.spoken, QStringList({"Météo12 degrés", "Météo"}));
}

TEST_F(SpeechTest, CableUnpluggedAtTheEndStopsTheCycle) {
    speechMode("Bonjour");
    p.execute(cmd::BTPlay_Click{});
    engine.started();
    serial.removed = true;
    engine.finished();
    EXPECT_EQ(dialogs.messages.back().text, RadioLink::kMsgCableDebranche);
    EXPECT_FALSE(f.cycle.speechCountdown.enabled);
    EXPECT_EQ(startButtonPicture(f.cycle), StartButtonPicture::Play);
    EXPECT_FALSE(f.radio.keyed);
}

TEST_F(SpeechTest, SpeedAndVolumeSliders) {
    p.execute(cmd::SliderVoixSpeed_Change{120});
    EXPECT_EQ(f.speech.speedLabel, "120 mot(s)/min.");
    EXPECT_EQ(p.params().get(30), "120");
    EXPECT_EQ(engine.speed, 120);
    // Refused by the engine: stored and shown all the same, the engine keeps 120.
    engine.minSpeed = 100;
    p.execute(cmd::SliderVoixSpeed_Change{20});
    EXPECT_EQ(f.speech.speedLabel, "20 mot(s)/min.");
    EXPECT_EQ(p.params().get(30), "20");
    EXPECT_EQ(engine.speed, 120);

    p.execute(cmd::SliderVolVoix_Change{50});
    EXPECT_EQ(f.file.volumeLabel, "Volume : 50%");
    EXPECT_EQ(p.params().get(9), "50");
    EXPECT_EQ(engine.volume, 50);
}

TEST_F(SpeechTest, MessageBoxEditing) {
    speechMode("Il est ");
    EXPECT_EQ(p.params().get(27), "Il est ");
    p.execute(cmd::ComboOndrixTexte_Change{0});
    p.execute(cmd::CmdAjoutOndrix_Click{7, 0});
    EXPECT_EQ(f.speech.text, "Il est [Heure:Minute]");
    EXPECT_EQ(p.params().get(27), "Il est [Heure:Minute]");
    // Enter gives ". " at the caret, replacing the selection.
    p.execute(cmd::TxtSynthese_Enter{21, 0});
    EXPECT_EQ(f.speech.text, "Il est [Heure:Minute]. ");
    EXPECT_EQ(f.speech.selectionStart, 23);
    // A click inside a tag selects it whole.
    const int seq = f.speech.selectionSeq;
    p.execute(cmd::TxtSynthese_Click{10});
    EXPECT_EQ(f.speech.selectionSeq, seq + 1);
    EXPECT_EQ(f.speech.selectionStart, 7);
    EXPECT_EQ(f.speech.selectionLength, 14);
    EXPECT_FALSE(f.speech.voiceListVisible);
    EXPECT_TRUE(f.speech.tagListVisible);
    p.execute(cmd::TxtSynthese_SelectAll{});
    EXPECT_EQ(f.speech.selectionLength, f.speech.text.size());
    p.execute(cmd::TxtSynthese_GotFocus{});
    EXPECT_FALSE(f.shell.shortcutsActive);
    p.execute(cmd::TxtSynthese_LostFocus{});
    EXPECT_TRUE(f.shell.shortcutsActive);
    // A 2000-character message goes to the engine whole.
    p.execute(cmd::TxtSynthese_Change{QString(2000, 'a')});
    p.beacon().CMDPLAYSynth();
    EXPECT_EQ(engine.spoken.last().size(), 2000);
}

TEST_F(SpeechTest, VoiceCatalogue) {
    saved("Param26=1\n");
    p.start();
    EXPECT_EQ(f.speech.voiceList.items,
              QStringList({"French\t\tHomme\tFrançais", "French (f2)\tFemme\tFrançais"}));
    EXPECT_EQ(f.speech.voiceIds, QStringList({"1036", "1036"}));
    EXPECT_EQ(engine.selected, 1);
    EXPECT_EQ(f.speech.voiceNameLabel, ""); // longer than the label's ten characters
    EXPECT_EQ(f.shell.loadingCaption, "Lancement...");
    EXPECT_EQ(f.speech.tagList.items.size(), 6);
    EXPECT_EQ(f.speech.tagList.items[0], "[Heure:Minute]");
    p.execute(cmd::ListVoix_Click{0});
    EXPECT_EQ(f.speech.voiceNameLabel, "French");
    EXPECT_EQ(p.params().get(26), "0");
    p.execute(cmd::ListVoix_DblClick{});
    EXPECT_EQ(engine.spoken.last(), "Bonjour");

    // An unusable voice disables starting, unless a cycle runs.
    engine.voices[1].usable = false;
    p.execute(cmd::ListVoix_Click{1});
    EXPECT_EQ(startButtonPicture(f.cycle), StartButtonPicture::PlayDisabled);
    EXPECT_EQ(f.speech.voiceNameLabel, "Erreur !");
    p.execute(cmd::ListVoix_Click{0});
    EXPECT_EQ(startButtonPicture(f.cycle), StartButtonPicture::Play);
    p.execute(cmd::TabS12_Click{});
    p.execute(cmd::TxtSynthese_Change{"Bonjour"});
    p.execute(cmd::BTPlay_Click{});
    p.execute(cmd::ListVoix_Click{1});
    EXPECT_EQ(startButtonPicture(f.cycle), StartButtonPicture::Stop);

    // The name label toggles the voice list and the tag list.
    const bool before = f.speech.voiceListVisible;
    p.execute(cmd::LblNomVoix_Click{});
    EXPECT_EQ(f.speech.voiceListVisible, !before);
    EXPECT_EQ(f.speech.tagListVisible, before);
}

TEST_F(SpeechTest, SavedVoiceBeyondTheListSelectsNothing) {
    saved("Param26=7\n");
    p.start();
    EXPECT_EQ(engine.selected, -1);
    EXPECT_EQ(f.speech.voiceList.index, -1);
    EXPECT_EQ(startButtonPicture(f.cycle), StartButtonPicture::Play);
}

TEST_F(SpeechTest, NoVoiceRunsInFileMode) {
    engine.voices.clear();
    p.execute(cmd::TabS12_Click{});
    p.start();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, "Aucune voix de synthèse installée");
    EXPECT_FALSE(f.speech.tabEnabled);
    EXPECT_TRUE(f.cycle.fileFrameVisible);
    EXPECT_FALSE(f.cycle.speechFrameVisible);
    EXPECT_EQ(f.cycle.mode, MessageMode::File);
}

TEST_F(SpeechTest, MissingEngineReportedOnceThenTheRepairPath) {
    engine.created = false;
    p.start();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text,
              "Erreur de chargement, la synthèse vocale ne sera pas active.");
    EXPECT_TRUE(f.speech.engineFailed);
    EXPECT_EQ(p.params().get(47), "Erreur");
    EXPECT_FALSE(f.speech.speedSlider.enabled);
    p.execute(cmd::TabS12_Click{});
    EXPECT_TRUE(f.cycle.speechProblemFrameVisible);
    EXPECT_FALSE(f.cycle.speechFrameVisible);

    p.execute(cmd::ChargerVoix{}); // not reported again
    EXPECT_EQ(dialogs.messages.size(), 1u);

    p.execute(cmd::CmdResoudreProb_Click{});
    EXPECT_EQ(dialogs.messages.back().text,
              "En installant le fichier 'lhttsfrf.exe' téléchargeable sur internet.");
    dialogs.answers = {MsgAnswer::Cancel, MsgAnswer::Ok};
    p.execute(cmd::CmdProbOK_Click{});
    EXPECT_EQ(program.n, 0);
    EXPECT_EQ(p.params().get(47), "Erreur");
    p.execute(cmd::CmdProbOK_Click{});
    EXPECT_EQ(dialogs.messages.back().text, "L'application va redémarrer.");
    EXPECT_EQ(dialogs.messages.back().buttons, MsgButtons::OkCancel);
    EXPECT_EQ(program.n, 1);
    EXPECT_TRUE(p.params().get(47).isEmpty());
}

TEST_F(SpeechTest, HeldPortAtSpeechStartSkipsTheRestOnce) {
    speechMode("Bonjour");
    serial.held = {1};
    p.execute(cmd::BTPlay_Click{});
    engine.started();
    EXPECT_EQ(serial.log.filter("open 1").size(), 2); // keyed, then one more open
    EXPECT_TRUE(f.speech.textEnabled);                // the remaining steps skipped
    EXPECT_EQ(dialogs.messages.size(), 1u);
    engine.finished();
    EXPECT_FALSE(serial.rts);
}
