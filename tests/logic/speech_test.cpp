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
    const MainForm& f = p.form();

    QTemporaryDir dir;

    SpeechTest() {
        serial.present = {1};
        p.PortComList_Change("1");
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
        p.TabS12_Click();
        p.TxtSynthese_Change(text);
    }
    void tick() {
        clock.advanceMs(1000);
        p.Timer2_Timer();
    }
};

} // namespace

TEST_F(SpeechTest, EachSendingSpeaksFreshTagValuesKeyedAroundTheAudio) {
    clock.t = QDateTime(QDate(2026, 12, 4), QTime(14, 5, 50));
    speechMode("Il est [Heure:Minute]");
    p.SliderLireTemps_Change(30);
    p.BTPlay_Click();
    EXPECT_EQ(engine.spoken, QStringList({"Il est 14H5"}));
    EXPECT_EQ(f.txtSynthese2, "Il est 14H5");
    EXPECT_EQ(f.txtSynthese, "Il est [Heure:Minute]"); // the box keeps its tags
    EXPECT_FALSE(serial.rts);                          // not before the audio
    engine.started();
    EXPECT_TRUE(serial.rts);
    EXPECT_EQ(f.shapePTTColour, kIndicatorOn);
    EXPECT_FALSE(f.txtSyntheseEnabled || f.listVoix.enabled || f.sliderVoixSpeed.enabled ||
                 f.sliderVolVoix.enabled);
    EXPECT_TRUE(f.timerTempsVoix.enabled); // first speaking: measured
    p.TimerTempsVoix_Timer();
    p.TimerTempsVoix_Timer();
    engine.finished();
    EXPECT_FALSE(serial.rts || serial.dtr);
    EXPECT_EQ(f.dureeVoix, 2);
    EXPECT_EQ(f.btPlay, PlayImage::Stop); // in a cycle it stays on stop
    EXPECT_TRUE(f.txtSyntheseEnabled && f.sliderVoixSpeed.enabled && f.sliderVolVoix.enabled);
    for (int i = 0; i < 31; ++i)
        tick();
    EXPECT_EQ(engine.spoken.last(), "Il est 14H6");
    // The measured length is the speech's share of the period bar, and it is
    // not measured again while the text is unchanged.
    EXPECT_EQ(f.shapeWAV.width, (9375 / 30) * 2);
    engine.started();
    EXPECT_FALSE(f.timerTempsVoix.enabled);
    engine.finished();
}

TEST_F(SpeechTest, SingleReadingReturnsToPlayAndLockIsRespected) {
    speechMode("Bonjour");
    p.beacon().CMDPLAYSynth(); // a single reading, as a shortcut does
    p.form().timer2.enabled = false;
    engine.started();
    p.PTTLock_Click(); // closed while speaking
    engine.finished();
    EXPECT_EQ(f.btPlay, PlayImage::Play);
    EXPECT_TRUE(serial.rts); // held by the lock
    p.PTTLock_Click();
    EXPECT_FALSE(serial.rts);
}

TEST_F(SpeechTest, VoxModeSaysVoxAndNeverTouchesThePort) {
    speechMode("Bonjour");
    p.OptVOX_Click();
    serial.log.clear();
    p.BTPlay_Click();
    engine.started();
    engine.finished();
    EXPECT_EQ(engine.spoken, QStringList({"Vox", "Bonjour"}));
    EXPECT_TRUE(serial.log.isEmpty());
}

TEST_F(SpeechTest, WeatherTextJoinedWithNothingBetween) {
    speechMode("Météo");
    p.ChkLireMeteo_Click(true);
    p.form().lblInfosMeteo = "12 degrés";
    p.beacon().CMDPLAYSynth();
    p.form().lblInfosMeteo = "Erreur";
    p.beacon().CMDPLAYSynth();
    EXPECT_EQ(engine.spoken, QStringList({"Météo12 degrés", "Météo"}));
}

TEST_F(SpeechTest, CableUnpluggedAtTheEndStopsTheCycle) {
    speechMode("Bonjour");
    p.BTPlay_Click();
    engine.started();
    serial.removed = true;
    engine.finished();
    EXPECT_EQ(dialogs.messages.back().text, RadioLink::kMsgCableDebranche);
    EXPECT_FALSE(f.timer2.enabled);
    EXPECT_EQ(f.btPlay, PlayImage::Play);
    EXPECT_EQ(f.shapePTTColour, kIndicatorOff);
}

TEST_F(SpeechTest, SpeedAndVolumeSliders) {
    p.SliderVoixSpeed_Change(120);
    EXPECT_EQ(f.lblWpM, "120 mot(s)/min.");
    EXPECT_EQ(p.params().get(30), "120");
    EXPECT_EQ(engine.speed, 120);
    // Refused by the engine: stored and shown all the same, the engine keeps 120.
    engine.minSpeed = 100;
    p.SliderVoixSpeed_Change(20);
    EXPECT_EQ(f.lblWpM, "20 mot(s)/min.");
    EXPECT_EQ(p.params().get(30), "20");
    EXPECT_EQ(engine.speed, 120);

    p.SliderVolVoix_Change(50);
    EXPECT_EQ(f.lblVol, "Volume : 50%");
    EXPECT_EQ(p.params().get(9), "50");
    EXPECT_EQ(engine.volume, 50);
}

TEST_F(SpeechTest, MessageBoxEditing) {
    speechMode("Il est ");
    EXPECT_EQ(p.params().get(27), "Il est ");
    p.ComboOndrixTexte_Change(0);
    p.CmdAjoutOndrix_Click(7, 0);
    EXPECT_EQ(f.txtSynthese, "Il est [Heure:Minute]");
    EXPECT_EQ(p.params().get(27), "Il est [Heure:Minute]");
    // Enter gives ". " at the caret, replacing the selection.
    p.TxtSynthese_Enter(21, 0);
    EXPECT_EQ(f.txtSynthese, "Il est [Heure:Minute]. ");
    EXPECT_EQ(f.txtSyntheseSelStart, 23);
    // A click inside a tag selects it whole.
    const int seq = f.txtSyntheseSelectionSeq;
    p.TxtSynthese_Click(10);
    EXPECT_EQ(f.txtSyntheseSelectionSeq, seq + 1);
    EXPECT_EQ(f.txtSyntheseSelStart, 7);
    EXPECT_EQ(f.txtSyntheseSelLength, 14);
    EXPECT_FALSE(f.listVoixVisible);
    EXPECT_TRUE(f.comboOndrixTexteVisible);
    p.TxtSynthese_SelectAll();
    EXPECT_EQ(f.txtSyntheseSelLength, f.txtSynthese.size());
    p.TxtSynthese_GotFocus();
    EXPECT_FALSE(f.raccourcisActifs);
    p.TxtSynthese_LostFocus();
    EXPECT_TRUE(f.raccourcisActifs);
    // A 2000-character message goes to the engine whole.
    p.TxtSynthese_Change(QString(2000, 'a'));
    p.beacon().CMDPLAYSynth();
    EXPECT_EQ(engine.spoken.last().size(), 2000);
}

TEST_F(SpeechTest, VoiceCatalogue) {
    saved("Param26=1\n");
    p.start();
    EXPECT_EQ(f.listVoix.items,
              QStringList({"French\t\tHomme\tFrançais", "French (f2)\tFemme\tFrançais"}));
    EXPECT_EQ(f.listIDVoix, QStringList({"1036", "1036"}));
    EXPECT_EQ(engine.selected, 1);
    EXPECT_EQ(f.lblNomVoix, ""); // longer than the label's ten characters
    EXPECT_EQ(f.lblChargeParam, "Lancement...");
    EXPECT_EQ(f.comboOndrixTexte.items.size(), 6);
    EXPECT_EQ(f.comboOndrixTexte.items[0], "[Heure:Minute]");
    p.ListVoix_Click(0);
    EXPECT_EQ(f.lblNomVoix, "French");
    EXPECT_EQ(p.params().get(26), "0");
    p.ListVoix_DblClick();
    EXPECT_EQ(engine.spoken.last(), "Bonjour");

    // An unusable voice disables starting, unless a cycle runs.
    engine.voices[1].usable = false;
    p.ListVoix_Click(1);
    EXPECT_EQ(f.btPlay, PlayImage::PlayDis);
    EXPECT_EQ(f.lblNomVoix, "Erreur !");
    p.ListVoix_Click(0);
    EXPECT_EQ(f.btPlay, PlayImage::Play);
    p.TabS12_Click();
    p.TxtSynthese_Change("Bonjour");
    p.BTPlay_Click();
    p.ListVoix_Click(1);
    EXPECT_EQ(f.btPlay, PlayImage::Stop);

    // The name label toggles the voice list and the tag list.
    const bool before = f.listVoixVisible;
    p.LblNomVoix_Click();
    EXPECT_EQ(f.listVoixVisible, !before);
    EXPECT_EQ(f.comboOndrixTexteVisible, before);
}

TEST_F(SpeechTest, SavedVoiceBeyondTheListSelectsNothing) {
    saved("Param26=7\n");
    p.start();
    EXPECT_EQ(engine.selected, -1);
    EXPECT_EQ(f.listVoix.index, -1);
    EXPECT_EQ(f.btPlay, PlayImage::Play);
}

TEST_F(SpeechTest, NoVoiceRunsInFileMode) {
    engine.voices.clear();
    p.TabS12_Click();
    p.start();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, "Aucune voix de synthèse installée");
    EXPECT_FALSE(f.tabS12Enabled);
    EXPECT_TRUE(f.frmFichierVisible);
    EXPECT_FALSE(f.frmSyntheseVisible);
    EXPECT_EQ(f.tabS11Colour, kTabSelected);
}

TEST_F(SpeechTest, MissingEngineReportedOnceThenTheRepairPath) {
    engine.created = false;
    p.start();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text,
              "Erreur de chargement, la synthèse vocale ne sera pas active.");
    EXPECT_TRUE(f.erreurSynthese);
    EXPECT_EQ(p.params().get(47), "Erreur");
    EXPECT_FALSE(f.sliderVoixSpeed.enabled);
    p.TabS12_Click();
    EXPECT_TRUE(f.frmSynthese2Visible);
    EXPECT_FALSE(f.frmSyntheseVisible);

    p.Command1_Click(); // not reported again
    EXPECT_EQ(dialogs.messages.size(), 1u);

    p.CmdResoudreProb_Click();
    EXPECT_EQ(dialogs.messages.back().text,
              "En installant le fichier 'lhttsfrf.exe' téléchargeable sur internet.");
    dialogs.answers = {MsgAnswer::Cancel, MsgAnswer::Ok};
    p.CmdProbOK_Click();
    EXPECT_EQ(program.n, 0);
    EXPECT_EQ(p.params().get(47), "Erreur");
    p.CmdProbOK_Click();
    EXPECT_EQ(dialogs.messages.back().text, "L'application va redémarrer.");
    EXPECT_EQ(dialogs.messages.back().buttons, MsgButtons::OkCancel);
    EXPECT_EQ(program.n, 1);
    EXPECT_TRUE(p.params().get(47).isEmpty());
}

TEST_F(SpeechTest, HeldPortAtSpeechStartSkipsTheRestOnce) {
    speechMode("Bonjour");
    serial.held = {1};
    p.BTPlay_Click();
    engine.started();
    EXPECT_EQ(serial.log.filter("open 1").size(), 2); // keyed, then one more open
    EXPECT_TRUE(f.txtSyntheseEnabled);                // the remaining steps skipped
    EXPECT_EQ(dialogs.messages.size(), 1u);
    engine.finished();
    EXPECT_FALSE(serial.rts);
}
