#include "app/mainpresenter.h"
#include "support/fakeservices.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

#include <functional>

using namespace ondrix;
using namespace ondrix::test;

namespace {

class RadioLinkTest : public ::testing::Test, protected FakeServices {
protected:
    MainPresenter p{services()};
    const StationState& f = p.state();
    RadioLink& radio = p.radio();

    RadioLinkTest() { serial.present = {1, 2, 3}; }

    void choosePort(const QString& text) { p.execute(cmd::PortComList_Change{text}); }
    void chooseLine(const QString& line) {
        p.execute(
            cmd::ComboModeCOMPTT_Change{static_cast<int>(f.radio.pttLine.items.indexOf(line))});
    }
    void chooseFile() {
        player.files["/a.wav"] = 2.0;
        dialogs.openResults << "/a.wav";
        p.execute(cmd::CMDOuvrir_Click{});
    }
    QStringList take() {
        QStringList l = serial.log;
        serial.log.clear();
        return l;
    }
};

} // namespace

TEST_F(RadioLinkTest, KeyingOrderOfTheLines) {
    struct Case {
        const char* line;
        QStringList keyed;
    };
    const Case cases[] = {{"RTS", {"open 1", "DTR 0", "RTS 1"}},
                          {"DTR", {"open 1", "DTR 1", "RTS 0"}}};
    for (const Case& c : cases) {
        serial.close();
        serial.log.clear();
        choosePort("1");
        chooseLine(c.line);
        EXPECT_EQ(radio.ActiverPTT(), SerialResult::Ok);
        EXPECT_EQ(take(), c.keyed) << c.line;
        EXPECT_TRUE(f.radio.keyed);
        EXPECT_TRUE(f.radio.keyed);
        EXPECT_EQ(radio.DesactiverPTT(), SerialResult::Ok);
        EXPECT_EQ(take(), QStringList({"DTR 0", "RTS 0"})) << c.line;
        EXPECT_FALSE(f.radio.keyed);
        EXPECT_FALSE(f.radio.keyed);
        EXPECT_TRUE(serial.isOpen()); // the port stays open between keyings
    }
}

TEST_F(RadioLinkTest, LockHoldsTheTransmitterUntilOpened) {
    choosePort("1");
    p.execute(cmd::PTTLock_Click{});
    EXPECT_TRUE(f.radio.pttLocked);
    EXPECT_EQ(pttLockToolTip(f.radio), "Déverrouillé le PTT");
    EXPECT_TRUE(serial.rts);
    take();
    // The end of a sending and the test button's release leave it keyed.
    radio.releaseAtEnd();
    p.execute(cmd::CMDTest_MouseDown{});
    p.execute(cmd::CMDTest_MouseUp{});
    EXPECT_TRUE(serial.rts);
    EXPECT_TRUE(f.radio.keyed);
    take();
    p.execute(cmd::PTTLock_Click{});
    EXPECT_FALSE(f.radio.pttLocked);
    EXPECT_EQ(pttLockToolTip(f.radio), "Verrouillé le PTT");
    EXPECT_EQ(take(), QStringList({"DTR 0", "RTS 0"}));
    EXPECT_FALSE(f.radio.keyed);
}

TEST_F(RadioLinkTest, LineAndPortChangesTakeEffectAtTheNextKeying) {
    choosePort("1");
    ASSERT_EQ(radio.ActiverPTT(), SerialResult::Ok);
    take();
    chooseLine("DTR");
    choosePort("3");
    EXPECT_TRUE(take().isEmpty()); // nothing moves while keyed
    EXPECT_TRUE(serial.rts);
    EXPECT_EQ(p.params().get(8), "DTR");
    EXPECT_EQ(p.params().get(44), "3");
    ASSERT_EQ(radio.DesactiverPTT(), SerialResult::Ok);
    take();
    ASSERT_EQ(radio.ActiverPTT(), SerialResult::Ok);
    EXPECT_EQ(take(), QStringList({"close", "open 3", "DTR 1", "RTS 0"}));
}

// The interlock lives in the logic: a shortcut or the window-less front end
// asking for another keying under a running cycle is refused like the greyed
// options of the window.
TEST_F(RadioLinkTest, KeyingCannotChangeWhileACycleRuns) {
    serial.present = {1, 3};
    choosePort("1");
    chooseFile();
    QStringList said;
    p.events().subscribe([&said](const Event& e) { said << e.text; });
    p.execute(cmd::BTPlay_Click{});
    ASSERT_TRUE(f.cycle.running);
    take();
    const struct {
        const char* what;
        std::function<void()> ask;
    } asks[] = {
        {"VOX", [this] { p.execute(cmd::OptVOX_Click{}); }},
        {"line", [this] { chooseLine("DTR"); }},
        {"port", [this] { choosePort("3"); }},
        {"search", [this] { p.execute(cmd::IMGActualiser_Click{}); }},
    };
    for (const auto& a : asks) {
        SCOPED_TRACE(a.what);
        said.clear();
        a.ask();
        EXPECT_TRUE(f.radio.serialKeying);
        EXPECT_EQ(f.radio.pttLine.text, "RTS");
        EXPECT_EQ(radio.chosenPort(), 1);
        EXPECT_TRUE(take().isEmpty()) << "the port was touched";
        EXPECT_EQ(said.size(), 1);
        EXPECT_TRUE(said.value(0).startsWith("Changement refusé")) << said.value(0).toStdString();
    }
    // Stopped, the same changes go through.
    p.execute(cmd::BTPlay_Click{});
    p.execute(cmd::OptVOX_Click{});
    EXPECT_TRUE(f.radio.voxKeying());
}

TEST_F(RadioLinkTest, PortListTexts) {
    const std::pair<const char*, int> cases[] = {{"3", 3},   {"COM12", 12}, {"COM3", 3}, {"", 3},
                                                 {"abc", 3}, {"COMx", 3},   {"0", 3},    {"2", 2}};
    choosePort("3");
    for (auto [text, port] : cases) {
        choosePort(text);
        EXPECT_EQ(radio.chosenPort(), port) << text;
        EXPECT_EQ(serial.number, port) << text;
        EXPECT_EQ(p.params().get(44), text);
    }
    EXPECT_EQ(f.radio.portList.toolTip, "/dev/fake2");
}

TEST_F(RadioLinkTest, TestButtonKeysWhileHeldAndStopsTheFileCycle) {
    chooseFile();
    choosePort("1");
    p.execute(cmd::BTPlay_Click{});
    ASSERT_EQ(startButtonPicture(f.cycle), StartButtonPicture::Stop);
    p.execute(cmd::CMDTest_MouseDown{});
    EXPECT_EQ(startButtonPicture(f.cycle), StartButtonPicture::Play);
    EXPECT_FALSE(f.cycle.fileCountdown.enabled);
    EXPECT_TRUE(f.radio.testHeld);
    EXPECT_EQ(f.radio.testToolTip, "ON");
    EXPECT_TRUE(serial.rts);
    p.execute(cmd::CMDTest_MouseUp{});
    EXPECT_FALSE(f.radio.testHeld);
    EXPECT_EQ(f.radio.testToolTip, "OFF");
    EXPECT_FALSE(serial.rts || serial.dtr);
}

TEST_F(RadioLinkTest, KeyingWithNoUsablePortLeavesTheIndicatorGreen) {
    choosePort("9"); // no device
    EXPECT_EQ(radio.ActiverPTT(), SerialResult::CannotOpen);
    EXPECT_FALSE(f.radio.keyed);
    p.execute(cmd::PTTLock_Click{}); // errors ignored, nothing crashes
    EXPECT_FALSE(f.radio.keyed);
}

TEST_F(RadioLinkTest, PortSearch) {
    serial.present = {1, 3};
    serial.held = {};
    p.execute(cmd::IMGActualiser_Click{});
    EXPECT_EQ(p.params().get(42), "32");
    EXPECT_EQ(f.radio.portList.items, QStringList({"1", "3"}));
    EXPECT_EQ(f.radio.portList.text, "1");
    EXPECT_EQ(radio.chosenPort(), 1);
    EXPECT_FALSE(f.radio.searchRetryTimer.enabled);
    EXPECT_FALSE(f.radio.searchPanelVisible);
    EXPECT_TRUE(f.radio.portPanelVisible);
    EXPECT_EQ(f.radio.searchProgress.max, 32.0f);
    EXPECT_EQ(f.radio.searchProgress.value, 32.0f);
    EXPECT_EQ(sleeper.waits, std::vector<int>(32, 150));
    EXPECT_EQ(f.shell.loadingCaption, "Détection des ports COM valide...\n32/32");
    EXPECT_EQ(f.radio.searchLabel, "Analyse du port COM32\nen cours...");
    EXPECT_FALSE(serial.isOpen());

    // A limit of 4, and a port held by another program: listed, not closed.
    p.params().set(42, "4");
    serial.held = {2};
    sleeper.waits.clear();
    take();
    p.execute(cmd::IMGActualiser_Click{});
    EXPECT_EQ(take(),
              QStringList({"open 1", "close", "open 2", "open 3", "close", "open 4", "close"}));
    EXPECT_EQ(f.radio.portList.items, QStringList({"1", "2", "3"}));
    EXPECT_EQ(sleeper.waits.size(), 4u);

    // Numbers beyond the devices present are tried without the wait.
    serial.mapSize = 2;
    sleeper.waits.clear();
    p.execute(cmd::IMGActualiser_Click{});
    EXPECT_EQ(sleeper.waits.size(), 2u);
}

TEST_F(RadioLinkTest, PortSearchFindingNothing) {
    serial.present = {};
    struct Case {
        bool vox;
        const char* portsToScan;
        bool repeats;
        size_t tried;
    };
    const Case cases[] = {{false, "", true, 32},
                          {true, "", false, 32},
                          {false, "abc", true, 0},
                          {false, "-3", true, 0},
                          {false, "100000", true, 255}};
    for (const Case& c : cases) {
        FakeSerial ser;
        FakeDialogs dl;
        RecordingSleeper sl;
        MainPresenter mp{
            MainPresenter::Services{player, dl, speaker, recorder, priority, &ser, &sl}};
        if (c.vox)
            mp.execute(cmd::OptVOX_Click{});
        mp.params().set(42, c.portsToScan);
        mp.execute(cmd::IMGActualiser_Click{});
        EXPECT_TRUE(mp.state().radio.portList.items.isEmpty());
        EXPECT_EQ(mp.state().radio.searchRetryTimer.enabled, c.repeats) << c.portsToScan;
        EXPECT_EQ(mp.state().radio.searchPanelVisible, c.repeats) << c.portsToScan;
        EXPECT_EQ(static_cast<size_t>(ser.log.filter(QRegularExpression("^open")).size()), c.tried)
            << c.portsToScan;
        if (c.repeats) {
            // The operator stops the background search.
            mp.execute(cmd::ImgChercheCom_Click{});
            EXPECT_FALSE(mp.state().radio.searchRetryTimer.enabled);
            EXPECT_FALSE(mp.state().radio.searchPanelVisible);
            EXPECT_TRUE(mp.state().radio.portPanelVisible);
        }
    }
}

TEST_F(RadioLinkTest, KeyingModeOptions) {
    p.execute(cmd::IMGActualiser_Click{}); // nothing found when none present
    serial.present = {};
    p.execute(cmd::IMGActualiser_Click{});
    ASSERT_TRUE(f.radio.searchRetryTimer.enabled);
    p.execute(cmd::OptVOX_Click{});
    EXPECT_TRUE(f.radio.voxPanelVisible);
    EXPECT_FALSE(f.radio.portPanelVisible || f.radio.searchPanelVisible);
    EXPECT_FALSE(f.radio.searchRetryTimer.enabled);
    EXPECT_EQ(p.params().get(34), "VOX ON");
    EXPECT_EQ(f.radio.voxLabel, "Activer le mode Vox sur\nvotre transmetteur.");
    p.execute(cmd::OptPORTCOM_Click{});
    EXPECT_TRUE(f.radio.portPanelVisible);
    EXPECT_FALSE(f.radio.voxPanelVisible || f.radio.searchPanelVisible);
    EXPECT_EQ(p.params().get(34), "COM");

    // Switching to VOX while the lock holds the line keyed releases it.
    serial.present = {1};
    choosePort("1");
    p.execute(cmd::PTTLock_Click{});
    ASSERT_TRUE(serial.rts);
    p.execute(cmd::OptVOX_Click{});
    EXPECT_FALSE(serial.rts || serial.dtr || serial.isOpen());
    EXPECT_FALSE(f.radio.pttLocked);
    EXPECT_FALSE(f.radio.keyed);
}

TEST_F(RadioLinkTest, CarrierDetect) {
    choosePort("1");
    EXPECT_FALSE(f.radio.carrierLine.enabled);
    p.execute(cmd::ChkCOR_Click{true});
    EXPECT_EQ(p.params().get(41), "COR ON");
    EXPECT_TRUE(f.radio.carrierTimer.enabled);
    EXPECT_EQ(f.radio.carrierTimer.interval, 250);
    EXPECT_TRUE(f.radio.carrierLine.enabled);

    struct Case {
        int index;
        int FakeSerial::*line;
    };
    const Case cases[] = {
        {0, &FakeSerial::cts}, {1, &FakeSerial::dsr}, {2, &FakeSerial::dcd}, {3, &FakeSerial::ri}};
    for (const Case& c : cases) {
        p.execute(cmd::ComboModeCOMCOR_Change{c.index});
        EXPECT_EQ(p.params().get(40), f.radio.carrierLine.items[c.index]);
        serial.*c.line = 1;
        p.tick(Tick::Carrier);
        EXPECT_TRUE(f.radio.carrierPresent) << c.index;
        serial.*c.line = 0;
        p.tick(Tick::Carrier);
        EXPECT_FALSE(f.radio.carrierPresent) << c.index;
    }
    // Recorder closed: only the indicator follows.
    EXPECT_TRUE(recorder.chkEnr.empty());

    p.state().options.recorderOpen = true;
    serial.ri = 1;
    p.tick(Tick::Carrier);
    serial.ri = 0;
    p.tick(Tick::Carrier);
    EXPECT_EQ(recorder.chkEnr, std::vector<bool>({true, false}));

    // Off while the line is active: green, and the recorder is left alone.
    serial.ri = 1;
    p.tick(Tick::Carrier);
    p.execute(cmd::ChkCOR_Click{false});
    EXPECT_FALSE(f.radio.carrierPresent);
    EXPECT_FALSE(f.radio.carrierTimer.enabled);
    EXPECT_FALSE(f.radio.carrierLine.enabled);
    EXPECT_EQ(p.params().get(41), "COR OFF");
    EXPECT_EQ(recorder.chkEnr.back(), true);
}

TEST_F(RadioLinkTest, CableUnpluggedAtTheEndOfASpeech) {
    choosePort("1");
    p.execute(cmd::TabS12_Click{});
    p.state().speech.text = "Bonjour";
    p.execute(cmd::BTPlay_Click{});
    ASSERT_TRUE(radio.keyForStart());
    ASSERT_TRUE(serial.rts);
    serial.removed = true;
    serial.present = {};
    take();
    radio.releaseAtEnd();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, "Le câble de communication a certainement été débranché.\n"
                                        "Merci de vérifier la connection.");
    EXPECT_EQ(dialogs.messages[0].buttons, MsgButtons::Ok);
    EXPECT_TRUE(dialogs.messages[0].title.isEmpty());
    EXPECT_TRUE(take().contains("open 32"));       // the search ran
    EXPECT_FALSE(f.cycle.speechCountdown.enabled); // the speech cycle is stopped
    EXPECT_EQ(startButtonPicture(f.cycle), StartButtonPicture::Play);
    EXPECT_FALSE(f.radio.keyed);
}

TEST_F(RadioLinkTest, PortHeldByAnotherProgramAtSpeechStart) {
    choosePort("2");
    serial.held = {2};
    EXPECT_FALSE(radio.keyForStart());
    EXPECT_EQ(take(), QStringList({"open 2", "open 2"})); // one more try
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_TRUE(dialogs.messages[0].text.contains("utilisé par un autre programme"));

    // Freed in between: the second open succeeds, no message.
    dialogs.messages.clear();
    serial.held.clear();
    serial.present = {};
    EXPECT_TRUE(radio.keyForStart()); // no port at all: not an 8005, keying just fails
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(RadioLinkTest, FileSendingsAreKeyedFromBeforeTheFirstSampleToTheEnd) {
    chooseFile();
    choosePort("1");
    bool keyedAtPlay = false;
    player.onPlay = [&] { keyedAtPlay = serial.rts; };
    p.execute(cmd::SliderLireTemps_Change{10});
    p.execute(cmd::BTPlay_Click{});
    EXPECT_TRUE(keyedAtPlay);
    EXPECT_TRUE(f.radio.keyed);
    // The file's last sample heard: released.
    player.onFinished();
    EXPECT_FALSE(serial.rts || serial.dtr);
    EXPECT_FALSE(f.radio.keyed);
    // Next period: keyed again before playing.
    keyedAtPlay = false;
    for (int i = 0; i < 11; ++i) {
        clock.advanceMs(1000);
        p.tick(Tick::FileCountdown);
    }
    EXPECT_EQ(player.plays, 2);
    EXPECT_TRUE(keyedAtPlay);
    // Stopping mid-sending releases.
    p.execute(cmd::BTPlay_Click{});
    EXPECT_FALSE(serial.rts);
    EXPECT_FALSE(f.radio.keyed);

    // VOX keying: the serial port is never touched.
    p.execute(cmd::OptVOX_Click{});
    take();
    p.execute(cmd::BTPlay_Click{});
    player.onFinished();
    p.execute(cmd::BTPlay_Click{});
    EXPECT_TRUE(take().isEmpty());
}

TEST_F(RadioLinkTest, FileSendingKeyingFailures) {
    chooseFile();
    choosePort("1");
    // A file that cannot be played releases at once.
    player.files.clear();
    p.execute(cmd::BTPlay_Click{});
    EXPECT_FALSE(serial.rts);
    EXPECT_EQ(startButtonPicture(f.cycle), StartButtonPicture::Play);
    dialogs.messages.clear();

    // No port to key: the file still goes out, unkeyed.
    chooseFile();
    choosePort("9");
    p.execute(cmd::BTPlay_Click{});
    EXPECT_EQ(startButtonPicture(f.cycle), StartButtonPicture::Stop);
    EXPECT_EQ(player.plays, 1);
    p.execute(cmd::BTPlay_Click{});

    // Adapter pulled out while keyed: at the end of the file, the recovery runs
    // and the cycle stops.
    choosePort("1");
    p.execute(cmd::BTPlay_Click{});
    ASSERT_TRUE(serial.rts);
    serial.removed = true;
    player.onFinished();
    EXPECT_EQ(dialogs.messages.back().text, RadioLink::kMsgCableDebranche);
    EXPECT_EQ(startButtonPicture(f.cycle), StartButtonPicture::Play);
    EXPECT_FALSE(f.cycle.fileCountdown.enabled);
    EXPECT_FALSE(player.playing);

    // Pulled out before the start: the recovery runs and nothing starts.
    dialogs.messages.clear();
    serial.removed = false;
    serial.present = {1};
    p.execute(cmd::IMGActualiser_Click{});
    ASSERT_EQ(radio.chosenPort(), 1);
    ASSERT_EQ(serial.open(), SerialResult::Ok);
    serial.removed = true;
    const int plays = player.plays;
    p.execute(cmd::BTPlay_Click{});
    EXPECT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(player.plays, plays);
    EXPECT_EQ(startButtonPicture(f.cycle), StartButtonPicture::Play);
}
