// The settings file through the whole start-up and shut-down: what a missing,
// full, odd or corrupt file gives, the order settings are applied in, and what
// is written back.

#include "app/mainpresenter.h"
#include "support/fakeservices.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

using namespace ondrix;
using namespace ondrix::test;

namespace {

// Records each fixed wait with the loading caption and progress shown then.
class PanelSleeper : public Sleeper {
public:
    const StationState* form = nullptr;
    struct Wait {
        QString caption;
        float progress;
        int ms;
        bool operator==(const Wait&) const = default;
    };
    std::vector<Wait> waits;
    void sleepMs(int ms) override {
        waits.push_back({form->shell.loadingCaption, form->shell.loadingProgress.value, ms});
    }
};

// One run of the program on the application directory `dir`, with fakes.
struct Program : FakeServices {
    PanelSleeper panel;
    MainPresenter p{services(&panel)};
    const StationState& f = p.state();
    QStringList reactions;

    explicit Program(const QString& dir) {
        panel.form = &p.state();
        player.files = {{"/audio/a.wav", 3.0}, {"/audio/b.wav", 8.0}};
        speaker.voices = {{"Anna", 1, 0x40C}, {"Paul", 2, 0x40C}};
        serial.present = {1, 2, 3};
        p.settings().onReaction = [this](const QString& c) { reactions << c; };
        p.setAppDir(dir);
    }
};

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

// The keys of the file in the order they are written, section by section.
QStringList keysInOrder(const QByteArray& bytes) {
    QStringList keys;
    for (const QString& line : QString::fromUtf8(bytes).split(QRegularExpression("\r?\n"))) {
        if (line.startsWith('['))
            keys << line;
        else if (line.contains('='))
            keys << line.section('=', 0, 0);
    }
    return keys;
}

// The sections the Windows version knows, every key in its written order.
QStringList windowsKeysInOrder() {
    QStringList keys{"[Params]"};
    for (int i = 0; i < Params::kCount; ++i)
        keys << QString("Param%1").arg(i);
    keys << "[Informations OM]";
    for (int i = 0; i < Params::kOmCount; ++i)
        keys << QString("ParamOM%1").arg(i);
    return keys;
}

QByteArray paramsFile(const std::vector<std::pair<int, QString>>& values,
                      const QString& extra = QString()) {
    QString s = "[Params]\r\n";
    for (const auto& [i, v] : values)
        s += QString("Param%1=%2\r\n").arg(i).arg(v);
    return (s + extra).toUtf8();
}

class SettingsTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path() const { return dir.filePath("parametres.ini"); }
};

} // namespace

TEST_F(SettingsTest, NoFileStartsOnDefaultsAndTheFirstSaveWritesEveryKeyInOrder) {
    Program r(dir.path());
    r.p.start();
    EXPECT_EQ(r.f.options.priorityIndex, 2);
    EXPECT_EQ(OptionsState::kPriorities.value(r.f.options.priorityIndex), "Priorité Normale");
    EXPECT_EQ(r.p.params().get(42), "32");
    EXPECT_EQ(r.f.radio.pttLine.index, 0);
    EXPECT_EQ(r.f.radio.carrierLine.index, 0);
    EXPECT_FALSE(r.f.radio.carrierLine.enabled);
    EXPECT_EQ(r.f.cycle.mode, MessageMode::File);
    EXPECT_TRUE(r.f.radio.serialKeying);
    EXPECT_EQ(r.reactions.join(",").toStdString(), "");
    EXPECT_EQ(r.f.cycle.longestPeriodText, "1800");
    EXPECT_EQ(r.f.cycle.tickIntervalText, "1000");
    EXPECT_EQ(r.f.cycle.fileCountdown.interval, 1000);
    EXPECT_EQ(r.f.cycle.speechCountdown.interval, 1000);
    EXPECT_TRUE(r.serial.log.isEmpty()) << "no keying mode saved: no port opened nor searched";
    EXPECT_TRUE(r.priority.set_.empty());
    EXPECT_TRUE(r.dialogs.messages.empty());
    EXPECT_FALSE(r.f.shell.loadingVisible);
    EXPECT_EQ(r.f.windows.clockLabel, "14:05:00") << "the clock shows before its first tick";
    EXPECT_FALSE(QFile::exists(path())) << "reading never creates the file";

    r.p.Form_Unload();
    EXPECT_EQ(keysInOrder(readAll(path())), windowsKeysInOrder());
}

TEST_F(SettingsTest, EverySettingSurvivesSaveAndRestart) {
    {
        Program r(dir.path());
        r.p.start();
        // Nine files opened: the oldest drops out of the eight remembered.
        for (int i = 0; i < 9; ++i) {
            const QString name = QString("/audio/f%1.wav").arg(i);
            r.player.files[name] = 2.0;
            r.dialogs.openResults << name;
            r.p.execute(cmd::CMDOuvrir_Click{});
        }
        r.p.execute(cmd::SliderVolWMP_Change{-1200});
        r.p.execute(cmd::CHKMute_Click{true});
        r.p.execute(cmd::ComboModeCOMPTT_Change{1});
        r.p.execute(cmd::ChkCOR_Click{true});
        r.p.execute(cmd::ComboModeCOMCOR_Change{2});
        r.p.execute(cmd::PortComList_Change{"3"});
        r.p.execute(cmd::TxtTpsMax_Change{"900"});
        r.p.execute(cmd::TxtInterval_Change{"500"});
        r.p.execute(cmd::ChkInstance_Click{true});
        r.p.state().cycle.waitingColour = 0x123456;
        r.p.state().cycle.playingColour = 0x654321;
        r.p.execute(cmd::ChkDecl_Click{1, true});
        const QStringList times{"08", "15", "30", "09", "45", "00"};
        for (int i = 0; i < 6; ++i)
            r.p.execute(cmd::TimeField_Change{6 + i, times[i]});
        r.p.execute(cmd::TabS12_Click{});
        r.p.execute(cmd::TxtSynthese_Change{"Ici [Indicatif OM/YL], il est [Heure:Minute]"});
        r.p.execute(cmd::SliderLireTemps_Change{120});
        r.p.execute(cmd::SliderVoixSpeed_Change{180});
        r.p.execute(cmd::ComboPriorite_Change{3});
        r.p.execute(cmd::ListVoix_Click{1});
        r.p.execute(cmd::OperatorField_Change{0, "Jean"});
        r.p.execute(cmd::OperatorField_Change{1, "F4ABC"});
        r.p.execute(cmd::OptVOX_Click{});
        r.p.Form_Unload();
    }
    Program r(dir.path());
    r.p.start();
    const StationState& f = r.f;
    EXPECT_EQ(f.file.recentFiles.items.size(), 8);
    EXPECT_EQ(f.file.recentFiles.items.first(), "/audio/f8.wav");
    EXPECT_EQ(f.file.recentFiles.items.last(), "/audio/f1.wav");
    EXPECT_EQ(f.file.recentFiles.text, "/audio/f8.wav");
    EXPECT_EQ(f.file.volumeSlider.value, -1200);
    EXPECT_TRUE(f.file.mute);
    EXPECT_EQ(f.radio.pttLine.text, "DTR");
    EXPECT_TRUE(f.radio.carrierDetectOn);
    EXPECT_EQ(f.radio.carrierLine.text, "DCD");
    EXPECT_TRUE(f.radio.carrierLine.enabled);
    EXPECT_EQ(f.cycle.longestPeriodText, "900");
    EXPECT_EQ(f.cycle.periodSlider.max, 900);
    EXPECT_EQ(f.cycle.tickIntervalText, "500");
    EXPECT_EQ(f.cycle.fileCountdown.interval, 500);
    EXPECT_EQ(f.cycle.speechCountdown.interval, 500);
    EXPECT_TRUE(f.options.allowSeveralCopies);
    EXPECT_EQ(f.cycle.barTotal.backColour, 0x123456u);
    EXPECT_EQ(f.cycle.barMessage.backColour, 0x654321u);
    EXPECT_EQ(f.windows.enabled, (std::array<bool, 3>{false, true, false}));
    EXPECT_EQ(f.windows.fields[6], "08");
    EXPECT_EQ(f.windows.fields[10], "45");
    EXPECT_EQ(f.cycle.mode, MessageMode::Speech);
    EXPECT_TRUE(f.cycle.speechFrameVisible);
    EXPECT_EQ(f.speech.text, "Ici [Indicatif OM/YL], il est [Heure:Minute]");
    EXPECT_EQ(f.cycle.periodSlider.value, 120);
    EXPECT_EQ(f.speech.speedSlider.value, 180);
    EXPECT_EQ(f.options.priorityIndex, 3);
    EXPECT_EQ(r.priority.set_, std::vector<int>{3});
    EXPECT_EQ(f.speech.voiceList.index, 1);
    EXPECT_EQ(r.p.params().getOM(0), "Jean");
    EXPECT_EQ(r.p.params().getOM(1), "F4ABC");
    EXPECT_TRUE(f.radio.voxKeying());
    EXPECT_EQ(r.p.params().get(44), "3");
    EXPECT_TRUE(r.serial.log.isEmpty()) << "VOX: the port stays closed";
}

TEST_F(SettingsTest, SettingsApplyInTheirFixedOrderWithCaptionsProgressAndPauses) {
    writeFile(path(), paramsFile({{0, "/audio/b.wav"},
                                  {8, "DTR"},
                                  {9, "-500"},
                                  {10, "Mute"},
                                  {11, "600"},
                                  {12, "255"},
                                  {15, "400"},
                                  {16, "1"},
                                  {25, "2"},
                                  {27, "Bonjour"},
                                  {28, "60"},
                                  {30, "120"},
                                  {33, "3"},
                                  {34, "VOX ON"},
                                  {35, "REC ON"},
                                  {40, "RI"},
                                  {41, "COR ON"},
                                  {48, "07"}}));
    Program r(dir.path());
    r.p.start();
    EXPECT_EQ(r.reactions.join(",").toStdString(),
              "ComboFichierRecent,ComboModeCOMPTT,ComboModeCOMCOR,SliderVolWMP,CHKMute,OptVOX,"
              "chkRec,ChkCOR,TxtTpsMax,TxtInterval,ChkDecl,TextTimeOut,TabS12,TxtSynthese,"
              "SliderLireTemps,SliderVoixSpeed,ComboPriorite");
    // Recording between sendings raises the priority; the saved priority,
    // applied later, has the last word.
    EXPECT_EQ(r.priority.set_, (std::vector<int>{0, 3}));
    using W = PanelSleeper::Wait;
    EXPECT_EQ(r.panel.waits, (std::vector<W>{{"Lecture des paramètres...", 32, 100},
                                             {"Application des paramètres...", 47, 100},
                                             {"Application du style...", 62, 100},
                                             {"Réglage de la synthèse vocale...", 82, 100},
                                             {"Recherche des cartes son...", 82, 150},
                                             {"Recherche des cartes son...", 82, 150},
                                             {"Sélection des cartes son...\nEntrée", 100, 100}}));
    EXPECT_EQ(r.f.shell.loadingCaption, "Lancement...");
    EXPECT_FALSE(r.f.shell.loadingVisible);
}

TEST_F(SettingsTest, OddValuesFallBackSafely) {
    struct Case {
        const char* what;
        std::vector<std::pair<int, QString>> values;
        std::function<void(const Program&)> check;
    };
    const std::vector<Case> cases{
        {"priority out of range: nothing selected, nothing set, value kept",
         {{33, "7"}},
         [](const Program& r) {
             EXPECT_EQ(r.f.options.priorityIndex, 2);
             EXPECT_TRUE(r.priority.set_.empty());
             EXPECT_EQ(r.p.params().get(33), "7");
         }},
        {"mode not a number keeps the file tab",
         {{25, "abc"}},
         [](const Program& r) { EXPECT_EQ(r.f.cycle.mode, MessageMode::File); }},
        {"mode other than 1 selects speech",
         {{25, "3"}},
         [](const Program& r) { EXPECT_EQ(r.f.cycle.mode, MessageMode::Speech); }},
        {"volume outside the slider is skipped",
         {{9, "80"}},
         [](const Program& r) { EXPECT_EQ(r.f.file.volumeSlider.value, 0); }},
        {"tick not a number: the field's own rule, and the timers follow it",
         {{15, "vite"}},
         [](const Program& r) {
             EXPECT_EQ(r.f.cycle.tickIntervalText, "250");
             EXPECT_EQ(r.f.cycle.fileCountdown.interval, 250);
             EXPECT_EQ(r.f.cycle.speechCountdown.interval, 250);
         }},
        {"empty longest period: field by its own rule",
         {{11, ""}},
         [](const Program& r) { EXPECT_EQ(r.f.cycle.longestPeriodText, "1800"); }},
        {"tick of zero does not spin",
         {{15, "0"}},
         [](const Program& r) { EXPECT_EQ(r.f.cycle.fileCountdown.interval, 10); }},
        {"unknown PTT line: first entry",
         {{8, "XYZ"}},
         [](const Program& r) { EXPECT_EQ(r.f.radio.pttLine.text, "RTS"); }},
        {"colour not a number keeps the form's",
         {{12, "vert"}},
         [](const Program& r) { EXPECT_EQ(r.f.cycle.barTotal.backColour, 0x00C400u); }},
        {"voice beyond the installed ones selects none",
         {{26, "9"}, {25, "2"}},
         [](const Program& r) { EXPECT_EQ(r.f.speech.voiceList.index, -1); }},
        {"older files' serial keying opens the saved port",
         {{34, "VOX OFF"}, {44, "2"}},
         [](const Program& r) {
             EXPECT_TRUE(r.f.radio.serialKeying);
             EXPECT_EQ(r.serial.number, 2);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir d;
        writeFile(d.filePath("parametres.ini"), paramsFile(c.values));
        Program r(d.path());
        r.p.start();
        c.check(r);
    }
}

TEST_F(SettingsTest, SerialPortAtStartUpFollowsTheKeyingMode) {
    struct Case {
        const char* what;
        std::vector<std::pair<int, QString>> values;
        bool searched;
        int port;
    };
    const std::vector<Case> cases{
        {"serial keying with a saved port", {{34, "COM"}, {44, "2"}}, false, 2},
        {"serial keying with none saved: the search runs", {{34, "COM"}}, true, 1},
        {"VOX: nothing touched", {{34, "VOX ON"}, {44, "2"}}, false, 0},
        {"no keying mode: nothing touched", {{44, "2"}}, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir d;
        writeFile(d.filePath("parametres.ini"), paramsFile(c.values));
        Program r(d.path());
        r.p.start();
        EXPECT_EQ(r.serial.log.contains("open 1"), c.searched);
        if (c.searched) {
            EXPECT_EQ(r.f.radio.portList.items, QStringList({"1", "2", "3"}));
        } else {
            EXPECT_FALSE(r.serial.opened);
        }
        EXPECT_EQ(r.p.radio().chosenPort(), c.port);
    }
}

TEST_F(SettingsTest, AccentsOfAWindowsFileAreRead) {
    writeFile(path(), "[Params]\r\nParam27=Priorit\xe9 \xe0 la balise\r\n"
                      "[Informations OM]\r\nParamOM0=J\xe9r\xf4me\r\nParamOM2=Rom\xe9o\r\n");
    Program r(dir.path());
    r.p.start();
    EXPECT_EQ(r.f.speech.text, "Priorité à la balise");
    EXPECT_EQ(r.p.params().getOM(0), "Jérôme");
    EXPECT_EQ(r.p.params().getOM(2), "Roméo");
    r.p.Form_Unload();
    Program again(dir.path());
    again.p.start();
    EXPECT_EQ(again.p.params().getOM(2), "Roméo");
}

TEST_F(SettingsTest, ACorruptFileIsKeptAsideAndTheProgramStartsOnDefaults) {
    QByteArray junk("\x7f"
                    "ELF\x02\x01\x01\0\0\0garbage",
                    18);
    writeFile(path(), junk);
    Program r(dir.path());
    r.p.start();
    ASSERT_EQ(r.dialogs.messages.size(), 1u);
    EXPECT_TRUE(r.dialogs.messages[0].text.contains("illisible"));
    EXPECT_TRUE(r.dialogs.messages[0].text.contains("parametres.ini.bad"));
    EXPECT_EQ(readAll(path() + ".bad"), junk);
    EXPECT_EQ(r.f.options.priorityIndex, 2);
    r.p.Form_Unload();
    EXPECT_EQ(keysInOrder(readAll(path())).size(), 2 + 66 + 5);
    EXPECT_EQ(readAll(path() + ".bad"), junk) << "the kept file is never overwritten";
}

TEST_F(SettingsTest, AutosaveComesEvery601TicksCountedFromTheLastSave) {
    Program r(dir.path());
    r.p.start();
    for (int i = 0; i < 600; ++i)
        r.p.tick(Tick::Autosave);
    EXPECT_FALSE(QFile::exists(path()));
    r.p.tick(Tick::Autosave);
    EXPECT_TRUE(QFile::exists(path()));
    QFile::remove(path());
    for (int i = 0; i < 300; ++i)
        r.p.tick(Tick::Autosave);
    r.p.execute(cmd::Sauver_Click{}); // a save by hand restarts the count
    QFile::remove(path());
    for (int i = 0; i < 600; ++i)
        r.p.tick(Tick::Autosave);
    EXPECT_FALSE(QFile::exists(path()));
    r.p.tick(Tick::Autosave);
    EXPECT_TRUE(QFile::exists(path()));
}

TEST_F(SettingsTest, ShutDownReleasesTheTransmitterWritesAndClosesOnce) {
    writeFile(path(), paramsFile({{34, "COM"}, {44, "1"}}));
    Program r(dir.path());
    r.p.start();
    r.p.execute(cmd::PTTLock_Click{}); // held keyed by the lock
    ASSERT_TRUE(r.serial.rts);
    const QByteArray before = readAll(path());
    std::vector<QString> order;
    r.p.beforeUnload = [&] { order.push_back(readAll(path()) == before ? "asked" : "late"); };
    r.p.Form_Unload();
    EXPECT_FALSE(r.serial.rts || r.serial.dtr || r.serial.opened);
    EXPECT_EQ(r.serial.log.last(), "close");
    EXPECT_EQ(order, std::vector<QString>{"asked"});
    EXPECT_EQ(r.f.shell.loadingCaption, "Fermeture...");
    EXPECT_EQ(r.f.shell.loadingProgress.value, 100.0f);
    EXPECT_TRUE(r.f.shell.loadingVisible);
    EXPECT_FALSE(r.f.windows.clockTimer.enabled || r.f.options.autosaveTimer.enabled);
    EXPECT_FALSE(r.f.radio.pttLocked);
    const QByteArray written = readAll(path());
    EXPECT_TRUE(written.contains("Param44=1"));
    const int logSize = static_cast<int>(r.serial.log.size());
    r.p.Form_Unload();
    EXPECT_EQ(r.serial.log.size(), logSize);
    EXPECT_EQ(order.size(), 1u);
}

TEST_F(SettingsTest, KeysOfFeaturesStillToComeSurviveASaveAsRead) {
    const std::vector<std::pair<int, QString>> kept{
        {19, "réservé"},   {23, "2"},       {24, "-1"},  {29, "1"},
        {31, "Lyon"},      {32, "x"},       {36, "-30"}, {37, "50"},
        {39, "enreg.wav"}, {43, "Racc ON"}, {45, "1"},   {46, "1200"}};
    writeFile(path(), paramsFile(kept));
    Program first(dir.path());
    first.p.start();
    first.p.Form_Unload();
    Program again(dir.path());
    again.p.start();
    for (const auto& [i, v] : kept)
        EXPECT_EQ(again.p.params().get(i), v) << "Param" << i;
}

namespace {

bool isInteger(const QString& text) {
    return SettingsApplying::integer(text).has_value();
}

// Two [Station] keys, as a feature would declare them: a number with a
// default, and a device name kept as any text.
void declareStationKeys(Program& r) {
    r.p.settings()
        .registry()
        .owner("test")
        .key(SettingKey::station("Niveau"), "7", isInteger)
        .key(SettingKey::station("EntreeAudio"), "Par défaut");
}

} // namespace

TEST_F(SettingsTest, StationKeysReadTheirValueOrTheirDefault) {
    struct Case {
        const char* what;
        QByteArray file;
        QString niveau;
        QString entree;
    };
    const std::vector<Case> cases{
        {"no file", {}, "7", "Par défaut"},
        {"no [Station] section: a Windows file", paramsFile({{8, "DTR"}}), "7", "Par défaut"},
        {"both found, names in another case", "[station]\r\nniveau=12\r\nENTREEAUDIO=Carte USB\r\n",
         "12", "Carte USB"},
        {"a number that is none: its default; an emptied name stays empty",
         "[Station]\r\nNiveau=douze\r\nEntreeAudio=\r\n", "7", ""},
        {"a corrupt file: defaults", QByteArray("[Station]\r\nNiveau=3\r\n\0\x01", 23), "7",
         "Par défaut"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir d;
        if (!c.file.isNull())
            writeFile(d.filePath("parametres.ini"), c.file);
        Program r(d.path());
        declareStationKeys(r);
        r.p.start();
        EXPECT_EQ(r.p.params().station.value("Niveau").toStdString(), c.niveau.toStdString());
        EXPECT_EQ(r.p.params().station.value("EntreeAudio").toStdString(), c.entree.toStdString());
    }
}

TEST_F(SettingsTest, StationKeysAreWrittenAfterTheWindowsSectionsAndSurviveARestart) {
    {
        Program r(dir.path());
        declareStationKeys(r);
        r.p.start();
        r.p.params().station["Niveau"] = "12";
        r.p.Form_Unload();
    }
    QStringList expected = windowsKeysInOrder();
    expected << "[Station]"
             << "Niveau"
             << "EntreeAudio";
    EXPECT_EQ(keysInOrder(readAll(path())), expected);

    Program r(dir.path());
    declareStationKeys(r);
    r.p.start();
    EXPECT_EQ(r.p.params().station.value("Niveau"), "12");
    EXPECT_EQ(r.p.params().station.value("EntreeAudio"), "Par défaut");
}

TEST_F(SettingsTest, UnknownStationKeysAndSectionsSurviveASave) {
    writeFile(path(), "[Station]\r\nVersionFuture=3\r\nniveau=4\r\n; une note\r\n"
                      "Autre=garde\r\n[Params]\r\nParam8=DTR\r\n[Touches Raccourcis]\r\n"
                      "CbRacc0=65\r\n[Inconnue]\r\nX=1\r\n");
    Program r(dir.path());
    declareStationKeys(r);
    r.p.start();
    r.p.params().station["Niveau"] = "5";
    r.p.Form_Unload();
    const QByteArray written = readAll(path());
    for (const char* line : {"VersionFuture=3", "niveau=5", "; une note", "Autre=garde",
                             "CbRacc0=65", "[Inconnue]", "X=1", "Param8=DTR"})
        EXPECT_TRUE(written.contains(line)) << line << "\n" << written.toStdString();
    const QStringList keys = keysInOrder(written);
    EXPECT_EQ(keys.mid(0, 5),
              (QStringList{"[Station]", "VersionFuture", "niveau", "Autre", "EntreeAudio"}))
        << "the section keeps its place and its keys their order and spelling";
}

TEST_F(SettingsTest, AFailedWriteAtShutDownIsKnown) {
    Program ok(dir.path());
    ok.p.start();
    ok.p.Form_Unload();
    EXPECT_TRUE(ok.p.savedAtUnload());
    Program lost(dir.filePath("gone/away"));
    lost.p.start();
    lost.p.Form_Unload();
    EXPECT_FALSE(lost.p.savedAtUnload());
}
