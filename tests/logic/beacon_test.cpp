#include "app/mainpresenter.h"
#include "support/fakeservices.h"

#include <gtest/gtest.h>

using namespace ondrix;
using namespace ondrix::test;

namespace {

class BeaconTest : public ::testing::Test, protected FakeServices {
protected:
    MainPresenter p{services()};
    const StationState& f = p.state();
    qint64 t0 = clock.now().toMSecsSinceEpoch();

    // Chooses a file through the open dialog, as the operator does.
    void choose(const QString& name, double seconds) {
        player.files[name] = seconds;
        dialogs.openResults << name;
        p.execute(cmd::CMDOuvrir_Click{});
    }
    void setInterval(int ms) {
        p.execute(cmd::TxtInterval_Change{QString::number(ms)});
        p.execute(cmd::TxtInterval_KeyDown{13});
    }
    // One countdown tick of whichever timer runs, the clock moved first.
    void tick() {
        if (f.cycle.fileCountdown.enabled) {
            clock.advanceMs(f.cycle.fileCountdown.interval);
            p.tick(Tick::FileCountdown);
        } else if (f.cycle.speechCountdown.enabled) {
            clock.advanceMs(f.cycle.speechCountdown.interval);
            p.tick(Tick::SpeechCountdown);
        } else {
            clock.advanceMs(1000);
        }
    }
    void ticks(int n) {
        for (int i = 0; i < n; ++i)
            tick();
    }
    double secondsSinceStart(qint64 ms) const { return (ms - t0) / 1000.0; }
};

// A presenter of its own on a fresh clock, a 5 s file chosen and the period
// at 30 s: one table row, one station.
struct FileCycleRun : FakeServices {
    MainPresenter mp{services()};
    qint64 start = 0;

    explicit FileCycleRun(int intervalMs = 1000) {
        player.files["/msg.wav"] = 5.0;
        dialogs.openResults << "/msg.wav";
        mp.execute(cmd::CMDOuvrir_Click{});
        mp.execute(cmd::TxtInterval_Change{QString::number(intervalMs)});
        mp.execute(cmd::TxtInterval_KeyDown{13});
        mp.execute(cmd::SliderLireTemps_Change{30});
        start = clock.now().toMSecsSinceEpoch();
        mp.execute(cmd::BTPlay_Click{});
    }
    qint64 at() const { return clock.now().toMSecsSinceEpoch() - start; }
    // When each sending went out, in seconds from the start.
    std::vector<double> sends() const {
        std::vector<double> got;
        for (qint64 ms : player.playTimesMs)
            got.push_back((ms - start) / 1000.0);
        return got;
    }
};

} // namespace

TEST_F(BeaconTest, FileCycleIsStartToStartWithOneTickToActOnTheEnd) {
    struct Case {
        int intervalMs;
        std::vector<double> sends;
    };
    const Case cases[] = {{1000, {0, 31, 62}}, {250, {0, 30.25, 60.5}}, {500, {0, 30.5, 61}}};
    for (const Case& c : cases) {
        FileCycleRun run(c.intervalMs);
        while (run.at() < 65000) {
            run.clock.advanceMs(c.intervalMs);
            run.mp.tick(Tick::FileCountdown);
        }
        EXPECT_EQ(run.sends(), c.sends) << "tick " << c.intervalMs << " ms";
    }
}

TEST_F(BeaconTest, SpeechCycleResendsWhateverTheMessageLength) {
    p.execute(cmd::TabS12_Click{});
    p.state().speech.text = "Ici la balise";
    p.execute(cmd::SliderLireTemps_Change{30});
    p.execute(cmd::BTPlay_Click{});
    EXPECT_EQ(startButtonPicture(f.cycle), StartButtonPicture::Stop);
    ticks(31);
    EXPECT_EQ(speaker.spoken, QStringList({"Ici la balise", "Ici la balise"}));
    EXPECT_EQ(startButtonPicture(f.cycle), StartButtonPicture::Stop);
    ticks(31);
    EXPECT_EQ(speaker.spoken.size(), 3);

    // In VOX mode the word "Vox" goes before each message; the stop click says it too.
    p.execute(cmd::BTPlay_Click{});
    speaker.spoken.clear();
    p.execute(cmd::OptVOX_Click{});
    p.execute(cmd::BTPlay_Click{});
    ticks(31);
    EXPECT_EQ(speaker.spoken, QStringList({"Vox", "Ici la balise", "Vox", "Ici la balise"}));
    p.execute(cmd::BTPlay_Click{});
    EXPECT_EQ(startButtonPicture(f.cycle), StartButtonPicture::Play);
    EXPECT_FALSE(f.cycle.speechCountdown.enabled);
    EXPECT_GE(speaker.stops, 1);
}

TEST_F(BeaconTest, EmptySpeechMessageGetsThePromptAndStartsNothing) {
    p.execute(cmd::TabS12_Click{});
    p.execute(cmd::BTPlay_Click{});
    EXPECT_EQ(f.speech.text, "Tapez votre texte ici, puis cliquez sur le bouton 'Lecture'");
    EXPECT_EQ(p.params().get(27), f.speech.text);
    EXPECT_TRUE(speaker.spoken.isEmpty());
    EXPECT_FALSE(f.cycle.speechCountdown.enabled);
    EXPECT_EQ(startButtonPicture(f.cycle), StartButtonPicture::Play);
}

// The countdown reads the clock, not the number of ticks: a loop held up by
// a port search, a modal box or a slow redraw does not stretch the period.
// Each case plays a file cycle (period 30 s, tick 1 s: start to start 31 s)
// with the timer driven as the station drives it, aimed at the next tick,
// and one stall of the event loop.
TEST_F(BeaconTest, AStalledLoopNeitherStretchesAPeriodNorSendsTwice) {
    struct Case {
        const char* what;
        qint64 stallAtMs;
        qint64 stallMs;
        std::vector<double> sends;
    };
    const Case cases[] = {
        {"2 s in the middle of a period", 10'000, 2'000, {0, 31, 62, 93}},
        {"over the moment of the second sending", 30'000, 3'500, {0, 33.5, 62, 93}},
        {"longer than a whole period", 20'000, 45'000, {0, 65, 96}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FileCycleRun run;
        bool stalled = false;
        while (run.at() < 97'000) {
            const qint64 wait = run.mp.beacon().msToNextTick();
            if (!stalled && run.at() + wait > c.stallAtMs) {
                // The loop is held up: no tick runs until it is free again,
                // then the overdue one runs at once.
                run.clock.advanceMs(c.stallAtMs - run.at() + c.stallMs);
                stalled = true;
            } else {
                run.clock.advanceMs(wait);
            }
            run.mp.tick(Tick::FileCountdown);
        }
        EXPECT_EQ(run.sends(), c.sends);
    }
}

TEST_F(BeaconTest, CountdownDisplays) {
    choose("/msg.wav", 5.0);
    p.execute(cmd::SliderLireTemps_Change{74});
    p.execute(cmd::BTPlay_Click{});
    EXPECT_EQ(f.cycle.periodBar.value, 0.0f);
    player.fixedPosition = 65.4;
    ticks(9);
    EXPECT_EQ(f.cycle.timeLeftLabel, "1:05");
    EXPECT_EQ(f.cycle.filePositionLabel, "1:05");
    ticks(56);
    EXPECT_EQ(f.cycle.timeLeftLabel, "0:09");

    // The period bar: k = 9375 \ 74 = 126; the mask covers what is left.
    EXPECT_EQ(f.cycle.barCover.width, (74 - 65) * 126);
    EXPECT_EQ(f.cycle.barCover.left, 9375 - (74 - 65) * 126);
    EXPECT_EQ(f.cycle.barMessage.width, 5 * 126);
    ticks(9);
    EXPECT_EQ(f.cycle.timeLeftLabel, "0:00");
    tick(); // the end of the period is acted on here
    EXPECT_EQ(player.plays, 2);
    EXPECT_EQ(f.cycle.barCover.left, 0);
    EXPECT_EQ(f.cycle.barCover.width, 9375);
}

TEST_F(BeaconTest, SpeechCountdownShowsNoFilePosition) {
    p.execute(cmd::TabS12_Click{});
    p.state().speech.text = "Bonjour";
    p.execute(cmd::BTPlay_Click{});
    p.state().cycle.filePositionLabel = "9:99";
    tick();
    EXPECT_EQ(f.cycle.filePositionLabel, "0:00");
}

TEST_F(BeaconTest, PeriodChangeIdleAndDuringCycles) {
    choose("/msg.wav", 5.0);
    // Idle: the bar shows nothing left.
    p.execute(cmd::SliderLireTemps_Change{45});
    EXPECT_EQ(f.cycle.periodBar.max, 45.0f);
    EXPECT_EQ(f.cycle.periodBar.value, 45.0f);
    EXPECT_EQ(f.cycle.timeLeftLabel, "0:00");
    EXPECT_EQ(f.cycle.periodLabel, "45 sec.");
    EXPECT_EQ(p.params().get(28), "45");

    // File cycle: the elapsed time is kept, only the period changes.
    p.execute(cmd::BTPlay_Click{});
    ticks(10);
    p.execute(cmd::SliderLireTemps_Change{60});
    EXPECT_EQ(f.cycle.periodBar.value, 10.0f);
    EXPECT_EQ(f.cycle.timeLeftLabel, "0:50");

    // Shortened below the elapsed time: the period ends, the message goes out at
    // the next tick and the cycle goes on.
    ticks(10);
    const int before = player.plays;
    p.execute(cmd::SliderLireTemps_Change{15});
    EXPECT_EQ(f.cycle.periodBar.value, 15.0f);
    tick();
    EXPECT_EQ(player.plays, before + 1);
    EXPECT_EQ(startButtonPicture(f.cycle), StartButtonPicture::Stop);
    ticks(16);
    EXPECT_EQ(player.plays, before + 2);
    p.execute(cmd::BTPlay_Click{});

    // Speech cycle: the bar jumps to its end, so the next tick sends again.
    p.execute(cmd::TabS12_Click{});
    p.state().speech.text = "Bonjour";
    p.execute(cmd::BTPlay_Click{});
    ticks(3);
    p.execute(cmd::SliderLireTemps_Change{40});
    EXPECT_EQ(f.cycle.periodBar.value, 40.0f);
    tick();
    EXPECT_EQ(speaker.spoken.size(), 2);
}

TEST_F(BeaconTest, TicksWhoseIntervalDoesNotDivideASecondNeverOverrunThePeriod) {
    choose("/msg.wav", 5.0);
    setInterval(300);
    p.execute(cmd::SliderLireTemps_Change{30});
    p.execute(cmd::BTPlay_Click{});
    int n = 0;
    while (player.plays < 2 && n < 200) {
        tick();
        ++n;
        ASSERT_LE(f.cycle.periodBar.value, f.cycle.periodBar.max);
    }
    EXPECT_EQ(player.plays, 2);
    // 100 ticks reach 30 s, one more acts on the end (a shortened step may add one).
    EXPECT_GE(n, 101);
    EXPECT_LE(n, 102);
}

TEST_F(BeaconTest, RecentFilesKeepTheEightNewestFirst) {
    for (int i = 1; i <= 9; ++i)
        choose(QString("/m/f%1.wav").arg(i), 2.0);
    QStringList expected;
    for (int i = 9; i >= 2; --i)
        expected << QString("/m/f%1.wav").arg(i);
    EXPECT_EQ(f.file.recentFiles.items, expected);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(p.params().get(i), expected[i]);
    EXPECT_EQ(f.file.recentFiles.index, 0);
    EXPECT_EQ(f.file.recentFiles.text, "/m/f9.wav");
    EXPECT_EQ(f.file.recentFiles.toolTip, "/m/f9.wav");

    // Opening a file already listed lists it twice.
    choose("/m/f8.wav", 2.0);
    EXPECT_EQ(f.file.recentFiles.items.mid(0, 3),
              QStringList({"/m/f8.wav", "/m/f9.wav", "/m/f8.wav"}));

    // A cancelled dialog only stops the playback.
    p.execute(cmd::BTPlay_Click{});
    ASSERT_EQ(startButtonPicture(f.cycle), StartButtonPicture::Stop);
    p.execute(cmd::CMDOuvrir_Click{});
    EXPECT_EQ(startButtonPicture(f.cycle), StartButtonPicture::Play);
    EXPECT_EQ(p.params().get(0), "/m/f8.wav");
    ASSERT_FALSE(dialogs.openRequests.empty());
    EXPECT_EQ(dialogs.openRequests.back().first, "Ouvrir");
    EXPECT_EQ(dialogs.openRequests.back().second,
              "Fichiers WAV (*.wav)|*.wav|Fichiers MP3 (*.mp3)|*.mp3");
}

TEST_F(BeaconTest, FileLengthSetsTheShortestPeriod) {
    choose("/long é.mp3", 95.0);
    EXPECT_EQ(f.file.durationLabel, "Durée du fichier : 1:35");
    EXPECT_EQ(f.cycle.periodSlider.min, 100);
    EXPECT_EQ(f.cycle.periodSlider.value, 100); // no period stored yet
    EXPECT_EQ(f.cycle.periodLabel, "100 sec.");
    EXPECT_EQ(p.params().get(28), "100");

    // A stored longer period is kept.
    p.execute(cmd::SliderLireTemps_Change{300});
    choose("/short.wav", 3.0);
    EXPECT_EQ(f.cycle.periodSlider.min, 8);
    EXPECT_EQ(f.cycle.periodSlider.value, 300);

    // A message longer than the longest period widens the range instead of
    // leaving no valid period.
    choose("/hour.wav", 3600.0);
    EXPECT_EQ(f.cycle.periodSlider.min, 3605);
    EXPECT_GE(f.cycle.periodSlider.max, 3605);
    EXPECT_EQ(f.cycle.periodSlider.value, 3605);
}

TEST_F(BeaconTest, VolumeAndMute) {
    const std::pair<int, const char*> cases[] = {{-1250, "Volume : 50%"},
                                                 {0, "Volume : 100%"},
                                                 {-2500, "Volume : 0%"},
                                                 {-625, "Volume : 75%"}};
    for (auto [v, text] : cases) {
        p.execute(cmd::SliderVolWMP_Change{v});
        EXPECT_EQ(f.file.volumeLabel, text);
        EXPECT_EQ(player.vol, v);
        EXPECT_EQ(p.params().get(9), QString::number(v));
    }
    p.execute(cmd::CHKMute_Click{true});
    EXPECT_TRUE(player.muted);
    EXPECT_EQ(p.params().get(10), "Mute");
    p.execute(cmd::CHKMute_Click{false});
    EXPECT_FALSE(player.muted);
    EXPECT_EQ(p.params().get(10), "NoMute");

    // Opening a file applies the slider's volume to it.
    p.execute(cmd::SliderVolWMP_Change{-300});
    player.vol = 0;
    choose("/a.wav", 2.0);
    EXPECT_EQ(player.vol, -300);
}

TEST_F(BeaconTest, UnplayableFileAsksForAnotherAndStartsNothing) {
    // A name in the list whose file has gone.
    choose("/gone.wav", 2.0);
    player.files.clear();
    dialogs.answers = {MsgAnswer::Ok};
    dialogs.openResults << "/new.wav";
    player.files["/new.wav"] = 4.0;
    p.execute(cmd::BTPlay_Click{});

    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text,
              "Fichier ou nom de fichier nom vailde\nOuvrez un nouveau fichier");
    EXPECT_EQ(dialogs.messages[0].buttons, MsgButtons::OkCancel);
    EXPECT_TRUE(dialogs.messages[0].title.isEmpty());
    EXPECT_FALSE(f.cycle.fileCountdown.enabled);
    EXPECT_EQ(startButtonPicture(f.cycle), StartButtonPicture::Play);
    EXPECT_TRUE(f.cycle.fileCycleOn);
    // OK opened the dialog, and the new file is now the choice.
    EXPECT_EQ(f.file.recentFiles.text, "/new.wav");

    // Cancel: nothing more.
    player.files.clear();
    p.execute(cmd::BTPlay_Click{});
    EXPECT_EQ(dialogs.messages.size(), 2u);
    EXPECT_EQ(dialogs.openRequests.size(), 2u);
    EXPECT_FALSE(f.cycle.fileCountdown.enabled);
}

TEST_F(BeaconTest, StartNeedsAPttLineWhenKeyingBySerial) {
    struct Case {
        bool speech;
        bool vox;
        bool refused;
    };
    const Case cases[] = {
        {false, false, true}, {false, true, false}, {true, false, true}, {true, true, true}};
    for (const Case& c : cases) {
        FakeDialogs dl;
        FakeSpeaker sp;
        MainPresenter mp{
            MainPresenter::Services{player, dl, sp, recorder, priority, nullptr, nullptr, &clock}};
        player.files["/a.wav"] = 2.0;
        dl.openResults << "/a.wav";
        mp.execute(cmd::CMDOuvrir_Click{});
        mp.state().radio.pttLine.text.clear();
        mp.state().radio.pttLine.index = -1;
        mp.state().speech.text = "Bonjour";
        if (c.vox)
            mp.execute(cmd::OptVOX_Click{});
        if (c.speech)
            mp.execute(cmd::TabS12_Click{});
        mp.execute(cmd::BTPlay_Click{});
        const bool refused = !dl.messages.empty() &&
                             dl.messages.back().text == "Sélectionner un mode pour le port COM";
        EXPECT_EQ(refused, c.refused) << c.speech << c.vox;
        EXPECT_EQ(startButtonPicture(mp.state().cycle) == StartButtonPicture::Stop, !c.refused)
            << c.speech << c.vox;
    }
}

TEST_F(BeaconTest, StartAndStopTheFileCycle) {
    choose("/a.wav", 2.0);
    // Window 1 open now (14:05), windows 2 and 3 enabled but closed.
    p.state().windows.fields[0] = "14";
    p.state().windows.fields[3] = "15";
    p.state().windows.enabled = {true, true, true};
    p.execute(cmd::BTPlay_Click{});
    EXPECT_EQ(startButtonPicture(f.cycle), StartButtonPicture::Stop);
    EXPECT_TRUE(startButtonToolTip(f.cycle).isEmpty());
    EXPECT_TRUE(f.cycle.fileCountdown.enabled);
    EXPECT_TRUE(f.cycle.fileCycleOn);
    EXPECT_TRUE(f.cycle.running) << "the frames lock while a cycle runs";
    EXPECT_EQ(player.openName, "/a.wav");
    ticks(5);

    p.execute(cmd::BTPlay_Click{});
    EXPECT_EQ(startButtonPicture(f.cycle), StartButtonPicture::Play);
    EXPECT_FALSE(f.cycle.fileCountdown.enabled);
    EXPECT_FALSE(f.cycle.fileCycleOn);
    EXPECT_FALSE(player.playing);
    EXPECT_EQ(f.cycle.periodBar.value, 0.0f);
    EXPECT_FALSE(f.cycle.running);
    EXPECT_EQ(f.cycle.barCover.left, 0);
    EXPECT_EQ(f.cycle.barCover.width, 9375);
    // The operator's stop unchecks the open window only.
    EXPECT_EQ(f.windows.enabled, (std::array<bool, 3>{false, true, true}));
}

TEST_F(BeaconTest, OperatorStopUnchecksEveryOpenEnabledWindow) {
    struct Case {
        std::array<bool, 3> enabled, open, after;
    };
    const Case cases[] = {
        {{true, true, true}, {true, false, true}, {false, true, false}},
        {{true, false, true}, {false, true, false}, {true, false, true}},
        {{false, true, false}, {true, true, true}, {false, false, false}},
    };
    choose("/a.wav", 2.0);
    for (const Case& c : cases) {
        // An open window runs from 14:00 to 15:00 around the clock's 14:05.
        for (size_t w = 0; w < 3; ++w) {
            p.state().windows.fields[w * 6] = c.open[w] ? "14" : "20";
            p.state().windows.fields[w * 6 + 3] = c.open[w] ? "15" : "21";
        }
        p.state().windows.enabled = c.enabled;
        p.execute(cmd::BTPlay_Click{});
        ASSERT_EQ(startButtonPicture(f.cycle), StartButtonPicture::Stop);
        p.execute(cmd::BTPlay_Click{});
        EXPECT_EQ(f.windows.enabled, c.after);
        // Only a stop does it.
        p.state().windows.enabled = c.enabled;
        p.execute(cmd::BTPlay_Click{});
        EXPECT_EQ(f.windows.enabled, c.enabled);
        p.execute(cmd::BTPlay_Click{});
    }
}

TEST_F(BeaconTest, EmptyChoiceDisablesStarting) {
    choose("/a.wav", 2.0);
    p.state().file.recentFiles.items << "";
    p.execute(cmd::ComboFichierRecent_Change{1});
    EXPECT_EQ(startButtonPicture(f.cycle), StartButtonPicture::PlayDisabled);
    EXPECT_EQ(startButtonToolTip(f.cycle), "Désactiver le mode de Déclenchement Auto");
    p.execute(cmd::BTPlay_Click{});
    EXPECT_EQ(startButtonPicture(f.cycle), StartButtonPicture::PlayDisabled);
    EXPECT_EQ(player.plays, 0);
    p.execute(cmd::ComboFichierRecent_Change{0});
    EXPECT_EQ(startButtonPicture(f.cycle), StartButtonPicture::Play);
    EXPECT_TRUE(startButtonToolTip(f.cycle).isEmpty());
    EXPECT_EQ(f.file.durationLabel, "Durée du fichier : 0:02");
}

TEST_F(BeaconTest, ModeTabs) {
    p.execute(cmd::TabS12_Click{});
    EXPECT_EQ(f.cycle.mode, MessageMode::Speech);
    EXPECT_EQ(f.cycle.mode, MessageMode::Speech);
    EXPECT_TRUE(f.cycle.speechFrameVisible);
    EXPECT_FALSE(f.cycle.fileFrameVisible || f.cycle.speechProblemFrameVisible);
    EXPECT_EQ(p.params().get(25), "2");
    EXPECT_FALSE(f.file.volumeSlider.enabled);
    EXPECT_TRUE(f.speech.volumeSlider.enabled);

    // A click on the selected tab does nothing.
    p.params().set(25, "x");
    p.execute(cmd::TabS12_Click{});
    EXPECT_EQ(p.params().get(25), "x");

    p.execute(cmd::TabS11_Click{});
    EXPECT_EQ(f.cycle.mode, MessageMode::File);
    EXPECT_TRUE(f.cycle.fileFrameVisible);
    EXPECT_FALSE(f.cycle.speechFrameVisible || f.cycle.speechProblemFrameVisible);
    EXPECT_EQ(p.params().get(25), "1");
    EXPECT_TRUE(f.file.volumeSlider.enabled);
    EXPECT_FALSE(f.speech.volumeSlider.enabled);

    // A failed speech engine shows only the repair frame.
    p.state().speech.engineFailed = true;
    p.execute(cmd::TabS12_Click{});
    EXPECT_TRUE(f.cycle.speechProblemFrameVisible);
    EXPECT_FALSE(f.cycle.speechFrameVisible || f.cycle.fileFrameVisible);
    EXPECT_EQ(p.params().get(25), "1");
}

TEST_F(BeaconTest, ModeCannotChangeUnderARunningCycle) {
    choose("/a.wav", 2.0);
    p.execute(cmd::BTPlay_Click{});
    p.execute(cmd::TabS12_Click{});
    EXPECT_EQ(f.cycle.mode, MessageMode::File);
    // So the button still stops the file cycle.
    p.execute(cmd::BTPlay_Click{});
    EXPECT_FALSE(f.cycle.fileCountdown.enabled);
    EXPECT_FALSE(player.playing);
}

TEST_F(BeaconTest, PageTabs) {
    for (int page : {3, 1, 4, 0, 2}) {
        p.execute(cmd::PageTab_Click{page});
        EXPECT_EQ(f.shell.currentPage, page);
    }
}

TEST_F(BeaconTest, RecordBetweenTransmissions) {
    p.execute(cmd::chkRec_Click{true});
    EXPECT_EQ(recorder.shows, 1);
    EXPECT_EQ(p.params().get(35), "REC ON");
    EXPECT_EQ(f.options.priorityIndex, 0);
    EXPECT_EQ(priority.set_.back(), 0);
    EXPECT_EQ(p.params().get(33), "0");
    EXPECT_EQ(f.shell.currentPage, 2);

    p.state().options.recorderOpen = true;
    p.execute(cmd::chkRec_Click{false});
    EXPECT_EQ(recorder.ecoutes, 1);
    EXPECT_EQ(p.params().get(35), "REC OFF");
    EXPECT_EQ(f.options.priorityIndex, 2);
    EXPECT_EQ(f.shell.currentPage, 0);

    // Starting the beacon toggles listening when the recorder is open, else
    // opens the recorder when recording is asked for.
    choose("/a.wav", 2.0);
    p.execute(cmd::BTPlay_Click{});
    EXPECT_EQ(recorder.ecoutes, 2);
    p.execute(cmd::BTPlay_Click{});
    p.state().options.recorderOpen = false;
    p.state().options.recordBetweenSendings = true;
    p.execute(cmd::BTPlay_Click{});
    EXPECT_EQ(recorder.shows, 2);

    // A refused priority is stored all the same; an index out of range is not applied.
    priority.refuse = true;
    priority.set_.clear();
    p.execute(cmd::ComboPriorite_Change{1});
    EXPECT_EQ(p.params().get(33), "1");
    p.execute(cmd::ComboPriorite_Change{7});
    EXPECT_EQ(priority.set_, std::vector<int>({1}));
    EXPECT_EQ(p.params().get(33), "7");
}

TEST_F(BeaconTest, IntervalAndMaximumInputRules) {
    const std::pair<const char*, const char*> interval[] = {
        {"abc", "250"}, {"", "250"}, {"70000", "65535"}, {"500", "500"}, {"65535", "65535"}};
    for (auto [in, out] : interval) {
        p.execute(cmd::TxtInterval_Change{in});
        EXPECT_EQ(f.cycle.tickIntervalText, out) << in;
    }
    // Only Enter applies it, to both countdowns.
    p.execute(cmd::TxtInterval_Change{"500"});
    EXPECT_EQ(f.cycle.fileCountdown.interval, 1000);
    p.execute(cmd::TxtInterval_KeyDown{65});
    EXPECT_EQ(f.cycle.fileCountdown.interval, 1000);
    p.execute(cmd::TxtInterval_KeyDown{13});
    EXPECT_EQ(f.cycle.fileCountdown.interval, 500);
    EXPECT_EQ(f.cycle.speechCountdown.interval, 500);
    // A zero tick would never count the period down.
    p.execute(cmd::TxtInterval_Change{"0"});
    p.execute(cmd::TxtInterval_KeyDown{13});
    EXPECT_EQ(f.cycle.fileCountdown.interval, 10);

    p.execute(cmd::TxtTpsMax_Change{"beaucoup"});
    EXPECT_EQ(f.cycle.longestPeriodText, "1800");
    p.execute(cmd::TxtTpsMax_Change{"3600"});
    EXPECT_EQ(f.cycle.longestPeriodText, "3600");

    p.execute(cmd::SliderLireTemps_MouseMove{});
    EXPECT_EQ(f.cycle.periodSlider.toolTip, "Max : 30 min.");
}

TEST_F(BeaconTest, PlayerDurationNotificationRedrawsThePeriodBar) {
    choose("/a.wav", 2.0);
    p.execute(cmd::SliderLireTemps_Change{30});
    ASSERT_EQ(f.cycle.barMessage.width, 2 * 312);
    // The player learns a different length later (a late notification).
    player.files["/a.wav"] = 4.0;
    player.onDurationKnown();
    EXPECT_EQ(f.cycle.barMessage.width, 4 * 312);
}
