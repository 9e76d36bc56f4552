#include "app/mainpresenter.h"
#include "support/fakeservices.h"

#include <gtest/gtest.h>

#include <array>

using namespace ondrix;
using namespace ondrix::test;

namespace {

constexpr int kHour = 0, kMinute = 1, kSecond = 2;

class TriggerWindowsTest : public ::testing::Test, protected FakeServices {
protected:
    TriggerWindowsTest() {
        player.files["/balise.wav"] = 5.0;
        dialogs.openResults << "/balise.wav";
        p.execute(cmd::CMDOuvrir_Click{});
    }

    MainPresenter p{services()};
    const StationState& f = p.state();

    // Window w (0..2) from "hh:mm:ss" to "hh:mm:ss", enabled.
    void window(int w, const QString& start, const QString& end) {
        const QStringList s = start.split(':'), e = end.split(':');
        for (int part = 0; part < 3; ++part) {
            field(w, false, part) = s.value(part);
            field(w, true, part) = e.value(part);
        }
        p.execute(cmd::ChkDecl_Click{w, true});
    }
    QString& field(int w, bool end, int part) {
        return p.state()
            .windows.fields[static_cast<size_t>(TriggerWindows::fieldIndex(w, end, part))];
    }
    // One clock tick at this time of day.
    void tickAt(int h, int m, int s, int daysLater = 0) {
        clock.t = QDateTime(QDate(2026, 12, 4).addDays(daysLater), QTime(h, m, s));
        p.tick(Tick::Clock);
    }
    void speechMode(const QString& message) {
        p.execute(cmd::TabS12_Click{});
        p.state().speech.text = message;
    }
    bool running() const { return f.cycle.running; }
};

} // namespace

TEST_F(TriggerWindowsTest, WindowOpensAfterItsStartAndClosesAtItsEndToTheSecond) {
    window(0, "08:00:00", "09:00:00");
    tickAt(8, 0, 0);
    EXPECT_EQ(f.windows.clockLabel, "08:00:00");
    EXPECT_EQ(player.plays, 0);
    EXPECT_FALSE(running());

    tickAt(8, 0, 1);
    EXPECT_EQ(player.openName, "/balise.wav");
    EXPECT_EQ(player.plays, 1);
    EXPECT_TRUE(running());
    EXPECT_TRUE(f.cycle.fileCountdown.enabled);
    EXPECT_TRUE(f.cycle.fileCycleOn);

    tickAt(8, 59, 59);
    EXPECT_EQ(player.plays, 1); // started once, the countdown repeats it
    EXPECT_TRUE(running());

    tickAt(9, 0, 0);
    EXPECT_EQ(f.windows.clockLabel, "09:00:00");
    EXPECT_FALSE(running());
    EXPECT_EQ(startButtonPicture(f.cycle), StartButtonPicture::Play);
    EXPECT_FALSE(f.cycle.fileCountdown.enabled);
    EXPECT_FALSE(player.playing);
}

TEST_F(TriggerWindowsTest, SpeechModeSaysVoxFirstWhenTheRadioKeysOnVoice) {
    for (const bool vox : {false, true}) {
        SCOPED_TRACE(vox);
        FakeClock clk;
        FakePlayer pl{&clk};
        FakeSpeaker sp;
        MainPresenter mp{
            MainPresenter::Services{pl, dialogs, sp, recorder, priority, nullptr, nullptr, &clk}};
        mp.execute(cmd::TabS12_Click{});
        mp.state().speech.text = "Ici la balise";
        if (vox)
            mp.execute(cmd::OptVOX_Click{});
        mp.state().windows.fields = {"08", "00", "00", "09", "00", "00"};
        mp.execute(cmd::ChkDecl_Click{0, true});
        clk.t = QDateTime(QDate(2026, 12, 4), QTime(8, 0, 1));
        mp.tick(Tick::Clock);
        EXPECT_EQ(sp.spoken,
                  vox ? QStringList({"Vox", "Ici la balise"}) : QStringList({"Ici la balise"}));
        EXPECT_EQ(startButtonPicture(mp.state().cycle), StartButtonPicture::Stop);
        EXPECT_TRUE(mp.state().cycle.speechCountdown.enabled);
        EXPECT_TRUE(mp.state().cycle.fileCycleOn);
        EXPECT_EQ(pl.plays, 0);
    }
}

TEST_F(TriggerWindowsTest, OpenTestComparesTimesOfDay) {
    struct Case {
        QString start, end;
        QTime now;
        bool open;
    };
    const Case cases[] = {
        // Through midnight.
        {"22:00:00", "06:00:00", QTime(23, 0), true},
        {"22:00:00", "06:00:00", QTime(5, 0), true},
        {"22:00:00", "06:00:00", QTime(0, 0), true},
        {"22:00:00", "06:00:00", QTime(12, 0), false},
        {"22:00:00", "06:00:00", QTime(22, 0), false},
        {"22:00:00", "06:00:00", QTime(6, 0), false},
        // Strict at both ends.
        {"08:00:00", "09:00:00", QTime(8, 0, 1), true},
        {"08:00:00", "09:00:00", QTime(8, 59, 59), true},
        {"08:00:00", "09:00:00", QTime(9, 0, 0), false},
        // The same start and end: never open.
        {"08:00:00", "08:00:00", QTime(8, 0, 0), false},
        {"08:00:00", "08:00:00", QTime(20, 0, 0), false},
        {"00:00:00", "00:00:00", QTime(12, 0, 0), false},
        // One-digit fields, as while typing, count as their number: 8 is 08.
        {"8:0:0", "9:0:0", QTime(8, 30), true},
        {"8:0:0", "10:0:0", QTime(9, 30), true},
        {"8:0:0", "10:0:0", QTime(10, 30), false},
        // An empty or non-numeric field counts as 0.
        {"8::", "9:xx:", QTime(8, 30), true},
        {":00:00", "01:00:00", QTime(0, 30), true},
    };
    for (const Case& c : cases) {
        window(1, c.start, c.end);
        EXPECT_EQ(p.windows().isOpen(1, c.now), c.open)
            << c.start.toStdString() << " - " << c.end.toStdString() << " at "
            << c.now.toString().toStdString();
    }
}

TEST_F(TriggerWindowsTest, EveryWindowStartsAndStopsTheCycle) {
    for (int w = 0; w < 3; ++w) {
        SCOPED_TRACE(w);
        FakeClock clk;
        FakePlayer pl{&clk};
        FakeDialogs dl;
        MainPresenter mp{
            MainPresenter::Services{pl, dl, speaker, recorder, priority, nullptr, nullptr, &clk}};
        pl.files["/a.wav"] = 5.0;
        dl.openResults << "/a.wav";
        mp.execute(cmd::CMDOuvrir_Click{});
        for (int i = 0; i < 6; ++i)
            mp.state().windows.fields[static_cast<size_t>(w * 6 + i)] =
                QStringList({"22", "00", "00", "06", "00", "00"})[i];
        mp.execute(cmd::ChkDecl_Click{w, true});
        const auto at = [&](int h) {
            clk.t = QDateTime(QDate(2026, 12, 4), QTime(h, 0, 0));
            mp.tick(Tick::Clock);
            return startButtonPicture(mp.state().cycle) == StartButtonPicture::Stop;
        };
        EXPECT_FALSE(at(21));
        EXPECT_TRUE(at(23));
        EXPECT_EQ(pl.plays, 1);
        EXPECT_TRUE(at(5));
        EXPECT_FALSE(at(7));
        EXPECT_FALSE(pl.playing);
    }
}

TEST_F(TriggerWindowsTest, BeaconRunsWhileAnyEnabledWindowIsOpen) {
    window(0, "08:00:00", "09:00:00");
    window(1, "08:30:00", "10:00:00");
    tickAt(8, 15, 0);
    EXPECT_TRUE(running());
    const int stops = player.stops;
    tickAt(9, 30, 0); // window 1 closed, window 2 open
    EXPECT_TRUE(running());
    EXPECT_EQ(player.plays, 1);
    EXPECT_EQ(player.stops, stops);
    tickAt(10, 0, 0);
    EXPECT_FALSE(running());
}

TEST_F(TriggerWindowsTest, WindowStartsAgainTheNextDay) {
    window(0, "08:00:00", "09:00:00");
    tickAt(8, 0, 1);
    tickAt(9, 0, 0);
    ASSERT_FALSE(running());
    tickAt(8, 0, 0, 1);
    EXPECT_FALSE(running());
    tickAt(8, 0, 1, 1);
    EXPECT_TRUE(running());
    EXPECT_EQ(player.plays, 2);
}

TEST_F(TriggerWindowsTest, ACycleEndedOtherwiseIsNotStartedAgainInTheSameWindow) {
    // A sending that failed or was cut (the adapter lost, say) is not retried
    // every second: the window started it once.
    window(0, "08:00:00", "09:00:00");
    tickAt(8, 0, 1);
    ASSERT_TRUE(running());
    p.beacon().CMDSTOP();
    ASSERT_TRUE(f.cycle.fileCycleOn);
    tickAt(8, 0, 2);
    tickAt(8, 30, 0);
    EXPECT_FALSE(running());
    EXPECT_EQ(player.plays, 1);

    // A refused start is said once, not at every tick.
    tickAt(9, 0, 0);
    p.state().radio.pttLine.text.clear();
    const size_t shown = dialogs.messages.size();
    tickAt(8, 0, 1, 1);
    tickAt(8, 0, 2, 1);
    tickAt(8, 30, 0, 1);
    ASSERT_EQ(dialogs.messages.size(), shown + 1);
    EXPECT_EQ(dialogs.messages.back().text, "Sélectionner un mode pour le port COM");
    EXPECT_FALSE(running());
}

TEST_F(TriggerWindowsTest, OperatorStopUnchecksTheOpenWindowsAndSticks) {
    for (const bool speech : {false, true}) {
        SCOPED_TRACE(speech);
        FakeClock clk;
        FakePlayer pl{&clk};
        FakeDialogs dl;
        FakeSpeaker sp;
        MainPresenter mp{
            MainPresenter::Services{pl, dl, sp, recorder, priority, nullptr, nullptr, &clk}};
        pl.files["/a.wav"] = 5.0;
        dl.openResults << "/a.wav";
        mp.execute(cmd::CMDOuvrir_Click{});
        if (speech) {
            mp.execute(cmd::TabS12_Click{});
            mp.state().speech.text = "Bonjour";
        }
        // Windows 1 and 3 open at 08:30, window 2 enabled but closed.
        mp.state().windows.fields = {"08", "00", "00", "09", "00", "00", "20", "00", "00",
                                     "21", "00", "00", "22", "00", "00", "10", "00", "00"};
        mp.state().windows.enabled = {true, true, true};
        const auto at = [&](int h, int m) {
            clk.t = QDateTime(QDate(2026, 12, 4), QTime(h, m, 0));
            mp.tick(Tick::Clock);
        };
        at(8, 30);
        ASSERT_EQ(startButtonPicture(mp.state().cycle), StartButtonPicture::Stop);
        mp.execute(cmd::BTPlay_Click{});
        EXPECT_EQ(mp.state().windows.enabled, (std::array<bool, 3>{false, true, false}));
        for (int m = 31; m < 60; ++m)
            at(8, m);
        EXPECT_EQ(startButtonPicture(mp.state().cycle), StartButtonPicture::Play);
        EXPECT_EQ(pl.plays + static_cast<int>(sp.spoken.size()), 1);
    }
}

TEST_F(TriggerWindowsTest, OutsideEveryEnabledWindowACycleStartedByHandIsStopped) {
    window(0, "08:00:00", "09:00:00");
    clock.t = QDateTime(QDate(2026, 12, 4), QTime(14, 0, 0));
    p.execute(cmd::BTPlay_Click{});
    ASSERT_TRUE(running());
    tickAt(14, 0, 1);
    EXPECT_FALSE(running());
    EXPECT_FALSE(f.cycle.fileCountdown.enabled);
    EXPECT_FALSE(player.playing);

    // Speech too: left counting, it would speak again once the window was
    // unchecked.
    speechMode("Bonjour");
    p.execute(cmd::BTPlay_Click{});
    ASSERT_TRUE(running());
    speaker.started();
    tickAt(14, 0, 2);
    EXPECT_FALSE(running());
    EXPECT_FALSE(f.cycle.speechCountdown.enabled);
    EXPECT_GE(speaker.stops, 1);

    // Stopped at every tick, whoever started the cycle.
    p.execute(cmd::BTPlay_Click{});
    ASSERT_TRUE(running());
    tickAt(14, 0, 3);
    EXPECT_FALSE(running());
}

TEST_F(TriggerWindowsTest, DisabledWindowsDoNothing) {
    window(0, "08:00:00", "09:00:00");
    window(2, "13:00:00", "15:00:00");
    p.execute(cmd::ChkDecl_Click{0, false});
    p.execute(cmd::ChkDecl_Click{2, false});
    tickAt(8, 30, 0);
    EXPECT_FALSE(running());
    p.execute(cmd::BTPlay_Click{}); // by hand, outside every window
    tickAt(10, 0, 0);
    EXPECT_TRUE(running());
    EXPECT_EQ(f.windows.clockLabel, "10:00:00");
    p.execute(cmd::BTPlay_Click{});
    EXPECT_EQ(f.windows.enabled, (std::array<bool, 3>{false, false, false}));
}

TEST_F(TriggerWindowsTest, CheckBoxMakesStartingAvailableAgain) {
    p.state().cycle.startBlocked = true;
    p.execute(cmd::ChkDecl_Click{1, true});
    EXPECT_EQ(startButtonPicture(f.cycle), StartButtonPicture::Play);
    EXPECT_TRUE(startButtonToolTip(f.cycle).isEmpty());
    EXPECT_TRUE(f.windows.enabled[1]);
    p.execute(cmd::ChkDecl_Click{1, false});
    EXPECT_FALSE(f.windows.enabled[1]);
}

TEST_F(TriggerWindowsTest, PeriodTabsChooseTheWindowShown) {
    EXPECT_EQ(f.windows.shownWindow, 0);
    p.execute(cmd::TabS3_Click{2});
    EXPECT_EQ(f.windows.shownWindow, 2);
    p.execute(cmd::TabS3_Click{1});
    EXPECT_EQ(f.windows.shownWindow, 1);
    p.execute(cmd::TabS3_Click{1});
    p.execute(cmd::TabS3_Click{7});
    EXPECT_EQ(f.windows.shownWindow, 1);
}

TEST(TimeFieldRules, ChangeGotFocusAndLostFocus) {
    enum class Action { Change, GotFocus, LostFocus };
    struct Case {
        int kind; // kHour, kMinute, kSecond
        Action action;
        QString input;
        QString text;
        bool focusMoves; // to the next field of the same time
        bool shortcuts;  // RaccourcisActifs afterwards
    };
    const Case cases[] = {
        {kHour, Action::Change, "30", "23", true, false},
        {kHour, Action::Change, "", "23", true, false},
        {kHour, Action::Change, "x", "23", true, false},
        {kHour, Action::Change, "7", "7", false, false},
        {kHour, Action::Change, "12", "12", true, false},
        {kHour, Action::Change, "23", "23", true, false},
        {kMinute, Action::Change, "abc", "59", true, false},
        {kMinute, Action::Change, "60", "59", true, false},
        {kMinute, Action::Change, "", "59", true, false},
        {kMinute, Action::Change, "5", "5", false, false},
        {kMinute, Action::Change, "45", "45", true, false},
        {kSecond, Action::Change, "7", "59", false, false},
        {kSecond, Action::Change, "5", "5", false, false},
        {kSecond, Action::Change, "60", "59", false, false},
        {kSecond, Action::Change, "a", "59", false, false},
        {kSecond, Action::Change, "", "", false, false},
        {kSecond, Action::Change, "45", "45", false, false},
        {kMinute, Action::LostFocus, "5", "05", false, true},
        {kHour, Action::LostFocus, "7", "07", false, true},
        {kSecond, Action::LostFocus, "", "00", false, true},
        {kHour, Action::LostFocus, "12", "12", false, true},
        {kSecond, Action::GotFocus, "34", "34", false, false},
        {kHour, Action::GotFocus, "08", "08", false, false},
    };
    FakePlayer player;
    FakeDialogs dialogs;
    FakeSpeaker speaker;
    FakeRecorder recorder;
    FakePriority priority;
    MainPresenter p{MainPresenter::Services{player, dialogs, speaker, recorder, priority}};
    StationState& f = p.state();
    for (const Case& c : cases) {
        for (const bool end : {false, true}) {
            const int field = TriggerWindows::fieldIndex(1, end, c.kind);
            SCOPED_TRACE(testing::Message()
                         << "field " << field << " input \"" << c.input.toStdString() << "\"");
            const int focusSeq = f.windows.focusSeq;
            const int selectSeq = f.windows.selectSeq;
            switch (c.action) {
            case Action::Change:
                f.shell.shortcutsActive = false; // the field has the focus
                p.execute(cmd::TimeField_Change{field, c.input});
                break;
            case Action::GotFocus:
                f.shell.shortcutsActive = true;
                f.windows.fields[static_cast<size_t>(field)] = c.input;
                p.execute(cmd::TimeField_GotFocus{field});
                EXPECT_EQ(f.windows.selectSeq, selectSeq + 1);
                EXPECT_EQ(f.windows.selectField, field);
                break;
            case Action::LostFocus:
                f.shell.shortcutsActive = false;
                f.windows.fields[static_cast<size_t>(field)] = c.input;
                p.execute(cmd::TimeField_LostFocus{field});
                break;
            }
            EXPECT_EQ(f.windows.fields[static_cast<size_t>(field)], c.text);
            EXPECT_EQ(f.windows.focusSeq != focusSeq, c.focusMoves);
            if (c.focusMoves) {
                EXPECT_EQ(f.windows.focusField, field + 1);
            }
            EXPECT_EQ(f.shell.shortcutsActive, c.shortcuts);
        }
    }
}
