#pragma once

#include "beacon/fileplayer.h"
#include "core/clock.h"
#include "core/dialogs.h"
#include "core/services.h"
#include "message/speechengine.h"
#include "radiolink/seriallink.h"

#include <QStringList>

#include <functional>
#include <map>
#include <set>
#include <vector>

namespace ondrix::test {

// A clock the test moves by hand.
class FakeClock : public Clock {
public:
    QDateTime t = QDateTime(QDate(2026, 12, 4), QTime(14, 5, 0));
    QDateTime now() const override { return t; }
    qint64 monotonicMs() const override { return mono; }
    // Moves the wall clock and the monotonic clock together.
    void advanceMs(qint64 ms) {
        t = t.addMSecs(ms);
        mono += ms;
    }
    qint64 mono = 1'000'000;
};

class RecordingSleeper : public Sleeper {
public:
    std::vector<int> waits;
    void sleepMs(int ms) override { waits.push_back(ms); }
};

// A player whose files are a table of name -> duration; position follows the
// fake clock from the last play.
class FakePlayer : public FilePlayer {
public:
    explicit FakePlayer(const FakeClock* clock = nullptr) : clock_(clock) {}

    std::map<QString, double> files; // playable files and their durations
    QString openName;
    std::vector<qint64> playTimesMs; // fake-clock time of each successful play
    int plays = 0, failedPlays = 0, stops = 0, opens = 0;
    bool playing = false;
    double fixedPosition = -1; // >= 0 overrides the clock-derived position
    int vol = 0;
    bool muted = false;

    void open(const QString& path) override {
        ++opens;
        openName = files.count(path) ? path : QString();
        if (onDurationKnown)
            onDurationKnown();
    }
    std::function<void()> onPlay; // called as each play starts
    PlayResult play() override {
        if (onPlay)
            onPlay();
        if (openName.isEmpty()) {
            ++failedPlays;
            return PlayResult::NothingToPlay;
        }
        ++plays;
        playing = true;
        started_ = clock_ ? clock_->now() : QDateTime();
        if (clock_)
            playTimesMs.push_back(clock_->now().toMSecsSinceEpoch());
        return PlayResult::Started;
    }
    void stop() override {
        ++stops;
        playing = false;
    }
    bool isPlaying() const override { return playing; }
    double position() const override {
        if (fixedPosition >= 0)
            return fixedPosition;
        if (!clock_ || !playing)
            return 0;
        return std::min(duration(), started_.msecsTo(clock_->now()) / 1000.0);
    }
    double duration() const override {
        auto it = files.find(openName);
        return it == files.end() ? 0.0 : it->second;
    }
    void setVolume(int v) override { vol = v; }
    int volume() const override { return vol; }
    void setMute(bool m) override { muted = m; }
    bool mute() const override { return muted; }

private:
    const FakeClock* clock_;
    QDateTime started_;
};

// Message boxes answered from a script; the open dialog returns queued names.
class FakeDialogs : public Dialogs {
public:
    struct Shown {
        QString text;
        MsgButtons buttons;
        QString title;
    };
    std::vector<Shown> messages;
    std::vector<MsgAnswer> answers; // consumed in order; Cancel/No when exhausted
    QStringList openResults;        // consumed in order; "" (cancel) when exhausted
    std::vector<std::pair<QString, QString>> openRequests;

    MsgAnswer message(const QString& text, MsgButtons buttons, const QString& title) override {
        messages.push_back({text, buttons, title});
        if (!answers.empty()) {
            MsgAnswer a = answers.front();
            answers.erase(answers.begin());
            return a;
        }
        return buttons == MsgButtons::YesNo ? MsgAnswer::No
               : buttons == MsgButtons::Ok  ? MsgAnswer::Ok
                                            : MsgAnswer::Cancel;
    }
    QString openFile(const QString& title, const QString& filter) override {
        openRequests.emplace_back(title, filter);
        return openResults.isEmpty() ? QString() : openResults.takeFirst();
    }
};

// A speech engine with a table of voices; speaking is instantaneous and the
// test fires the started/finished notifications itself.
class FakeSpeaker : public SpeechEngine {
public:
    struct Voice {
        QString name;
        int gender;
        int language;
        bool usable = true;
    };
    bool created = true;
    std::vector<Voice> voices{{"French", 2, 1036}, {"French (f2)", 1, 1036}};
    QStringList spoken;
    int stops = 0;
    int selected = -1;
    int speed = 150;
    int minSpeed = 80, maxSpeed = 450;
    int volume = 100;

    void speak(const QString& text) override { spoken << text; }
    void stop() override { ++stops; }
    bool available() const override { return created; }
    int voiceCount() const override { return created ? static_cast<int>(voices.size()) : 0; }
    QString voiceName(int i) const override { return valid(i) ? voices[i].name : QString(); }
    int voiceGender(int i) const override { return valid(i) ? voices[i].gender : 0; }
    int voiceLanguage(int i) const override { return valid(i) ? voices[i].language : 0; }
    SpeechResult selectVoice(int i) override {
        if (!created)
            return SpeechResult::NotCreated;
        if (!valid(i) || !voices[i].usable)
            return SpeechResult::VoiceUnusable;
        selected = i;
        return SpeechResult::Ok;
    }
    SpeechResult setSpeed(int wpm) override {
        if (wpm < minSpeed || wpm > maxSpeed)
            return SpeechResult::Refused;
        speed = wpm;
        return SpeechResult::Ok;
    }
    void setVolume(int percent) override { volume = percent; }

    void started() {
        if (onStarted)
            onStarted();
    }
    void finished() {
        if (onFinished)
            onFinished();
    }

private:
    bool valid(int i) const { return created && i >= 0 && i < static_cast<int>(voices.size()); }
};

class FakeRecorder : public RecorderWindow {
public:
    int shows = 0, ecoutes = 0;
    std::vector<bool> chkEnr; // every tick/untick asked for
    void show() override { ++shows; }
    void ECOUTE() override { ++ecoutes; }
    void setChkEnr(bool on) override { chkEnr.push_back(on); }
};

class FakePriority : public ProcessPriority {
public:
    std::vector<int> set_;
    bool refuse = false;
    bool set(int index) override {
        set_.push_back(index);
        return !refuse;
    }
};

// A serial port whose every open, close and line change is logged in order
// ("open 1", "close", "DTR 1", "RTS 0"...).
class FakeSerial : public SerialLink {
public:
    QStringList log;
    int mapSize = 32;      // port numbers with a device behind them
    std::set<int> present; // numbers that open
    std::set<int> held;    // numbers held by another program
    bool removed = false;  // the adapter was pulled out: line changes fail
    int number = 0;
    bool opened = false;
    bool rts = false, dtr = false;
    int cts = 0, dsr = 0, dcd = 0, ri = 0;

    bool setPortNumber(int n) override {
        if (opened)
            return false;
        number = n;
        return true;
    }
    int portNumber() const override { return number; }
    QString devicePath(int n) const override {
        return n >= 1 && n <= mapSize ? QString("/dev/fake%1").arg(n) : QString();
    }
    bool isOpen() const override { return opened; }
    SerialResult open() override {
        log << QString("open %1").arg(number);
        if (opened || held.count(number))
            return SerialResult::AlreadyOpen;
        if (!present.count(number))
            return SerialResult::CannotOpen;
        opened = true;
        return SerialResult::Ok;
    }
    void close() override {
        log << "close";
        opened = false;
        rts = dtr = false;
    }
    SerialResult setDTR(bool on) override { return line("DTR", dtr, on); }
    SerialResult setRTS(bool on) override { return line("RTS", rts, on); }
    int CTS() override { return opened ? cts : 0; }
    int DSR() override { return opened ? dsr : 0; }
    int DCD() override { return opened ? dcd : 0; }
    int RI() override { return opened ? ri : 0; }

private:
    SerialResult line(const char* name, bool& state, bool on) {
        if (!opened || removed) {
            log << QString("%1 failed").arg(name);
            opened = false;
            return SerialResult::StateCannotBeSet;
        }
        log << QString("%1 %2").arg(name).arg(on ? 1 : 0);
        state = on;
        return SerialResult::Ok;
    }
};

} // namespace ondrix::test
