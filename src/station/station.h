#pragma once

#include "app/journal.h"
#include "app/mainpresenter.h"
#include "app/timerdriver.h"
#include "platform/espeakengine.h"
#include "platform/qtseriallink.h"
#include "platform/sndfileplayer.h"
#include "platform/systemservices.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

namespace ondrix {

// The beacon with its real adapters and no window: the player, the speech
// engine, the serial link, the process services, the presenter and the timer
// driver. Both front ends (the window and --headless) are built on it; only
// the dialogs and the waits differ between them.
class Station : public QObject {
    Q_OBJECT
public:
    // `pauses` makes the fixed waits (the loading pauses, the port probes);
    // null: the thread sleeps. Both must outlive the station.
    Station(const QString& appDir, Dialogs& dialogs, Sleeper* pauses = nullptr,
            QObject* parent = nullptr);
    ~Station() override;

    MainPresenter& presenter() { return presenter_; }
    SndfilePlayer& player() { return player_; }
    EspeakEngine& speechEngine() { return speaker_; }

    // The start-up sequence. The timers are driven only once it is over: a
    // tick must not act on half-applied settings while a front end pumps
    // events during the pauses. A shut-down asked for meanwhile runs right
    // after it.
    void start();
    bool starting() const { return starting_; }
    bool started() const { return started_; }

    // Runs the shut-down sequence, once (the settings written, the transmitter
    // released, the port closed), then emits stopped(). Before start-up is
    // over it is put off until then: writing the settings earlier would store
    // half-read ones over the operator's file. Ending the process is the
    // front end's.
    void requestShutDown();
    bool stoppedForGood() const { return stopped_; }

    // Milliseconds spent in the fixed waits so far, and in start().
    qint64 pausedMs() const { return pauses_.total; }
    qint64 startUpMs() const { return startUpMs_; }

    Journal& journal() { return journal_; }

signals:
    void stopped();

private:
    // The player and the speech engine as the presenter sees them: every call
    // passed on, their notifications held during start-up.
    class PlayerTap : public FilePlayer {
    public:
        PlayerTap(FilePlayer& inner, Station& station);
        void open(const QString& path) override { inner_.open(path); }
        PlayResult play() override { return inner_.play(); }
        void stop() override { inner_.stop(); }
        bool isPlaying() const override { return inner_.isPlaying(); }
        double position() const override { return inner_.position(); }
        double duration() const override { return inner_.duration(); }
        void setVolume(int volume) override { inner_.setVolume(volume); }
        int volume() const override { return inner_.volume(); }
        void setMute(bool mute) override { inner_.setMute(mute); }
        bool mute() const override { return inner_.mute(); }

    private:
        FilePlayer& inner_;
        Station& station_;
    };
    class SpeakerTap : public SpeechEngine {
    public:
        SpeakerTap(SpeechEngine& inner, Station& station);
        void speak(const QString& text) override { inner_.speak(text); }
        void stop() override { inner_.stop(); }
        bool available() const override { return inner_.available(); }
        int voiceCount() const override { return inner_.voiceCount(); }
        QString voiceName(int index) const override { return inner_.voiceName(index); }
        int voiceGender(int index) const override { return inner_.voiceGender(index); }
        int voiceLanguage(int index) const override { return inner_.voiceLanguage(index); }
        SpeechResult selectVoice(int index) override { return inner_.selectVoice(index); }
        SpeechResult setSpeed(int wordsPerMinute) override {
            return inner_.setSpeed(wordsPerMinute);
        }
        void setVolume(int percent) override { inner_.setVolume(percent); }

    private:
        SpeechEngine& inner_;
        Station& station_;
    };
    // Counts what the waits took, for the start-up figures.
    class CountedPauses : public Sleeper {
    public:
        explicit CountedPauses(Sleeper& inner) : inner_(inner) {}
        void sleepMs(int ms) override;
        qint64 total = 0;

    private:
        Sleeper& inner_;
    };

    SndfilePlayer player_;
    EspeakEngine speaker_;
    PlayerTap playerTap_{player_, *this};
    SpeakerTap speakerTap_{speaker_, *this};
    NoRecorder recorder_;
    PosixPriority priority_;
    QtSerialLink serial_;
    ThreadSleeper threadSleeper_;
    CountedPauses pauses_;
    ProcessRestart restart_;
    MainPresenter presenter_;
    SystemClock clock_;
    // The station's log book, kept by both front ends.
    Journal journal_;
    std::unique_ptr<TimerDriver> timers_;
    bool starting_ = false;
    bool started_ = false;
    bool shutDownPending_ = false;
    bool stopped_ = false;
    qint64 startUpMs_ = 0;
    // The adapters' notifications that came during start-up (the window
    // handles events during the loading pauses), held until its end: the
    // presenter acts on them with the settings applied, never halfway, as
    // it does without a window.
    std::vector<std::function<void()>> heldNotifications_;
    void notify(std::function<void()> call);
};

} // namespace ondrix
