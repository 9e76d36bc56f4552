#pragma once

#include "app/commands.h"
#include "app/settings.h"
#include "app/stationstate.h"
#include "beacon/beacon.h"
#include "beacon/triggerwindows.h"
#include "core/events.h"
#include "core/params.h"
#include "core/stream.h"
#include "message/operatorinfo.h"
#include "message/voices.h"
#include "radiolink/radiolink.h"

#include <QObject>

namespace ondrix {

// Every message shown to the operator is also an event: the logs keep
// what the station said, whoever was (or was not) there to read it.
class AnnouncedDialogs : public Dialogs {
public:
    AnnouncedDialogs(Dialogs& inner, const EventBus& events) : inner_(inner), events_(events) {}
    MsgAnswer message(const QString& text, MsgButtons buttons = MsgButtons::Ok,
                      const QString& title = QString()) override;
    QString openFile(const QString& title, const QString& filter) override {
        return inner_.openFile(title, filter);
    }

private:
    Dialogs& inner_;
    const EventBus& events_;
};

// Owns every fact of the main window and the settings arrays. The widgets
// pass the operator's commands to execute() and redraw from state() on changed().
class MainPresenter : public QObject {
    Q_OBJECT
public:
    struct Services {
        FilePlayer& player;
        Dialogs& dialogs;
        SpeechEngine& speaker;
        RecorderWindow& recorder;
        ProcessPriority& priority;
        // No serial link: every open fails, as with no port at all.
        SerialLink* serial = nullptr;
        // No sleeper: the fixed waits are skipped.
        Sleeper* sleeper = nullptr;
        // No clock: the system's.
        const Clock* clock = nullptr;
        // No program control: a restart does nothing.
        ProgramControl* program = nullptr;
    };

    explicit MainPresenter(Services services, QObject* parent = nullptr);
    ~MainPresenter() override;

    const StationState& state() const { return state_; }
    StationState& state() { return state_; }
    // What happened, for the window-less log, the log book and the window.
    EventBus& events() { return events_; }
    // The receive side's high-rate data, straight to the views that draw it.
    AudioStreams& streams() { return streams_; }
    const Params& params() const { return params_; }
    Params& params() { return params_; }
    Beacon& beacon() { return beacon_; }
    RadioLink& radio() { return radio_; }
    VoiceCatalogue& voices() { return voices_; }

    // Start-up, once the window is built: the settings read and applied, the
    // serial port chosen or searched, the voices listed, the tag list filled,
    // behind the loading panel. setAppDir comes first.
    void start();
    // Shut-down: the settings written, the transmitter released, the port
    // closed. Runs once; ending the process is the caller's.
    void Form_Unload();
    bool unloaded() const { return unloaded_; }
    // Whether the shut-down's write of the settings file succeeded.
    bool savedAtUnload() const { return savedAtUnload_; }
    // Asked before the settings are written at shut-down, when the shortcut
    // window is open; none yet.
    std::function<void()> beforeUnload;

    void setAppDir(const QString& dir);
    Settings& settings() { return settings_; }

    // Window caption, from the program's name and version.
    static QString caption();
    static QString versionText();

    // Every operator action, whoever asks (a control, a shortcut, the
    // window-less front end). The interlocks are here: a command that would
    // change the keying while a cycle runs is refused and said.
    void execute(const Command& command);
    // A timer of the station is due (the timer driver, or a test).
    void tick(Tick timer);

    TriggerWindows& windows() { return windows_; }

signals:
    // A step changed these features: their panels redraw, nothing else. Said
    // once per step, not at all when nothing changed.
    void changed(ondrix::Features features);

private:
    // An operator's action: every panel is drawn again afterwards, so a
    // widget the operator typed into shows the corrected value even when the
    // state did not change (a few times a minute at most).
    template <typename F> void act(F&& f) {
        f();
        notifyChanges(true);
    }
    // A tick or a device's notification: only the features it changed are
    // said, so an idle window redraws the panels whose facts moved.
    template <typename F> void update(F&& f) {
        f();
        notifyChanges(false);
    }
    void notifyChanges(bool all);

    class NoSerial : public SerialLink {
    public:
        bool setPortNumber(int n) override {
            number_ = n;
            return true;
        }
        int portNumber() const override { return number_; }
        QString devicePath(int) const override { return {}; }
        bool isOpen() const override { return false; }
        SerialResult open() override { return SerialResult::CannotOpen; }
        void close() override {}
        SerialResult setDTR(bool) override { return SerialResult::StateCannotBeSet; }
        SerialResult setRTS(bool) override { return SerialResult::StateCannotBeSet; }
        int CTS() override { return 0; }
        int DSR() override { return 0; }
        int DCD() override { return 0; }
        int RI() override { return 0; }

    private:
        int number_ = 0;
    };
    class NoRestart : public ProgramControl {
    public:
        void restart() override {}
    };
    class NoWait : public Sleeper {
    public:
        void sleepMs(int) override {}
    };

    StationState state_;
    // What the panels last drew, to tell which features a step changed.
    StationState drawn_;
    EventBus events_;
    AudioStreams streams_;
    AnnouncedDialogs dialogs_;
    Params params_;
    Services services_;
    NoSerial noSerial_;
    NoWait noWait_;
    SystemClock systemClock_;
    NoRestart noRestart_;
    Beacon beacon_;
    RadioLink radio_;
    VoiceCatalogue voices_;
    OperatorInfo operator_;
    TriggerWindows windows_;
    // After every part it applies settings to.
    Settings settings_;
    bool unloaded_ = false;
    bool savedAtUnload_ = false;
    // Applies a selection to the message box.
    void selectInMessage(int start, int length);
    void replaceInMessage(int selStart, int selLength, const QString& with);
    // True (and said) when the keying may not change now: a cycle runs.
    bool keyingLocked();
    // A settings file that could not be used is said once, at start-up.
    void reportUnreadableSettings();
};

} // namespace ondrix
